// The table procedures of ScanLib against the scripted table: the exact
// messages of each, the points of a spread series for a fixed seed and the
// bounds of the spread, the averaging rule, and the key wait of
// ScanPosition with its handler given back.
#include "ScriptedInstrument.hpp"

#include "qelvxn/library/WaitEnterKey.hpp"

#include "qel/PostOffice.hpp"
#include "qel/Spectrum.hpp"

#include <cstdlib>

namespace {

using libtest::IntBytes;
using libtest::Seq;
using libtest::KeyMessage;

struct XY {
    int x, y;
    friend bool operator==(const XY& a, const XY& b) { return a.x == b.x && a.y == b.y; }
};

MeasuringCondition Condition()
{
    return MeasuringCondition(PhysicalConditions(ActualFilterClass(FILTER_NONE), WBaseClass(WBASE_PAPER)),
                              IllumClass(ILLUM_D65, 65), ObserverClass(OBSERVER_10), DStdClass(DSTD_DIN));
}

class ScanLibTest : public libtest::ScriptedLibraryTest {
protected:
    void SetUp() override
    {
        ScriptedLibraryTest::SetUp();
        // No white calibration in between: these tests are about the table.
        pLib->SetCalibration(0);
        auto base = dev.Answer();
        // GetSpectrumAtPos answers with a spectrum that tells where it was
        // measured: value 0 is x, value 1 is y, value i (from 2) is i.
        t->maFallback = [this, base](int m, MyMemoryBlock& req, MyMemoryBlock& rep) {
            if (m != 84 || dev.refuse.count(84))
                return base(m, req, rep);
            int x = 0, y = 0;
            req >> x >> y;
            points.push_back({x, y});
            if (static_cast<int>(points.size()) == nFailAt) {
                rep << static_cast<char>(1);
                return true;
            }
            rep << static_cast<char>(0) << static_cast<float>(x) << static_cast<float>(y);
            for (int i = 2; i < 36; ++i)
                rep << static_cast<float>(i);
            return true;
        };
        t->ClearSent();
    }
    ScanLib& Lib() { return *VXNLib::mpInstance; }

    std::vector<XY> points;
    int nFailAt = 0;  // the n-th spectrum request (1-based) is refused
};

TEST_F(ScanLibTest, MeasureAtPosSendsOneSpectrumRequestAtThePoint)
{
    Spectrum s;
    EXPECT_EQ(Lib().MeasureAtPos(nullptr, s, Point(1234, 567), Condition()), 1);
    EXPECT_EQ(Steps(), (Seq{84}));
    EXPECT_EQ(PayloadOfNth(84), IntBytes({1234, 567}));
    EXPECT_EQ(t->SentDisEnables().back().second, 2);
    EXPECT_FLOAT_EQ(s[0], 1234.0f);
    EXPECT_FLOAT_EQ(s[35], 35.0f);
    EXPECT_EQ(s.GetPhysicalConditions().GetFilter().GetType(), FILTER_NONE);
    EXPECT_EQ(static_cast<StoredWBaseType>(s.GetPhysicalConditions().GetWBase()), WBASE_PAPER);
}

TEST_F(ScanLibTest, MeasureAtPosFailuresStillRebuildTheSpectrum)
{
    struct Case {
        const char* pName;
        std::function<void()> arrange;
        Seq steps;
    } cases[] = {
        {"spectrum refused", [this] { dev.refuse = {84}; }, Seq{84}},
        // The user cancels the calibration the check asks for: no spectrum
        // is asked for.
        {"calibration cancelled", [this] { dev.refuse.clear(); pLib->SetCalibration(1); boxes.QueueAnswer(RET_CANCEL); }, Seq{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pName);
        c.arrange();
        t->ClearSent();
        Spectrum s;
        s.Init(7.0f);
        EXPECT_EQ(Lib().MeasureAtPos(nullptr, s, Point(10, 20), Condition()), 0);
        EXPECT_FLOAT_EQ(s[0], 0.0f);  // rebuilt, no measurement in it
        EXPECT_EQ(s.GetPhysicalConditions().GetFilter().GetType(), FILTER_NONE);
        EXPECT_EQ(CountOf(84), static_cast<int>(c.steps.size())) << ::testing::PrintToString(Sent());
    }
}

// A series: the special status around every measurement, then cleared and
// the head lifted. A failure ends it (still lifting); the sum is divided by
// the count asked for. Refused table housekeeping does not stop it.
TEST_F(ScanLibTest, SeriesMessagesAndMean)
{
    const Seq THREE = {72, 84, 72, 84, 72, 84, 73, 54}, ONE = {72, 84, 73, 54};
    struct Case {
        const char* name;
        int n;
        Point at;
        Size spread;
        int failAt;
        std::set<int> refuse;
        unsigned char result;
        Seq steps;
        float first, last;  // s[0] and s[35] afterwards
    } cases[] = {
        {"three at one point", 3, Point(1000, 2000), Size(0, 0), 0, {}, 1, THREE, 1000, 35},
        {"count 0", 0, Point(300, 400), Size(500, 500), 0, {}, 1, ONE, 300, 35},
        {"count 1", 1, Point(300, 400), Size(500, 500), 0, {}, 1, ONE, 300, 35},
        {"third fails", 5, Point(100, 100), Size(0, 0), 3, {}, 0, THREE, 2 * 100.0f / 5, 2 * 35.0f / 5},
        {"first fails", 4, Point(100, 100), Size(50, 50), 1, {}, 0, ONE, 0, 0},
        {"housekeeping refused", 2, Point(100, 100), Size(0, 0), 0, {72, 73, 54}, 1, {72, 84, 72, 84, 73, 54}, 100, 35},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        nFailAt = c.failAt;
        dev.refuse = c.refuse;
        points.clear();
        t->ClearSent();
        Spectrum s;
        EXPECT_EQ(Lib().MultiMeasurementAtPos(nullptr, s, c.n, c.at, c.spread, Condition()), c.result);
        EXPECT_EQ(Steps(), c.steps);
        EXPECT_EQ(PayloadOfNth(72), (std::vector<uint8_t>{1, 0}));  // a short
        EXPECT_EQ(PayloadOfNth(73), IntBytes({1}));  // an int
        ASSERT_FALSE(points.empty());
        EXPECT_EQ(points[0], (XY{c.at.X(), c.at.Y()})) << "the first measurement is at the point itself";
        if (c.spread.Width() == 0) {
            EXPECT_EQ(points, std::vector<XY>(points.size(), points[0]));
        }
        EXPECT_FLOAT_EQ(s[0], c.first);
        EXPECT_FLOAT_EQ(s[35], c.last);
    }
}

TEST_F(ScanLibTest, SpreadPointsComeFromRandForAFixedSeed)
{
    const Point p(2000, 1500);
    const Size spread(200, 100);
    std::srand(4711);
    std::vector<XY> expected = {{2000, 1500}};
    for (int k = 2; k <= 6; ++k) {
        int rx = std::rand() % 32768, ry = std::rand() % 32768;
        expected.push_back({2000 + rx * 200 / 32768 - 100, 1500 + ry * 100 / 32768 - 50});
    }
    std::srand(4711);
    Spectrum s;
    EXPECT_EQ(Lib().MultiMeasurementAtPos(nullptr, s, 6, p, spread, Condition()), 1);
    EXPECT_EQ(points, expected);
    double sumX = 0;
    for (const XY& q : expected)
        sumX += q.x;
    EXPECT_NEAR(s[0], sumX / 6, 1e-3);
    std::srand(1);
}

TEST_F(ScanLibTest, SpreadStaysWithinHalfTheSpreadEitherWay)
{
    struct Case {
        Size spread;
        int loX, hiX, loY, hiY;  // inclusive bounds of the offsets
    } cases[] = {
        {Size(200, 60), -100, 99, -30, 29},
        {Size(1, 1), 0, 0, 0, 0},        // (r * 1) / 32768 is always 0
        {Size(0, 0), 0, 0, 0, 0},
        {Size(-40, 7), 0, 0, -3, 3},      // a negative spread leaves its axis alone
        {Size(2, 3), -1, 0, -1, 1},
    };
    std::srand(99);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spread.Width());
        points.clear();
        Spectrum s;
        EXPECT_EQ(Lib().MultiMeasurementAtPos(nullptr, s, 400, Point(3000, 2000), c.spread, Condition()), 1);
        ASSERT_EQ(points.size(), 400u);
        int minX = 1 << 20, maxX = -(1 << 20), minY = minX, maxY = maxX;
        for (size_t i = 1; i < points.size(); ++i) {
            minX = std::min(minX, points[i].x - 3000);
            maxX = std::max(maxX, points[i].x - 3000);
            minY = std::min(minY, points[i].y - 2000);
            maxY = std::max(maxY, points[i].y - 2000);
        }
        // Within the bounds, and (with 399 draws) reaching close to them.
        EXPECT_GE(minX, c.loX);
        EXPECT_LE(maxX, c.hiX);
        EXPECT_GE(minY, c.loY);
        EXPECT_LE(maxY, c.hiY);
        EXPECT_LE(minX, c.loX + (c.hiX - c.loX) / 10);
        EXPECT_GE(maxX, c.hiX - (c.hiX - c.loX) / 10);
    }
    std::srand(1);
}

TEST_F(ScanLibTest, SpreadCoordinatesWrapAtSixteenBits)
{
    EXPECT_EQ(ScanLib::SpreadPoint(Point(0, 0), Size(200, 0), 0, 0), Point(static_cast<short>(65436), 0));
    Spectrum s;
    std::srand(5);
    points.clear();
    // A draw that goes below 0 reaches the table as a large unsigned number.
    Lib().MultiMeasurementAtPos(nullptr, s, 40, Point(0, 0), Size(200, 0), Condition());
    bool bWrapped = false;
    for (const XY& q : points)
        bWrapped = bWrapped || q.x > 65000;
    EXPECT_TRUE(bWrapped);
}

// ---- ScanPosition ------------------------------------------------------------

class ScanPositionTest : public ScanLibTest {
protected:
    void Key() { boxes.QueueDialogAction([this](ModalDialog&) { t->SendUnsolicited(81, KeyMessage()); }); }
    void Cancel()
    {
        boxes.QueueDialogAction([](ModalDialog& d) { static_cast<WaitEnterKey&>(d).GetButtonBar().ClickButton(4); });
    }
};

// The key reads the sight's position; what happens when a step fails. The
// key is the dialog's while it waits, and goes back to whoever listened
// before.
TEST_F(ScanPositionTest, OutcomesByWhatFailed)
{
    struct Listener : LinkHdl {
        int nHits = 0;
        long Hit(void*)
        {
            ++nHits;
            return 0;
        }
    } before;
    Link l = LINK(&before, Listener, Hit);
    PostOffice::Instance()->ChangeMessageHdl(81, l, 0);
    struct Case {
        const char* pName;
        std::set<int> refuse;
        bool bCancel;
        unsigned char nResult;
        bool bPositionRead;
        Seq sent;
    } cases[] = {
        {"key", {}, false, 1, true, {51, 64, 71, 82, 83, 57, 60}},
        {"cancelled", {}, true, 0, false, {51, 64, 71, 82, 83, 60}},
        {"move refused", {51}, false, 1, true, {51, 64, 71, 82, 83, 57, 60}},
        {"no digitizing mode", {64}, false, 0, false, {51, 64}},
        {"no table status", {71}, false, 0, false, {51, 64, 71, 60}},
        {"position unreadable", {57}, false, 0, false, {51, 64, 71, 82, 83, 57, 60}},
        {"not back online", {60}, false, 0, true, {51, 64, 71, 82, 83, 57, 60}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pName);
        t->ClearSent();
        boxes.Clear();
        dev.refuse = c.refuse;
        dev.x = 2345;
        dev.y = 678;
        bool bDialog = !c.refuse.count(64) && !c.refuse.count(71);
        if (bDialog)
            c.bCancel ? Cancel() : Key();
        Point p(1000, 900);
        EXPECT_EQ(Lib().ScanPosition(nullptr, String("Pick"), String("Move the head."), p), c.nResult);
        EXPECT_EQ(p, c.bPositionRead ? Point(2345, 678) : Point(1000, 900));
        EXPECT_EQ(Sent(), c.sent);
        EXPECT_EQ(PayloadOfNth(51), IntBytes({1, 1000, 900}));
        if (CountOf(57)) {
            EXPECT_EQ(PayloadOfNth(57), IntBytes({1}));
        }
        for (auto [m, de] : t->SentDisEnables())
            EXPECT_EQ(de, testenv::ExpectedDisEnable(m)) << m;
        ASSERT_EQ(boxes.Dialogs().size(), bDialog ? 1u : 0u);
        if (bDialog) {
            EXPECT_EQ(boxes.Dialogs()[0].aTitle, String("Pick"));
        }
        EXPECT_EQ(boxes.PendingActions(), 0u);
        EXPECT_EQ(before.nHits, 0);
        EXPECT_TRUE(PostOffice::Instance()->GetMessageHdl(81) == l);
    }
    Link none;
    PostOffice::Instance()->ChangeMessageHdl(81, none, 0);
}

} // namespace

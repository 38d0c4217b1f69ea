// The measuring chain over a scripted instrument: the exact message
// sequence of each Measure form, of CheckSettings, the filter wait and the
// white calibration, with the boxes they show.
#include "qelvxn/library/ScanLib.hpp"
#include "support/ScriptedTransport.hpp"
#include "support/TestEnv.hpp"

#include "qel/AppConfig.hpp"
#include "qel/Spectrum.hpp"
#include "sv/MessBox.hpp"
#include "sv/ModalDialog.hpp"
#include "sv/ScriptedResponder.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>

namespace {

using testenv::ScriptedTransport;
using Seq = std::vector<int>;

// A scriptable instrument behind the scripted transport: answers every
// message the measuring chain sends from a few fields.
struct FakeInstrument {
    int sw = 355;
    long deviceType = 1;
    bool table = false;
    bool huepointer = false;
    int control = 0;                 // answer to measure control 155
    int dstd = 2, wbase = 1, illum = 2, observer = 0, filter = 2;
    std::deque<int> nextFilters;     // filters reported by the following requests (operator at work)
    std::set<int> motorised;         // filters FilterDownload can set
    std::map<int, short> tab;        // Dxx temperature numbers by table value type
    std::set<int> refuse;            // messages answered with status 1
    float sample = 0.5f;             // value of every point of a measured spectrum
    float whiteRef = 0.5f;           // value of the stored white references
    unsigned short x = 100, y = 200; // table position

    std::function<bool(int, MyMemoryBlock&, MyMemoryBlock&)> Answer()
    {
        return [this](int msg, MyMemoryBlock& req, MyMemoryBlock& rep) {
            if (refuse.count(msg)) {
                rep << static_cast<char>(1);
                return true;
            }
            rep << static_cast<char>(0);
            int a = 0, b = 0;
            switch (msg) {
            case 8: rep << sw; break;
            case 13: rep << static_cast<int>(deviceType); break;
            case 94: rep << static_cast<unsigned char>(table); break;
            case 100: rep << static_cast<unsigned char>(huepointer); break;
            case 26:
                if (!nextFilters.empty()) {
                    filter = nextFilters.front();
                    nextFilters.pop_front();
                }
                rep << dstd << wbase << illum << observer << filter;
                break;
            case 27: req >> dstd >> wbase >> illum >> observer; break;
            case 32: {
                unsigned char flags[4] = {};
                rep << static_cast<unsigned char>(0);
                rep.Put(flags, 4);
                rep << static_cast<unsigned char>(0);
                break;
            }
            case 33: req >> a; rep << static_cast<int>(tab.count(a) ? tab[a] : 65); break;
            case 34: req >> a >> b; tab[a] = static_cast<short>(b); break;
            case 37: rep << control; break;
            case 101:
                req >> a;
                if (motorised.count(a))
                    filter = a;
                rep << static_cast<unsigned char>(motorised.count(a) ? 1 : 0);
                break;
            case 15:
                for (int i = 0; i < 36; ++i)
                    rep << sample;
                rep << static_cast<unsigned char>(0);
                break;
            case 31:
                for (int i = 0; i < 108; ++i)
                    rep << whiteRef;
                break;
            case 57: rep << static_cast<int>(x) << static_cast<int>(y) << 0; break;
            default: break;  // commands without reply fields
            }
            return true;
        };
    }
};

class MeasureFlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppConfig::SetPathName(String(testenv::FreshConfigPath()));
        pLib = VXNLib::CreateVXNLib(0);
        t = std::make_unique<ScriptedTransport>();
        t->maFallback = dev.Answer();
        use = std::make_unique<ScopedResponder>(boxes);
        boxes.SetDialogTimeout(2000);
    }
    void TearDown() override
    {
        VXNLib::Simulator(false);
        use.reset();
        t.reset();
        VXNLib* p = VXNLib::mpInstance;
        QelSingleton::Remove(p);
        delete p;
    }
    // Runs a protected operation of the library object.
    struct Access : VXNLib {
        using VXNLib::CheckCalOK;
    };
    unsigned char CheckCalOK(ValueFilterType f, unsigned char quiet)
    {
        return (pLib->*(&Access::CheckCalOK))(f, quiet);
    }
    Seq Sent() const { return t->SentNumbers(); }
    std::vector<uint8_t> PayloadOf(size_t i) const { return t->Sent().at(i).payload; }
    int CountOf(int msg) const
    {
        auto s = Sent();
        return static_cast<int>(std::count(s.begin(), s.end(), msg));
    }

    FakeInstrument dev;
    VXNLib* pLib = nullptr;
    std::unique_ptr<ScriptedTransport> t;
    ScriptedResponder boxes;
    std::unique_ptr<ScopedResponder> use;
};

// The conditions request: software version, conditions, device type.
const Seq COND = {8, 26, 13};

Seq Cat(std::initializer_list<Seq> parts)
{
    Seq s;
    for (auto& p : parts)
        s.insert(s.end(), p.begin(), p.end());
    return s;
}

TEST_F(MeasureFlowTest, FirstMeasurementCalibratesSecondDoesNot)
{
    Spectrum s;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1);
    Seq calibrate = Cat({{13, 13},            // calibration setting (device type), device type 32?
                         {100, 48},           // Huepointer? instrument ready?
                         COND,                // filter wait: the filter is in place
                         {94, 13},            // question text (table?), device type 2?
                         COND,                // conditions before calibrating
                         {8, 31, 28, 15},     // white reference against a measurement
                         {94, 29},            // table? white measurement
                         {94, 100}});         // closing note: table? Huepointer?
    Seq single = Cat({{13, 37, 94, 28, 94, 15}, COND});
    EXPECT_EQ(Sent(), Cat({calibrate, single}));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_QUERY);
    EXPECT_EQ(boxes.Boxes()[0].nStyle, 4160);
    EXPECT_EQ(boxes.Boxes()[0].nHelpId, 0u);
    EXPECT_EQ(boxes.Boxes()[1].nStyle, 16);
    EXPECT_EQ(pLib->GetCalFilter(), FILTER_POL);
    EXPECT_FLOAT_EQ(s[0], 0.5f);
    EXPECT_EQ(s.GetPhysicalConditions().GetFilter().GetType(), FILTER_POL);

    t->ClearSent();
    boxes.Clear();
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1);
    EXPECT_EQ(Sent(), Cat({{13, 13}, single}));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MeasureFlowTest, AnotherFilterCalibratesAgainAndBack)
{
    dev.motorised = {7, 8, 9};
    Spectrum s;
    for (ValueFilterType f : {FILTER_M1, FILTER_M2, FILTER_M1}) {
        t->ClearSent();
        ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, f), 1);
        EXPECT_EQ(CountOf(29), 1) << f;
        EXPECT_EQ(dev.filter, f);
    }
}

TEST_F(MeasureFlowTest, DecliningIsRememberedForTheFilter)
{
    boxes.QueueAnswer(RET_NO);
    Spectrum s;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1);
    EXPECT_EQ(CountOf(29), 0);
    EXPECT_EQ(CountOf(31), 0);
    ASSERT_EQ(boxes.Boxes().size(), 2u);  // the question and the closing note
    EXPECT_EQ(pLib->GetCalFilter(), FILTER_POL);
    boxes.Clear();
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MeasureFlowTest, CancellingTheQuestionMeasuresNothing)
{
    boxes.QueueAnswer(RET_CANCEL);
    Spectrum s;
    s[0] = 7.0f;
    EXPECT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 0);
    EXPECT_EQ(CountOf(28), 0);
    EXPECT_EQ(pLib->GetCalFilter(), -1);
    EXPECT_FLOAT_EQ(s[0], 7.0f);
}

TEST_F(MeasureFlowTest, CalibrationSettingOffSendsNoCalibration)
{
    AppConfig::Instance()->WriteKey("VXN", "Calibration", "0");
    Spectrum s;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1);
    EXPECT_EQ(Sent(), Cat({{13}, {13, 37, 94, 28, 94, 15}, COND}));
}

TEST_F(MeasureFlowTest, PromptBoxAnswers)
{
    AppConfig::Instance()->WriteKey("VXN", "Calibration", "0");
    struct Case {
        short answer;
        unsigned char result;
        bool measures;
        float first;
    } cases[] = {{RET_NO, 1, false, -1.0f}, {RET_CANCEL, 0, false, 9.0f}, {4, 1, false, 9.0f},
                 {RET_OK, 1, true, 0.5f},   {RET_YES, 1, true, 0.5f}};
    for (const auto& c : cases) {
        t->ClearSent();
        boxes.Clear();
        boxes.QueueAnswer(c.answer);
        Spectrum s;
        s.Init(9.0f);
        // A box whose buttons offer the answer.
        WinBits style = c.answer == RET_OK ? WB_OK_CANCEL : c.answer == 4 ? WB_RETRY_CANCEL : WB_YES_NO_CANCEL;
        QueryBox prompt(nullptr, style, String("Place the instrument on the sample"));
        EXPECT_EQ(pLib->Measure(&prompt, s, FILTER_POL), c.result) << c.answer;
        EXPECT_EQ(CountOf(28), c.measures ? 1 : 0) << c.answer;
        EXPECT_FLOAT_EQ(s[0], c.first) << c.answer;
        EXPECT_FLOAT_EQ(s[35], c.first) << c.answer;
        EXPECT_EQ(boxes.Boxes().size(), 1u);
    }
}

TEST_F(MeasureFlowTest, ConditionsFormDownloadsWhatDiffers)
{
    AppConfig::Instance()->WriteKey("VXN", "Calibration", "0");
    MeasuringCondition want(PhysicalConditions{ActualFilterClass(FILTER_POL), WBaseClass(WBASE_PAPER)},
                            IllumClass(static_cast<IllumType>(16), 93), ObserverClass(OBSERVER_10));
    Spectrum s;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, want), 1);
    // Device type, conditions, device type 32?, Dxx number, download, then
    // the calibration check and the measurement.
    Seq expected = Cat({{13}, COND, {13, 34, 27}, {13}, {13, 37, 94, 28, 94, 15}, COND, {33}});
    EXPECT_EQ(Sent(), expected);
    EXPECT_EQ(dev.illum, 16);
    EXPECT_EQ(dev.observer, 1);
    EXPECT_EQ(dev.wbase, 0);
    EXPECT_EQ(dev.dstd, 2);  // the instrument's own density standard is kept
    EXPECT_EQ(dev.tab[96], 93);
}

TEST_F(MeasureFlowTest, ConditionsFormOnDeviceType2NeverDownloads)
{
    dev.deviceType = 2;
    dev.filter = 8;
    MeasuringCondition want(PhysicalConditions{ActualFilterClass(FILTER_M1), WBaseClass(WBASE_PAPER)},
                            IllumClass(ILLUM_A), ObserverClass(OBSERVER_10));
    Spectrum s;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, want), 1);
    EXPECT_EQ(CountOf(27), 0);
    EXPECT_EQ(CountOf(29), 0);  // no calibration check on device type 2
    EXPECT_FLOAT_EQ(s[10], 0.5f);
}

TEST_F(MeasureFlowTest, CheckSettingsFindsNothingToDownload)
{
    struct Case {
        const char* name;
        long type;
        int repIllum;
        short repTab;
        int wantIllum;
        short wantNr;
        int wantObserver;
    } cases[] = {
        {"equal", 1, 2, 65, 2, 65, 0},
        {"type 32 compares only the white base", 32, 2, 65, 3, 65, 1},
        {"Dxx 16/50 against reported 18 with number 50", 1, 18, 50, 16, 50, 0},
    };
    for (const auto& c : cases) {
        t->ClearSent();
        dev.deviceType = c.type;
        dev.illum = c.repIllum;
        dev.tab[c.repIllum + 80] = c.repTab;
        EXPECT_EQ(pLib->CheckSettings(static_cast<IllumType>(c.wantIllum), c.wantNr,
                                      static_cast<ObserverType>(c.wantObserver), WBASE_ABSOLUTE, FILTER_POL),
                  1)
            << c.name;
        EXPECT_EQ(CountOf(27), 0) << c.name;
        EXPECT_EQ(CountOf(34), 0) << c.name;
    }
}

TEST_F(MeasureFlowTest, CheckSettingsFailures)
{
    dev.refuse = {26};
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, FILTER_POL), 0);
    EXPECT_EQ(Sent(), (Seq{8, 26}));

    // A reported Dxx illuminant whose number cannot be read.
    dev.refuse = {33};
    dev.illum = 17;
    t->ClearSent();
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, FILTER_POL), 0);
    EXPECT_EQ(CountOf(27), 0);
}

TEST_F(MeasureFlowTest, FilterByCommandNeedsNoBox)
{
    dev.motorised = {8};
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, FILTER_M1), 1);
    EXPECT_EQ(Sent(), Cat({COND, COND, {101}, {13}}));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MeasureFlowTest, OperatorChangesTheFilterWhenAsked)
{
    dev.filter = 2;
    dev.nextFilters = {2, 2, 3};  // CheckSettings, first wait pass, after the box
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, FILTER_D65), 1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_WARNING);
    EXPECT_EQ(boxes.Boxes()[0].nStyle, 32);
    EXPECT_EQ(boxes.Boxes()[0].aText, String("Please put the filter D65 in place"));
    EXPECT_EQ(Sent(), Cat({COND, COND, {100, 13}, COND, {13}}));
}

TEST_F(MeasureFlowTest, GivingUpTheFilterWaitFails)
{
    boxes.QueueAnswer(RET_CANCEL);
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, FILTER_D65), 0);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(CountOf(27), 0);
}

TEST_F(MeasureFlowTest, HuepointerFilterFailureShowsTheErrorBox)
{
    dev.huepointer = true;
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, FILTER_M1), 0);
    // Wait: conditions, motorised try, Huepointer? try again; then the box.
    EXPECT_EQ(Sent(), Cat({COND, COND, {101, 100, 101, 100}}));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_ERROR);
    EXPECT_EQ(boxes.Boxes()[0].aText, String("filter not yet in place: M1"));
}

TEST_F(MeasureFlowTest, FilterWaitOnTableWhiteDeviceMeasuresWhiteAndReturns)
{
    dev.deviceType = 4194304;
    dev.table = true;
    dev.control = 157;
    dev.wbase = 0;
    dev.nextFilters = {2, 2, 3};
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_PAPER, FILTER_D65), 1);
    Seq wait = Cat({COND, {100, 13, 94},       // box text with the table: the instruction alone
                    {37, 27, 36},              // control answer, white base 1, control 155 off
                    {94, 57, 56, 55},          // save position, white reference 0, head down
                    {29},                      // white measurement
                    {94, 54, 51},              // head up, back to the saved position
                    {36, 27},                  // control 157 off, white base 0 again
                    COND});
    EXPECT_EQ(Sent(), Cat({COND, wait, {13}}));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].aText, String("Please put the filter D65 in place"));
    // The table left its position in reference system 0 and came back there.
    auto pos = [&](int msg) {
        auto s = Sent();
        size_t i = std::find(s.begin(), s.end(), msg) - s.begin();
        return PayloadOf(i);
    };
    MyMemoryBlock ref0;
    ref0 << 0;
    EXPECT_EQ(pos(57), testenv::Bytes(ref0));
    EXPECT_EQ(pos(56), testenv::Bytes(ref0));
    MyMemoryBlock back;
    back << 0 << 100 << 200;
    EXPECT_EQ(pos(51), testenv::Bytes(back));
}

TEST_F(MeasureFlowTest, FilterWaitOnTableWhiteDeviceWithoutTableAsksTwoSteps)
{
    dev.deviceType = 4194304;
    dev.nextFilters = {2, 2, 3};
    boxes.QueueAnswer(RET_OK);
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, FILTER_D65), 1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].aText.str().rfind("1. Please put the filter D65 in place !\n\n2. ", 0), 0u);
    EXPECT_EQ(CountOf(29), 1);
    EXPECT_EQ(CountOf(56), 0);

    // Any answer but OK gives up.
    dev.nextFilters = {2, 2};
    boxes.QueueAnswer(RET_CANCEL);
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, FILTER_D65), 0);
}

TEST_F(MeasureFlowTest, WhiteCalibrationOnTheTable)
{
    dev.table = true;
    ValueFilterType f = FILTER_POL;
    ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 3, 1), 1);
    Seq expected = Cat({{100, 48, 94, 13}, COND, {8, 31, 28, 15}, {94, 37, 57, 56, 55, 29, 54, 51}});
    EXPECT_EQ(Sent(), expected);
    MyMemoryBlock three;
    three << 3;
    auto s = Sent();
    EXPECT_EQ(PayloadOf(std::find(s.begin(), s.end(), 56) - s.begin()), testenv::Bytes(three));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(pLib->GetCalFilter(), FILTER_POL);
}

TEST_F(MeasureFlowTest, WhiteCalibrationInPlaceFor156OrPaperWhite)
{
    dev.table = true;
    for (auto [control, wbase] : {std::pair{156, 1}, std::pair{0, 0}}) {
        t->ClearSent();
        dev.control = control;
        dev.wbase = wbase;
        ValueFilterType f = FILTER_POL;
        ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 1);
        EXPECT_EQ(CountOf(56), 0);
        EXPECT_EQ(CountOf(55), 0);
        EXPECT_EQ(CountOf(29), 1);
    }
}

TEST_F(MeasureFlowTest, WhiteCalibrationFailures)
{
    ValueFilterType f = FILTER_POL;
    dev.refuse = {48};
    EXPECT_EQ(pLib->WhiteCalibration(f, 1, 0, 0, 0, 1), 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_ERROR);
    EXPECT_EQ(boxes.Boxes()[0].aText,
              String("The instrument is not ready. Check the cable and that it is switched on."));

    // The table cannot reach the white reference: nothing is measured.
    dev.refuse = {56};
    dev.table = true;
    t->ClearSent();
    EXPECT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 2, 1), 0);
    EXPECT_EQ(CountOf(55), 0);
    EXPECT_EQ(CountOf(29), 0);

    // A failed white measurement keeps the previous calibration filter.
    dev.refuse = {29};
    dev.table = false;
    EXPECT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 0);
    EXPECT_EQ(pLib->GetCalFilter(), -1);
}

TEST_F(MeasureFlowTest, DeviceType2OnlyReadsTheConditions)
{
    dev.deviceType = 2;
    ValueFilterType f = FILTER_M1;
    EXPECT_EQ(pLib->WhiteCalibration(f, 0, 0, 0, 0, 1), 1);
    EXPECT_EQ(Sent(), Cat({{100, 48, 94, 13}, COND}));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MeasureFlowTest, HuepointerIsNeverCalibrated)
{
    dev.huepointer = true;
    ValueFilterType f = FILTER_M1;
    EXPECT_EQ(pLib->WhiteCalibration(f, 1, 0, 0, 0, 1), 1);
    EXPECT_EQ(Sent(), (Seq{100}));
}

TEST_F(MeasureFlowTest, WhiteReferenceComparisonBySoftwareVersion)
{
    ValueFilterType f = FILTER_POL;
    for (int sw : {198, 199}) {
        t->ClearSent();
        boxes.Clear();
        dev.sw = sw;
        dev.whiteRef = 0.9f;  // far from the measured 0.5: warns from 199 on
        ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 1) << sw;
        EXPECT_EQ(CountOf(31), sw >= 199 ? 1 : 0) << sw;
        EXPECT_EQ(boxes.Boxes().size(), sw >= 199 ? 1u : 0u) << sw;
        EXPECT_EQ(CountOf(29), 1) << sw;  // the calibration goes on either way
    }
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_WARNING);
    EXPECT_EQ(boxes.Boxes()[0].nStyle, 16);
}

TEST_F(MeasureFlowTest, SmallWhiteReferenceDeviationIsQuiet)
{
    dev.whiteRef = 0.501f;
    ValueFilterType f = FILTER_POL;
    ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 1);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MeasureFlowTest, FilterWithoutWhiteReferenceBlockSkipsTheComparison)
{
    dev.filter = 8;
    ValueFilterType f = FILTER_M1;
    ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 1);
    EXPECT_EQ(CountOf(31), 0);
    EXPECT_EQ(CountOf(28), 0);
}

TEST_F(MeasureFlowTest, SingleMeasureMovesTheTableAroundTheMeasurement)
{
    dev.table = true;
    Spectrum s;
    ASSERT_EQ(pLib->SingleMeasure(s), 1);
    EXPECT_EQ(Sent(), Cat({{13, 37, 94, 57, 51, 55, 28, 94, 54, 51, 15}, COND}));
    MyMemoryBlock read1, to0, back1;
    read1 << 1;
    to0 << 0 << 100 << 200;
    back1 << 1 << 100 << 200;
    EXPECT_EQ(PayloadOf(3), testenv::Bytes(read1));
    EXPECT_EQ(PayloadOf(4), testenv::Bytes(to0));
    EXPECT_EQ(PayloadOf(9), testenv::Bytes(back1));

    t->ClearSent();
    dev.control = 156;
    ASSERT_EQ(pLib->SingleMeasure(s), 1);
    EXPECT_EQ(Sent(), Cat({{13, 37, 94, 28, 94, 15}, COND}));
}

TEST_F(MeasureFlowTest, FailedMeasurementStillRebuildsTheSpectrum)
{
    dev.refuse = {28};
    Spectrum s;
    s.Init(0.25f);
    EXPECT_EQ(pLib->SingleMeasure(s), 0);
    EXPECT_EQ(CountOf(15), 0);
    EXPECT_EQ(CountOf(26), 0);
    EXPECT_FLOAT_EQ(s[3], 0.25f);
    EXPECT_EQ(pLib->GetLastCondition(), MeasuringCondition());
}

TEST_F(MeasureFlowTest, DeviceType2MeasuresAgainAfterTheFilterCameBack)
{
    dev.deviceType = 2;
    dev.motorised = {7, 8, 9};
    Spectrum s;
    dev.filter = 8;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_M1), 1);
    t->ClearSent();
    dev.nextFilters = {7};  // the operator turned the wheel since
    ASSERT_EQ(pLib->SingleMeasure(s), 1);
    EXPECT_EQ(Sent(), Cat({{13, 28, 15}, COND, COND, {101}, {28, 15}, COND}));
    EXPECT_EQ(s.GetPhysicalConditions().GetFilter().GetType(), FILTER_M1);
}

TEST_F(MeasureFlowTest, MeanCountAboveOneMeasuresOnceForNow)
{
    AppConfig::Instance()->WriteKey("VXN", "MEAN", "3");
    Spectrum s;
    ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, 0), 1);
    EXPECT_EQ(CountOf(28), 1);
}

TEST_F(MeasureFlowTest, LockAndUnlockAreEmptyMessages)
{
    EXPECT_EQ(pLib->LockVXN(), 1);
    pLib->UnlockVXN();
    EXPECT_EQ(Sent(), (Seq{2, 3}));
    EXPECT_TRUE(PayloadOf(0).empty());
    EXPECT_TRUE(PayloadOf(1).empty());
    dev.refuse = {2};
    EXPECT_EQ(pLib->LockVXN(), 1);  // the transport's result: the exchange worked
}

TEST_F(MeasureFlowTest, SimulatorSendsNoMessage)
{
    VXNLib::Simulator(true);
    Spectrum s;
    s.Init(0.3f);
    MeasuringCondition any;
    InfoBox prompt(nullptr, String("Measure"));
    for (int form = 0; form < 3; ++form) {
        boxes.QueueDialogAction([](ModalDialog& d) { d.EndDialog(0); });
        unsigned char r = form == 0   ? pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL)
                          : form == 1 ? pLib->Measure(static_cast<Window*>(nullptr), s, any)
                                      : pLib->Measure(&prompt, s, FILTER_POL);
        EXPECT_EQ(r, 1) << form;
    }
    EXPECT_TRUE(Sent().empty());
    EXPECT_FLOAT_EQ(s[0], 0.3f);  // cancelled: the old values stay
}

} // namespace

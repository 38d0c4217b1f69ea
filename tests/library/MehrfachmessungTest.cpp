// Averaging several measurements (VXNLib::Mehrfachmessung and its dialog
// InfoMehrfachmessung) over a scripted instrument: the exact messages of a
// series whose measurements come from the dialog's button, the F2 key, the
// instrument (message 43) and the table's key (message 81), mixed; the
// handlers of 43 and 81 taken over and given back by nested dialogs; bad
// values from the instrument left out while the series goes on; the mean;
// cancel; and the dialog driven from a terminal.
#include "library/ScriptedInstrument.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/PostOffice.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/library/InfoMehrfachmessung.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "sv/Application.hpp"
#include "sv/TerminalResponder.hpp"
#include "support/PipedTerminal.hpp"

#include <gtest/gtest.h>


namespace {

using libtest::Seq;
using libtest::Join;
using libtest::KeyMessage;

Spectrum Flat(float v, ValueFilterType eFilter = FILTER_POL)
{
    Spectrum s(PhysicalConditions{ActualFilterClass(eFilter), WBaseClass(WBASE_ABSOLUTE)});
    s.Init(v);
    return s;
}

MyMemoryBlock TextMessage(const std::string& rText)
{
    MyMemoryBlock b;
    b << static_cast<int>(rText.size());
    b.Put(rText.data(), static_cast<long>(rText.size()));
    return b;
}

std::string MeasValueText(const Spectrum& rSpectrum, int nVersion = 2)
{
    GPtMesswert v;
    v.SetSpectrum(rSpectrum, 0);
    ASCIIFile f;
    f.SetVersion(nVersion);
    v.write(f);
    return f.GetText();
}

// Message 43 as the instrument sends it.
MyMemoryBlock MeasValueMessage(const Spectrum& rSpectrum) { return TextMessage(MeasValueText(rSpectrum)); }

// Where a measurement of the series comes from.
enum class Source { Button, F2, Instrument, Key };

class MehrfachmessungTest : public libtest::ScriptedLibraryTest {
protected:
    // Makes the dialog take its measurements from these sources: the
    // dialog's own ones at once, the instrument's as messages it receives
    // from its loop afterwards, in this order.
    void Script(std::vector<Source> aSources, float fFromInstrument = 0.2f)
    {
        boxes.QueueDialogAction([this, aSources, fFromInstrument](ModalDialog& d) {
            auto& dlg = static_cast<InfoMehrfachmessung&>(d);
            bool bQueued = false;
            for (Source s : aSources) {
                if (s == Source::Instrument) {
                    t->SendUnsolicited(43, MeasValueMessage(Flat(fFromInstrument)));
                    bQueued = true;
                } else if (s == Source::Key) {
                    t->SendUnsolicited(81, KeyMessage());
                    bQueued = true;
                } else if (!bQueued) {
                    if (s == Source::Button)
                        EXPECT_TRUE(dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_MEASURE));
                    else
                        EXPECT_TRUE(Application::DispatchAccel(KeyCode(KEY_F2)));
                } else {
                    ADD_FAILURE() << "the dialog's own sources go before the instrument's in a script";
                }
            }
        });
    }
    const ScriptedResponder::DialogRecord& OnlyDialog()
    {
        EXPECT_EQ(boxes.Dialogs().size(), 1u);
        return boxes.Dialogs().front();
    }
};

// What one SingleMeasure sends: device type, measure control, the table
// question (before and after), measurement, spectrum, then the conditions
// (26, with software version and device type for the alternative tables);
// on the table the head goes down and up around the measurement.
const Seq MEASURE = {13, 37, 94, 28, 94, 15, 8, 26, 13};
const Seq MEASURE_ON_TABLE = {13, 37, 94, 57, 51, 55, 28, 94, 54, 51, 15, 8, 26, 13};

TEST_F(MehrfachmessungTest, MessagesOfMixedSeries)
{
    // The dialog's own measurement on the table: online before, digitizing
    // mode and cleared status after, so the operator can go on by key.
    const Seq BUTTON_ON_TABLE = Join({{60}, MEASURE_ON_TABLE, {64, 71}});
    // Opening on the table: manual measuring, key report on (82); closing:
    // key report off (83), table online.
    const Seq OPEN_TABLE = {94, 60, 64, 71, 82};
    const Seq CLOSE_TABLE = {83, 60};
    struct Case {
        const char* name;
        int n;
        bool table;
        std::vector<Source> sources;
        Seq expected;
        float mean;    // value of every point of the mean
        int beeps;     // one per value received from the instrument
    } cases[] = {
        {"button then instrument", 2, false, {Source::Button, Source::Instrument}, Join({{94}, MEASURE}), 0.35f, 1},
        {"F2, button, instrument", 3, false, {Source::F2, Source::Button, Source::Instrument},
         Join({{94}, MEASURE, MEASURE}), 0.4f, 1},
        {"instrument twice", 2, false, {Source::Instrument, Source::Instrument}, Seq{94}, 0.2f, 2},
        {"key then button on the table", 2, true, {Source::Button, Source::Key},
         Join({OPEN_TABLE, BUTTON_ON_TABLE, BUTTON_ON_TABLE, CLOSE_TABLE}), 0.5f, 0},
        {"button, instrument, key on the table", 3, true, {Source::Button, Source::Instrument, Source::Key},
         Join({OPEN_TABLE, BUTTON_ON_TABLE, BUTTON_ON_TABLE, CLOSE_TABLE}), 0.4f, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dev.table = c.table;
        dev.sample = 0.5f;
        pLib->SetVXNMeanCount(c.n);
        t->ClearSent();
        boxes.Clear();
        Script(c.sources);
        Spectrum s = Flat(9.0f);
        ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, 0), 1);
        EXPECT_EQ(Sent(), c.expected);
        for (const auto& [msg, disEnable] : t->SentDisEnables())
            EXPECT_EQ(disEnable, testenv::ExpectedDisEnable(msg)) << msg;
        EXPECT_EQ(OnlyDialog().nResult, 1);
        EXPECT_FALSE(OnlyDialog().bTimedOut);
        EXPECT_NEAR(s[0], c.mean, 1e-6);
        EXPECT_NEAR(s[35], c.mean, 1e-6);
        EXPECT_EQ(boxes.Beeps().size(), static_cast<size_t>(c.beeps));
        EXPECT_EQ(boxes.Notes().size(), static_cast<size_t>(c.n));  // a line per measurement
    }
}

TEST_F(MehrfachmessungTest, NestedDialogsGiveTheHandlersBack)
{
    dev.table = true;
    PostOffice* po = PostOffice::Instance();
    struct Recorder : LinkHdl {
        long Hdl(void*) { return 0; }
    } app;
    Link appHdl = LINK(&app, Recorder, Hdl);
    Link before43 = po->ChangeMessageHdl(43, appHdl, 0);
    Link before81 = po->ChangeMessageHdl(81, appHdl, 0);
    // Who handles 43 and 81 now, found without disturbing the handlers.
    auto expectHandler = [&](void* who) {
        for (unsigned int msg : {43u, 81u}) {
            Link probe;
            Link cur = po->ChangeMessageHdl(msg, probe, 0);
            po->ChangeMessageHdl(msg, cur, 1);
            EXPECT_EQ(cur.GetInstance(), who) << msg;
        }
    };
    {
        auto outer = std::make_unique<InfoMehrfachmessung>(nullptr);
        expectHandler(outer.get());
        auto inner = std::make_unique<InfoMehrfachmessung>(nullptr);
        expectHandler(inner.get());
        inner.reset();
        expectHandler(outer.get());
    }
    expectHandler(&app);
    EXPECT_EQ(CountOf(82), 2);
    EXPECT_EQ(CountOf(83), 2);
    po->ChangeMessageHdl(43, before43, 1);
    po->ChangeMessageHdl(81, before81, 1);
}

TEST_F(MehrfachmessungTest, BadValuesFromTheInstrumentAreLeftOut)
{
    pLib->SetVXNMeanCount(2);
    std::string good = MeasValueText(Flat(0.3f));
    MyMemoryBlock tooShort;
    tooShort << static_cast<short>(3);
    MyMemoryBlock countTooLarge;
    countTooLarge << 5000;
    countTooLarge.Put(good.data(), 20);
    std::string version1 = MeasValueText(Flat(0.9f), 1);
    std::string saysVersion1 = "Version=1\n" + version1;
    GPtMesswert lab;
    lab.SetLab(LABVector(50, 10, 10, MeasuringCondition()));
    ASCIIFile labFile;
    lab.write(labFile);
    const MyMemoryBlock bad[] = {MyMemoryBlock(), tooShort, countTooLarge, TextMessage(version1),
                                 TextMessage(saysVersion1), TextMessage("garbage\n\x01\x02 no section"),
                                 TextMessage(good.substr(0, good.size() / 2)), TextMessage(labFile.GetText())};
    boxes.QueueDialogAction([&](ModalDialog&) {
        for (const MyMemoryBlock& b : bad)
            t->SendUnsolicited(43, b);
        t->SendUnsolicited(43, TextMessage(good));
        for (const MyMemoryBlock& b : bad)
            t->SendUnsolicited(43, b);
        t->SendUnsolicited(43, MeasValueMessage(Flat(0.5f)));
    });
    Spectrum s;
    ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, 0), 1);
    EXPECT_FLOAT_EQ(s[17], 0.4f);
    EXPECT_EQ(boxes.Beeps().size(), 2u);
    EXPECT_TRUE(boxes.Boxes().empty());  // no "not accessible" box for the Lab value
    EXPECT_EQ(Sent(), (Seq{94}));
}

TEST_F(MehrfachmessungTest, MeanIsTheArithmeticMeanOnTheLatestConditions)
{
    pLib->SetVXNMeanCount(3);
    Spectrum a = Flat(0.2f), b = Flat(0.4f), c = Flat(0.6f, FILTER_UV);
    for (int i = 0; i < Spectrum::COUNT; ++i) {
        a[i] = 0.01f * static_cast<float>(i);
        b[i] = 0.9f - 0.02f * static_cast<float>(i);
    }
    b.SetPhysicalConditions(PhysicalConditions(ActualFilterClass(FILTER_POL), WBaseClass(WBASE_PAPER)));
    boxes.QueueDialogAction([&](ModalDialog&) {
        for (const Spectrum* p : {&a, &b, &c})
            t->SendUnsolicited(43, MeasValueMessage(*p));
    });
    Spectrum s;
    ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, 0), 1);
    for (int i = 0; i < Spectrum::COUNT; ++i)
        EXPECT_FLOAT_EQ(s[i], (a[i] + b[i] + c[i]) / 3.0f) << i;
    EXPECT_FLOAT_EQ(s[0], (0.0f + 0.9f + 0.6f) / 3.0f);
    EXPECT_EQ(s.GetPhysicalConditions().GetFilter().GetType(), FILTER_UV);
    EXPECT_EQ(s.GetPhysicalConditions().GetWBase().GetType(), WBASE_ABSOLUTE);
}

TEST_F(MehrfachmessungTest, CancelOrAFailedMeasurementLeavesTheSpectrum)
{
    struct Case {
        const char* name;
        unsigned char firstGiven;
        bool failNext;  // the second measurement is refused by the instrument
    } cases[] = {{"cancel after two", 0, false}, {"cancel, first given", 1, false}, {"refused", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pLib->SetVXNMeanCount(3);
        dev.refuse.clear();
        boxes.Clear();
        boxes.QueueDialogAction([&](ModalDialog& d) {
            auto& dlg = static_cast<InfoMehrfachmessung&>(d);
            dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_MEASURE);
            if (c.failNext)
                dev.refuse = {28};
            else if (!c.firstGiven)
                dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_MEASURE);
            if (dlg.IsInExecute())
                dlg.GetButtonBar().ClickButton(c.failNext ? InfoMehrfachmessung::BTN_MEASURE
                                                          : InfoMehrfachmessung::BTN_CANCEL);
        });
        Spectrum s = Flat(0.7f, FILTER_UV);
        const Spectrum before = s;
        EXPECT_EQ(pLib->Mehrfachmessung(nullptr, s, c.firstGiven), 0);
        EXPECT_TRUE(s == before);
        EXPECT_EQ(OnlyDialog().nResult, 0);
    }
}

TEST_F(MehrfachmessungTest, CountBelowTwoMeasuresOnceWithoutDialog)
{
    for (int n : {-3, 0, 1}) {
        for (unsigned char firstGiven : {0, 1}) {
            pLib->SetVXNMeanCount(n);
            t->ClearSent();
            Spectrum s = Flat(0.9f);
            ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, firstGiven), 1) << n;
            EXPECT_EQ(Sent(), MEASURE) << n;
            EXPECT_FLOAT_EQ(s[3], 0.5f) << n;  // a given spectrum is replaced
        }
    }
    EXPECT_TRUE(boxes.Dialogs().empty());
}

TEST_F(MehrfachmessungTest, GivenFirstMeasurementCountsAsOne)
{
    pLib->SetVXNMeanCount(2);
    int nCountAtStart = -1;
    bool bOkAtStart = false;
    boxes.QueueDialogAction([&](ModalDialog& d) {
        auto& dlg = static_cast<InfoMehrfachmessung&>(d);
        nCountAtStart = dlg.GetCount();
        bOkAtStart = dlg.GetButtonBar().IsButtonEnabled(InfoMehrfachmessung::BTN_OK);
        dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_MEASURE);
    });
    Spectrum s = Flat(0.1f);
    ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, 1), 1);
    EXPECT_EQ(nCountAtStart, 1);
    EXPECT_TRUE(bOkAtStart);
    EXPECT_FLOAT_EQ(s[10], 0.3f);
    EXPECT_EQ(boxes.Beeps(), (std::vector<int>{0}));
    EXPECT_EQ(CountOf(28), 1);
}

TEST_F(MehrfachmessungTest, DialogStateWhileCollecting)
{
    pLib->SetVXNMeanCount(3);
    std::vector<String> counter;
    bool okBefore = true, okAfter = false, swatchesBefore = true, swatchesAfter = false;
    boxes.QueueDialogAction([&](ModalDialog& d) {
        auto& dlg = static_cast<InfoMehrfachmessung&>(d);
        counter.push_back(dlg.GetCounterLine().GetText());
        okBefore = dlg.GetButtonBar().IsButtonEnabled(InfoMehrfachmessung::BTN_OK);
        swatchesBefore = dlg.GetLatestSwatch().GetSwatch()->IsVisible();
        dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_MEASURE);
        dev.sample = 0.3f;
        dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_MEASURE);
        counter.push_back(dlg.GetCounterLine().GetText());
        okAfter = dlg.GetButtonBar().IsButtonEnabled(InfoMehrfachmessung::BTN_OK);
        swatchesAfter = dlg.GetLatestSwatch().HasSpectrum() && dlg.GetMeanSwatch().HasSpectrum() &&
                        dlg.GetLatestSwatch().HasReference() && dlg.GetLatestSwatch().GetSwatch()->IsVisible();
        EXPECT_TRUE(dlg.GetHint().IsVisible());
        EXPECT_EQ(dlg.GetText().str(), "Averaging measurements");
        // The picture of a series half way, for a reviewer.
        EXPECT_TRUE(dlg.SaveAsPng(String(testenv::OutputDir() + "/averaging-dialog.png")));
        dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_OK);  // ends early with the mean so far
    });
    Spectrum s;
    ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, 0), 1);
    EXPECT_FLOAT_EQ(s[0], 0.4f);
    ASSERT_EQ(counter.size(), 2u);
    EXPECT_EQ(counter[0].str(), "Current measurement: no. 1 of 3");
    EXPECT_EQ(counter[1].str(), "Current measurement: no. 3 of 3");
    EXPECT_FALSE(okBefore);
    EXPECT_TRUE(okAfter);
    EXPECT_FALSE(swatchesBefore);
    EXPECT_TRUE(swatchesAfter);
}

TEST_F(MehrfachmessungTest, WithoutMeasuringAtTheUnitMessage43IsNotTaken)
{
    AppConfig::Instance()->WriteKey(String("VXN"), String("MeasAtUnit"), String("0"));
    pLib->SetVXNMeanCount(2);
    bool hintShown = true;
    boxes.QueueDialogAction([&](ModalDialog& d) {
        auto& dlg = static_cast<InfoMehrfachmessung&>(d);
        hintShown = dlg.GetHint().IsVisible();
        t->SendUnsolicited(43, MeasValueMessage(Flat(0.1f)));
        dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_MEASURE);
        dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_MEASURE);
    });
    Spectrum s;
    ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, 0), 1);
    // The value arrived while the dialog measured; nobody takes it after.
    Application::Reschedule();
    EXPECT_FALSE(hintShown);
    EXPECT_FLOAT_EQ(s[0], 0.5f);
    EXPECT_TRUE(boxes.Beeps().empty());
}

TEST_F(MehrfachmessungTest, F2DoesNothingWhileMeasureIsDisabled)
{
    pLib->SetVXNMeanCount(2);
    boxes.QueueDialogAction([&](ModalDialog& d) {
        auto& dlg = static_cast<InfoMehrfachmessung&>(d);
        dlg.GetButtonBar().DisableButton(InfoMehrfachmessung::BTN_MEASURE);
        Application::DispatchAccel(KeyCode(KEY_F2));
        EXPECT_EQ(dlg.GetCount(), 0);
        dlg.EndDialog(0);
    });
    Spectrum s;
    EXPECT_EQ(pLib->Mehrfachmessung(nullptr, s, 0), 0);
    EXPECT_EQ(CountOf(28), 0);
    EXPECT_FALSE(Application::IsAccelInserted(nullptr));
}

// The dialog at a terminal: a line per measurement; Enter measures, "q"
// cancels; with --yes (Defaults) it measures by itself until all are in.
TEST_F(MehrfachmessungTest, AtTheTerminal)
{
    struct Case {
        const char* name;
        bool defaults;
        std::string input;
        unsigned char result;
        int lines;
    } cases[] = {{"defaults", true, "", 1, 3}, {"enter three times", false, "\n\n\n", 1, 3},
                 {"enter twice, then q", false, "\n\nq\n", 0, 2}, {"two, then OK", false, "\n\n2\n", 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pLib->SetVXNMeanCount(3);
        testenv::PipedTerminal term(c.input);
        if (c.defaults)
            term.Responder().SetMode(TerminalResponder::Mode::Defaults);
        unsigned char result = 0;
        {
            ScopedResponder useTerm(term.Responder());
            Spectrum s;
            result = pLib->Mehrfachmessung(nullptr, s, 0);
        }
        std::string text = term.Output();
        EXPECT_EQ(result, c.result);
        int lines = 0;
        for (size_t p = 0; (p = text.find("Measurement ", p)) != std::string::npos; ++p)
            ++lines;
        EXPECT_EQ(lines, c.lines) << text;
        EXPECT_NE(text.find("Measurement 1 of 3:  L*a*b* "), std::string::npos) << text;
        EXPECT_NE(text.find("spread dE*ab 0.00"), std::string::npos) << text;
    }
}

} // namespace

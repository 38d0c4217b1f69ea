// The measuring chain over a scripted instrument: each Measure form with the
// calibration it brings about, the condition check and download, and the
// filter wait, judged by what the user sees (values, boxes) and by the order
// of the steps that matters (conditions checked, then downloaded, then
// calibrated, then measured; the table moved around a measurement), not by
// the order of the status queries in between. The white calibration itself
// is in WhiteCalibrationTest.cpp.
#include "library/ScriptedInstrument.hpp"

#include "qel/Spectrum.hpp"
#include "sv/MessBox.hpp"
#include "sv/ModalDialog.hpp"

#include <gtest/gtest.h>

namespace {

using libtest::ExpectBox;
using libtest::IntBytes;
using libtest::Seq;
class MeasureFlowTest : public libtest::ScriptedLibraryTest {};

TEST_F(MeasureFlowTest, FirstMeasurementCalibratesSecondDoesNot)
{
    Spectrum s;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1);
    // The stored white reference is compared with a measurement of the tile
    // before the white measurement; then the sample is measured and read.
    EXPECT_EQ(CountOf(29), 1);
    EXPECT_EQ(CountOf(28), 2);
    EXPECT_TRUE(SentInOrder({31, 29}));
    EXPECT_TRUE(SentInOrder({28, 29, 28, 15}));
    EXPECT_TRUE(SentInOrder({48, 29}));  // readiness is checked before calibrating
    ASSERT_EQ(boxes.Boxes().size(), 2u);  // the question and the closing note
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
    EXPECT_EQ(Steps(), (Seq{28, 15}));
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

// Declining is remembered for the filter (the next measurement asks
// nothing), cancelling measures nothing, the setting off asks nobody.
TEST_F(MeasureFlowTest, DeclinedCancelledOrSwitchedOffCalibration)
{
    struct Case {
        const char* name;
        bool asked;           // the setting is on
        short answer;         // to the calibration question
        unsigned char result;
        Seq steps;
        size_t boxes;         // the question and the closing note, or none
        int calFilter;
        float first;          // s[0] afterwards, 7 before
    } cases[] = {
        {"declined", true, RET_NO, 1, {28, 15}, 2, FILTER_POL, 0.5f},
        {"cancelled", true, RET_CANCEL, 0, {}, 1, -1, 7.0f},
        {"setting off", false, RET_YES, 1, {28, 15}, 0, -1, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pLib = VXNLib::CreateVXNLib(0);
        AppConfig::Instance()->WriteKey("VXN", "Calibration", c.asked ? "1" : "0");
        t->ClearSent();
        boxes.Clear();
        if (c.asked)
            boxes.QueueAnswer(c.answer);
        Spectrum s;
        s.Init(7.0f);
        EXPECT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), c.result);
        EXPECT_EQ(Steps(), c.steps);
        EXPECT_EQ(boxes.Boxes().size(), c.boxes);
        EXPECT_EQ(pLib->GetCalFilter(), c.calFilter);
        EXPECT_FLOAT_EQ(s[0], c.first);
        EXPECT_FLOAT_EQ(s[35], c.first);
        if (!c.asked) {
            EXPECT_EQ(CountOf(48), 0) << "no readiness check";
        }
        if (c.result) {
            boxes.Clear();
            ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1);
            EXPECT_TRUE(boxes.Boxes().empty());
        }
    }
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

TEST_F(MeasureFlowTest, ConditionsFormChecksDownloadsCalibratesThenMeasures)
{
    MeasuringCondition want(PhysicalConditions{ActualFilterClass(FILTER_POL), WBaseClass(WBASE_PAPER)},
                            IllumClass(static_cast<IllumType>(16), 93), ObserverClass(OBSERVER_10));
    Spectrum s;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, want), 1);
    // The conditions are read before anything is downloaded, the Dxx number
    // goes before the illuminant that uses it, and the white calibration
    // comes after the download and before the measurement.
    EXPECT_TRUE(SentInOrder({26, 34, 27, 29, 28, 15}));
    EXPECT_EQ(CountOf(27), 1);
    EXPECT_EQ(CountOf(29), 1);
    ASSERT_EQ(boxes.Boxes().size(), 2u);  // the calibration question and the closing note
    EXPECT_FLOAT_EQ(s[0], 0.5f);
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
    EXPECT_TRUE(Steps().empty());
    EXPECT_TRUE(boxes.Boxes().empty());

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
    EXPECT_EQ(Steps(), (Seq{101}));
    EXPECT_EQ(PayloadOfNth(101), IntBytes({8}));
    EXPECT_EQ(dev.filter, 8);
    EXPECT_TRUE(boxes.Boxes().empty());
}

// The instruction names the filter; M0 to M2 are chosen on the instrument
// (here no motor puts them in place). Cancelling the box gives up.
TEST_F(MeasureFlowTest, OperatorChangesTheFilterWhenAsked)
{
    struct Case {
        ValueFilterType filter;
        const char* text;
        short answer;
    } cases[] = {
        {FILTER_D65, "Please put the filter D65 in place", RET_OK},
        {FILTER_M0, "Please select the filter on the instrument - filter not yet in place: M0", RET_OK},
        {FILTER_M1, "Please select the filter on the instrument - filter M1 not yet in place.", RET_OK},
        {FILTER_M2, "Please select the filter on the instrument - filter not yet in place: M2", RET_OK},
        {FILTER_D65, "Please put the filter D65 in place", RET_CANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.answer == RET_OK ? "" : ", cancelled"));
        boxes.Clear();
        boxes.QueueAnswer(c.answer);
        dev.filter = 2;
        // Read by CheckSettings, the first wait pass and after the box.
        dev.nextFilters = {2, 2};
        if (c.answer == RET_OK)
            dev.nextFilters.push_back(c.filter);
        EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, c.filter), c.answer == RET_OK);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        ExpectBox(boxes, 0, MESSBOX_WARNING, 32, c.text);
        EXPECT_TRUE(dev.nextFilters.empty()) << "the filter is looked at again after the box";
        EXPECT_EQ(CountOf(27), 0);
    }
}

TEST_F(MeasureFlowTest, HuepointerFilterFailureShowsTheErrorBox)
{
    dev.huepointer = true;
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_ABSOLUTE, FILTER_M1), 0);
    // The filter is set by command (the instrument cannot) and never asked
    // for by hand; the failure is shown once.
    EXPECT_GE(CountOf(101), 1);
    EXPECT_EQ(CountOf(27), 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    ExpectBox(boxes, 0, MESSBOX_ERROR, 16, "filter not yet in place: M1");
}

TEST_F(MeasureFlowTest, FilterWaitOnTableWhiteDeviceMeasuresWhiteAndReturns)
{
    dev.deviceType = 4194304;
    dev.table = true;
    dev.control = 157;
    dev.wbase = 0;
    dev.nextFilters = {2, 2, 3};
    EXPECT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_PAPER, FILTER_D65), 1);
    // With the table the box gives the instruction alone.
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].aText, String("Please put the filter D65 in place"));
    // One white measurement, with the head lowered onto white reference 0
    // and the table back where it stood afterwards (reference system 0).
    EXPECT_EQ(CountOf(29), 1);
    EXPECT_TRUE(SentInOrder({57, 56, 55, 29, 54, 51}));
    EXPECT_EQ(PayloadOfNth(57), IntBytes({0}));
    EXPECT_EQ(PayloadOfNth(56), IntBytes({0}));
    EXPECT_EQ(PayloadOfNth(51), IntBytes({0, 100, 200}));
    // Around it the white base is absolute and control 155 (then 157) off;
    // both are restored afterwards.
    EXPECT_TRUE(SentInOrder({27, 29, 27}));
    EXPECT_EQ(PayloadOfNth(27, 0), IntBytes({2, 1, 2, 0}));
    EXPECT_EQ(PayloadOfNth(27, 1), IntBytes({2, 0, 2, 0}));
    EXPECT_TRUE(SentInOrder({36, 29, 36}));
    EXPECT_EQ(PayloadOfNth(36, 0), IntBytes({155, 0}));
    EXPECT_EQ(PayloadOfNth(36, 1), IntBytes({157, 0}));
    EXPECT_EQ(dev.wbase, 0);
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

TEST_F(MeasureFlowTest, SingleMeasureMovesTheTableAroundTheMeasurement)
{
    dev.table = true;
    Spectrum s;
    ASSERT_EQ(pLib->SingleMeasure(s), 1);
    // The position is read in sheet coordinates, the table goes there in its
    // own, lowers the head, measures, lifts it and returns; the spectrum is
    // read after the measurement.
    EXPECT_TRUE(SentInOrder({57, 51, 55, 28, 54, 51}));
    EXPECT_TRUE(SentInOrder({28, 15}));
    EXPECT_EQ(CountOf(28), 1);
    EXPECT_EQ(PayloadOfNth(57), IntBytes({1}));
    EXPECT_EQ(PayloadOfNth(51, 0), IntBytes({0, 100, 200}));
    EXPECT_EQ(PayloadOfNth(51, 1), IntBytes({1, 100, 200}));
    EXPECT_FLOAT_EQ(s[7], 0.5f);

    // An instrument that measures where it stands: the table stays.
    t->ClearSent();
    dev.control = 156;
    ASSERT_EQ(pLib->SingleMeasure(s), 1);
    EXPECT_EQ(Steps(), (Seq{28, 15}));
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
    // Measured, found the wrong filter, set it back, measured again.
    EXPECT_EQ(CountOf(28), 2);
    EXPECT_TRUE(SentInOrder({28, 101, 28, 15}));
    EXPECT_EQ(dev.filter, 8);
    EXPECT_EQ(s.GetPhysicalConditions().GetFilter().GetType(), FILTER_M1);
}

// The lock's requests are checked in GuidesTest.cpp, inside the operations.
TEST_F(MeasureFlowTest, LockSucceedsWhenTheExchangeWorked)
{
    EXPECT_EQ(pLib->LockVXN(), 1);
    pLib->UnlockVXN();
    EXPECT_EQ(Sent(), (Seq{2, 3}));
    dev.refuse = {2};
    EXPECT_EQ(pLib->LockVXN(), 1);  // a refusal is no failure of the exchange
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

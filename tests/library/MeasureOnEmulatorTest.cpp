// The measuring chain end to end against the virtual instrument: white
// calibration once per filter, the operator changing a filter when asked,
// and spectra that are the chart's. (The simulator sending nothing is in
// MeasureFlowTest.cpp.)
#include "qelvxn/library/ScanLib.hpp"
#include "support/TestEnv.hpp"

#include "qel/AppConfig.hpp"
#include "qel/Spectrum.hpp"
#include "qel/Text.hpp"
#include "sv/ScriptedResponder.hpp"
#include "vxnemu/EmulatorEndpoint.hpp"

#include <gtest/gtest.h>

#include <regex>

namespace {

// Plays the operator: when a box asks for a filter, puts that filter in
// place on the virtual instrument before answering OK.
class Operator : public ScriptedResponder {
public:
    std::map<std::string, int> filterCodes = {{"No", 1}, {"Pol", 2}, {"D65", 3}, {"UV", 4}};
    int filterChanges = 0;
    short AskBox(const BoxRequest& rBox) override
    {
        std::smatch m;
        const std::string& text = rBox.aText.str();
        static const std::regex put("Please put the filter (\\S+) in place");
        if (std::regex_search(text, m, put) && filterCodes.count(m[1])) {
            String answer;
            PostOffice::Instance()->Control(String("filter " + std::to_string(filterCodes[m[1]])), answer);
            ++filterChanges;
        }
        return ScriptedResponder::AskBox(rBox);
    }
};

class MeasureOnEmulatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The operator reads the boxes in English.
        Language::Set(String("en"));
        AppConfig::SetPathName(String(testenv::FreshConfigPath()));
        vxnemu::RegisterEmulatorEndpoint();
        vxnemu::ResetEmulators();
        pLib = VXNLib::CreateVXNLib(0);
        use = std::make_unique<ScopedResponder>(op);
    }
    void TearDown() override
    {
        use.reset();
        PostOffice::Instance()->SetEndpoint(String("emulator:"));
        VXNLib* p = VXNLib::mpInstance;
        QelSingleton::Remove(p);
        delete p;
        Language::Set(String());
    }
    void Profile(const std::string& name) { PostOffice::Instance()->SetEndpoint(String("emulator:profile=" + name)); }
    std::string State()
    {
        String answer;
        PostOffice::Instance()->Control(String("state"), answer);
        return answer.str();
    }
    int WhiteMeasurements()
    {
        std::smatch m;
        std::string s = State();
        return std::regex_search(s, m, std::regex(" white=(\\d+)")) ? std::stoi(m[1]) : -1;
    }
    size_t Questions() const
    {
        size_t n = 0;
        for (auto& b : op.Boxes())
            n += b.eKind == MESSBOX_QUERY;
        return n;
    }

    VXNLib* pLib = nullptr;
    Operator op;
    std::unique_ptr<ScopedResponder> use;
};

TEST_F(MeasureOnEmulatorTest, CalibratesOncePerFilterAndAgainAfterASwitch)
{
    Profile("vxn");
    Spectrum s;
    struct Step {
        ValueFilterType filter;
        int whiteAfter;
    } steps[] = {{FILTER_POL, 1}, {FILTER_POL, 1}, {FILTER_D65, 2}, {FILTER_POL, 3}};
    MeasuringCondition cond;
    for (const auto& st : steps) {
        cond.SetFilter(ActualFilterClass(st.filter));
        ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, cond), 1) << State();
        EXPECT_EQ(WhiteMeasurements(), st.whiteAfter) << State();
        EXPECT_EQ(s.GetPhysicalConditions().GetFilter().GetType(), st.filter);
    }
    EXPECT_EQ(Questions(), 3u);
    EXPECT_EQ(op.filterChanges, 2);  // Pol -> D65 -> Pol, by the operator
}

TEST_F(MeasureOnEmulatorTest, MeasuredSpectrumIsTheSampleUnderTheHead)
{
    Profile("vxn");
    AppConfig::Instance()->WriteKey("VXN", "Calibration", "0");
    String answer;
    ASSERT_EQ(PostOffice::Instance()->Control(String("sample 13"), answer), 0) << answer.str();
    Spectrum blue, white;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), blue, FILTER_POL), 1);
    ASSERT_EQ(PostOffice::Instance()->Control(String("sample 19"), answer), 0);
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), white, FILTER_POL), 1);
    // Patch 13 (blue) reflects far more at 450 nm than at 650 nm; the white
    // tile is flat and high.
    EXPECT_GT(blue[7], 2 * blue[27]);
    EXPECT_GT(white[20], 0.8f);
    EXPECT_LT(std::abs(white[7] - white[27]), 0.1f);
}

TEST_F(MeasureOnEmulatorTest, DriftingWhiteReferenceIsReported)
{
    Profile("vxn");
    String answer;
    ASSERT_EQ(PostOffice::Instance()->Control(String("white-drift 0.01"), answer), 0) << answer.str();
    Spectrum s;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1);
    // Measurements age the stored reference of the filter; the next
    // calibration under it finds the difference.
    AppConfig::Instance()->WriteKey("VXN", "Calibration", "0");
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(pLib->SingleMeasure(s), 1);
    op.Clear();
    ValueFilterType pol = FILTER_POL;
    ASSERT_EQ(pLib->WhiteCalibration(pol, 1, 0, 1, 0, 1), 1);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].eKind, MESSBOX_WARNING);
}

TEST_F(MeasureOnEmulatorTest, MotorisedFiltersNeedNoOperator)
{
    Profile("type2");
    MeasuringCondition cond;
    Spectrum s;
    for (ValueFilterType f : {FILTER_M1, FILTER_M2, FILTER_M0}) {
        cond.SetFilter(ActualFilterClass(f));
        ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, cond), 1) << State();
        EXPECT_EQ(s.GetPhysicalConditions().GetFilter().GetType(), f);
    }
    EXPECT_EQ(op.filterChanges, 0);
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(MeasureOnEmulatorTest, TableProfileMeasuresUnderTheHead)
{
    Profile("vxn-table");
    Spectrum s;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1) << State();
    EXPECT_EQ(WhiteMeasurements(), 1);
    // The table calibrates at its white reference and needs no closing note.
    for (auto& b : op.Boxes())
        EXPECT_NE(b.nStyle, 16) << b.aText.str();
}

} // namespace

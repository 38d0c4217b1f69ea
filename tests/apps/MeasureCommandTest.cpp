// vxn measure, calibrate and simulate from the command line: output shapes,
// the box prompt and --yes, CGATS files read back by Little CMS, and the same
// against vxn-emulator over TCP and a pseudo-terminal. (Option errors:
// GlobalOptionsTest; failures of the instrument: ExitStatusTest.)
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <lcms2.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace {

using testenv::Program;
using testenv::RunVxn;

std::vector<std::string> With(const std::string& cfg, std::initializer_list<std::string> rest)
{
    std::vector<std::string> v = {"--config", cfg};
    v.insert(v.end(), rest);
    return v;
}

// With --yes the library's questions answer themselves; they go to standard
// error, the results alone to standard output.
TEST(VxnMeasure, YesAnswersTheQuestionsAndOnlyResultsGoToStandardOutput)
{
    const std::string question = "White-calibrate the instrument now?";
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> printed;
        bool asked;
    } cases[] = {
        {{"measure", "--yes"},
         {"Conditions  illuminant D65, observer 2°, filter Pol, white base Abs", "L*a*b*      L*=", "LCh         L*="},
         true},
        {{"calibrate", "--filter", "D65", "--yes"}, {"White-calibrated under filter D65"}, false},
        // The simulator takes its preselected pad.
        {{"simulate", "--yes"}, {"Spectrum    380:", "650:", "L*a*b*      L*="}, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--config", testenv::FreshConfigPath()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto r = RunVxn(args);
        ASSERT_EQ(r.status, 0) << c.args[0] << "\n" << r.err;
        for (const std::string& p : c.printed)
            EXPECT_NE(r.out.find(p), std::string::npos) << p << " in\n" << r.out;
        EXPECT_EQ(r.err.find(question) != std::string::npos, c.asked) << c.args[0] << "\n" << r.err;
        EXPECT_EQ(r.out.find(question), std::string::npos) << r.out;
    }
}

TEST(VxnMeasure, JsonShapeAndCount)
{
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"measure", "--yes", "--json", "--count", "3", "--sample", "13",
                                                      "--illuminant", "D50", "--observer", "10"}));
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    ASSERT_TRUE(j.is_array());
    ASSERT_EQ(j.size(), 3u);
    for (const auto& m : j) {
        EXPECT_EQ(m["spectrum"]["values"].size(), 36u);
        EXPECT_EQ(m["spectrum"]["start_nm"], 380);
        EXPECT_EQ(m["conditions"]["illuminant"], "D50");
        EXPECT_EQ(m["conditions"]["observer"], "10°");
        EXPECT_LT(m["lab"]["b"].get<double>(), -30.0);  // patch 13 is blue
        EXPECT_NEAR(m["lch"]["L"].get<double>(), m["lab"]["L"].get<double>(), 1e-9);
    }
}

TEST(VxnMeasure, BoxesAreAnsweredAtThePrompt)
{
    // Declining the calibration ("2" = No), then confirming the note.
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"measure"}), "2\n\n", {"VXN_INTERACTIVE=1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("  1) Yes (default)\n  2) No"), std::string::npos) << r.err;
    // Cancelling the filter question at the prompt fails the measurement.
    auto c = RunVxn(With(testenv::FreshConfigPath(), {"measure", "--filter", "D65", "--no-operator"}), "cancel\n",
                    {"VXN_INTERACTIVE=1"});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.err.find("Please put the filter D65 in place"), std::string::npos) << c.err;
}

TEST(VxnMeasure, CgatsFileReadsBackWithTheSameValues)
{
    std::string dir = testenv::OutputDir();
    std::string path = dir + "/measure-test.cgats";
    std::filesystem::remove(path);
    std::string cfg = testenv::FreshConfigPath();
    auto r1 = RunVxn(With(cfg, {"measure", "--yes", "--json", "--sample", "7", "--cgats", path}));
    ASSERT_EQ(r1.status, 0) << r1.err;
    auto r2 = RunVxn(With(cfg, {"measure", "--yes", "--json", "--sample", "2", "--cgats", path}));
    ASSERT_EQ(r2.status, 0) << r2.err;
    auto j1 = nlohmann::json::parse(r1.out)[0], j2 = nlohmann::json::parse(r2.out)[0];

    cmsHANDLE it8 = cmsIT8LoadFromFile(nullptr, path.c_str());
    ASSERT_NE(it8, nullptr);
    EXPECT_EQ(cmsIT8GetPropertyDbl(it8, "NUMBER_OF_SETS"), 2.0);
    EXPECT_STREQ(cmsIT8GetProperty(it8, "ILLUMINANT"), "D65");
    EXPECT_STREQ(cmsIT8GetProperty(it8, "FILTER"), "Pol");
    int rows = 0;
    for (const auto* j : {&j1, &j2}) {
        for (int i = 0; i < 36; ++i) {
            std::string col = "SPECTRAL_" + std::to_string(380 + 10 * i);
            double v = cmsIT8GetDataRowColDbl(it8, rows, cmsIT8FindDataFormat(it8, col.c_str()));
            EXPECT_EQ(static_cast<float>(v), static_cast<float>((*j)["spectrum"]["values"][i].get<double>())) << col;
        }
        EXPECT_NEAR(cmsIT8GetDataRowColDbl(it8, rows, cmsIT8FindDataFormat(it8, "LAB_L")), (*j)["lab"]["L"].get<double>(),
                    1e-6);
        EXPECT_EQ(cmsIT8GetDataRowColDbl(it8, rows, cmsIT8FindDataFormat(it8, "SAMPLE_ID")), rows + 1.0);
        ++rows;
    }
    cmsIT8Free(it8);
}

// The same measurement under a filter through vxn-emulator, over TCP and on
// a pseudo-terminal as a serial line.
TEST(VxnMeasure, AgainstTheEmulatorOverTcpAndAPseudoTerminal)
{
    const std::vector<std::string> links[] = {{"--tcp", "127.0.0.1:0"}, {"--pty"}};
    for (const auto& link : links) {
        testenv::BackgroundProcess emu(Program("vxn-emulator"), link);
        bool pty = link[0] == "--pty";
        std::string port = (pty ? "serial:" : "") + emu.FirstLine();
        ASSERT_EQ(port.rfind(pty ? "serial:/dev/" : "tcp:127.0.0.1:", 0), 0u) << port;
        auto r = RunVxn(With(testenv::FreshConfigPath(), {"--port", port, "measure", "--yes", "--filter", "D65"}));
        ASSERT_EQ(r.status, 0) << port << "\n" << r.err;
        EXPECT_NE(r.out.find("filter D65"), std::string::npos) << r.out;
    }
}

// Paper white makes the virtual instrument's values relative to the paper:
// lighter than absolute ones, and the paper itself measures as white.
TEST(VxnMeasure, PaperWhiteBaseGivesPaperRelativeValues)
{
    auto lab = [](const std::string& wbase, const std::string& sample) {
        auto r = RunVxn({"measure", "--yes", "--json", "--whitebase", wbase, "--sample", sample, "--config",
                         testenv::FreshConfigPath()});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.status == 0 ? nlohmann::json::parse(r.out)[0]["lab"]["L"].get<double>() : 0.0;
    };
    EXPECT_GT(lab("Pap", "13"), lab("Abs", "13") + 1.0);
    EXPECT_NEAR(lab("Pap", "19"), 100.0, 0.5);
}

// --mean N: the averaging dialog takes N measurements (by itself with --yes)
// and the result is their mean, printed with the singles; the same through
// vxn-emulator over TCP.
TEST(VxnMeasure, MeanOfSeveralMeasurementsWithItsSingles)
{
    testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0", "--noise", "0.002"});
    ASSERT_EQ(emu.FirstLine().rfind("tcp:", 0), 0u) << emu.FirstLine();
    for (const std::string& port : {std::string("emulator:noise=0.002"), emu.FirstLine()}) {
        auto r = RunVxn({"measure", "--mean", "3", "--yes", "--json", "--port", port, "--config",
                         testenv::FreshConfigPath()});
        ASSERT_EQ(r.status, 0) << port << "\n" << r.err;
        auto j = nlohmann::json::parse(r.out);
        ASSERT_EQ(j.size(), 1u);
        const auto& mean = j[0];
        EXPECT_EQ(mean["mean_of"], 3) << port;
        ASSERT_EQ(mean["singles"].size(), 3u) << port;
        for (int i = 0; i < 36; ++i) {
            double sum = 0;
            for (const auto& s : mean["singles"])
                sum += s["spectrum"]["values"][i].get<double>();
            EXPECT_NEAR(mean["spectrum"]["values"][i].get<double>(), sum / 3, 1e-6) << port << " value " << i;
        }
        // The singles differ (instrument noise), so the mean is a real one.
        EXPECT_NE(mean["singles"][0]["spectrum"]["values"], mean["singles"][1]["spectrum"]["values"]) << port;
        EXPECT_NE(r.err.find("Measurement 3 of 3"), std::string::npos) << r.err;
    }
}

} // namespace

// vxn measure, calibrate and simulate from the command line: output shapes,
// option errors, the box prompt and --yes, CGATS files read back by Little
// CMS, and the same against vxn-emulator over TCP and a pseudo-terminal.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <lcms2.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using testenv::Program;
using testenv::RunVxn;

std::vector<std::string> With(const std::string& cfg, std::initializer_list<std::string> rest)
{
    std::vector<std::string> v = {"--config", cfg};
    v.insert(v.end(), rest);
    return v;
}

using testenv::Slurp;

TEST(VxnMeasure, MeasuresTheBuiltInInstrumentWithYes)
{
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"measure", "--yes"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Conditions  illuminant D65, observer 2°, filter Pol, white base Abs"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("L*a*b*      L*="), std::string::npos);
    EXPECT_NE(r.out.find("LCh         L*="), std::string::npos);
    // The questions went to standard error, the results alone to standard output.
    EXPECT_NE(r.err.find("White-calibrate the instrument now?"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("White-calibrate"), std::string::npos);
}

TEST(VxnMeasure, JsonShapeAndCount)
{
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"measure", "--yes", "--json", "--count", "3",
                                                                          "--sample", "13", "--illuminant", "D50",
                                                                          "--observer", "10"}));
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
    // One shape whatever the count: an array of one.
    auto one = RunVxn(With(testenv::FreshConfigPath(), {"measure", "--yes", "--json"}));
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_TRUE(nlohmann::json::parse(one.out).is_array());
    EXPECT_EQ(nlohmann::json::parse(one.out).size(), 1u);
}

TEST(VxnMeasure, OptionErrors)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"measure", "--filter", "Red"}, "unknown filter 'Red'"},
        {{"measure", "--illuminant", "D400"}, "unknown illuminant 'D400'"},
        {{"measure", "--observer", "4"}, "observer must be 2 or 10"},
        {{"measure", "--whitebase", "none"}, "unknown white base"},
        {{"measure", "--count", "0"}, "count"},
        {{"measure", "--frobnicate"}, "frobnicate"},
        {{"calibrate"}, "--filter"},
    };
    for (const auto& [args, says] : cases) {
        std::vector<std::string> a = {"--config", testenv::FreshConfigPath()};
        a.insert(a.end(), args.begin(), args.end());
        auto r = RunVxn(a);
        EXPECT_EQ(r.status, 2) << args[1];
        EXPECT_NE((r.err + r.out).find(says), std::string::npos) << r.err;
    }
}

TEST(VxnMeasure, NoTerminalAndNoYesFailsClearly)
{
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"measure"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("there is no terminal (use --yes"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

TEST(VxnMeasure, BoxesAreAnsweredAtThePrompt)
{
    // Declining the calibration ("2" = No), then confirming the note.
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"measure"}), "2\n\n", {"VXN_INTERACTIVE=1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("  1) Yes (default)\n  2) No"), std::string::npos) << r.err;
    // Cancelling the filter question at the prompt fails the measurement.
    auto c = RunVxn(With(testenv::FreshConfigPath(), {"measure", "--filter", "D65", "--no-operator"}),
                        "cancel\n", {"VXN_INTERACTIVE=1"});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.err.find("Please put the filter D65 in place"), std::string::npos) << c.err;
}

TEST(VxnMeasure, WithoutTheOperatorAFilterNeverComesAndYesGivesUp)
{
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"measure", "--yes", "--filter", "D65",
                                                                          "--no-operator"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gave up"), std::string::npos) << r.err;
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

    // Other conditions do not go into the same file: found out before
    // anything is measured, and the file stays as it was.
    std::string before = Slurp(path);
    auto r3 = RunVxn(With(cfg, {"measure", "--yes", "--illuminant", "A", "--cgats", path}));
    EXPECT_EQ(r3.status, 2);
    EXPECT_NE(r3.err.find("ILLUMINANT D65, not A"), std::string::npos) << r3.err;
    EXPECT_EQ(r3.err.find("White-calibrate"), std::string::npos) << r3.err;
    EXPECT_EQ(Slurp(path), before);
}

TEST(VxnMeasure, UnwritableCgatsFileFailsBeforeMeasuring)
{
    auto r = RunVxn(With(testenv::FreshConfigPath(),
                                             {"measure", "--yes", "--cgats", "/nonexistent-dir/x.cgats"}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("White-calibrate"), std::string::npos);  // nothing was measured
}

TEST(VxnMeasure, RefusedCommandIsNamed)
{
    // Through vxn-emulator, whose operator refuses the next measurement.
    testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0"});
    ASSERT_EQ(emu.FirstLine().rfind("tcp:", 0), 0u) << emu.FirstLine();
    ASSERT_EQ(emu.Command("refuse 28 5").rfind("0 ", 0), 0u);
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"--port", emu.FirstLine(), "measure", "--yes"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the instrument refused command 28 (status 5)"), std::string::npos) << r.err;
}

TEST(VxnMeasure, AgainstTheEmulatorOverTcpAndAPseudoTerminal)
{
    {
        testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0"});
        ASSERT_EQ(emu.FirstLine().rfind("tcp:127.0.0.1:", 0), 0u) << emu.FirstLine();
        auto r = RunVxn(With(testenv::FreshConfigPath(), {"--port", emu.FirstLine(), "measure",
                                                                              "--yes", "--filter", "D65"}));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("filter D65"), std::string::npos);
        auto i = RunVxn(With(testenv::FreshConfigPath(), {"--port", emu.FirstLine(), "info"}));
        EXPECT_EQ(i.status, 0) << i.err;
    }
    {
        testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--pty"});
        ASSERT_EQ(emu.FirstLine().rfind("/dev/", 0), 0u) << emu.FirstLine();
        std::string port = "serial:" + emu.FirstLine();
        auto i = RunVxn(With(testenv::FreshConfigPath(), {"--port", port, "info", "--json"}));
        ASSERT_EQ(i.status, 0) << i.err;
        EXPECT_EQ(nlohmann::json::parse(i.out)["device_type"], 1);
        auto r = RunVxn(With(testenv::FreshConfigPath(), {"--port", port, "measure", "--yes"}));
        EXPECT_EQ(r.status, 0) << r.err;
    }
}

TEST(VxnCalibrate, CalibratesUnderTheFilter)
{
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"calibrate", "--filter", "D65", "--yes"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("White-calibrated under filter D65"), std::string::npos);
    EXPECT_EQ(r.err.find("White-calibrate the instrument now?"), std::string::npos);  // no question
}

TEST(VxnSimulate, TakesThePreselectedPadWithYes)
{
    auto r = RunVxn(With(testenv::FreshConfigPath(), {"simulate", "--yes", "--json"}));
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 1u);
    EXPECT_EQ(j[0]["spectrum"]["values"].size(), 36u);
}

} // namespace

namespace {

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

} // namespace

namespace {

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

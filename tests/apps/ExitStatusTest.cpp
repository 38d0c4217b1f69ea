// vxn never reports what did not happen and loses nothing it measured: the
// failure paths of every instrument subcommand against vxn-emulator with
// faults typed on its standard input, each for its exit status and its
// message; a series that fails or is interrupted keeps what was finished.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <lcms2.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <fstream>

namespace {

using testenv::Program;
using testenv::RunVxn;

using testenv::Slurp;

// A configuration whose exchanges give up after nMs, so that a dropped
// reply does not keep a test waiting.
std::string QuickConfig(int nMs = 500)
{
    std::string cfg = testenv::FreshConfigPath();
    std::ofstream(cfg) << "[PostOffice]\nTimeout=" << nMs << "\n";
    return cfg;
}

size_t Count(const std::string& s, const std::string& what)
{
    size_t n = 0;
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1))
        ++n;
    return n;
}

// The rows a CGATS reader finds in the file.
size_t CgatsRows(const std::string& path)
{
    cmsHANDLE it8 = cmsIT8LoadFromFile(nullptr, path.c_str());
    if (!it8)
        return 0;
    size_t n = static_cast<size_t>(cmsIT8GetPropertyDbl(it8, "NUMBER_OF_SETS"));
    for (size_t r = 0; r < n; ++r)
        if (!cmsIT8GetDataRowCol(it8, static_cast<int>(r), 0))
            n = r;
    cmsIT8Free(it8);
    return n;
}

struct FaultCase {
    std::string profile;               // vxn-emulator's profile
    std::vector<std::string> faults;   // lines typed on its standard input
    std::vector<std::string> args;     // vxn's subcommand and options
    int status;
    std::string says;                  // on standard error
};

TEST(VxnExitStatus, FailuresOfEverySubcommand)
{
    const FaultCase cases[] = {
        // A value that could not be read is never shown as a value.
        {"vxn", {"refuse 8 1"}, {"info"}, 1, "could not read the"},
        {"vxn", {"drop 9"}, {"info", "--json"}, 1, "could not read the"},
        {"vxn", {"corrupt 14"}, {"info"}, 1, "could not read the"},
        {"vxn", {"refuse 26 1"}, {"info", "--json"}, 1, "could not read the measuring conditions"},
        // No calibration reported where none took place.
        {"huepointer", {}, {"calibrate", "--filter", "Pol", "--yes"}, 1, "takes no white calibration"},
        {"type2", {}, {"calibrate", "--filter", "M1", "--yes"}, 1, "takes no white calibration"},
        {"vxn", {"refuse 29 3"}, {"calibrate", "--filter", "D65", "--yes"}, 1, "refused command 29 (status 3)"},
        {"vxn", {"drop 29"}, {"calibrate", "--filter", "D65", "--yes"}, 1, "the white calibration failed"},
        // Options the instrument cannot honour: refused before measuring.
        {"vxn", {}, {"measure", "--yes", "--filter", "UV"}, 2, "offers no filter UV"},
        {"vxn", {}, {"calibrate", "--yes", "--filter", "M1"}, 2, "offers no filter M1"},
        {"vxn", {}, {"measure", "--yes", "--illuminant", "A alt"}, 2, "cannot be set to illuminant A alt"},
        {"vxn", {}, {"measure", "--yes", "--illuminant", "Custom"}, 2, "cannot be set to illuminant Custom"},
        {"vxn-table", {}, {"measure", "--yes", "--sample", "3"}, 2, "--sample"},
        {"vxn", {}, {"measure", "--yes", "--filter", ""}, 2, "filter"},
        {"vxn", {}, {"measure", "--yes", "--illuminant", ""}, 2, "illuminant"},
        {"vxn", {}, {"measure", "--yes", "--observer", ""}, 2, "observer"},
        {"vxn", {}, {"measure", "--yes", "--cgats", ""}, 2, "--cgats"},
        // Measuring failures name the measurement and the reason.
        {"vxn", {"refuse 28 5"}, {"measure", "--yes"}, 1, "the instrument refused command 28 (status 5)"},
        {"vxn", {"refuse 28 200"}, {"measure", "--yes"}, 1, "the instrument refused command 28 (status 200)"},
        {"vxn", {"drop 28"}, {"measure", "--yes"}, 1, "the instrument stopped answering"},
        {"vxn", {}, {"measure", "--no-operator", "--yes", "--filter", "D65"}, 1, "gave up"},
        {"vxn", {}, {"measure"}, 1, "there is no terminal (use --yes"},
        // A simulator closed without a choice gives no result.
        {"vxn", {}, {"simulate"}, 1, "simulator was closed"},
        {"vxn", {}, {"simulate", "--json"}, 1, "simulator was closed"},
        {"vxn", {}, {"measure", "--simulate"}, 1, "simulator was closed"},
    };
    for (const auto& c : cases) {
        testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0", "--profile", c.profile});
        ASSERT_EQ(emu.FirstLine().rfind("tcp:", 0), 0u) << emu.FirstLine();
        for (const auto& f : c.faults)
            ASSERT_EQ(emu.Command(f).rfind("0 ", 0), 0u) << f;
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--port", emu.FirstLine(), "--config", QuickConfig()});
        auto r = RunVxn(args);
        std::string what = c.args[0] + (c.faults.empty() ? "" : " with " + c.faults[0]) + " on " + c.profile;
        EXPECT_EQ(r.status, c.status) << what << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << what << "\n" << r.err;
        if (c.args[0] != "info") {
            EXPECT_EQ(r.out, "") << what;
        } else {
            // Nothing invented: no version, serial or conditions printed.
            EXPECT_EQ(r.out.find("Software version"), std::string::npos) << what;
            EXPECT_EQ(r.out.find("\"conditions\""), std::string::npos) << what;
        }
    }
}

TEST(VxnExitStatus, OutputThatCannotBeWrittenIsAFailure)
{
    const std::string vxn = Program("vxn");
    for (const std::string cmd : {"info", "settings show", "measure --yes"}) {
        auto r = testenv::RunProgram("/bin/sh", {"-c", vxn + " " + cmd + " --config " + QuickConfig() + " >/dev/full"},
                                     "", {"VXN_LANG=en"});
        EXPECT_EQ(r.status, 1) << cmd << "\n" << r.err;
        EXPECT_NE(r.err.find("cannot write the output"), std::string::npos) << cmd << "\n" << r.err;
    }
}

TEST(VxnExitStatus, AnUnwritableTraceIsSaidOnce)
{
    auto r = RunVxn({"info", "--config", QuickConfig()}, "", {"VXN_TRACE=/nonexistent-folder/trace.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Count(r.err, "cannot be written"), 1u) << r.err;
    EXPECT_NE(r.err.find("/nonexistent-folder/trace.txt"), std::string::npos) << r.err;
}

// A failure partway keeps every finished measurement, printed and in the
// CGATS file; Ctrl-C does the same and leaves the instrument usable.
TEST(VxnExitStatus, FinishedMeasurementsSurviveAFailureOrCtrlC)
{
    const struct {
        const char* fault;  // typed on the emulator's input; nullptr: Ctrl-C
        int status;
        const char* says;
    } cases[] = {{"refuse 28 5", 1, "the instrument refused command 28"},
                 {"drop 28", 1, "the instrument stopped answering"},
                 {nullptr, 130, "interrupted after"}};
    for (const auto& c : cases) {
        testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0", "--realistic"});
        ASSERT_EQ(emu.FirstLine().rfind("tcp:", 0), 0u);
        std::string cgats = testenv::FreshConfigPath() + ".cgats";
        bool acted = false;
        auto r = testenv::RunProgram(
            Program("vxn"),
            {"measure", "--yes", "--count", "20", "--cgats", cgats, "--port", emu.FirstLine(), "--config",
             QuickConfig(2000)},
            "", {"VXN_LANG=en"}, [&](int pid, const std::string& out) {
                if (acted || out.find("Colour") == std::string::npos)
                    return;
                acted = true;
                if (c.fault)
                    emu.Command(c.fault);
                else
                    kill(pid, SIGINT);
            });
        EXPECT_EQ(r.status, c.status) << c.says << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        size_t printed = Count(r.out, "Colour ");
        EXPECT_GE(printed, 1u) << c.says;
        EXPECT_LT(printed, 20u) << c.says;
        EXPECT_EQ(CgatsRows(cgats), printed) << c.says << "\n" << Slurp(cgats);
        // The instrument is usable again after the interruption.
        EXPECT_EQ(RunVxn({"info", "--port", emu.FirstLine(), "--config", QuickConfig()}).status, 0) << c.says;
    }
}

} // namespace

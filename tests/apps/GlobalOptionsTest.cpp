// vxn's global options before or after the subcommand, clear errors for
// unknown commands, options and endpoints, and one language per run chosen from --lang
// or the POSIX locale variables.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

namespace {

using testenv::RunVxn;

TEST(VxnGlobalOptions, GoBeforeOrAfterTheSubcommand)
{
    testenv::BackgroundProcess emu(testenv::Program("vxn-emulator"), {"--tcp", "127.0.0.1:0", "--profile", "huepointer"});
    const std::string port = emu.FirstLine();
    ASSERT_EQ(port.rfind("tcp:", 0), 0u) << port;
    const std::string cfg = testenv::FreshConfigPath();
    std::ofstream(cfg) << "[VXNSettings]\nIllumination=A\n";

    // info reaches the Huepointer only through --port; settings and measure
    // see illuminant A only through --config.
    using Ptr = nlohmann::json::json_pointer;
    const struct {
        std::vector<std::string> args;
        Ptr at;
        nlohmann::json want;
    } cases[] = {
        {{"--port", port, "info", "--json"}, Ptr("/models/huepointer"), true},
        {{"info", "--port", port, "--json"}, Ptr("/models/huepointer"), true},
        {{"info", "--json", "--port", port}, Ptr("/models/huepointer"), true},
        {{"--config", cfg, "settings", "show", "--json"}, Ptr("/settings/illuminant"), "A"},
        {{"settings", "--config", cfg, "show", "--json"}, Ptr("/settings/illuminant"), "A"},
        {{"settings", "show", "--json", "--config", cfg}, Ptr("/settings/illuminant"), "A"},
        {{"measure", "--config", cfg, "--yes", "--json"}, Ptr("/0/conditions/illuminant"), "A"},
    };
    for (const auto& c : cases) {
        auto r = RunVxn(c.args);
        ASSERT_EQ(r.status, 0) << c.args[0] << " " << c.args[1] << "\n" << r.err;
        EXPECT_EQ(nlohmann::json::parse(r.out)[c.at], c.want) << c.args[0] << " " << c.args[1];
    }
}

TEST(VxnGlobalOptions, WrongCommandsOptionsAndEndpointsAreNamed)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"foo"}, "unknown command foo"},
        {{"frobnicate", "--json"}, "unknown command frobnicate"},
        {{"info", "--bogus"}, "--bogus"},
        {{"--bogus", "info"}, "--bogus"},
        {{"settings", "show", "--lang"}, "--lang"},
        {{"--lang", "xx", "settings", "show"}, "no texts for language 'xx'"},
        {{"measure", "--filter", "Red"}, "unknown filter 'Red'"},
        {{"measure", "--illuminant", "D400"}, "unknown illuminant 'D400'"},
        {{"measure", "--observer", "4"}, "observer must be 2 or 10"},
        {{"measure", "--whitebase", "none"}, "unknown white base"},
        {{"measure", "--count", "0"}, "count"},
        {{"measure", "--frobnicate"}, "frobnicate"},
        {{"calibrate"}, "--filter"},
        {{"info", "--port", "foo"}, "endpoint 'foo' has no scheme"},
        {{"info", "--port", "serial:/dev/pts/3?baud=abc"}, "is not serial:/dev/PATH"},
        {{"info", "--port", "emulator:profile=foo"}, "unknown emulator profile 'foo'"},
        {{"info", "--port", "tcp:127.0.0.1:99999"}, "a port from 1 to 65535"},
        {{"info", "--port", "tcp:127.0.0.1:"}, "a port from 1 to 65535"},
        {{"info", "--port", "tcp::7001x"}, "a port from 1 to 65535"},
    };
    for (const auto& [args, says] : cases) {
        std::vector<std::string> a = {"--config", testenv::FreshConfigPath()};
        a.insert(a.end(), args.begin(), args.end());
        auto r = RunVxn(a);
        EXPECT_EQ(r.status, 2) << args.back() << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("vxn: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << args.back();
    }
}

// The language of one run: --lang above all, then LC_ALL, LC_MESSAGES,
// LANG; the same language for the library's questions and vxn's own prompts.
TEST(VxnLanguage, ChosenTheWayOfThePosixLocale)
{
    struct Case {
        std::vector<std::string> env;
        std::vector<std::string> extraArgs;
        bool german;
    } cases[] = {
        {{"LANG=de_DE.UTF-8"}, {}, true},
        {{"LC_ALL=de_DE.UTF-8", "LANG=en_US.UTF-8"}, {}, true},
        {{"LC_MESSAGES=de_DE.UTF-8"}, {}, true},
        {{"LC_ALL=C", "LANG=de_DE.UTF-8"}, {}, false},
        {{"LANG=fr_FR.UTF-8"}, {}, false},  // no French texts: English
        {{"LANG=de_DE.UTF-8"}, {"--lang", "en"}, false},
        {{}, {"--lang", "de"}, true},
    };
    for (const auto& c : cases) {
        std::vector<std::string> env = {"-VXN_LANG", "-LANG", "-LC_ALL", "-LC_MESSAGES"};
        env.insert(env.end(), c.env.begin(), c.env.end());
        std::vector<std::string> args = {"--config", testenv::FreshConfigPath(), "measure"};
        args.insert(args.end(), c.extraArgs.begin(), c.extraArgs.end());
        // Declining the calibration at the prompt shows the library's
        // question and the closing note.
        env.push_back("VXN_INTERACTIVE=1");
        auto r = testenv::RunProgram(testenv::Program("vxn"), args, "2\n\n", env);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string who = c.env.empty() ? c.extraArgs.back() : c.env[0];
        bool german = r.err.find("Probe") != std::string::npos;
        EXPECT_EQ(german, c.german) << who << "\n" << r.err;
        EXPECT_EQ(r.err.find("Place the instrument") != std::string::npos, !c.german) << who << "\n" << r.err;
        // The buttons and the kind of box in the same language.
        EXPECT_EQ(r.err.find("1) Ja") != std::string::npos, c.german) << who << "\n" << r.err;
        EXPECT_EQ(r.err.find("[Frage]") != std::string::npos, c.german) << who << "\n" << r.err;
        // And the result itself.
        EXPECT_EQ(r.out.find("Bedingungen Lichtart D65, Beobachter") != std::string::npos, c.german) << who << r.out;
        EXPECT_EQ(r.out.find("Conditions  illuminant D65, observer") != std::string::npos, !c.german) << who << r.out;
    }
}

} // namespace

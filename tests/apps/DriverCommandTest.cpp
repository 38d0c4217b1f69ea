// vxn over the sample driver modules and the simulated plug-in instrument on
// a pseudo-terminal: the same chart patch gives the same colour as through
// the VXN virtual instrument; unusable modules and options are refused.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

namespace {

using testenv::RunVxn;

std::string Module(const std::string& type)
{
    return testenv::Program("Drivers/" + type + "/" + type + ".dll");
}

// A configuration whose COM1 is the simulated instrument's line.
std::string Config(const std::string& pty, const std::string& type)
{
    std::string path = testenv::FreshConfigPath();
    std::ofstream(path) << "[Ports]\nCOM1=" << pty << "\n[VXN]\nType=" << type << "\n";
    return path;
}

nlohmann::json Lab(const testenv::ProcessResult& r)
{
    size_t at = r.out.find('[');
    EXPECT_NE(at, std::string::npos) << r.out << r.err;
    return at == std::string::npos ? nlohmann::json() : nlohmann::json::parse(r.out.substr(at))[0]["lab"];
}

TEST(DriverCommand, MeasuresTheSameColourAsTheVirtualInstrument)
{
    struct Case {
        const char* type;
        std::vector<std::string> extra;
        double tolerance;
    } cases[] = {{"CV10", {}, 0.05},
                 // 400..700 nm in 20 nm steps: 380, 390 and 710..730 nm are 0
                 // and the odd points interpolated, which moves a saturated
                 // blue by up to 1.5 in a* (a grid check, not a colour match).
                 {"CV20", {"--filter", "No"}, 2.0}};
    for (const char* patch : {"1", "13"}) {
        auto vxn = RunVxn({"--config", testenv::FreshConfigPath(), "measure", "--yes", "--json", "--sample", patch});
        ASSERT_EQ(vxn.status, 0) << vxn.err;
        nlohmann::json want = Lab(vxn);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.type) + " patch " + patch);
            testenv::BackgroundProcess emu(testenv::Program("vxn-emulator"), {"--pty", "--plugin-instrument"});
            ASSERT_FALSE(emu.FirstLine().empty());
            EXPECT_EQ(emu.Command(std::string("sample ") + patch).rfind("OK", 0), 0u);
            std::string config = Config(emu.FirstLine(), c.type);
            std::vector<std::string> args = {"--config", config, "--driver", Module(c.type),
                                              "--driver-port", "COM1", "measure", "--yes", "--json"};
            args.insert(args.end(), c.extra.begin(), c.extra.end());
            auto r = RunVxn(args);
            ASSERT_EQ(r.status, 0) << r.err;
            // The port was this run's choice, not a new stored one.
            EXPECT_EQ(testenv::Slurp(config).find("PORT"), std::string::npos) << testenv::Slurp(config);
            nlohmann::json got = Lab(r);
            for (const char* k : {"L", "a", "b"})
                EXPECT_NEAR(got[k].get<double>(), want[k].get<double>(), c.tolerance) << k;
        }
    }
}

TEST(DriverCommand, InfoNamesTheInstrumentBehindTheModule)
{
    testenv::BackgroundProcess emu(testenv::Program("vxn-emulator"), {"--pty", "--plugin-instrument"});
    auto r = RunVxn({"--config", Config(emu.FirstLine(), "CV10"), "--driver", Module("CV10"), "info", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["library"], "NWVXNLib");
    EXPECT_EQ(j["device_name"], "CV10");
    EXPECT_EQ(j["device_type"], 2);
    EXPECT_EQ(j["serial_number"], "2026-0042");
    // The averaging dialog measures through the driver too.
    auto m = RunVxn({"--config", Config(emu.FirstLine(), "CV10"), "--driver", Module("CV10"), "measure", "--mean", "2",
                     "--yes", "--json"});
    ASSERT_EQ(m.status, 0) << m.err;
    EXPECT_EQ(nlohmann::json::parse(m.out)[0]["mean_of"], 2);
}

TEST(DriverCommand, RefusesWhatCannotBeUsed)
{
    std::string junk = testenv::FreshConfigPath() + ".dll";
    std::ofstream(junk) << "not a module";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> says;
        const char* config = "";
    } cases[] = {
        {"not a shared object", {"--driver", junk, "info"}, {junk, "cannot load the driver module"}},
        {"not a shared object, measuring", {"--driver", junk, "measure", "--yes"}, {"cannot load the driver module"}},
        {"no table behind a driver", {"--driver", Module("CV10"), "scan", std::string(VXN_SOURCE_DATA_DIR) + "/chart24-positions.csv"},
         {"no scanning table"}},
        {"missing entry points", {"--driver", testenv::Program("scripted_partial_driver.so"), "info"},
         {"scripted_partial_driver.so", "lacks the entry points GetReferenceCount, PerformMeasurement"}},
        {"bad port", {"--driver", Module("CV10"), "--driver-port", "COM9", "info"}, {"COM9"}},
        {"a type that is a path", {"--driver", Module("CV10"), "info"}, {"'../evil'"}, "[VXN]\nType=../evil\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"--config", testenv::FreshConfigPath()};
        std::ofstream(args[1]) << c.config;
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto r = RunVxn(args);
        EXPECT_EQ(r.status, 2);
        for (const std::string& s : c.says)
            EXPECT_NE(r.err.find(s), std::string::npos) << r.err;
    }
}

} // namespace

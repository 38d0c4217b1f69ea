// vxn settings: what set writes to the configuration, and that a bad key or
// value is refused with one clear line and nothing written.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include "sv/Config.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace {

using testenv::Program;
using testenv::RunVxn;
using testenv::Slurp;

TEST(VxnSettings, SetWritesTheStoredTexts)
{
    std::string cfg = testenv::FreshConfigPath();
    auto r = RunVxn({"--config", cfg, "settings", "set", "illuminant=D93", "observer=10", "filter=m1", "density=ANSI T",
                     "whitebase=pap", "mean=4", "calibration=0", "meas-at-unit=0", "colorsystem=12", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    Config c{String(cfg)};
    const char* const stored[][3] = {
        {"VXNSettings", "Illumination", "Dxx"}, {"VXNSettings", "DxxTempNr", "93"}, {"VXNSettings", "Filter", "M1"},
        {"VXNSettings", "Observer", "10"}, {"VXNSettings", "DensityStd", "ANSI T"}, {"VXNSettings", "WhiteBase", "Pap"},
        {"VXN", "MEAN", "4"}, {"VXN", "Calibration", "0"}, {"VXN", "MeasAtUnit", "0"}, {"Settings", "ColorSystem", "12"},
    };
    for (const auto& [group, key, value] : stored) {
        c.SetGroup(group);
        EXPECT_EQ(c.ReadKey(key), String(value)) << group << "/" << key;
    }

    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["settings"]["illuminant"], "D93");
    EXPECT_EQ(j["settings"]["observer"], "10°");
}

TEST(VxnSettings, BadInputIsRefusedAndNothingIsWritten)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"colour=red"}, "unknown setting 'colour'"},
        {{"illuminant"}, "is not KEY=VALUE"},
        {{"illuminant=D301"}, "unknown illuminant 'D301'"},
        {{"illuminant=Tungsten"}, "unknown illuminant"},
        {{"dxx=29"}, "from 30 to 300"},
        {{"observer=5"}, "observer must be 2 or 10"},
        {{"density=ansi x"}, "unknown density standard"},
        {{"whitebase=none"}, "unknown white base"},
        {{"filter=Red"}, "unknown filter"},
        {{"filter=UV"}, "not offered by device class 0"},
        {{"mean=0"}, "invalid value '0' for mean"},
        {{"calibration=yes"}, "invalid value 'yes' for calibration"},
        {{"colorsystem=3"}, "invalid value '3' for colorsystem"},
        {{"observer=10", "mean=x"}, "for mean"},  // the good one is not written either
    };
    for (const auto& [args, says] : cases) {
        std::string cfg = testenv::FreshConfigPath();
        std::vector<std::string> a = {"--config", cfg, "settings", "set"};
        a.insert(a.end(), args.begin(), args.end());
        auto r = RunVxn(a);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(Slurp(cfg), "") << args[0];
    }
}

TEST(VxnSettings, DeviceTypeDecidesTheFilters)
{
    std::string cfg = testenv::FreshConfigPath();
    auto r = RunVxn({"--config", cfg, "settings", "set", "--device-type", "16777216", "filter=UV"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("filter         UV"), std::string::npos) << r.out;
    // Read for a device of type 2, the same file offers M0 first.
    auto s = RunVxn({"--config", cfg, "settings", "show", "--device-type", "2"});
    EXPECT_NE(s.out.find("filter         M0"), std::string::npos) << s.out;
}

// No language in the environment, as on a fresh machine or in CI.
const std::vector<std::string> NO_LANGUAGE = {"-VXN_LANG", "-LANG", "-LC_ALL", "-LC_MESSAGES"};

// The stored file of a user with non-default settings everywhere; the
// language key makes the text catalogue read the configuration while the
// condition set is being read.
const char* const USER_FILE =
    "[Settings]\nLanguage=en\nColorSystem=11\n\n"
    "[VXNSettings]\nIllumination=A\nDxxTempNr=93\nObserver=10\nDensityStd=ANSI T\nWhiteBase=Pap\nFilter=No\n\n"
    "[VXN]\nMEAN=4\nCalibration=0\nMeasAtUnit=0\n\n";

TEST(VxnSettings, StoredSettingsSurviveShowAndSetWithoutALanguage)
{
    std::string cfg = testenv::FreshConfigPath();
    std::ofstream(cfg) << USER_FILE;

    auto show = testenv::RunProgram(Program("vxn"), {"settings", "show", "--json", "--config", cfg}, "", NO_LANGUAGE);
    ASSERT_EQ(show.status, 0) << show.err;
    auto j = nlohmann::json::parse(show.out)["settings"];
    const std::pair<const char*, const char*> shown[] = {{"illuminant", "A"}, {"dxx", "93"}, {"observer", "10°"},
                                                         {"density", "ANSI T"}, {"whitebase", "Pap"}, {"filter", "No"},
                                                         {"mean", "4"}, {"colorsystem", "11"}};
    for (const auto& [key, value] : shown)
        EXPECT_EQ(j[key], value) << key;
    EXPECT_EQ(Slurp(cfg), USER_FILE);  // showing writes nothing

    auto set = testenv::RunProgram(Program("vxn"), {"settings", "set", "dxx=60", "--config", cfg}, "", NO_LANGUAGE);
    ASSERT_EQ(set.status, 0) << set.err;
    std::string expected = USER_FILE;
    expected.replace(expected.find("DxxTempNr=93"), 12, "DxxTempNr=60");
    EXPECT_EQ(Slurp(cfg), expected);
}

TEST(VxnSettings, ASettingThatCannotBeStoredFails)
{
    std::string dir = testenv::FreshConfigPath() + ".d";
    std::filesystem::create_directories(dir);
    // The configuration path is a folder; the other a file inside a file.
    std::string blocker = testenv::FreshConfigPath();
    std::ofstream(blocker) << "x";
    for (const auto& [cfg, named] : {std::pair{dir, dir}, std::pair{blocker + "/sub/QelVXN.ini", blocker}}) {
        auto r = RunVxn({"--config", cfg, "settings", "set", "mean=3"});
        EXPECT_EQ(r.status, 1) << cfg << "\n" << r.out;
        EXPECT_NE(r.err.find("not stored"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(VxnSettings, InvalidStoredValuesAreNamedWithTheDefaultUsed)
{
    std::string cfg = testenv::FreshConfigPath();
    std::ofstream(cfg) << "[VXNSettings]\nIllumination=ZZZ\nObserver=7\nFilter=Pol\n[VXN]\nMEAN=-5\n";
    auto r = RunVxn({"settings", "show", "--config", cfg});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* says : {"VXNSettings/Illumination=ZZZ", "VXNSettings/Observer=7", "VXN/MEAN=-5"})
        EXPECT_NE(r.err.find(says), std::string::npos) << says << "\n" << r.err;
    EXPECT_NE(r.err.find("D65 is used instead"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Filter"), std::string::npos) << r.err;  // a valid value is not named
}

} // namespace

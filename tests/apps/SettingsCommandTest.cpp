// vxn settings: what set writes to the configuration, and that a bad key or
// value is refused with one clear line and nothing written.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include "sv/Config.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace {

using testenv::Program;
using testenv::RunProgram;

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(VxnSettings, SetWritesTheStoredTexts)
{
    std::string cfg = testenv::FreshConfigPath();
    auto r = RunProgram(Program("vxn"), {"--config", cfg, "settings", "set", "illuminant=D93", "observer=10",
                                         "filter=m1", "density=ANSI T", "whitebase=pap", "mean=4", "calibration=0",
                                         "meas-at-unit=0", "colorsystem=12", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    Config c{String(cfg)};
    c.SetGroup("VXNSettings");
    EXPECT_EQ(c.ReadKey("Illumination"), String("Dxx"));
    EXPECT_EQ(c.ReadKey("DxxTempNr"), String("93"));
    EXPECT_EQ(c.ReadKey("Observer"), String("10"));
    EXPECT_EQ(c.ReadKey("Filter"), String("M1"));
    EXPECT_EQ(c.ReadKey("DensityStd"), String("ANSI T"));
    EXPECT_EQ(c.ReadKey("WhiteBase"), String("Pap"));
    c.SetGroup("VXN");
    EXPECT_EQ(c.ReadKey("MEAN"), String("4"));
    EXPECT_EQ(c.ReadKey("Calibration"), String("0"));
    EXPECT_EQ(c.ReadKey("MeasAtUnit"), String("0"));
    c.SetGroup("Settings");
    EXPECT_EQ(c.ReadKey("ColorSystem"), String("12"));

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
        auto r = RunProgram(Program("vxn"), a);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(Slurp(cfg), "") << args[0];
    }
}

TEST(VxnSettings, DeviceTypeDecidesTheFilters)
{
    std::string cfg = testenv::FreshConfigPath();
    auto r = RunProgram(Program("vxn"), {"--config", cfg, "settings", "set", "--device-type", "16777216", "filter=UV"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("filter         UV"), std::string::npos) << r.out;
    // Read for a device of type 2, the same file offers M0 first.
    auto s = RunProgram(Program("vxn"), {"--config", cfg, "settings", "show", "--device-type", "2"});
    EXPECT_NE(s.out.find("filter         M0"), std::string::npos) << s.out;
}

} // namespace

// vxn convert, run as the built program.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

struct ConvertRun {
    int status;
    std::string out, err;
};

// Runs vxn convert with the arguments (separated by blanks), the input fed
// on standard input.
ConvertRun Convert(const std::string& args, const std::string& input)
{
    std::vector<std::string> argv = {"convert"};
    std::istringstream words(args);
    for (std::string w; words >> w;)
        argv.push_back(w);
    testenv::ProcessResult r = testenv::RunProgram(testenv::Program("vxn"), argv, input);
    return {r.status, r.out, r.err};
}

std::string ChartCsv()
{
    std::ifstream f(std::string(VXN_SOURCE_DATA_DIR) + "/colorimetry/chart24_reflectance_380_730_10nm.csv");
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string Row(const std::string& name, double v)
{
    std::string s = name;
    for (int i = 0; i < 36; ++i)
        s += "," + std::to_string(v);
    return s + "\n";
}

} // namespace

TEST(ConvertCommand, JsonMatchesReference)
{
    ConvertRun r = Convert("--json --illuminant D50 --observer 2", ChartCsv());
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["illuminant"], "D50");
    EXPECT_EQ(j["observer"], "2\xC2\xB0");
    ASSERT_EQ(j["samples"].size(), 24u);
    EXPECT_TRUE(j["errors"].empty());
    auto& s = j["samples"][0];
    EXPECT_EQ(s["name"], "dark skin");
    EXPECT_EQ(s["line"], 2);
    // Patch 1 under D50/2° (reference table of data/colorimetry).
    EXPECT_NEAR(s["XYZ"][1].get<double>(), 9.995763, 1e-4);
    EXPECT_NEAR(s["Lab"][0].get<double>(), 37.835, 1e-3);
    for (const char* key : {"XYZ", "Lab", "LCh", "sRGB"})
        EXPECT_EQ(s[key].size(), 3u) << key;
    for (const char* key : {"L", "a", "b", "C", "h"})
        EXPECT_TRUE(s["DIN99"][key].is_number()) << key;
    EXPECT_EQ(s["hex"].get<std::string>().size(), 7u);
    EXPECT_TRUE(s["in_gamut"].is_boolean());
}

TEST(ConvertCommand, TextOutputAndIlluminantTexts)
{
    std::string white = Row("white", 1.0);
    struct Case {
        const char* args;
        const char* title;
    } cases[] = {{"", "# D65/10\xC2\xB0"},
                 {"-i D93 -o 2", "# D93/2\xC2\xB0"},
                 {"--illuminant f11 --observer 10", "# F11/10\xC2\xB0"},
                 {"--illuminant F7", "# F07/10\xC2\xB0"},
                 {"--illuminant A", "# A/10\xC2\xB0"}};
    for (auto& c : cases) {
        ConvertRun r = Convert(c.args, white);
        ASSERT_EQ(r.status, 0) << c.args << r.err;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.title) << c.args;
        // A perfect white: L* = 100, sRGB 255 255 255.
        EXPECT_NE(r.out.find(" 100.000 "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(" 255  255  255"), std::string::npos) << r.out;
    }
}

TEST(ConvertCommand, MalformedRowsAreReportedAndOthersConverted)
{
    std::string input = "name,380\n" + Row("good1", 0.5) + "bad,1,2,3\n" + Row("good2", 0.2) + Row("nan", 0.3);
    input.replace(input.rfind("0.300000"), 8, "abc");
    ConvertRun r = Convert("--json", input);
    EXPECT_EQ(r.status, 2);
    auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["samples"].size(), 2u);
    EXPECT_EQ(j["samples"][1]["name"], "good2");
    // The first line has no spectrum's shape, so it is malformed, not a header.
    ASSERT_EQ(j["errors"].size(), 3u);
    EXPECT_EQ(j["errors"][0]["line"], 1);
    EXPECT_EQ(j["errors"][1]["line"], 3);
    EXPECT_EQ(j["errors"][2]["line"], 5);
    EXPECT_NE(r.err.find("line 3:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 5: value 36 (730 nm)"), std::string::npos) << r.err;
}

TEST(ConvertCommand, UnknownConditionsFailWithOneLine)
{
    for (const char* args : {"-i Q7", "-i D500", "-i D29", "-o 5", "-i Dxx"}) {
        ConvertRun r = Convert(args, Row("x", 0.5));
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
    }
}

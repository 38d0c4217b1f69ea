// vxn convert, run as the built program.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ConvertRun = testenv::ProcessResult;

// Runs vxn convert with the arguments (separated by blanks), the input fed
// on standard input.
ConvertRun Convert(const std::string& args, const std::string& input)
{
    std::vector<std::string> argv = {"convert"};
    std::istringstream words(args);
    for (std::string w; words >> w;)
        argv.push_back(w);
    return testenv::RunVxn(argv, input);
}

std::string ChartCsv()
{
    return testenv::Slurp(std::string(VXN_SOURCE_DATA_DIR) + "/colorimetry/chart24_reflectance_380_730_10nm.csv");
}

// A row of sFill with the cell of value nValue (1..36) replaced by sCell.
std::string RowWith(const std::string& name, int nValue, const std::string& sCell, const std::string& sFill = "0.5")
{
    std::string s = name;
    for (int i = 1; i <= 36; ++i)
        s += "," + (i == nValue ? sCell : sFill);
    return s + "\n";
}

std::string Row(const std::string& name, double v) { return RowWith(name, 0, "", std::to_string(v)); }

std::string WriteFile(const std::string& text)
{
    std::string path = std::filesystem::path(testenv::FreshConfigPath()).replace_extension(".csv").string();
    std::ofstream(path) << text;
    return path;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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
                 {"--illuminant A", "# A/10\xC2\xB0"},
                 // The Dxx numbers vxn measure takes, no more: 30 to 300.
                 {"-i D30", "# D30/10\xC2\xB0"},
                 {"-i d300", "# D300/10\xC2\xB0"}};
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
    for (const char* args : {"-i Q7", "-i D500", "-i D29", "-i D301", "-i D330", "-o 5", "-i Dxx", "-i Custom", "-i custom"}) {
        ConvertRun r = Convert(args, Row("x", 0.5));
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
    }
}

// nan and inf are numbers without a value, not words: an error naming the
// line and value even on a first line, which would otherwise pass for a header.
TEST(ConvertCommand, NonFiniteValuesAreErrorsNamingLineAndValue)
{
    struct Case {
        int value;   // 1..36
        const char* cell;
        const char* args;
    } cases[] = {{1, "nan", ""},      {36, "inf", ""},   {7, "-inf", ""},          {20, "NaN", ""},
                 {2, "infinity", ""}, {5, "1e999", ""},  {3, "nan", "--percent"}, {4, "1e39", ""}};
    for (auto& c : cases) {
        ConvertRun r = Convert(std::string("--json ") + c.args, Row("good", 0.5) + RowWith("bad", c.value, c.cell));
        EXPECT_EQ(r.status, 2) << c.cell;
        std::string where = "line 2: value " + std::to_string(c.value) + " (" + std::to_string(370 + 10 * c.value) + " nm)";
        EXPECT_TRUE(Contains(r.err, where)) << c.cell << ": " << r.err;
        auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["samples"].size(), 1u) << c.cell;
        ASSERT_EQ(j["errors"].size(), 1u) << c.cell;
        EXPECT_EQ(j["errors"][0]["line"], 2);
    }
    ConvertRun r = Convert("", RowWith("x", 1, "nan", "nan") + Row("good", 0.5));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "line 1: value 1 (380 nm)")) << r.err;
}

TEST(ConvertCommand, ValuesFarOutsideReflectanceRangeConvertWithWarning)
{
    struct Case {
        const char* args;
        const char* cell;   // value 9 (460 nm); the others 0.5, or 50 with --percent
        bool warned;
    } cases[] = {{"", "-5", true},           {"", "2.5", true},          {"", "-0.1", false},
                 {"", "2", false},           {"", "-0.11", true},        {"--percent", "-5", false},
                 {"--percent", "-11", true}, {"--percent", "200", false}, {"--percent", "250", true}};
    for (auto& c : cases) {
        std::string line = RowWith("s", 9, c.cell, *c.args ? "50" : "0.5");
        ConvertRun r = Convert(std::string("--json ") + c.args, Row("first", 0.5) + line);
        std::string label = std::string(c.args) + " " + c.cell;
        EXPECT_EQ(r.status, 0) << label << r.err;
        auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["samples"].size(), 2u) << label;
        EXPECT_EQ(j["warnings"].size(), c.warned ? 1u : 0u) << label << r.err;
        EXPECT_EQ(Contains(r.err, "warning: line 2: 1 value far outside"), c.warned) << label << r.err;
        EXPECT_TRUE(!c.warned || Contains(r.err, "value 9 (460 nm) is " + std::string(c.cell))) << label << r.err;
    }
}

// Every number printed is finite, or empty with a warning naming its line,
// for spectra far from real ones under every kind of illuminant.
TEST(ConvertCommand, NoOutputFieldIsEverNan)
{
    std::string input = Row("neg5", -5.0) + Row("neg008", -0.08) + Row("black", 0.0) + Row("white", 1.0) +
                        Row("grey", 0.5) + Row("huge", 1e30) + Row("hugeneg", -1e30) + RowWith("spike", 12, "3e38") +
                        RowWith("dip", 30, "-3e38") + Row("tiny", 1e-30);
    for (const char* args : {"-i D65 -o 10", "-i A -o 2", "-i D300 -o 2", "-i D30 -o 10", "-i F11 -o 2", "-i E -o 10"}) {
        ConvertRun text = Convert(args, input);
        EXPECT_EQ(text.status, 0) << args << text.err;
        std::string lower = text.out;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char ch) { return std::tolower(ch); });
        EXPECT_FALSE(Contains(lower, "nan") || Contains(lower, "inf")) << args << "\n" << text.out;

        auto j = nlohmann::json::parse(Convert(std::string("--json ") + args, input).out);
        ASSERT_EQ(j["samples"].size(), 10u) << args;
        for (auto& s : j["samples"]) {
            std::vector<nlohmann::json> fields;
            for (const char* key : {"XYZ", "Lab", "LCh", "DIN99"})
                for (auto& v : s[key])
                    fields.push_back(v);
            bool anyEmpty = false, warned = false;
            for (auto& v : fields) {
                anyEmpty = anyEmpty || v.is_null();
                EXPECT_TRUE(v.is_null() || std::isfinite(v.get<double>())) << args << " " << s["name"];
            }
            for (auto& w : j["warnings"])
                warned = warned || w["line"] == s["line"];
            EXPECT_TRUE(warned || !anyEmpty) << args << " " << s["name"] << " has an empty field without a warning";
        }
    }
    // DIN99 lightness, a logarithm of 1 + 0.0158 L*, has no value below
    // L* = -63.29; only it is left empty, L* and the DIN99 chroma are given.
    ConvertRun r = Convert("--json", Row("neg5", -5.0));
    auto s = nlohmann::json::parse(r.out)["samples"][0];
    EXPECT_LT(s["Lab"][0].get<double>(), -1000.0);
    EXPECT_TRUE(s["DIN99"]["L"].is_null() && s["DIN99"]["C"].is_number()) << s;
    EXPECT_TRUE(Contains(r.err, "warning: line 1: L99 left empty")) << r.err;
    std::string text = Convert("", Row("neg5", -5.0)).out;
    std::istringstream cells(text.substr(text.find("\nneg5") + 1));
    std::string cell;
    for (int i = 0; i < 10; ++i)   // name, X Y Z, L* a* b* C* h, L99
        cells >> cell;
    EXPECT_EQ(cell, "-") << text;
}

TEST(ConvertCommand, SeveralFilesConvertInOrderAndMessagesNameTheFile)
{
    std::string header = "name";
    for (int nm = 380; nm <= 730; nm += 10)
        header += "," + std::to_string(nm);
    std::string a = WriteFile(header + "\n" + Row("a1", 0.5) + "bad,1,2\n");
    std::string b = WriteFile(header + "\n" + Row("b1", 0.3) + Row("b2", -5.0));
    std::string missing = a + ".missing", folder = std::filesystem::path(a).parent_path().string();
    ConvertRun r = Convert("--json " + a + " - " + missing + " " + folder + " " + b, Row("in1", 0.2));
    EXPECT_EQ(r.status, 2);
    auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["samples"].size(), 4u) << r.out;
    const char* names[] = {"a1", "in1", "b1", "b2"};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(j["samples"][i]["name"], names[i]);
    EXPECT_EQ(j["samples"][0]["file"], a);
    EXPECT_EQ(j["samples"][1]["file"], "-");
    EXPECT_EQ(j["samples"][3]["line"], 3);
    // A missing file and a folder are errors too, not files without spectra.
    ASSERT_EQ(j["errors"].size(), 3u) << r.err;
    EXPECT_EQ(j["errors"][0]["line"], 3);
    EXPECT_EQ(j["errors"][1]["file"], missing);
    EXPECT_EQ(j["errors"][2]["file"], folder);
    EXPECT_TRUE(Contains(r.err, a + ", line 3: expected a name and 36 values")) << r.err;
    EXPECT_TRUE(Contains(r.err, "warning: " + b + ", line 3:")) << r.err;
    // A line without a name is named by its file and line.
    ConvertRun t = Convert("--json " + WriteFile(Row("", 0.5).substr(1)), "");
    EXPECT_TRUE(Contains(t.out, ", line 1\"")) << t.out;
}

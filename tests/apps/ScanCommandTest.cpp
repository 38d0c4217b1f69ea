// vxn scan against the virtual table: the chart measured from its layout
// file matches the chart's reference colours; a scan cut off keeps what it
// measured; the operator's picks become a positions file.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <lcms2.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace {

using testenv::Program;
using testenv::RunVxn;

const std::string CHART_LAYOUT = std::string(VXN_SOURCE_DATA_DIR) + "/chart24-positions.csv";

std::string TempFile(const std::string& rName, const std::string& rText = "")
{
    std::string path = std::filesystem::path(testenv::FreshConfigPath()).parent_path() / rName;
    if (!rText.empty())
        std::ofstream(path) << rText;
    return path;
}

std::vector<std::string> Args(std::initializer_list<std::string> rest, const std::string& rPort = "emulator:profile=vxn-table",
                              const std::string& rConfig = testenv::FreshConfigPath())
{
    std::vector<std::string> a = {"--config", rConfig, "--port", rPort};
    a.insert(a.end(), rest.begin(), rest.end());
    return a;
}

// A configuration whose stored conditions are those of the chart's
// reference values: D65, 10 degree observer.
std::string ReferenceConditions()
{
    std::string config = testenv::FreshConfigPath();
    EXPECT_EQ(RunVxn({"--config", config, "settings", "set", "illuminant=D65", "observer=10"}).status, 0);
    return config;
}

// The chart's reference L*a*b* (D65, 10 degree observer) by patch name.
std::map<std::string, std::array<double, 3>> ReferenceLab()
{
    std::ifstream in(std::string(VXN_SOURCE_DATA_DIR) + "/colorimetry/chart24_reference_xyz_lab_astm_e308_D50-2_D65-10.csv");
    std::map<std::string, std::array<double, 3>> m;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        for (std::string x; std::getline(ss, x, ',');)
            f.push_back(x);
        if (f.size() == 10 && f[0] == "D65" && f[1] == "10")
            m[f[3]] = {std::stod(f[7]), std::stod(f[8]), std::stod(f[9])};
    }
    return m;
}

struct Row {
    std::string name;
    double x, y, L, a, b;
};

// The rows of a scan's CGATS file, read by Little CMS.
std::vector<Row> ReadScan(const std::string& rPath, std::string& rConditions)
{
    std::vector<Row> rows;
    cmsHANDLE it8 = cmsIT8LoadFromFile(nullptr, rPath.c_str());
    if (!it8)
        return rows;
    const char* ill = cmsIT8GetProperty(it8, "ILLUMINANT");
    const char* obs = cmsIT8GetProperty(it8, "OBSERVER");
    rConditions = std::string(ill ? ill : "") + "/" + (obs ? obs : "");
    int n = static_cast<int>(cmsIT8GetPropertyDbl(it8, "NUMBER_OF_SETS"));
    for (int r = 0; r < n; ++r)
        rows.push_back({cmsIT8GetData(it8, std::to_string(r + 1).c_str(), "SAMPLE_NAME"),
                        cmsIT8GetDataRowColDbl(it8, r, cmsIT8FindDataFormat(it8, "POSITION_X")),
                        cmsIT8GetDataRowColDbl(it8, r, cmsIT8FindDataFormat(it8, "POSITION_Y")),
                        cmsIT8GetDataRowColDbl(it8, r, cmsIT8FindDataFormat(it8, "LAB_L")),
                        cmsIT8GetDataRowColDbl(it8, r, cmsIT8FindDataFormat(it8, "LAB_A")),
                        cmsIT8GetDataRowColDbl(it8, r, cmsIT8FindDataFormat(it8, "LAB_B"))});
    cmsIT8Free(it8);
    return rows;
}

void ExpectChart(const std::string& rPath)
{
    std::string conditions;
    auto rows = ReadScan(rPath, conditions);
    ASSERT_EQ(rows.size(), 24u) << testenv::Slurp(rPath);
    ASSERT_EQ(conditions, "D65/10°");
    auto reference = ReferenceLab();
    for (const Row& r : rows) {
        ASSERT_TRUE(reference.count(r.name)) << r.name;
        const auto& ref = reference[r.name];
        double dE = std::hypot(r.L - ref[0], r.a - ref[1], r.b - ref[2]);
        EXPECT_LT(dE, 0.5) << r.name << " at " << r.x << "," << r.y;
    }
}

// The same chart through the built-in virtual table and vxn-emulator over TCP.
TEST(VxnScan, MeasuresTheChartInProcessAndOverTcp)
{
    testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0", "--profile", "vxn-table"});
    for (const std::string& port : {std::string("emulator:profile=vxn-table"), emu.FirstLine()}) {
        SCOPED_TRACE(port);
        std::string out = TempFile("chart.cgats");
        std::filesystem::remove(out);
        auto r = RunVxn(Args({"scan", CHART_LAYOUT, "--cgats", out, "--yes"}, port, ReferenceConditions()));
        ASSERT_EQ(r.status, 0) << r.err;
        ExpectChart(out);
        EXPECT_NE(r.err.find("position 24 of 24 (black 2 (1.5 D))"), std::string::npos) << r.err;
        EXPECT_NE(r.out.find("dark skin\t880,780\tL*="), std::string::npos) << r.out;
    }
}

TEST(VxnScan, ADisconnectKeepsTheFinishedPositions)
{
    testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0", "--profile", "vxn-table"});
    // Slow measurements, so that the link closes while position 11 is
    // measured (a link closed between two exchanges is opened again).
    ASSERT_EQ(emu.Command("delay 84 300").rfind("0 ", 0), 0u);
    std::string out = TempFile("cut.cgats");
    bool sent = false;
    auto r = testenv::RunProgram(Program("vxn"), Args({"scan", CHART_LAYOUT, "--cgats", out, "--yes"}, emu.FirstLine()),
                                 "", {"VXN_LANG=en"}, [&](int, const std::string& rOut) {
                                     if (!sent && std::count(rOut.begin(), rOut.end(), '\n') >= 10) {
                                         usleep(100000);
                                         emu.Send("disconnect");
                                         sent = true;
                                     }
                                 });
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("position yellow green (11 of 24"), std::string::npos) << r.err;
    std::string conditions;
    auto rows = ReadScan(out, conditions);
    ASSERT_EQ(rows.size(), 10u) << testenv::Slurp(out);
    EXPECT_EQ(rows[9].name, "purple");
}

TEST(VxnScan, RepeatedMeasurementsAroundEachPosition)
{
    std::string layout = TempFile("two.csv", "name,x,y\nblue sky,1680,780\n# a comment\n\n\"white, 9.5\",880,1980\n");
    auto r = RunVxn(Args({"scan", layout, "--repeat", "4", "--spread", "200", "--seed", "7", "--json", "--yes"}));
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 2u);
    EXPECT_EQ(j[1]["sample"], "white, 9.5");
    EXPECT_EQ(j[1]["position"]["y"], 1980);
    EXPECT_EQ(j[0]["mean_of"], 4);
    EXPECT_GT(j[1]["lab"]["L"].get<double>(), 90.0);
}

TEST(VxnScan, RefusesWhatItCannotDoBeforeMeasuring)
{
    std::string layout = TempFile("one.csv", "dark skin,880,780\n");
    std::string empty = TempFile("empty.csv", "name,x,y\n");
    std::string bad = TempFile("bad.csv", "name,x,y\nblue sky,1680,780\n# a comment\n\n\"white, 9.5\",700+0,0\n");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {Args({"scan", layout, "--yes"}, "emulator:profile=vxn"), "no scanning table"},
        {Args({"scan", empty}), "holds no positions"},
        {Args({"scan", bad, "--yes"}), "line 5"},
        {Args({"scan", TempFile("missing.csv")}), "cannot read"},
        {Args({"scan", layout, "--spread", "100"}), "--repeat 2 or more"},
        {Args({"scan", layout, "--cgats", "/nonexistent-dir/x.cgats"}), "does not exist"},
        {Args({"scan", layout, "--out", "x.csv"}), "go with --pick"},
        {Args({"scan", "--pick", "2"}), "--out FILE"},
        {Args({"scan", "--pick", "3", "--out", TempFile("p.csv"), "--pick-from", layout}), "holds 1 positions"},
        {Args({"scan"}), "positions file"},
    };
    for (const auto& [args, says] : cases) {
        auto r = RunVxn(args);
        EXPECT_EQ(r.status, 2) << args[4] << " " << args[5];
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("position 1 of"), std::string::npos) << r.err;  // nothing measured
    }
}

TEST(VxnScan, PickedPositionsBecomeAPositionsFile)
{
    std::string out = TempFile("picked.csv");
    auto r = RunVxn(Args({"scan", "--pick", "3", "--out", out, "--pick-from", CHART_LAYOUT}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testenv::Slurp(out), "name,x,y\ndark skin,880,780\nlight skin,1280,780\nblue sky,1680,780\n");
    // The file measures what the operator showed.
    auto m = RunVxn(Args({"scan", out, "--json", "--yes"}));
    ASSERT_EQ(m.status, 0) << m.err;
    EXPECT_EQ(nlohmann::json::parse(m.out).size(), 3u);
}

} // namespace

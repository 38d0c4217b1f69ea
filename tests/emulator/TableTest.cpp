// The scanning table's geometry and its measuring sequences.
#include "EmuTestUtil.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace vxnemu;
using namespace emutest;

namespace {

Instrument TableInstrument()
{
    return Instrument(*FindProfile("vxn-table"));
}

std::vector<float> SpectrumAt(Instrument& inst, int x, int y)
{
    Answer a = Ask(inst, 84, Ints({x, y}));
    EXPECT_EQ(a.Status(), 0) << x << "," << y;
    EXPECT_EQ(a.payload.size(), 1u + 144u);
    return Floats(a.Fields(), 0, 36);
}

std::vector<int32_t> Position(Instrument& inst, int ref)
{
    return IntsOf(Ask(inst, 57, Ints({ref})).Fields(), 0, 3);
}

// A CSV file of the data folder, header first, read independently of the emulator.
std::vector<std::vector<std::string>> Csv(const std::string& file)
{
    std::ifstream in(std::string(VXN_SOURCE_DATA_DIR) + "/" + file);
    std::vector<std::vector<std::string>> rows;
    for (std::string line, cell; std::getline(in, line);) {
        std::stringstream ss(line);
        for (rows.emplace_back(); std::getline(ss, cell, ',');)
            rows.back().push_back(cell);
    }
    return rows;
}

// The chart's spectra by patch, from 0.
std::vector<std::vector<float>> ChartFile()
{
    std::vector<std::vector<float>> spectra;
    for (const auto& row : Csv("chart24_reflectance_380_730_10nm.csv"))
        if (row.at(0) != "name") {
            spectra.emplace_back();
            for (size_t i = 1; i < row.size(); ++i)
                spectra.back().push_back(std::stof(row[i]));
        }
    return spectra;
}

} // namespace

TEST(EmuTable, SpectrumAtEachPatchIsTheChartData)
{
    auto chart = ChartFile();
    ASSERT_EQ(chart.size(), 24u);
    // The profile's layout, and one laid elsewhere with a smaller pitch.
    for (ChartLayout layout : {ChartLayout{}, ChartLayout{1000, 900, 300}}) {
        SCOPED_TRACE(layout.pitch);
        Instrument inst = TableInstrument();
        ASSERT_TRUE(inst.SetChartLayout(layout));
        int half = layout.pitch * 9 / 20;
        for (int n = 1; n <= 24; ++n) {
            TableWalker::Point c = inst.Table()->PatchCentre(n);
            EXPECT_EQ(c.x, layout.x + (n - 1) % 6 * layout.pitch + half);
            EXPECT_EQ(SpectrumAt(inst, c.x, c.y), chart[static_cast<size_t>(n - 1)]) << "patch " << n;
            // Near the patch's corner it is still the patch; in the gap it is paper.
            EXPECT_EQ(SpectrumAt(inst, c.x - half + 1, c.y + half - 1), chart[static_cast<size_t>(n - 1)]) << n;
            EXPECT_NE(SpectrumAt(inst, c.x + half + 5, c.y), chart[static_cast<size_t>(n - 1)]) << "gap after " << n;
        }
        EXPECT_EQ(Position(inst, 0)[2], 1) << "the head stays lowered";
    }
    Instrument inst = TableInstrument();
    EXPECT_FALSE(inst.SetChartLayout({4000, 600, 400})) << "off the sheet";
    Instrument handHeld(*FindProfile("vxn"));
    EXPECT_FALSE(handHeld.SetChartLayout({}));
}

TEST(EmuTable, WhiteReferencePositionsLieOnTheWhiteTile)
{
    Instrument inst = TableInstrument();
    const auto white = ToVector(inst.GetChart().WhiteTile());
    inst.Control("sample 24"); // what a hand-held measurement would see
    for (int n = 0; n < TableWalker::WHITE_REF_COUNT; ++n) {
        ASSERT_EQ(Ask(inst, 56, Ints({n})).Status(), 0);
        TableWalker::Point w = TableWalker::WhiteRefPos(n);
        EXPECT_EQ(Position(inst, 0), (std::vector<int32_t>{w.x, w.y, 0}));
        ASSERT_EQ(Ask(inst, 55).Status(), 0);
        ASSERT_EQ(Ask(inst, 28).Status(), 0);
        EXPECT_EQ(Floats(Ask(inst, 15, Ints({9, 0})).Fields(), 0, 36), white) << n;
        ASSERT_EQ(Ask(inst, 54).Status(), 0);
    }
    EXPECT_EQ(Ask(inst, 56, Ints({4})).Status(), 1);
    // With the head lifted the instrument sees the hand-held sample again.
    ASSERT_EQ(Ask(inst, 28).Status(), 0);
    EXPECT_EQ(Floats(Ask(inst, 15, Ints({9, 0})).Fields(), 0, 36), ToVector(inst.GetChart().Patch(24)));
}

TEST(EmuTable, TheSightShowsWhatTheApertureThenMeasures)
{
    // The measuring sequence: position of the sight (system 1), the same
    // numbers in system 0 for the aperture, head down, measure, back.
    Instrument inst = TableInstrument();
    TableWalker::Point c = inst.Table()->PatchCentre(8);
    ASSERT_EQ(inst.Control("head " + std::to_string(c.x) + " " + std::to_string(c.y)).status, 0);
    auto sight = Position(inst, 1);
    EXPECT_EQ(sight, (std::vector<int32_t>{c.x, c.y, 0}));
    auto aperture = Position(inst, 0);
    EXPECT_EQ(aperture[0], c.x - TableWalker::SIGHT_DX);
    EXPECT_EQ(aperture[1], c.y - TableWalker::SIGHT_DY);

    ASSERT_EQ(Ask(inst, 51, Ints({0, sight[0], sight[1]})).Status(), 0);
    ASSERT_EQ(Ask(inst, 55).Status(), 0);
    ASSERT_EQ(Ask(inst, 28).Status(), 0);
    EXPECT_EQ(Floats(Ask(inst, 15, Ints({9, 0})).Fields(), 0, 36), ToVector(inst.GetChart().Patch(8)));
    ASSERT_EQ(Ask(inst, 54).Status(), 0);
    ASSERT_EQ(Ask(inst, 51, Ints({1, sight[0], sight[1]})).Status(), 0);
    EXPECT_EQ(Position(inst, 1), sight);

    ASSERT_EQ(Ask(inst, 52, Ints({-100, 50})).Status(), 0);
    EXPECT_EQ(Position(inst, 1), (std::vector<int32_t>{sight[0] - 100, sight[1] + 50, 0}));
    ASSERT_EQ(Ask(inst, 53).Status(), 0);
    EXPECT_EQ(Position(inst, 0), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(Ask(inst, 52, Ints({-1, 0})).Status(), 1);
    EXPECT_EQ(IntAt(Ask(inst, 75).Fields()), 1) << "refused move leaves an error";
    EXPECT_EQ(Ask(inst, 58).Status(), 0);
    EXPECT_EQ(IntAt(Ask(inst, 75).Fields()), 0);
}

TEST(EmuTable, StatusModesAndIdentity)
{
    Instrument inst = TableInstrument();
    EXPECT_EQ(Ask(inst, 65, Ints({1})).Status(), 1) << "not digitizing";
    EXPECT_EQ(Ask(inst, 64).Status(), 0);
    inst.Control("head 1000 1200");
    inst.Control("key 3");
    EXPECT_EQ(IntsOf(Ask(inst, 65, Ints({1})).Fields(), 0, 4), (std::vector<int32_t>{1000, 1200, 3, 0}));
    EXPECT_EQ(Ask(inst, 70).Fields()[0] & 0x08, 0x08);
    EXPECT_EQ(Ask(inst, 60).Status(), 0);
    EXPECT_EQ(Ask(inst, 70).Fields()[0] & 0x08, 0);
    EXPECT_EQ(Ask(inst, 61).Status(), 0);
    EXPECT_EQ(Ask(inst, 70).Fields()[0] & 0x04, 0x04);
    EXPECT_EQ(Ask(inst, 62).Status(), 0);
    EXPECT_EQ(Ask(inst, 70).Fields()[0] & 0x10, 0x10);

    EXPECT_EQ(Ask(inst, 72, Bytes{5, 0}).Status(), 0);
    EXPECT_EQ(Ask(inst, 74).Fields(), Bytes{5});
    EXPECT_EQ(Ask(inst, 73, Ints({1})).Status(), 0);
    EXPECT_EQ(Ask(inst, 74).Fields(), Bytes{4});

    for (uint16_t m : {66, 67, 85, 86})
        EXPECT_EQ(Ask(inst, m, Ints({2})).Status(), 0) << m;
    EXPECT_EQ(Ask(inst, 87, Ints({1, 10, 10})).Status(), 0);

    struct Id {
        uint16_t msg;
        size_t size;
    };
    for (Id id : {Id{75, 4}, Id{76, 18}, Id{77, 8}, Id{78, 8}, Id{79, 12}, Id{80, 12}}) {
        Answer a = Ask(inst, id.msg);
        EXPECT_EQ(a.Status(), 0) << id.msg;
        EXPECT_EQ(a.payload.size(), 1 + id.size) << id.msg;
        EXPECT_EQ(Ask(inst, id.msg, Bytes{0}).Status(), 2) << id.msg;
    }
    Answer type = Ask(inst, 76);
    EXPECT_EQ(std::string(type.payload.begin() + 1, type.payload.end()), "TableWalker TW-600");
}

// The positions file shipped for scanning the chart measures, at each
// named position, the chart patch of that name.
TEST(EmuTable, ShippedChartPositionsLieOnTheirPatches)
{
    Instrument inst = TableInstrument();
    const auto chart = ChartFile();
    const auto names = Csv("chart24_reflectance_380_730_10nm.csv");
    const auto positions = Csv("chart24-positions.csv");
    ASSERT_EQ(positions.size(), 25u);
    EXPECT_EQ(positions[0], (std::vector<std::string>{"name", "x", "y"}));
    for (size_t n = 1; n < positions.size(); ++n) {
        const auto& p = positions[n];
        EXPECT_EQ(p.at(0), names.at(n).at(0));
        int px = std::stoi(p.at(1)), py = std::stoi(p.at(2));
        // The position and every point within 150 units of it see the patch:
        // a spread series around it stays on the patch.
        for (auto [dx, dy] : {std::pair{0, 0}, {-150, -150}, {150, 150}, {-150, 150}, {150, -150}})
            EXPECT_EQ(SpectrumAt(inst, px + dx, py + dy), chart.at(n - 1)) << p[0] << " +" << dx << "," << dy;
    }
}

// The conversion of a driver's grid to the library's 36 values, against
// values worked out by hand.
#include "qelvxn/backends/SpectrumGrid.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using corvane::Grid;

// Values 1, 2, 3, ... so that each expected value names the measured point.
std::vector<double> Counting(int n)
{
    std::vector<double> v(200, -99.0);
    for (int k = 0; k < n; ++k)
        v[k] = k + 1;
    return v;
}

struct Case {
    const char* name;
    Grid grid;
    float want[36];
};

// Index k of the output is 380 + 10 k nm.
const Case kCases[] = {
    {"10 nm from 380 to 730",
     {380, 730, 10},
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
      19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36}},
    {"10 nm from 400 to 700: ends are 0",
     {400, 700, 10},
     {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
      17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 0, 0, 0}},
    {"20 nm from 400 to 700: odd points are means, 710 has no upper neighbour",
     {400, 700, 20},
     {0, 0, 1, 1.5f, 2, 2.5f, 3, 3.5f, 4, 4.5f, 5, 5.5f, 6, 6.5f, 7, 7.5f, 8, 8.5f,
      9, 9.5f, 10, 10.5f, 11, 11.5f, 12, 12.5f, 13, 13.5f, 14, 14.5f, 15, 15.5f, 16, 0, 0, 0}},
    {"20 nm from 380 to 720",
     {380, 720, 20},
     {1, 1.5f, 2, 2.5f, 3, 3.5f, 4, 4.5f, 5, 5.5f, 6, 6.5f, 7, 7.5f, 8, 8.5f, 9, 9.5f,
      10, 10.5f, 11, 11.5f, 12, 12.5f, 13, 13.5f, 14, 14.5f, 15, 15.5f, 16, 16.5f, 17, 17.5f, 18, 0}},
    {"10 nm from 360: points below 380 skipped, index still from the start",
     {360, 740, 10},
     {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
      21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38}},
    {"odd grid: 20 nm from 395 cut to 390, up to 455 cut to 450",
     {395, 455, 20},
     {0, 1, 1.5f, 2, 2.5f, 3, 3.5f, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"20 nm from 370: the first measured point is below 380",
     {370, 430, 20},
     {0, 2, 2.5f, 3, 3.5f, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"a single point at 730",
     {730, 730, 10},
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
};

TEST(SpectrumGrid, ConvertsEachGridAsWorkedOutByHand)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        int n = corvane::PointCount(c.grid);
        ASSERT_GT(n, 0);
        std::vector<double> v = Counting(n);
        float out[36];
        for (float& f : out)
            f = -1;
        String err;
        ASSERT_TRUE(corvane::ResampleToLibrary(c.grid, v.data(), 200, out, err)) << err.str();
        for (int k = 0; k < 36; ++k)
            EXPECT_FLOAT_EQ(out[k], c.want[k]) << "at " << 380 + 10 * k << " nm";
    }
}

TEST(SpectrumGrid, RefusesBadGridsAndValuesAndKeepsTheOutput)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Bad {
        const char* name;
        Grid grid;
        int count;
        int nanAt;        // -1: all values finite
        const char* why;  // part of the message
    } cases[] = {
        {"interval 5", {380, 730, 5}, 200, -1, "interval of 5 nm"},
        {"interval 0", {380, 730, 0}, 200, -1, "interval of 0 nm"},
        {"descending", {700, 400, 10}, 200, -1, "do not ascend"},
        {"negative start", {-10, 400, 10}, 200, -1, "do not ascend"},
        {"more points than values", {380, 730, 10}, 20, -1, "needs 36 values"},
        {"longer than the module's array", {0, 5000, 10}, 200, -1, "needs 501 values"},
        {"too short for the range", {300, 370, 10}, 200, -1, "no point from 380 to 730"},
        {"entirely above", {740, 800, 20}, 200, -1, "no point from 380 to 730"},
        {"NaN inside", {400, 700, 20}, 200, 3, "value at 460 nm is not a number"},
        {"infinity", {380, 730, 10}, 200, 35, "value at 730 nm is not a number"},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<double> v(200, 0.5);
        if (c.nanAt >= 0)
            v[c.nanAt] = c.nanAt == 35 ? std::numeric_limits<double>::infinity() : nan;
        float out[36];
        for (float& f : out)
            f = 7;
        String err;
        EXPECT_FALSE(corvane::ResampleToLibrary(c.grid, v.data(), c.count, out, err));
        EXPECT_NE(err.str().find(c.why), std::string::npos) << err.str();
        for (float f : out)
            EXPECT_EQ(f, 7);
    }
    float out[36];
    String err;
    EXPECT_FALSE(corvane::ResampleToLibrary({380, 730, 10}, nullptr, 200, out, err));
}

} // namespace

// vxn swatch: the swatch of a stored value, of a value against a reference
// and of a fresh measurement as PNG files; wrong values and files refused
// with the documented exit statuses.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>

namespace {

using testenv::RunVxn;

bool IsPng(const std::string& path)
{
    return testenv::Slurp(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

TEST(VxnSwatch, RendersStoredAndFreshValuesAndRefusesWrongOnes)
{
    std::string cfg = testenv::FreshConfigPath();
    std::string store = cfg + ".db", dir = testenv::OutputDir();
    for (const char* sample : {"13", "19"}) {
        auto r = RunVxn({"measure", "--yes", "--save", "--sample", sample, "--store", store, "--config", cfg});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    struct Case {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"swatch", "1", "--png", dir + "/swatch-cmd-1.png"}, 0},
        {{"swatch", "1", "--reference", "2", "--formula", "lch", "--png", dir + "/swatch-cmd-2.png"}, 0},
        {{"swatch", "--measure", "--formula", "din99", "--png", dir + "/swatch-cmd-3.png"}, 0},
        {{"swatch", "99", "--png", dir + "/swatch-cmd-4.png"}, 2},
        {{"swatch", "1", "--formula", "xyz", "--png", dir + "/swatch-cmd-5.png"}, 2},
        {{"swatch", "1", "--png", "/nonexistent-folder/s.png"}, 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--store", store, "--config", cfg});
        auto r = RunVxn(args);
        std::string png = c.args.back();
        EXPECT_EQ(r.status, c.status) << c.args[1] << " " << png << "\n" << r.err;
        EXPECT_EQ(IsPng(png), c.status == 0) << png;
    }
}

} // namespace

// Appending measurements to a CGATS file that is the user's: what is in it
// stays as it was (comments, keywords, every digit), a symbolic link and the
// file's mode stay, several vxn runs appending at once keep every row, and a
// file the row cannot go into is refused untouched.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using testenv::RunVxn;
using testenv::Slurp;

int Rows(const std::string& path)
{
    cmsHANDLE it8 = cmsIT8LoadFromFile(nullptr, path.c_str());
    if (!it8)
        return -1;
    int n = static_cast<int>(cmsIT8GetPropertyDbl(it8, "NUMBER_OF_SETS"));
    cmsIT8Free(it8);
    return n;
}

std::string Measure(const std::string& path)
{
    auto r = RunVxn({"measure", "--yes", "--cgats", path, "--config", testenv::FreshConfigPath()});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.err;
}

TEST(CgatsAppend, KeepsTheUsersFileLinkAndMode)
{
    std::string dir = testenv::FreshConfigPath() + ".d";
    fs::create_directories(dir);
    std::string file = dir + "/series.cgats", link = dir + "/link.cgats";
    Measure(file);
    // The user adds a comment and a keyword of their own and a value with
    // more digits than vxn writes.
    std::string text = Slurp(file);
    text.insert(text.find("ORIGINATOR"), "# measured on press 4\nOPERATOR\t\"Ana\"\n");
    size_t row = text.find("\nBEGIN_DATA\n") + 12;
    size_t firstValue = text.find('\t', text.find('\t', row) + 1) + 1;
    text.replace(firstValue, text.find('\t', firstValue) - firstValue, "0.0481234567891234");
    std::ofstream(file, std::ios::trunc) << text;
    ::chmod(file.c_str(), 0600);
    fs::create_symlink(file, link);

    Measure(link);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    std::string after = Slurp(file);
    // Everything before the new row is as the user left it, but the count.
    std::string before = text.substr(0, text.find("\nEND_DATA"));
    std::string kept = after.substr(0, before.size());
    auto dropCount = [](std::string s) {
        size_t p = s.find("NUMBER_OF_SETS");
        return s.erase(p, s.find('\n', p) - p);
    };
    EXPECT_EQ(dropCount(kept), dropCount(before));
    EXPECT_NE(after.find("0.0481234567891234"), std::string::npos);
    EXPECT_NE(after.find("# measured on press 4"), std::string::npos);
    EXPECT_EQ(Rows(file), 2);
}

TEST(CgatsAppend, ConcurrentRunsKeepEveryRow)
{
    std::string file = testenv::FreshConfigPath() + ".cgats";
    constexpr int RUNS = 6;
    std::vector<std::future<std::string>> runs;
    for (int i = 0; i < RUNS; ++i)
        runs.push_back(std::async(std::launch::async, [&] { return Measure(file); }));
    for (auto& r : runs)
        r.get();
    EXPECT_EQ(Rows(file), RUNS) << Slurp(file);
}

// A file the new row cannot go into is refused before the instrument is
// touched, and stays as it was.
TEST(CgatsAppend, AFileTheRowCannotGoIntoIsRefusedBeforeMeasuring)
{
    const std::string corpus = std::string(VXN_SOURCE_DATA_DIR) + "/../fuzz/corpus/cgats/";
    std::string measured = testenv::FreshConfigPath() + ".cgats";
    Measure(measured);
    const struct {
        std::string text;  // "": no file, in a folder that does not exist
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {"name,value\nred,1\n", {}, ""},
        // A last row cut short, which an append would split the new row over.
        {Slurp(corpus + "row-cut-short.cgats"), {}, ""},
        {Slurp(corpus + "no-data-format.cgats"), {}, ""},
        // Other conditions do not go into the same file.
        {Slurp(measured), {"--illuminant", "A"}, "ILLUMINANT D65, not A"},
        {"", {}, "does not exist"},
    };
    for (const auto& c : cases) {
        std::string file = c.text.empty() ? "/nonexistent-dir/x.cgats" : testenv::FreshConfigPath() + ".cgats";
        if (!c.text.empty())
            std::ofstream(file) << c.text;
        std::vector<std::string> args = {"measure", "--yes", "--cgats", file, "--config", testenv::FreshConfigPath()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto r = RunVxn(args);
        EXPECT_EQ(r.status, 2) << c.text.substr(0, 40);
        EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("White-calibrate"), std::string::npos) << r.err;  // the instrument was not touched
        EXPECT_EQ(Slurp(file), c.text);
    }
}

} // namespace

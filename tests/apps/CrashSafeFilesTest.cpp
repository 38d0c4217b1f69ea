// Files vxn writes survive a SIGKILL at any moment: the configuration, the
// value store and a CGATS file being appended to are, after every kill,
// complete files that hold everything the killed run had reported as done.
// Each writer is killed many times at random moments (startup, measuring,
// writing); more than 200 kills over the three writers.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"
#include "sv/Config.hpp"

#include <gtest/gtest.h>
#include <lcms2.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int KILLS_PER_WRITER = 70;

// Runs vxn with the arguments and kills it after nDelayMs (or lets it end
// first); returns what it printed on standard output by then.
std::string RunAndKill(const std::vector<std::string>& rArgs, int nDelayMs)
{
    std::string outPath = testenv::FreshConfigPath() + ".out";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = testenv::Program("vxn");
    std::vector<char*> argv = {program.data()};
    std::vector<std::string> args = {"--lang", "en"};
    args.insert(args.end(), rArgs.begin(), rArgs.end());
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nDelayMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return testenv::Slurp(outPath);
}

size_t Count(const std::string& rText, const std::string& rWhat)
{
    size_t n = 0;
    for (size_t at = rText.find(rWhat); at != std::string::npos; at = rText.find(rWhat, at + 1))
        ++n;
    return n;
}

struct KillLoop : ::testing::Test {
    std::mt19937 random{20261207};
    std::string config = testenv::FreshConfigPath();
    int Delay() { return std::uniform_int_distribution<int>(0, 900)(random); }
};

TEST_F(KillLoop, TheConfigurationIsTheOldOrTheNewOne)
{
    int committed = 55;
    for (int i = 0; i < KILLS_PER_WRITER; ++i) {
        int wanted = 30 + i;
        RunAndKill({"--config", config, "settings", "set", "dxx=" + std::to_string(wanted)}, Delay() / 10);
        Config c{String(config)};
        c.SetGroup("VXNSettings");
        int now = c.ReadKey("DxxTempNr", "55").ToInt();
        ASSERT_TRUE(now == committed || now == wanted) << "kill " << i << ": " << testenv::Slurp(config);
        ASSERT_FALSE(std::filesystem::exists(config + ".bak")) << "kill " << i << " left a damaged file";
        committed = now;
    }
}

TEST_F(KillLoop, ACgatsFileKeepsEveryRowItWasGiven)
{
    std::string cgats = testenv::FreshConfigPath() + ".cgats";
    long rows = 0;
    for (int i = 0; i < KILLS_PER_WRITER; ++i) {
        std::string out = RunAndKill({"--config", config, "measure", "--yes", "--count", "20", "--cgats", cgats}, Delay());
        // A row is in the file before its measurement is printed.
        long printed = static_cast<long>(Count(out, "L*a*b*"));
        if (!std::filesystem::exists(cgats))
            continue;
        cmsHANDLE it8 = cmsIT8LoadFromFile(nullptr, cgats.c_str());
        ASSERT_NE(it8, nullptr) << "kill " << i << ": " << testenv::Slurp(cgats);
        long now = static_cast<long>(cmsIT8GetPropertyDbl(it8, "NUMBER_OF_SETS"));
        cmsIT8Free(it8);
        ASSERT_GE(now, rows + printed) << "kill " << i;
        rows = now;
    }
    EXPECT_GT(rows, 0);
}

TEST_F(KillLoop, TheValueStoreKeepsEverySavedValue)
{
    std::string store = testenv::FreshConfigPath() + ".db";
    size_t saved = 0;
    for (int i = 0; i < KILLS_PER_WRITER; ++i) {
        std::string out =
            RunAndKill({"--config", config, "--store", store, "measure", "--yes", "--save", "--count", "20"}, Delay());
        size_t reported = Count(out, "Saved");
        auto list = testenv::RunVxn({"--config", config, "--store", store, "values", "list", "--json"});
        if (list.status != 0 && !std::filesystem::exists(store))
            continue;
        ASSERT_EQ(list.status, 0) << "kill " << i << ": " << list.err;
        size_t now = nlohmann::json::parse(list.out).size();
        ASSERT_GE(now, saved + reported) << "kill " << i;
        saved = now;
    }
    EXPECT_GT(saved, 0u);
}

} // namespace

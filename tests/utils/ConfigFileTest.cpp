// The configuration file as the user's file: group lookups that do not disturb
// each other, writers in several processes at once, files other programs left
// behind (byte-order mark, garbage, stale temporaries), and writes that fail.
#include "support/TestEnv.hpp"

#include "qel/AppConfig.hpp"
#include "sv/Config.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using testenv::Slurp;

void Spit(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A folder of its own, for tests that look at what lands beside the file.
std::string FreshFolder()
{
    fs::path dir = fs::path(testenv::FreshConfigPath()).replace_extension(".d");
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

// Points AppConfig at another file for one test and back afterwards.
class AppConfigOn {
public:
    explicit AppConfigOn(const std::string& rPath) : maPrevious(AppConfig::Instance()->GetPathName())
    {
        AppConfig::SetPathName(String(rPath));
    }
    ~AppConfigOn() { AppConfig::SetPathName(maPrevious); }

private:
    String maPrevious;
};

// Runs fn in a child process; its exit status (fn's result), or -1.
template <class Fn>
int InChild(Fn fn)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(fn());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(AppConfig, GroupLookupsLeaveTheHandedOutConfigInItsGroup)
{
    std::string path = testenv::FreshConfigPath();
    Spit(path, "[VXNSettings]\nIllumination=D50\nFilter=UV\nObserver=10\n\n[Settings]\nLanguage=de\nFilter=No\n");
    AppConfigOn on(path);
    AppConfig* app = AppConfig::Instance();
    Config* cfg = app->GetConfig();

    // The condition set reads its group while a text lookup reads another.
    cfg->SetGroup("VXNSettings");
    EXPECT_EQ(cfg->ReadKey("Illumination", "D65").str(), "D50");
    EXPECT_EQ(app->ReadKey("Settings", "Language").str(), "de");
    EXPECT_EQ(cfg->ReadKey("Filter", "Pol").str(), "UV");
    EXPECT_TRUE(app->WriteKey("Settings", "Filter", "M1"));
    EXPECT_EQ(cfg->ReadKey("Observer", "2").str(), "10");
    EXPECT_EQ(cfg->GetGroup().str(), "VXNSettings");

    // Writes through either land in their own group.
    EXPECT_TRUE(cfg->WriteKey("Filter", "Pol"));
    EXPECT_EQ(app->ReadKey("VXNSettings", "Filter").str(), "Pol");
    EXPECT_EQ(app->ReadKey("Settings", "Filter").str(), "M1");
    EXPECT_EQ(Slurp(path), "[VXNSettings]\nIllumination=D50\nFilter=Pol\nObserver=10\n\n[Settings]\nLanguage=de\nFilter=M1\n\n");
    EXPECT_EQ(app->GetLastError().str(), "");
}

TEST(ConfigFile, WritersInSeveralProcessesKeepEachOthersKeys)
{
    constexpr int CHILDREN = 6, KEYS = 10;
    std::string path = testenv::FreshConfigPath();
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> pids;
    for (int i = 0; i < CHILDREN; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            // All start together once the parent closes the pipe.
            close(go[1]);
            char c;
            (void)!read(go[0], &c, 1);
            Config c1{String(path)};
            bool ok = true;
            for (int k = 0; k < KEYS; ++k) {
                c1.SetGroup(k % 2 ? String("Shared") : String("Child" + std::to_string(i)));
                ok = c1.WriteKey(String("w" + std::to_string(i) + "k" + std::to_string(k)), String(k)) && ok;
            }
            _exit(ok ? 0 : 1);
        }
        ASSERT_GT(pid, 0);
        pids.push_back(pid);
    }
    close(go[0]);
    close(go[1]);
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    Config c{String(path)};
    for (int i = 0; i < CHILDREN; ++i)
        for (int k = 0; k < KEYS; ++k) {
            c.SetGroup(k % 2 ? String("Shared") : String("Child" + std::to_string(i)));
            EXPECT_EQ(c.ReadKey(String("w" + std::to_string(i) + "k" + std::to_string(k))).str(), std::to_string(k)) << i << " " << k;
        }
    c.SetGroup("Shared");
    EXPECT_EQ(c.GetKeys().size(), static_cast<size_t>(CHILDREN * KEYS / 2));
}

TEST(ConfigFile, AWriteKeepsWhatAnotherProgramWroteSince)
{
    std::string path = testenv::FreshConfigPath();
    Config c{String(path)};
    c.SetGroup("G");
    ASSERT_TRUE(c.WriteKey("Mine", "1"));
    Spit(path, "[G]\nMine=1\nTheirs=2\n\n[Other]\nX=3\n");
    ASSERT_TRUE(c.WriteKey("Mine", "4"));
    EXPECT_EQ(Slurp(path), "[G]\nMine=4\nTheirs=2\n\n[Other]\nX=3\n\n");
    // What is held in memory is the merged file.
    EXPECT_EQ(c.ReadKey("Theirs").str(), "2");
    // A delete removes only its own key.
    Spit(path, "[G]\nMine=4\nTheirs=2\nLater=5\n");
    ASSERT_TRUE(c.DeleteKey("Mine"));
    EXPECT_EQ(Slurp(path), "[G]\nTheirs=2\nLater=5\n\n");
}

TEST(ConfigFile, KeysKeepTheirPlacesThroughDuplicatesAndDeletes)
{
    std::string path = testenv::FreshConfigPath();
    Spit(path, "[B]\nz=1\na=2\nm=3\nz=4\n[A]\nk=5\n[B]\nq=6\n");
    Config c{String(path)};
    c.SetGroup("B");
    EXPECT_EQ(c.ReadKey("z").str(), "4");  // the later value, in the first place
    ASSERT_TRUE(c.DeleteKey("a"));
    // The keys after the deleted one are still found, and updated in place.
    EXPECT_EQ(c.ReadKey("m").str(), "3");
    EXPECT_EQ(c.ReadKey("q").str(), "6");
    EXPECT_FALSE(c.HasKey("a"));
    ASSERT_TRUE(c.WriteKey("m", "7"));
    ASSERT_TRUE(c.WriteKey("q", "8"));
    ASSERT_TRUE(c.WriteKey("a", "9"));
    EXPECT_EQ(Slurp(path), "[B]\nz=4\nm=7\nq=8\na=9\n\n[A]\nk=5\n\n");
}

TEST(ConfigFile, ByteOrderMarkIsReadOver)
{
    std::string path = testenv::FreshConfigPath();
    // Also a line end converted twice (CR CR LF): the CRs are the line end,
    // not part of the value.
    Spit(path, "\xEF\xBB\xBF[G]\r\nK=V\r\r\n");
    Config c{String(path)};
    c.SetGroup("G");
    EXPECT_EQ(c.ReadKey("K").str(), "V");
    ASSERT_TRUE(c.WriteKey("L", "W"));
    EXPECT_EQ(Slurp(path), "[G]\nK=V\nL=W\n\n");
    EXPECT_FALSE(fs::exists(path + ".bak"));
}

// A file that is not text reads as empty; a text file with lines that are no
// INI reads without those lines. Either is kept as a copy before the first
// write replaces it, and said once.
TEST(ConfigFile, AnUnreadableFileIsKeptBeforeTheFirstWrite)
{
    struct Case {
        const char* what;
        std::string original;
        const char* k;       // what key K of group G reads as
        const char* after;   // the file after two writes
        const char* said;
    } cases[] = {
        {"NUL bytes", "[G]\nK=V\n\0\0\x7f" "ELF\x02\x01"s, "dflt", "[G]\nNew=1\nNext=2\n\n", "could not be read"},
        {"invalid UTF-8", "[G]\nK=M\xFCller\n", "dflt", "[G]\nNew=1\nNext=2\n\n", "could not be read"},
        {"overlong UTF-8", "[G]\nK=\xC0\xAF\n", "dflt", "[G]\nNew=1\nNext=2\n\n", "could not be read"},
        {"a line of no kind", "[G]\nK=V\nnot a key\n", "V", "[G]\nK=V\nNew=1\nNext=2\n\n",
         "has lines that could not be read"},
        {"a key before any group", "K=V\n[G]\n", "dflt", "[G]\nNew=1\nNext=2\n\n", "has lines that could not be read"},
        {"an unclosed group", "[G\nK=V\n", "dflt", "[G]\nNew=1\nNext=2\n\n", "has lines that could not be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = FreshFolder() + "/QelVXN.ini";
        Spit(path, c.original);
        {
            Config cfg{String(path)};
            cfg.SetGroup("G");
            EXPECT_EQ(cfg.ReadKey("K", "dflt").str(), c.k);
            EXPECT_TRUE(cfg.DeleteKey("Absent"));  // nothing to delete: the file is not touched
        }
        EXPECT_EQ(Slurp(path), c.original);
        EXPECT_FALSE(fs::exists(path + ".bak"));

        Config cfg{String(path)};
        cfg.SetGroup("G");
        testing::internal::CaptureStderr();
        EXPECT_TRUE(cfg.WriteKey("New", "1"));
        EXPECT_TRUE(cfg.WriteKey("Next", "2"));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err, "configuration file " + path + " " + c.said + "; kept as " + path + ".bak\n");
        EXPECT_EQ(Slurp(path + ".bak"), c.original);
        EXPECT_EQ(Slurp(path), c.after);
    }
}

TEST(ConfigFile, AnEarlierBackupIsNotOverwritten)
{
    std::string path = FreshFolder() + "/QelVXN.ini";
    Spit(path + ".bak", "older");
    Spit(path, "\0garbage"s);
    Config c{String(path)};
    testing::internal::CaptureStderr();
    EXPECT_TRUE(c.WriteKey("K", "V"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("kept as " + path + ".bak.1\n"), std::string::npos);
    EXPECT_EQ(Slurp(path + ".bak"), "older");
    EXPECT_EQ(Slurp(path + ".bak.1"), "\0garbage"s);
}

TEST(ConfigFile, TemporariesOfKilledWritersAreRemoved)
{
    std::string dir = FreshFolder();
    std::string path = dir + "/QelVXN.ini";
    for (const char* name : {"QelVXN.ini.tmp.4194305", "QelVXN.ini.tmp.1", "QelVXN.ini.tmp.notes", "Other.ini.tmp.7"})
        Spit(dir + "/" + name, "[G]\nhalf");
    Config c{String(path)};
    ASSERT_TRUE(c.WriteKey("K", "V"));
    EXPECT_FALSE(fs::exists(dir + "/QelVXN.ini.tmp.4194305"));
    EXPECT_FALSE(fs::exists(dir + "/QelVXN.ini.tmp.1"));
    // Not a writer's temporary of this file.
    EXPECT_TRUE(fs::exists(dir + "/QelVXN.ini.tmp.notes"));
    EXPECT_TRUE(fs::exists(dir + "/Other.ini.tmp.7"));
}

TEST(ConfigFile, AFailedWriteSaysWhereAndWhy)
{
    std::string dir = FreshFolder();
    Spit(dir + "/plain", "x");
    fs::create_directories(dir + "/QelVXN.ini");
    const struct {
        std::string path, error;
    } cases[] = {
        {dir + "/QelVXN.ini", "cannot write " + dir + "/QelVXN.ini: Is a directory"},
        {dir + "/plain/QelVXN.ini", "cannot create folder " + dir + "/plain: "},
        {"/proc/vxn-no-such-dir/QelVXN.ini", "cannot create folder /proc/vxn-no-such-dir: "},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.path);
        Config c{String(t.path)};
        c.SetGroup("G");
        EXPECT_EQ(c.GetLastError().str(), "");
        EXPECT_FALSE(c.WriteKey("K", "V"));
        std::string error = c.GetLastError().str();
        EXPECT_TRUE(error.starts_with(t.error)) << error;
        EXPECT_FALSE(error.ends_with(": ")) << error;  // a reason follows
        EXPECT_EQ(c.ReadKey("K").str(), "V");  // kept in memory all the same
        EXPECT_FALSE(c.DeleteKey("K"));
    }
    // Through AppConfig the same.
    AppConfigOn on(dir + "/QelVXN.ini");
    EXPECT_FALSE(AppConfig::Instance()->WriteKey("VXN", "MEAN", "3"));
    EXPECT_EQ(AppConfig::Instance()->GetLastError().str(), "cannot write " + dir + "/QelVXN.ini: Is a directory");
}

TEST(ConfigFile, AFullDiskLeavesTheOldFile)
{
    std::string path = FreshFolder() + "/QelVXN.ini";
    Spit(path, "[G]\nK=old\n");
    // The file-size limit stands in for a full disk: the write stops short.
    int err[2];
    ASSERT_EQ(pipe(err), 0);
    int status = InChild([&] {
        close(err[0]);
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1024, 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        Config c{String(path)};
        c.SetGroup("G");
        bool ok = c.WriteKey("K", String(std::string(4096, 'x')));
        std::string why = c.GetLastError().str();
        (void)!write(err[1], why.data(), why.size());
        return ok ? 1 : 0;
    });
    close(err[1]);
    char buf[512] = {};
    ssize_t n = read(err[0], buf, sizeof buf - 1);
    close(err[0]);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "cannot write " + path + ": File too large");
    EXPECT_EQ(Slurp(path), "[G]\nK=old\n");
    for (auto& e : fs::directory_iterator(fs::path(path).parent_path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp."), std::string::npos) << e.path();
}

TEST(ConfigFile, WhatTheFileCouldNotGiveBackIsRefused)
{
    const struct {
        const char *group, *key;
        std::string value;
    } cases[] = {
        {"G", "a=b", "v"},         {"G", "[x", "v"},       {"G", ";x", "v"}, {"G", "#x", "v"},
        {"G", "two\nlines", "v"},  {"Two\nlines", "k", "v"}, {"G", "k", "a\0b"s},
        {"G", "k", "M\xFCller"},
    };
    std::string path = testenv::FreshConfigPath();
    Config c{String(path)};
    c.SetGroup("G");
    ASSERT_TRUE(c.WriteKey("k", "kept"));
    for (const auto& t : cases) {
        SCOPED_TRACE(t.key);
        Config d(c);
        d.SetGroup(t.group);
        EXPECT_FALSE(d.WriteKey(t.key, String(t.value)));
        EXPECT_NE(d.GetLastError().str(), "");
    }
    EXPECT_EQ(c.GetKeys().size(), 1u);
    EXPECT_EQ(c.ReadKey("k").str(), "kept");
    EXPECT_EQ(Slurp(path), "[G]\nk=kept\n\n");
}

} // namespace

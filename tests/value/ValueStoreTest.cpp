// What only a store in a file meets (the contract of every store is in
// StoreBackendsTest): files that are not stores refused untouched, and a
// writer killed halfway that loses nothing it had saved.
#include "qel/ColorVector.hpp"
#include "qel/Spectrum.hpp"
#include "qeldb/ObjectStore.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testenv::Slurp;
using ValueSet = lset<GPtMesswert*>;

std::string NewPath(const std::string& rName)
{
    fs::path dir = fs::path(testenv::FreshConfigPath()).parent_path() / ("store-" + std::to_string(rand()));
    fs::create_directories(dir);
    return (dir / rName).string();
}

std::unique_ptr<ObjectStore> Open(const std::string& rPath, ObjectStore::OpenMode eMode = ObjectStore::OPEN_OR_CREATE)
{
    PtErrorCode code = PT_OK;
    String err;
    auto s = ObjectStore::Open(String(rPath), eMode, code, err);
    EXPECT_TRUE(s) << err.str();
    return s;
}

GPtMesswert* Spectral(int nSeed)
{
    Spectrum s{PhysicalConditions(ActualFilterClass(FILTER_M2), WBaseClass(WBASE_PAPER))};
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s[i] = 1.0f / static_cast<float>(i + nSeed + 2);
    auto* v = new GPtMesswert;
    v->SetMeasuringCondition(MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_F01 + 10), ObserverClass(OBSERVER_10)));
    v->SetSpectrum(s, 0);
    v->SetBezeichnung(String("Spektrum " + std::to_string(nSeed) + " \xE2\x80\x93 Grün"));
    return v;
}

TEST(ValueStore, FilesThatAreNotStoresAreRefusedUntouched)
{
    std::mt19937 rng(3);
    std::string garbage(40000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());

    // A store with enough values to span many pages, then damaged in the middle.
    std::string damaged = NewPath("damaged.db");
    {
        auto store = Open(damaged);
        ValueSet set;
        for (int i = 0; i < 200; ++i)
            set.Append(Spectral(i));
        ASSERT_EQ(store->Save(set), PT_OK);
    }
    {
        std::string bytes = Slurp(damaged);
        ASSERT_GT(bytes.size(), 20000u);
        std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(bytes.size() / 2));
        f.write(garbage.data(), 4096);
    }
    // SQLite databases of other programs: another application id in the
    // header (bytes 68 to 71), or none but tables of their own.
    auto otherProgram = [&](const char* pName, const char aId[4]) {
        std::string path = NewPath(pName);
        std::unique_ptr<GPtMesswert> v(Spectral(1));
        EXPECT_EQ(Open(path)->Save(*v), PT_OK);
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(68);
        f.write(aId, 4);
        return path;
    };
    const std::string otherId = otherProgram("other.sqlite", "\x0f\x05\x00\x01");
    const std::string noId = otherProgram("plain.sqlite", "\0\0\0\0");
    std::string text = NewPath("notes.txt");
    std::ofstream(text) << "shopping list\nmilk\n";
    std::string binary = NewPath("image.png");
    std::ofstream(binary, std::ios::binary) << garbage;

    const struct {
        std::string path;
        const char* why;
    } cases[] = {
        {text, "is not a store (not an SQLite database)"},
        {binary, "is not a store (not an SQLite database)"},
        {otherId, "is an SQLite database of another program"},
        {noId, "is an SQLite database of another program"},
        {damaged, "is damaged"},
        {fs::path(text).parent_path().string(), "is not a regular file"},
    };
    for (const auto& c : cases) {
        std::string before = fs::is_regular_file(c.path) ? Slurp(c.path) : "";
        for (auto mode : {ObjectStore::OPEN_OR_CREATE, ObjectStore::OPEN_EXISTING}) {
            PtErrorCode code = PT_OK;
            String err;
            EXPECT_FALSE(ObjectStore::Open(String(c.path), mode, code, err)) << c.path;
            EXPECT_EQ(code, PT_NOT_A_STORE) << c.path;
            EXPECT_NE(err.str().find(c.path + " " + c.why), std::string::npos) << err.str();
        }
        if (fs::is_regular_file(c.path)) {
            EXPECT_EQ(Slurp(c.path), before) << c.path << " was changed";
        }
    }

    // No store yet: reading finds none, saving creates it; an empty file is a new store.
    std::string missing = NewPath("new.db");
    PtErrorCode code = PT_OK;
    String err;
    EXPECT_FALSE(ObjectStore::Open(String(missing), ObjectStore::OPEN_EXISTING, code, err));
    EXPECT_EQ(code, PT_NOT_FOUND);
    EXPECT_FALSE(fs::exists(missing));
    std::string empty = NewPath("empty.db");
    std::ofstream(empty).close();
    ValueSet none;
    ASSERT_EQ(Open(empty, ObjectStore::OPEN_EXISTING)->Load(none), PT_OK);
    EXPECT_EQ(fs::file_size(empty), 0u) << "reading leaves an empty file as it was";
    std::unique_ptr<GPtMesswert> v(Spectral(1));
    ASSERT_EQ(Open(empty)->Save(*v), PT_OK);
}

// A child saves values one by one and reports each identity once Save has
// returned; it is killed at a random moment, as often in the middle of a
// save as not. Every value it reported must be readable afterwards.
TEST(ValueStore, AWriterKilledHalfwayLosesNothingItSaved)
{
    std::string path = NewPath("values.db");
    { Open(path); }
    std::mt19937 rng(99);
    long reported = 0;
    for (int round = 0; round < 6; ++round) {
        int pipefd[2];
        ASSERT_EQ(pipe(pipefd), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(pipefd[0]);
            PtErrorCode code;
            String err;
            auto store = ObjectStore::Open(String(path), ObjectStore::OPEN_OR_CREATE, code, err);
            for (int i = 0; store; ++i) {
                GPtMesswert* v = Spectral(i);
                if (store->Save(*v) != PT_OK)
                    _exit(3);
                long id = v->GetId();
                if (write(pipefd[1], &id, sizeof id) != sizeof id)
                    _exit(4);
            }
            _exit(2);
        }
        close(pipefd[1]);
        // Let it get going, then kill it at a moment no one chose.
        long id = 0;
        int got = 0;
        while (got < 3 && read(pipefd[0], &id, sizeof id) == sizeof id)
            ++got;
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 20000));
        kill(pid, SIGKILL);
        int st = 0;
        waitpid(pid, &st, 0);
        EXPECT_TRUE(WIFSIGNALED(st)) << "round " << round << ": the writer stopped by itself";
        std::vector<long> ids;
        while (read(pipefd[0], &id, sizeof id) == sizeof id)
            ids.push_back(id);
        close(pipefd[0]);
        reported += got + static_cast<long>(ids.size());

        ValueSet all;
        auto store = Open(path, ObjectStore::OPEN_EXISTING);
        ASSERT_TRUE(store);
        ASSERT_EQ(store->Load(all), PT_OK) << store->GetLastError().str();
        EXPECT_GE(all.Count(), reported) << "round " << round;
        EXPECT_LE(all.Count(), reported + 1) << "at most the save under way when it was killed";
        for (long i : ids)
            EXPECT_TRUE(all.Find(i)) << "value " << i;
        for (long i = 0; i < all.Count(); ++i)
            EXPECT_EQ(all.At(i)->IsA(), GPtMesswert::TYPE_SPECTRUM);
        reported = all.Count();
    }
}

} // namespace

// The object store's contract, the same for each back end: an SQLite file
// and a PostgreSQL database on the test program's private server
// (support/PgServer.hpp; without the PostgreSQL programs those cases are
// reported as skipped). Then what only a file meets: files that are not
// stores, a writer killed halfway. (vxn against a shared server:
// SharedStoreTest.)
#include "qeldb/ObjectStore.hpp"
#include "qeldb/SqliteStore.hpp"
#include "qeldb/lset.hpp"
#include "qel/ColorVector.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "support/PgServer.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <regex>
#include <set>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testenv::PgServer;
using testenv::Slurp;
using ValueSet = lset<GPtMesswert*>;

std::vector<unsigned char> Block(GPtMesswert& v)
{
    MyMemoryBlock b;
    v.GetIndexBlock(b);
    return std::vector<unsigned char>(b.GetData(), b.GetData() + b.GetSize());
}

GPtMesswert* Spectral(const std::string& rName, int nSeed)
{
    Spectrum s{PhysicalConditions(ActualFilterClass(FILTER_M2), WBaseClass(WBASE_PAPER))};
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s[i] = 1.0f / static_cast<float>(i + nSeed + 2);
    auto* v = new GPtMesswert;
    v->SetMeasuringCondition(MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_F01 + 10), ObserverClass(OBSERVER_10)));
    v->SetSpectrum(s, 0);
    v->SetBezeichnung(String(rName));
    return v;
}

GPtMesswert* Lab(double fL)
{
    auto* v = new GPtMesswert;
    v->SetLab(LABVector(fL, -0.1, 1e-3,
                        MeasuringCondition(PhysicalConditions(ActualFilterClass(FILTER_UV), WBaseClass(WBASE_ABSOLUTE)),
                                           IllumClass(static_cast<IllumType>(17), 42), ObserverClass(OBSERVER_2))));
    v->SetBezeichnung(String("Lab"));
    v->SetDateTime(19991231, 235958);
    return v;
}

std::string Hex(const std::vector<unsigned char>& rBytes)
{
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (unsigned char c : rBytes)
        s += {digits[c >> 4], digits[c & 15]};
    return s;
}

class StoreBackends : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        if (Pg() && !PgServer::Get().Running())
            GTEST_SKIP() << PgServer::Get().WhyNot();
        location = NewLocation();
    }
    bool Pg() const { return std::string(GetParam()) == "postgresql"; }
    std::string NewLocation() const
    {
        return Pg() ? PgServer::Get().NewDatabase() : "sqlite:" + testenv::FreshConfigPath() + ".db";
    }
    std::unique_ptr<ObjectStore> Open(const std::string& rWhere = "",
                                      ObjectStore::OpenMode eMode = ObjectStore::OPEN_OR_CREATE)
    {
        PtErrorCode code = PT_OK;
        String err;
        auto s = ObjectStore::Open(String(rWhere.empty() ? location : rWhere), eMode, code, err);
        EXPECT_TRUE(s) << err.str();
        return s;
    }
    ValueSet Loaded(ObjectStore& rStore, const ObjectStore::Selection& rWhich = {})
    {
        ValueSet set;
        EXPECT_EQ(rStore.Load(set, rWhich), PT_OK) << rStore.GetLastError().str();
        return set;
    }
    // SQL straight to the store, bypassing it; "" when it worked.
    std::string Raw(const std::string& rSql) const
    {
        if (Pg())
            return PgServer::Get().Exec(location, rSql);
        sqlite3* db = nullptr;
        sqlite3_open(location.substr(7).c_str(), &db);
        char* msg = nullptr;
        std::string err = sqlite3_exec(db, rSql.c_str(), nullptr, nullptr, &msg) == SQLITE_OK ? "" : msg;
        sqlite3_free(msg);
        sqlite3_close(db);
        return err;
    }

    std::string location;
};

TEST_P(StoreBackends, EveryFieldAndTheOriginComeBackExactly)
{
    // Text that would be SQL if a statement were built from it, and text of
    // every kind a designation may hold.
    const std::string names[] = {"x'); DROP TABLE values; DROP TABLE qelvxn_objects; DROP TABLE objects; --",
                                 "Ä Ø ß 漢字 🎨 \"quoted\" \\ tab\there\nnew line \u200d\u0301"};
    ValueSet saved;
    saved.Append(Spectral(names[0], 1));
    saved.Append(Lab(47.125));
    saved.Append(Spectral(names[1], 2));
    saved.Append(new GPtMesswert);
    saved.At(0)->SetOrigin("Press 2 – Halle B", "5012345");
    ASSERT_EQ(Open()->Save(saved), PT_OK);

    ValueSet loaded = Loaded(*Open("", ObjectStore::OPEN_EXISTING));
    ASSERT_EQ(loaded.Count(), 4);
    std::set<std::string> uids;
    for (long i = 0; i < 4; ++i) {
        EXPECT_EQ(loaded.At(i)->GetId(), saved.At(i)->GetId());
        EXPECT_EQ(Block(*loaded.At(i)), Block(*saved.At(i))) << i;
        EXPECT_EQ(loaded.At(i)->GetUid(), saved.At(i)->GetUid());
        EXPECT_TRUE(std::regex_match(loaded.At(i)->GetUid(), std::regex("[0-9a-f]{32}"))) << loaded.At(i)->GetUid();
        uids.insert(loaded.At(i)->GetUid());
    }
    EXPECT_EQ(uids.size(), 4u);
    EXPECT_EQ(loaded.At(0)->GetBezeichnung().str(), names[0]);
    EXPECT_EQ(loaded.At(2)->GetBezeichnung().str(), names[1]);
    EXPECT_EQ(loaded.At(0)->GetStation(), "Press 2 – Halle B");
    EXPECT_EQ(loaded.At(0)->GetInstrument(), "5012345");
    EXPECT_EQ(loaded.At(1)->GetDateTimeText().str(), "1999-12-31 23:59:58");

    GPtMesswert one;
    ASSERT_EQ(Open()->Load(saved.At(1)->GetId(), one), PT_OK);
    EXPECT_EQ(Block(one), Block(*saved.At(1)));
    EXPECT_EQ(one.GetUid(), saved.At(1)->GetUid());
    EXPECT_EQ(Open()->Load(saved.At(3)->GetId() + 100, one), PT_NOT_FOUND);
}

TEST_P(StoreBackends, IdentitiesAreNeverGivenTwice)
{
    auto store = Open();
    std::unique_ptr<GPtMesswert> a(Spectral("a", 1)), b(Spectral("b", 2)), c(Spectral("c", 3));
    ASSERT_EQ(store->Save(*a), PT_OK);
    ASSERT_EQ(store->Save(*b), PT_OK);
    ASSERT_EQ(store->Remove(b->GetId(), GPtMesswert::CLASS_ID), PT_OK);
    EXPECT_EQ(store->Remove(b->GetId(), GPtMesswert::CLASS_ID), PT_NOT_FOUND);
    ASSERT_EQ(store->Save(*c), PT_OK);
    EXPECT_GT(c->GetId(), b->GetId()) << "the identity of a removed value stays unused";
    // A saved value saved again replaces what is stored, under its identities.
    std::string uid = a->GetUid();
    a->SetBezeichnung(String("renamed"));
    ASSERT_EQ(store->Save(*a), PT_OK);
    GPtMesswert back;
    ASSERT_EQ(store->Load(a->GetId(), back), PT_OK);
    EXPECT_EQ(back.GetBezeichnung(), "renamed");
    EXPECT_EQ(back.GetUid(), uid);
    EXPECT_EQ(store->Save(*b), PT_NOT_FOUND) << "a removed value is not brought back";
    EXPECT_EQ(Loaded(*store).Count(), 2);
}

TEST_P(StoreBackends, ASetIsSavedWholeOrNotAtAll)
{
    auto store = Open();
    ValueSet set;
    set.Append(Spectral("first", 1));
    ASSERT_EQ(store->Save(set), PT_OK);
    ASSERT_EQ(store->Remove(set.At(0)->GetId(), GPtMesswert::CLASS_ID), PT_OK);

    // Two new values and one the store no longer has.
    set.Append(Spectral("new", 2));
    set.Append(Lab(50));
    EXPECT_EQ(store->Save(set), PT_NOT_FOUND);
    EXPECT_EQ(set.At(1)->GetId(), 0) << "identities of a failed save are taken back";
    EXPECT_EQ(set.At(2)->GetId(), 0);
    EXPECT_EQ(Loaded(*store).Count(), 0);

    // Removal marks leave the store and the set in the same save.
    set.At(0)->SetId(0);
    ASSERT_EQ(store->Save(set), PT_OK);
    set.At(1)->DoDelete();
    ASSERT_EQ(store->Save(set), PT_OK);
    EXPECT_EQ(set.Count(), 2);
    ValueSet loaded = Loaded(*store);
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.At(1)->IsA(), GPtMesswert::TYPE_LAB);
}

// Eight processes (as eight stations would be) start on a store that does
// not exist yet, each save a hundred values one by one and report the
// identities they were given.
TEST_P(StoreBackends, EightProcessesSavingAtOnceLoseAndDoubleNothing)
{
    constexpr int WRITERS = 8, EACH = 100;
    std::vector<std::pair<pid_t, int>> children;
    for (int w = 0; w < WRITERS; ++w) {
        int fd[2];
        ASSERT_EQ(pipe(fd), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fd[0]);
            PtErrorCode code = PT_OK;
            String err;
            auto s = ObjectStore::Open(String(location), ObjectStore::OPEN_OR_CREATE, code, err);
            for (int i = 0; s && i < EACH; ++i) {
                std::unique_ptr<GPtMesswert> v(Spectral("w" + std::to_string(w) + "-" + std::to_string(i), i));
                if (s->Save(*v) != PT_OK) {
                    std::fprintf(stderr, "writer %d: %s\n", w, s->GetLastError().GetStr());
                    _exit(3);
                }
                long id = v->GetId();
                if (write(fd[1], &id, sizeof id) != sizeof id)
                    _exit(4);
            }
            if (!s)
                std::fprintf(stderr, "writer %d: %s\n", w, err.GetStr());
            _exit(s ? 0 : 2);
        }
        close(fd[1]);
        children.emplace_back(pid, fd[0]);
    }
    std::set<long> reported;
    for (auto [pid, fd] : children) {
        long id = 0;
        int n = 0;
        while (read(fd, &id, sizeof id) == sizeof id) {
            reported.insert(id);
            ++n;
        }
        close(fd);
        int st = 0;
        waitpid(pid, &st, 0);
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "writer " << pid << " gave up after " << n;
    }
    EXPECT_EQ(reported.size(), static_cast<size_t>(WRITERS * EACH)) << "an identity given twice";
    ValueSet all = Loaded(*Open("", ObjectStore::OPEN_EXISTING));
    ASSERT_EQ(all.Count(), WRITERS * EACH);
    std::set<std::string> names, uids;
    for (long i = 0; i < all.Count(); ++i) {
        EXPECT_TRUE(reported.count(all.At(i)->GetId()));
        names.insert(all.At(i)->GetBezeichnung().str());
        uids.insert(all.At(i)->GetUid());
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(WRITERS * EACH)) << "a value stored twice";
    EXPECT_EQ(uids.size(), static_cast<size_t>(WRITERS * EACH));
}

TEST_P(StoreBackends, CopiesKeepTheirIdentityComeOnceAndAreChosenByStationAndDate)
{
    ValueSet made;
    const struct {
        const char* station;
        long date;
    } origins[] = {{"A", 20261201}, {"A", 20261205}, {"B", 20261203}, {"", 20261206}};
    for (const auto& o : origins) {
        made.Append(Spectral(std::string("at ") + o.station, static_cast<int>(made.Count())));
        made.At(made.Count() - 1)->SetOrigin(o.station, "77");
        made.At(made.Count() - 1)->SetDateTime(o.date, 120000);
    }
    auto source = Open();
    ASSERT_EQ(source->Save(made), PT_OK);
    EXPECT_EQ(Loaded(*source, {"A", ""}).Count(), 2);
    EXPECT_EQ(Loaded(*source, {"", "2026-12-03"}).Count(), 3);
    EXPECT_EQ(Loaded(*source, {"A", "2026-12-05 12:00:00"}).Count(), 1);
    EXPECT_EQ(Loaded(*source, {"A", "2026-12-05 12:00:01"}).Count(), 0);

    std::string other = NewLocation();
    auto target = Open(other);
    GPtMesswert own;  // the target's own value stays as it is
    ASSERT_EQ(target->Save(own), PT_OK);
    ValueSet all = Loaded(*source);
    long added = -1;
    ASSERT_EQ(target->Adopt(all, added), PT_OK) << target->GetLastError().str();
    EXPECT_EQ(added, 4);
    ASSERT_EQ(target->Adopt(all, added), PT_OK);
    EXPECT_EQ(added, 0) << "copying again adds nothing";
    ValueSet copied = Loaded(*target);
    ASSERT_EQ(copied.Count(), 5);
    EXPECT_EQ(copied.At(0)->GetUid(), own.GetUid());
    for (long i = 0; i < 4; ++i) {
        EXPECT_EQ(copied.At(i + 1)->GetUid(), all.At(i)->GetUid());
        EXPECT_EQ(copied.At(i + 1)->GetStation(), all.At(i)->GetStation());
        EXPECT_EQ(copied.At(i + 1)->GetDateTimeText(), all.At(i)->GetDateTimeText());
        EXPECT_EQ(Block(*copied.At(i + 1)), Block(*all.At(i)));
    }
}

TEST_P(StoreBackends, TheChangeMarkMovesWithEveryOtherProgramsChange)
{
    auto view = Open(), other = Open();
    auto mark = [&] {
        std::string m;
        EXPECT_EQ(view->GetChangeMark(GPtMesswert::CLASS_ID, m), PT_OK) << view->GetLastError().str();
        return m;
    };
    std::string seen = mark();
    EXPECT_EQ(mark(), seen) << "nothing changed";
    std::unique_ptr<GPtMesswert> v(Spectral("v", 1));
    const std::function<void()> changes[] = {
        [&] { ASSERT_EQ(other->Save(*v), PT_OK); },
        [&] {
            v->SetBezeichnung(String("renamed"));
            ASSERT_EQ(other->Save(*v), PT_OK);
        },
        [&] { ASSERT_EQ(other->Remove(v->GetId(), GPtMesswert::CLASS_ID), PT_OK); },
    };
    for (const auto& change : changes) {
        change();
        std::string now = mark();
        EXPECT_NE(now, seen);
        seen = now;
    }
}

// A store of the first format (no origins) is brought up to date when
// opened; one of a later format is refused and left as it was.
TEST_P(StoreBackends, AnOlderStoreIsUpdatedAndANewerOneRefused)
{
    std::unique_ptr<GPtMesswert> a(Spectral("old a", 1)), b(Spectral("old b", 2));
    std::string rows;
    for (GPtMesswert* v : {a.get(), b.get()})
        rows += std::string(rows.empty() ? "" : ",") + "(" + std::to_string(GPtMesswert::CLASS_ID) + ", '" +
                v->GetBezeichnung().str() + "', '2025-01-02 03:04:05', " +
                (Pg() ? "'\\x" + Hex(Block(*v)) + "'::bytea" : "X'" + Hex(Block(*v)) + "'") + ")";
    std::string firstFormat =
        Pg() ? "CREATE TABLE qelvxn_store (format integer NOT NULL); INSERT INTO qelvxn_store VALUES (1);"
               "CREATE TABLE qelvxn_objects (id bigserial PRIMARY KEY, class_id integer NOT NULL, designation text "
               "NOT NULL, created text NOT NULL, index_block bytea NOT NULL);"
               "INSERT INTO qelvxn_objects(class_id, designation, created, index_block) VALUES " + rows + ";"
             : "PRAGMA application_id=" + std::to_string(SqliteStore::APPLICATION_ID) + "; PRAGMA user_version=1;"
               "CREATE TABLE objects (id INTEGER PRIMARY KEY AUTOINCREMENT, class_id INTEGER NOT NULL, designation "
               "TEXT NOT NULL, created TEXT NOT NULL, index_block BLOB NOT NULL);"
               "INSERT INTO objects(class_id, designation, created, index_block) VALUES " + rows + ";";
    ASSERT_EQ(Raw(firstFormat), "");
    {
        ValueSet old = Loaded(*Open("", ObjectStore::OPEN_EXISTING));
        ASSERT_EQ(old.Count(), 2);
        EXPECT_EQ(Block(*old.At(1)), Block(*b));
        EXPECT_NE(old.At(0)->GetUid(), old.At(1)->GetUid());
        EXPECT_EQ(old.At(0)->GetUid().size(), 32u);
        GPtMesswert c;
        ASSERT_EQ(Open()->Save(c), PT_OK);
        EXPECT_EQ(c.GetId(), 3);
    }

    ASSERT_EQ(Raw(Pg() ? "UPDATE qelvxn_store SET format = 99" : "PRAGMA user_version=99"), "");
    std::string before = Pg() ? "" : testenv::Slurp(location.substr(7));
    for (auto mode : {ObjectStore::OPEN_EXISTING, ObjectStore::OPEN_OR_CREATE}) {
        PtErrorCode code = PT_OK;
        String err;
        EXPECT_FALSE(ObjectStore::Open(String(location), mode, code, err));
        EXPECT_EQ(code, PT_NOT_A_STORE);
        EXPECT_NE(err.str().find("store format 99; this program knows 2"), std::string::npos) << err.str();
    }
    if (!Pg()) {
        EXPECT_EQ(testenv::Slurp(location.substr(7)), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Store, StoreBackends, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return std::string(info.param); });

// ---- What only a store in a file meets ------------------------------------

std::string NewPath(const std::string& rName)
{
    fs::path dir = fs::path(testenv::FreshConfigPath()).parent_path() / ("store-" + std::to_string(rand()));
    fs::create_directories(dir);
    return (dir / rName).string();
}

std::unique_ptr<ObjectStore> OpenFile(const std::string& rPath,
                                      ObjectStore::OpenMode eMode = ObjectStore::OPEN_OR_CREATE)
{
    PtErrorCode code = PT_OK;
    String err;
    auto s = ObjectStore::Open(String(rPath), eMode, code, err);
    EXPECT_TRUE(s) << err.str();
    return s;
}

TEST(SqliteStore, FilesThatAreNotStoresAreRefusedUntouched)
{
    std::mt19937 rng(3);
    std::string garbage(40000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());

    // A store with enough values to span many pages, then damaged in the middle.
    std::string damaged = NewPath("damaged.db");
    {
        auto store = OpenFile(damaged);
        ValueSet set;
        for (int i = 0; i < 200; ++i)
            set.Append(Spectral("s", i));
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
        std::unique_ptr<GPtMesswert> v(Spectral("s", 1));
        EXPECT_EQ(OpenFile(path)->Save(*v), PT_OK);
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
    ASSERT_EQ(OpenFile(empty, ObjectStore::OPEN_EXISTING)->Load(none), PT_OK);
    EXPECT_EQ(fs::file_size(empty), 0u) << "reading leaves an empty file as it was";
    std::unique_ptr<GPtMesswert> v(Spectral("s", 1));
    ASSERT_EQ(OpenFile(empty)->Save(*v), PT_OK);
}

// A child saves values one by one and reports each identity once Save has
// returned; it is killed at a random moment, as often in the middle of a
// save as not. Every value it reported must be readable afterwards.
TEST(SqliteStore, AWriterKilledHalfwayLosesNothingItSaved)
{
    std::string path = NewPath("values.db");
    { OpenFile(path); }
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
                GPtMesswert* v = Spectral("s", i);
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
        auto store = OpenFile(path, ObjectStore::OPEN_EXISTING);
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

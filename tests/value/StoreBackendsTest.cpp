// The object store's contract, the same for each back end: an SQLite file
// and a PostgreSQL database on a private server that this test program
// starts (initdb and pg_ctl in a temporary folder, on a Unix socket there,
// as an unprivileged user when the tests run as root) and removes. Without
// the PostgreSQL programs those cases are reported as skipped.
#include "qeldb/ObjectStore.hpp"
#include "qeldb/PgStore.hpp"
#include "qeldb/lset.hpp"
#include "qel/ColorVector.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <glob.h>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A PostgreSQL server for this test program's run.
class PrivateServer {
public:
    static PrivateServer& Get()
    {
        static PrivateServer server;
        return server;
    }
    bool Running() const { return mbRunning; }
    const std::string& WhyNot() const { return maWhyNot; }
    // A new, empty database on the server and its URI.
    std::string NewDatabase()
    {
        std::string name = "store" + std::to_string(++mnDatabases);
        PGconn* c = PQconnectdb(Uri("postgres").c_str());
        PGresult* r = PQexec(c, ("CREATE DATABASE " + name).c_str());
        EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << PQerrorMessage(c);
        PQclear(r);
        PQfinish(c);
        return Uri(name);
    }
    std::string Uri(const std::string& rDatabase) const
    {
        return "postgresql:///" + rDatabase + "?host=" + maDir + "&user=vxn";
    }
    const std::string& Folder() const { return maDir; }

private:
    PrivateServer()
    {
        glob_t g{};
        if (glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &g) != 0 || g.gl_pathc == 0) {
            maWhyNot = "the PostgreSQL server programs (initdb, pg_ctl) are not installed";
            globfree(&g);
            return;
        }
        fs::path bin = fs::path(g.gl_pathv[g.gl_pathc - 1]).parent_path();
        globfree(&g);
        char tmpl[] = "/tmp/vxn-pg-XXXXXX";
        maDir = mkdtemp(tmpl);
        // The server refuses to run as root: then it runs as "postgres".
        if (geteuid() == 0) {
            maPrefix = {"/usr/sbin/runuser", "-u", "postgres", "--"};
            if (std::system(("chown postgres " + maDir).c_str()) != 0) {
                maWhyNot = "cannot give " + maDir + " to the user postgres";
                return;
            }
        }
        auto run = [&](std::vector<std::string> args) {
            std::vector<std::string> all = maPrefix;
            all.insert(all.end(), args.begin(), args.end());
            std::string program = all.front();
            all.erase(all.begin());
            return testenv::RunProgram(program, all);
        };
        auto init = run({(bin / "initdb").string(), "-D", maDir + "/data", "-U", "vxn", "--auth=trust", "-E", "UTF8",
                         "--locale=C", "--no-sync"});
        if (init.status != 0) {
            maWhyNot = "initdb failed: " + init.err;
            return;
        }
        auto start = run({(bin / "pg_ctl").string(), "-D", maDir + "/data", "-l", maDir + "/log", "-w", "-o",
                          "-k " + maDir + " -c listen_addresses= -F", "start"});
        if (start.status != 0) {
            maWhyNot = "pg_ctl start failed: " + start.err + testenv::Slurp(maDir + "/log");
            return;
        }
        maPgCtl = (bin / "pg_ctl").string();
        mbRunning = true;
    }
    ~PrivateServer()
    {
        if (mbRunning) {
            std::vector<std::string> args = maPrefix;
            args.insert(args.end(), {maPgCtl, "-D", maDir + "/data", "-m", "immediate", "stop"});
            std::string program = args.front();
            args.erase(args.begin());
            testenv::RunProgram(program, args);
        }
        if (!maDir.empty()) {
            std::error_code ec;
            fs::remove_all(maDir, ec);
        }
    }

    bool mbRunning = false;
    std::string maWhyNot, maDir, maPgCtl;
    std::vector<std::string> maPrefix;
    int mnDatabases = 0;
};

GPtMesswert Value(const std::string& rName, double L)
{
    GPtMesswert v;
    v.SetLab(LABVector(L, 1.5, -2.5, MeasuringCondition()));
    v.SetBezeichnung(String(rName));
    return v;
}

class StoreBackends : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        if (std::string(GetParam()) == "postgresql") {
            if (!PrivateServer::Get().Running())
                GTEST_SKIP() << PrivateServer::Get().WhyNot();
            location = PrivateServer::Get().NewDatabase();
        } else {
            location = "sqlite:" + testenv::FreshConfigPath() + ".db";
        }
    }
    std::unique_ptr<ObjectStore> Open(ObjectStore::OpenMode eMode = ObjectStore::OPEN_OR_CREATE)
    {
        PtErrorCode code = PT_OK;
        String err;
        auto s = ObjectStore::Open(String(location), eMode, code, err);
        EXPECT_TRUE(s) << err.str();
        return s;
    }
    size_t Count(ObjectStore& rStore)
    {
        lset<GPtMesswert*> set;
        EXPECT_EQ(rStore.Load(set), PT_OK) << rStore.GetLastError().str();
        return static_cast<size_t>(set.Count());
    }

    std::string location;
};

TEST_P(StoreBackends, IdentitiesAreGivenOnceAndValuesReadBackExactly)
{
    auto store = Open();
    ASSERT_TRUE(store);
    // Text that would be SQL if a statement were built from it, and text of
    // every kind the designation may hold.
    const std::string names[] = {"x'); DROP TABLE qelvxn_objects; --", "Ä Ø ß 漢字 🎨 \"quoted\" \\ tab\there",
                                 "plain"};
    std::vector<long> ids;
    for (const std::string& n : names) {
        GPtMesswert v = Value(n, 50.0 + static_cast<double>(ids.size()));
        ASSERT_EQ(store->Save(v), PT_OK) << store->GetLastError().str();
        ids.push_back(v.GetId());
    }
    EXPECT_TRUE(ids[0] > 0 && ids[0] < ids[1] && ids[1] < ids[2]);
    for (size_t i = 0; i < ids.size(); ++i) {
        GPtMesswert back;
        ASSERT_EQ(store->Load(ids[i], back), PT_OK);
        EXPECT_EQ(back.GetBezeichnung().str(), names[i]);
        LABVector lab;
        back.GetLab(lab);
        EXPECT_EQ(lab.GetL(), 50.0 + static_cast<double>(i));
    }
    // A removed identity is not given again.
    ASSERT_EQ(store->Remove(ids[2], GPtMesswert::CLASS_ID), PT_OK);
    EXPECT_EQ(store->Remove(ids[2], GPtMesswert::CLASS_ID), PT_NOT_FOUND);
    GPtMesswert next = Value("next", 10);
    ASSERT_EQ(store->Save(next), PT_OK);
    EXPECT_GT(next.GetId(), ids[2]);
    // Another connection sees the same.
    auto other = Open(ObjectStore::OPEN_EXISTING);
    ASSERT_TRUE(other);
    EXPECT_EQ(Count(*other), 3u);
}

TEST_P(StoreBackends, ASetIsSavedWholeOrNotAtAll)
{
    auto store = Open();
    ASSERT_TRUE(store);
    GPtMesswert first = Value("first", 20);
    ASSERT_EQ(store->Save(first), PT_OK);
    lset<GPtMesswert*> set;
    set.Append(new GPtMesswert(Value("new", 30)));
    auto* gone = new GPtMesswert(Value("gone", 40));
    gone->SetId(first.GetId() + 1000);  // no such value: the save fails
    set.Append(gone);
    EXPECT_EQ(store->Save(set), PT_NOT_FOUND);
    GPtMesswert* p = nullptr;
    ASSERT_EQ(set.Get(p, 0, PT_START), PT_OK);
    EXPECT_EQ(p->GetId(), 0) << "the new value's identity was taken back";
    EXPECT_EQ(Count(*store), 1u);
}

TEST_P(StoreBackends, EightWritersAtOnceLoseAndDoubleNothing)
{
    ASSERT_TRUE(Open());  // created before the writers start
    constexpr int WRITERS = 8, EACH = 40;
    std::vector<std::vector<long>> ids(WRITERS);
    std::vector<std::thread> threads;
    for (int w = 0; w < WRITERS; ++w)
        threads.emplace_back([&, w] {
            PtErrorCode code = PT_OK;
            String err;
            auto s = ObjectStore::Open(String(location), ObjectStore::OPEN_EXISTING, code, err);
            if (!s)
                return;
            for (int i = 0; i < EACH; ++i) {
                GPtMesswert v = Value("w" + std::to_string(w) + "-" + std::to_string(i), i);
                if (s->Save(v) == PT_OK)
                    ids[static_cast<size_t>(w)].push_back(v.GetId());
            }
        });
    for (auto& t : threads)
        t.join();
    std::set<long> all;
    for (auto& v : ids) {
        EXPECT_EQ(v.size(), static_cast<size_t>(EACH));
        all.insert(v.begin(), v.end());
    }
    EXPECT_EQ(all.size(), static_cast<size_t>(WRITERS * EACH));
    auto store = Open(ObjectStore::OPEN_EXISTING);
    ASSERT_TRUE(store);
    EXPECT_EQ(Count(*store), static_cast<size_t>(WRITERS * EACH));
}

INSTANTIATE_TEST_SUITE_P(Store, StoreBackends, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return std::string(info.param); });

TEST(PgStore, ANewerStoreIsRefusedAndNoPasswordIsShown)
{
    if (!PrivateServer::Get().Running())
        GTEST_SKIP() << PrivateServer::Get().WhyNot();
    std::string uri = PrivateServer::Get().NewDatabase();
    PtErrorCode code = PT_OK;
    String err;
    ASSERT_TRUE(ObjectStore::Open(String(uri), ObjectStore::OPEN_OR_CREATE, code, err)) << err.str();
    {
        PGconn* d = PQconnectdb(uri.c_str());
        PGresult* r = PQexec(d, "UPDATE qelvxn_store SET format = 99");
        EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << PQerrorMessage(d);
        PQclear(r);
        PQfinish(d);
    }
    EXPECT_FALSE(ObjectStore::Open(String(uri), ObjectStore::OPEN_EXISTING, code, err));
    EXPECT_EQ(code, PT_NOT_A_STORE);
    EXPECT_NE(err.str().find("store format 99; this program knows 1"), std::string::npos) << err.str();

    std::string withSecret = "postgresql://vxn:s3cret@/nowhere?host=" + PrivateServer::Get().Folder() + "&password=s3cret";
    EXPECT_FALSE(ObjectStore::Open(String(withSecret), ObjectStore::OPEN_EXISTING, code, err));
    EXPECT_EQ(code, PT_IO_ERROR);
    EXPECT_EQ(err.str().find("s3cret"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("nowhere"), std::string::npos) << err.str();
}

} // namespace

namespace {

TEST(PgStore, VxnKeepsMeasurementsOnTheServer)
{
    if (!PrivateServer::Get().Running())
        GTEST_SKIP() << PrivateServer::Get().WhyNot();
    std::string uri = PrivateServer::Get().NewDatabase(), config = testenv::FreshConfigPath();
    auto m = testenv::RunVxn({"--config", config, "--store", uri, "measure", "--yes", "--save", "--count", "2"});
    ASSERT_EQ(m.status, 0) << m.err;
    auto list = testenv::RunVxn({"--config", config, "values", "list", "--json", "--store", uri});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(nlohmann::json::parse(list.out).size(), 2u);
}

} // namespace

// vxn and a value store several stations share, on the test program's
// private PostgreSQL server (support/PgServer.hpp; skipped without the
// PostgreSQL programs): passwords, the README's roles, a server that goes
// away during a save, and values copied between an SQLite file and the
// server.
#include "support/PgServer.hpp"
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <regex>
#include <set>

namespace {

using nlohmann::json;
using testenv::PgServer;

class SharedStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!PgServer::Get().Running())
            GTEST_SKIP() << PgServer::Get().WhyNot();
        uri = PgServer::Get().NewDatabase();
        config = testenv::FreshConfigPath();
    }
    testenv::ProcessResult Vxn(std::vector<std::string> aArgs, const std::string& rStore = "")
    {
        aArgs.insert(aArgs.begin(), {"--config", config, "--store", rStore.empty() ? uri : rStore});
        return testenv::RunVxn(aArgs);
    }
    json List(const std::string& rStore = "", std::vector<std::string> aMore = {})
    {
        std::vector<std::string> args = {"values", "list", "--json"};
        args.insert(args.end(), aMore.begin(), aMore.end());
        auto r = Vxn(args, rStore);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.status == 0 ? json::parse(r.out) : json::array();
    }

    std::string uri, config;
};

// A password in the location is refused (it would stand in the shell's
// history and the process list) and never shown; one from libpq's own
// means works.
TEST_F(SharedStore, PasswordsComeOnlyFromLibpqsOwnMeansAndAreNeverShown)
{
    const std::string folder = PgServer::Get().Folder();
    for (const std::string& withSecret : {"postgresql://vxn:s3cret@/nowhere?host=" + folder,
                                          "postgresql:///nowhere?host=" + folder + "&password=s3cret"}) {
        auto r = Vxn({"measure", "--yes", "--save"}, withSecret);
        EXPECT_EQ(r.status, 2) << "refused before measuring: " << r.err;
        EXPECT_EQ(r.err.find("s3cret"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nowhere"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("~/.pgpass"), std::string::npos) << r.err;
    }
    auto r = testenv::RunVxn({"--config", config, "--store", uri, "values", "list"}, "", {"PGPASSWORD=s3cret"});
    EXPECT_EQ(r.status, 0) << r.err;
}

// The roles of the README: stations insert and read, viewers only read.
TEST_F(SharedStore, AViewerMayReadButNotDeleteAndAStationMayNotDeleteEither)
{
    ASSERT_EQ(Vxn({"measure", "--yes", "--save"}).status, 0) << "the owner sets the store up";
    std::string db = uri.substr(uri.find("///") + 3, uri.find('?') - uri.find("///") - 3);
    const std::string grants =
        "CREATE ROLE " + db + "_station LOGIN; CREATE ROLE " + db + "_viewer LOGIN;"
        "GRANT SELECT, INSERT ON qelvxn_store, qelvxn_objects TO " + db + "_station;"
        "GRANT USAGE ON SEQUENCE qelvxn_objects_id_seq, qelvxn_revision TO " + db + "_station;"
        "GRANT SELECT ON qelvxn_store, qelvxn_objects TO " + db + "_viewer;";
    ASSERT_EQ(PgServer::Get().Exec(uri, grants), "");
    std::string station = PgServer::Get().Uri(db, db + "_station"), viewer = PgServer::Get().Uri(db, db + "_viewer");

    auto saved = Vxn({"measure", "--yes", "--save", "--station", "press 2"}, station);
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(List(viewer).size(), 2u) << "a viewer reads";
    EXPECT_EQ(Vxn({"measure", "--yes", "--save"}, viewer).status, 1) << "a viewer saves nothing";
    for (const std::string& who : {viewer, station}) {
        auto del = Vxn({"values", "delete", "1"}, who);
        EXPECT_EQ(del.status, 1);
        EXPECT_NE(del.err.find("permission denied for table qelvxn_objects"), std::string::npos) << del.err;
        EXPECT_EQ(del.err.find("ERROR:"), std::string::npos) << "the server's reason in plain words: " << del.err;
    }
    EXPECT_EQ(List().size(), 2u) << "nothing was deleted";
}

// The server goes away while vxn measures and saves: every value it said it
// saved is there afterwards, nothing else, and the measurement whose save
// failed is still printed.
TEST_F(SharedStore, AServerThatGoesAwayLosesNoSavedValueAndTheCommandSaysSo)
{
    ASSERT_EQ(Vxn({"measure", "--yes", "--save"}).status, 0);
    bool stopped = false;
    auto r = testenv::RunProgram(testenv::Program("vxn"),
                                 {"--config", config, "--store", uri, "measure", "--yes", "--save", "--count", "30"}, "",
                                 {"VXN_LANG=en"}, [&](int, const std::string& rOut) {
                                     if (!stopped && rOut.find("Saved") != std::string::npos)
                                         stopped = PgServer::Get().Stop();
                                 });
    ASSERT_TRUE(stopped);
    ASSERT_TRUE(PgServer::Get().Start());
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("the measurement was not kept"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("server"), std::string::npos) << r.err;
    std::regex savedLine("Saved\\s.*?(\\d+)");
    std::set<long> said;
    for (std::sregex_iterator m(r.out.begin(), r.out.end(), savedLine), end; m != end; ++m)
        said.insert(std::stol((*m)[1]));
    size_t measured = 0;
    for (size_t p = r.out.find("L*"); p != std::string::npos; p = r.out.find("L*", p + 1))
        ++measured;
    EXPECT_GT(measured, said.size()) << "the measurement that was not kept is printed: " << r.out;
    json all = List();
    ASSERT_EQ(all.size(), said.size() + 1);
    for (const auto& v : all)
        EXPECT_TRUE(v["id"] == 1 || said.count(v["id"].get<long>())) << v["id"];
}

// An offline station keeps values in its own SQLite file and copies them to
// the shared store later; copying twice gives each value once, with its
// identity, station and instrument.
TEST_F(SharedStore, VxnCopiesValuesBetweenBackEndsOnce)
{
    std::string offline = testenv::FreshConfigPath() + "-offline.db";
    ASSERT_EQ(Vxn({"measure", "--yes", "--save", "--count", "3", "--station", "offline"}, offline).status, 0);
    ASSERT_EQ(Vxn({"measure", "--yes", "--save", "--station", "other"}, offline).status, 0);
    json source = List(offline);
    ASSERT_EQ(source.size(), 4u);
    EXPECT_FALSE(source[0]["instrument"].is_null()) << "the instrument's serial number is kept";

    for (int round = 0; round < 2; ++round) {
        auto c = Vxn({"values", "copy", "--from", offline, "--to", uri, "--station", "offline"});
        ASSERT_EQ(c.status, 0) << c.err;
        EXPECT_EQ(c.out.rfind(round == 0 ? "Copied 3 values from " : "Copied 0 values from ", 0), 0u) << c.out;
        EXPECT_EQ(c.out.find("were there already") != std::string::npos, round == 1) << c.out;
    }
    json shared = List();
    ASSERT_EQ(shared.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        for (const char* key : {"uid", "station", "instrument", "created", "name", "lab"})
            EXPECT_EQ(shared[i][key], source[i][key]) << key;
    EXPECT_EQ(List("", {"--station", "other"}).size(), 0u);

    // And back, into a new file; --since today takes all, tomorrow none.
    std::string back = testenv::FreshConfigPath() + "-back.db";
    EXPECT_EQ(Vxn({"values", "copy", "--from", uri, "--to", back, "--since", "2999-01-01"}).status, 0);
    EXPECT_EQ(List(back).size(), 0u);
    EXPECT_EQ(Vxn({"values", "copy", "--to", back, "--since", source[0]["created"].get<std::string>()}).status, 0);
    EXPECT_EQ(List(back), shared) << "the same values, and in a new store the same identities";
}

} // namespace

// vxn measure --save and vxn values: measurements kept as they are taken,
// listed, shown, exported, imported, deleted and copied; stations; stores
// that are not stores. (Many writers at once and writers killed halfway:
// ObjectStoreTest and CrashSafeFilesTest.)
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testenv::Slurp;
using testenv::RunVxn;
using nlohmann::json;

struct Env {
    fs::path dir;
    std::string config, store;
    Env()
    {
        static int n = 0;
        dir = fs::path(testenv::FreshConfigPath()).parent_path() / ("values-" + std::to_string(n++));
        fs::create_directories(dir);
        config = testenv::FreshConfigPath();
        store = (dir / "values.db").string();
    }
    // vxn with this test's configuration and store.
    testenv::ProcessResult Vxn(std::vector<std::string> aArgs) const
    {
        aArgs.insert(aArgs.begin(), {"--config", config, "--store", store});
        return RunVxn(aArgs);
    }
    json Json(std::vector<std::string> aArgs) const
    {
        aArgs.push_back("--json");
        auto r = Vxn(aArgs);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.status == 0 ? json::parse(r.out) : json();
    }
};

TEST(VxnValues, MeasurementsAreKeptAndShown)
{
    Env e;
    json measured = e.Json({"measure", "--yes", "--save", "--count", "2", "--sample", "13", "--illuminant", "D50"});
    ASSERT_EQ(measured.size(), 2u);
    json named = e.Json({"measure", "--yes", "--save", "--name", "Proof \"A\"", "--sample", "7"});

    json list = e.Json({"values", "list"});
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]["id"], measured[0]["value_id"]);
    EXPECT_EQ(list[2]["name"], "Proof \"A\"");
    EXPECT_EQ(list[0]["name"], measured[0]["name"]) << "without --name, the colour's name";
    EXPECT_EQ(list[0]["kind"], "spectrum");
    EXPECT_EQ(list[0]["conditions"]["illuminant"], "D50");
    EXPECT_EQ(list[0]["conditions"]["filter"], measured[0]["conditions"]["filter"]);
    EXPECT_NEAR(list[1]["lab"]["b"].get<double>(), measured[1]["lab"]["b"].get<double>(), 1e-9);

    json shown = e.Json({"values", "show", std::to_string(named[0]["value_id"].get<long>())});
    EXPECT_EQ(shown["spectrum"]["values"], named[0]["spectrum"]["values"]) << "every digit of the spectrum";
    EXPECT_NEAR(shown["lch"]["h"].get<double>(), named[0]["lch"]["h"].get<double>(), 1e-9);

    auto text = e.Vxn({"values", "list"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("D50/2° Pol Abs"), std::string::npos) << text.out;
    auto measureText = e.Vxn({"measure", "--yes", "--save"});
    EXPECT_NE(measureText.out.find("Saved       value 4\n"), std::string::npos) << measureText.out;
}

TEST(VxnValues, ExportImportAndDelete)
{
    Env e;
    ASSERT_EQ(e.Vxn({"measure", "--yes", "--save", "--count", "2", "--sample", "3"}).status, 0);
    const std::string mv = (e.dir / "out.txt").string(), cg = (e.dir / "out.cgats").string();
    ASSERT_EQ(e.Vxn({"values", "export", "--measvalue", mv}).status, 0);
    EXPECT_EQ(Slurp(mv).rfind("Version=2\n[MeasValue]\nName=", 0), 0u) << Slurp(mv);
    ASSERT_EQ(e.Vxn({"values", "export", "--cgats", cg, "2"}).status, 0);
    EXPECT_NE(Slurp(cg).find("ILLUMINANT\t\"D65\""), std::string::npos) << Slurp(cg);

    json before = e.Json({"values", "show", "2"});
    auto imported = e.Vxn({"values", "import", mv});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "Imported 2 values as 3 to 4\n");
    ASSERT_EQ(e.Vxn({"values", "import", cg}).status, 0);
    json fromText = e.Json({"values", "show", "4"}), fromCgats = e.Json({"values", "show", "5"});
    EXPECT_EQ(fromText["spectrum"]["values"], before["spectrum"]["values"]);
    EXPECT_EQ(fromCgats["spectrum"]["values"], before["spectrum"]["values"]);
    EXPECT_EQ(fromCgats["conditions"], before["conditions"]) << "CGATS keywords carry all conditions";
    EXPECT_EQ(fromText["conditions"]["filter"], before["conditions"]["filter"]);
    EXPECT_TRUE(fromText["conditions"]["illuminant"].is_null()) << "a spectrum's section names no illuminant";

    // A CGATS file written by measure --cgats imports as well.
    const std::string measured = (e.dir / "measured.cgats").string();
    ASSERT_EQ(e.Vxn({"measure", "--yes", "--cgats", measured, "--count", "2"}).status, 0);
    auto r = e.Vxn({"values", "import", measured});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(e.Json({"values", "list"}).size(), 7u);

    ASSERT_EQ(e.Vxn({"values", "delete", "2"}).status, 0);
    auto gone = e.Vxn({"values", "show", "2"});
    EXPECT_EQ(gone.status, 1);
    EXPECT_NE(gone.err.find("no value 2 in " + e.store), std::string::npos) << gone.err;
    EXPECT_EQ(e.Vxn({"values", "delete", "2"}).status, 1);
}

TEST(VxnValues, WrongInputIsRefusedAndNothingIsImportedOrCopied)
{
    Env e;
    ASSERT_EQ(e.Vxn({"measure", "--yes", "--save"}).status, 0);
    const std::string bad = (e.dir / "bad.txt").string();
    std::ofstream(bad) << "Version=2\n[MeasValue]\nName=a\nCreated=2024-01-01 00:00:00\nM_Cond=Pol\tAbs\n"
                          "Remission=0.5\n\n[MeasValue]\nName=b\nCreated=2024-01-01 00:00:00\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"values", "show", "x"}, 2, "'x' is not a value ID"},
        {{"values", "delete", "0"}, 2, "'0' is not a value ID"},
        {{"values", "export", "1"}, 2, "export needs --cgats FILE or --measvalue FILE"},
        {{"values", "show", "99"}, 1, "no value 99 in"},
        {{"values", "export", "--measvalue", (e.dir / "x.txt").string(), "1", "99"}, 1, "no value 99 in"},
        {{"values", "import", bad}, 1, "section 1 is no measured value (line 6: Remission: 1 numbers where 36 belong)"},
        {{"values", "import", (e.dir / "none.txt").string()}, 1, "none.txt"},
        {{"measure", "--yes", "--name", "x"}, 2, "--name names saved values; give --save too"},
        {{"values", "list", "--since", "yesterday"}, 2, "'yesterday' is not a date"},
        {{"values", "list", "--since", "2026-02-30"}, 2, "'2026-02-30' is not a date"},
        {{"values", "copy"}, 2, "copy needs --from STORE or --to STORE"},
        {{"values", "copy", "--to", e.store}, 2, "name the same store"},
        {{"values", "copy", "--from", "sqlite:" + e.store}, 2, "name the same store"},
        {{"values", "copy", "--to", (e.dir / "b.db").string(), "--since", "12/07/2026"}, 2, "'12/07/2026' is not a date"},
        {{"values", "copy", "--from", (e.dir / "none.db").string()}, 1, "there is no store at"},
    };
    for (const auto& c : cases) {
        auto r = e.Vxn(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(e.Json({"values", "list"}).size(), 1u);
    EXPECT_FALSE(fs::exists(e.dir / "x.txt"));
    EXPECT_FALSE(fs::exists(e.dir / "b.db"));
}

TEST(VxnValues, AStoreThatIsNotOneIsRefusedAndNamed)
{
    Env e;
    std::ofstream(e.store) << "my notes, not a database\n";
    const std::string before = Slurp(e.store);
    auto measure = e.Vxn({"measure", "--yes", "--save"});
    EXPECT_EQ(measure.status, 2) << "refused before anything is measured";
    EXPECT_EQ(measure.out, "");
    EXPECT_NE(measure.err.find(e.store + " is not a store"), std::string::npos) << measure.err;
    auto list = e.Vxn({"values", "list"});
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.err.find(e.store), std::string::npos) << list.err;
    EXPECT_EQ(Slurp(e.store), before);

    // Without --store the store lies in the user's data folder; --store
    // stands before or after the command.
    Env f;
    auto r = testenv::RunProgram(testenv::Program("vxn"), {"measure", "--config", f.config, "--yes", "--save"}, "",
                        {"VXN_LANG=en", "XDG_DATA_HOME=" + f.dir.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(f.dir / "QelVXN" / "values.db"));
    auto after = RunVxn({"values", "list", "--store", (f.dir / "QelVXN" / "values.db").string(), "--json"});
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(json::parse(after.out).size(), 1u);
    EXPECT_EQ(RunVxn({"--store", (f.dir / "none.db").string(), "values", "list"}).out,
              "No values in " + (f.dir / "none.db").string() + "\n");
    EXPECT_FALSE(fs::exists(f.dir / "none.db")) << "listing creates no store";
}

// A station defaults to the store and the station name its configuration
// names, else the host name; --store and --station choose others for a run.
TEST(VxnValues, TheConfiguredStoreAndStationAreTheDefaults)
{
    Env e;
    std::ofstream(e.config) << "[Store]\nLocation=sqlite:" << e.store << "\nStation=Lab 3\n";
    ASSERT_EQ(RunVxn({"--config", e.config, "measure", "--yes", "--save"}).status, 0);
    ASSERT_EQ(RunVxn({"--config", e.config, "measure", "--yes", "--save", "--station", "Press 2"}).status, 0);
    Env bare;  // no configuration: the host name
    ASSERT_EQ(RunVxn({"--config", bare.config, "--store", e.store, "measure", "--yes", "--save"}).status, 0);
    char host[256] = {};
    gethostname(host, sizeof host - 1);

    json all = e.Json({"values", "list"});
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]["station"], "Lab 3");
    EXPECT_EQ(all[1]["station"], "Press 2");
    EXPECT_EQ(all[2]["station"], host);
    EXPECT_TRUE(all[0]["instrument"].is_string() && !all[0]["instrument"].get<std::string>().empty());
    json press = e.Json({"values", "list", "--station", "Press 2"});
    ASSERT_EQ(press.size(), 1u);
    EXPECT_EQ(press[0]["id"], all[1]["id"]);
    auto text = e.Vxn({"values", "list", "--since", all[0]["created"].get<std::string>().substr(0, 10)});
    EXPECT_NE(text.out.find("Station  Instrument  Kind"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Press 2"), std::string::npos) << text.out;

    auto other = RunVxn({"--config", e.config, "--store", (e.dir / "other.db").string(), "values", "list", "--json"});
    ASSERT_EQ(other.status, 0) << other.err;
    EXPECT_EQ(json::parse(other.out).size(), 0u);
}

// Imported values are marked with the importing station; a copy of more
// than one block reports its progress on standard error, a line per block
// where that is no terminal.
TEST(VxnValues, ImportsCarryTheStationAndLongCopiesShowProgress)
{
    Env e;
    std::string rows;
    for (int i = 0; i < 1200; ++i)
        rows += "s" + std::to_string(i) + " " + std::to_string(20 + i % 70) + " 1 2\n";
    std::ofstream(e.dir / "many.cgats") << "CGATS.17\nILLUMINANT D50\nOBSERVER 2\nNUMBER_OF_FIELDS 4\nBEGIN_DATA_FORMAT\n"
                                           "SAMPLE_NAME LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nNUMBER_OF_SETS 1200\n"
                                           "BEGIN_DATA\n"
                                        << rows << "END_DATA\n";
    ASSERT_EQ(e.Vxn({"--station", "desk 4", "values", "import", (e.dir / "many.cgats").string()}).status, 0);
    EXPECT_EQ(e.Json({"values", "list", "--station", "desk 4"}).size(), 1200u);

    auto copy = e.Vxn({"values", "copy", "--to", (e.dir / "b.db").string()});
    ASSERT_EQ(copy.status, 0) << copy.err;
    EXPECT_TRUE(std::regex_match(copy.err, std::regex("500 of 1200 values, \\d+:\\d\\d \\(\\d+:\\d\\d left\\)\n"
                                                      "1000 of 1200 values, .*\n1200 of 1200 values, .*\n")))
        << copy.err;
}

} // namespace

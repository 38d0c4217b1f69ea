// vxn refs, guides, memory and fs against vxn-emulator over TCP: a reference
// put and read back, a guide of 100 kB downloaded and listed with its size,
// a file copied to the instrument and back byte for byte; and names that
// break the instrument's rules refused before anything is sent.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include "qel/PostOffice.hpp"
#include "qelvxn/protocol/VXNProtokoll.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <random>

namespace {

using testenv::Program;
using testenv::RunVxn;

std::vector<std::string> Args(const std::string& port, std::initializer_list<std::string> rest)
{
    std::vector<std::string> v = {"--config", testenv::FreshConfigPath(), "--port", port};
    v.insert(v.end(), rest);
    return v;
}

std::string WriteRandomFile(const std::string& name, size_t n)
{
    std::string path = testenv::OutputDir() + "/" + name;
    std::mt19937 rng(static_cast<unsigned>(n));
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(VxnInstrumentStore, ReferencePutIsReadBack)
{
    testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0"});
    ASSERT_EQ(emu.FirstLine().rfind("tcp:", 0), 0u) << emu.FirstLine();
    ASSERT_EQ(emu.Command("sample 1").rfind("0 ", 0), 0u);
    auto r = RunVxn(Args(emu.FirstLine(), {"refs", "put", "9", "Dark skin"}));
    ASSERT_EQ(r.status, 0) << r.err;

    // Slot 9 is value number 10 of the selected-reference value type.
    PostOffice::Instance()->SetEndpoint(String(emu.FirstLine()));
    VXNProtokoll p;
    float values[36] = {};
    unsigned char flag = 0;
    short time[7] = {};
    ASSERT_EQ(p.SetValNr(VALUE_REFERENCE_SELECT, 10), 1);
    ASSERT_EQ(p.SpectrumRequest(VALUE_SELECTED_REFERENCE, SPECT_REMISSION, values, flag), 1);
    ASSERT_EQ(p.TimeRequest(VALUE_SELECTED_REFERENCE, time), 1);
    PostOffice::Instance()->Close();
    EXPECT_EQ(flag, 1) << "slot 9 holds a spectrum";
    EXPECT_GT(values[20], 0.0f);
    EXPECT_GE(time[6], 0);
    EXPECT_LT(time[6], 100) << "two-digit year";
    EXPECT_GE(time[4], 1) << "day of the reference's date";
}

TEST(VxnInstrumentStore, FilePutThenGetGivesTheSameBytes)
{
    testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0"});
    for (size_t n : {size_t(0), size_t(512), size_t(1300)}) {
        SCOPED_TRACE(n);
        std::string local = WriteRandomFile("put" + std::to_string(n) + ".bin", n);
        auto put = RunVxn(Args(emu.FirstLine(), {"fs", "put", local, "C:\\DATA\\TEST.BIN"}));
        ASSERT_EQ(put.status, 0) << put.err;
        std::string back = local + ".back";
        auto get = RunVxn(Args(emu.FirstLine(), {"fs", "get", "C:/DATA/TEST.BIN", back}));
        ASSERT_EQ(get.status, 0) << get.err;
        EXPECT_EQ(testenv::Slurp(back), testenv::Slurp(local));
        auto ls = RunVxn(Args(emu.FirstLine(), {"fs", "ls", "\\DATA"}));
        EXPECT_NE(ls.out.find("TEST.BIN     " + std::to_string(n)), std::string::npos) << ls.out;
        auto pwd = RunVxn(Args(emu.FirstLine(), {"fs", "pwd"}));
        EXPECT_EQ(pwd.out, "C:\\\n") << "get, put and ls leave the current directory";
    }
}

TEST(VxnInstrumentStore, NamesAgainstTheInstrumentsRulesAreRefusedFirst)
{
    // Nothing listens on the port: a command that reached for the
    // instrument would fail with status 1.
    const std::string none = "tcp:127.0.0.1:1";
    const std::string file = WriteRandomFile("small.bin", 10);
    struct Case {
        std::vector<std::string> args;
        std::string rule;
    } cases[] = {
        {{"refs", "put", "3", "Seventeen chars!!"}, "at most 16"},
        {{"guides", "rename", "2", "ABCDEFGHIJKLMNOPQ"}, "at most 16"},
        {{"guides", "download", file, "ABCDEFGHIJKLMNOPQ"}, "at most 16"},
        {{"fs", "put", file, "LONGFILENAME.TXT"}, "8.3 name"},
        {{"fs", "put", file, "A.TEXT"}, "8.3 name"},
        {{"fs", "get", "BAD NAME.TXT", file + ".x"}, "8.3 name"},
        {{"fs", "cd", std::string(129, 'D')}, "at most 128"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> a = {"--config", testenv::FreshConfigPath(), "--port", none};
        a.insert(a.end(), c.args.begin(), c.args.end());
        auto r = RunVxn(a);
        EXPECT_EQ(r.status, 2) << c.args[0] << " " << c.args[1] << ": " << r.err;
        EXPECT_NE(r.err.find(c.rule), std::string::npos) << r.err;
    }
}

long FreeMemory(const std::string& port)
{
    auto m = RunVxn(Args(port, {"memory", "--json"}));
    EXPECT_EQ(m.status, 0) << m.err;
    return m.status == 0 ? nlohmann::json::parse(m.out)["free"].get<long>() : -1;
}

// The size vxn guides list gives the guide of that name; -1 when not listed.
long GuideSize(const std::string& port, const std::string& name)
{
    auto l = RunVxn(Args(port, {"guides", "list", "--json"}));
    EXPECT_EQ(l.status, 0) << l.err;
    for (const auto& g : l.status == 0 ? nlohmann::json::parse(l.out)["guides"] : nlohmann::json::array())
        if (g["name"] == name) {
            EXPECT_FALSE(g["rom"].get<bool>()) << name;
            return g["size"].get<long>();
        }
    return -1;
}

// vxn guides and vxn fs see one memory: a guide of 100 kB downloaded is
// listed with its size and shows as a file of the same bytes, a guide file
// put into the file store is a guide, and both take the free memory vxn
// memory reports.
TEST(VxnInstrumentStore, GuidesAndFilesAreOneMemory)
{
    testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0"});
    const std::string port = emu.FirstLine();

    long free0 = FreeMemory(port);
    std::string guide = WriteRandomFile("guide100k.bin", 100 * 1000);
    auto d = RunVxn(Args(port, {"guides", "download", guide, "Hundred kB"}));
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_NE(d.err.find("100 %"), std::string::npos) << "progress on standard error: " << d.err;
    EXPECT_EQ(GuideSize(port, "Hundred kB"), 100000);
    EXPECT_EQ(FreeMemory(port), free0 - 100000);
    auto ls = RunVxn(Args(port, {"fs", "ls", "C:\\GUIDES"}));
    ASSERT_EQ(ls.status, 0) << ls.err;
    EXPECT_NE(ls.out.find("HUNDRE~1.GDE 100000"), std::string::npos) << ls.out;
    auto get = RunVxn(Args(port, {"fs", "get", "C:\\GUIDES\\HUNDRE~1.GDE", guide + ".back"}));
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(testenv::Slurp(guide + ".back"), testenv::Slurp(guide));

    std::string file = WriteRandomFile("viewfile.bin", 700);
    free0 = FreeMemory(port);
    ASSERT_EQ(RunVxn(Args(port, {"fs", "put", file, "C:\\GUIDES\\LINES.GDE"})).status, 0);
    EXPECT_EQ(FreeMemory(port), free0 - 700);
    EXPECT_EQ(GuideSize(port, "LINES"), 700);

    std::string big = WriteRandomFile("viewbig.bin", static_cast<size_t>(FreeMemory(port)) + 1);
    auto put = RunVxn(Args(port, {"fs", "put", big, "C:\\DATA\\BIG.BIN"}));
    EXPECT_NE(put.status, 0) << "larger than the free memory";
    EXPECT_NE(put.err.find("full"), std::string::npos) << put.err;
}

} // namespace

// vxn guides and vxn fs against vxn-emulator over TCP see one memory: a guide
// downloaded shows as a file of the same bytes, a guide file put into the
// file store is a guide, and files take the free memory vxn memory reports.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

namespace {

using testenv::Program;
using testenv::RunVxn;

std::vector<std::string> Args(const std::string& port, std::initializer_list<std::string> rest)
{
    std::vector<std::string> v = {"--config", testenv::FreshConfigPath(), "--port", port};
    v.insert(v.end(), rest);
    return v;
}

std::string WriteFile(const std::string& name, size_t n)
{
    std::string path = testenv::OutputDir() + "/" + name;
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(i * 13 + 5);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

long FreeMemory(const std::string& port)
{
    auto m = RunVxn(Args(port, {"memory", "--json"}));
    EXPECT_EQ(m.status, 0) << m.err;
    return nlohmann::json::parse(m.out)["free"].get<long>();
}

TEST(VxnInstrumentStoreView, GuidesAndFilesAreOneMemory)
{
    testenv::BackgroundProcess emu(Program("vxn-emulator"), {"--tcp", "127.0.0.1:0"});
    const std::string port = emu.FirstLine();

    std::string guide = WriteFile("viewguide.bin", 1300);
    ASSERT_EQ(RunVxn(Args(port, {"guides", "download", guide, "Spot"})).status, 0);
    auto ls = RunVxn(Args(port, {"fs", "ls", "C:\\GUIDES"}));
    ASSERT_EQ(ls.status, 0) << ls.err;
    EXPECT_NE(ls.out.find("SPOT.GDE     1300"), std::string::npos) << ls.out;
    auto get = RunVxn(Args(port, {"fs", "get", "C:\\GUIDES\\SPOT.GDE", guide + ".back"}));
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(testenv::Slurp(guide + ".back"), testenv::Slurp(guide));

    std::string file = WriteFile("viewfile.bin", 700);
    long free0 = FreeMemory(port);
    ASSERT_EQ(RunVxn(Args(port, {"fs", "put", file, "C:\\GUIDES\\LINES.GDE"})).status, 0);
    EXPECT_EQ(FreeMemory(port), free0 - 700);
    auto list = RunVxn(Args(port, {"guides", "list", "--json"}));
    ASSERT_EQ(list.status, 0) << list.err;
    bool found = false;
    auto guides = nlohmann::json::parse(list.out);
    for (const auto& g : guides["guides"])
        if (g["name"] == "LINES") {
            found = true;
            EXPECT_EQ(g["size"], 700);
        }
    EXPECT_TRUE(found) << list.out;

    std::string big = WriteFile("viewbig.bin", static_cast<size_t>(FreeMemory(port)) + 1);
    auto put = RunVxn(Args(port, {"fs", "put", big, "C:\\DATA\\BIG.BIN"}));
    EXPECT_NE(put.status, 0) << "larger than the free memory";
    EXPECT_NE(put.err.find("full"), std::string::npos) << put.err;
}

} // namespace

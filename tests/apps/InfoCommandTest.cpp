// vxn info against the built-in virtual instrument, against vxn-emulator over
// TCP, and with nothing answering.
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using testenv::Program;
using testenv::RunVxn;

std::vector<std::string> Args(std::initializer_list<std::string> rest)
{
    std::vector<std::string> v = {"--config", testenv::FreshConfigPath()};
    v.insert(v.end(), rest);
    return v;
}

TEST(VxnInfo, DescribesTheInstrumentInTextOrJson)
{
    auto r = RunVxn(Args({"info"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Device type       1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Software version  355"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("illuminant D65, observer 2°"), std::string::npos) << r.out;

    auto j = RunVxn(Args({"--port", "emulator:profile=huepointer", "info", "--json"}));
    ASSERT_EQ(j.status, 0) << j.err;
    auto info = nlohmann::json::parse(j.out);
    EXPECT_TRUE(info["models"]["huepointer"].get<bool>());
    EXPECT_EQ(info["conditions"]["illuminant"]["text"], "D65");
    EXPECT_EQ(info["conditions"]["observer"]["code"], 0);
    EXPECT_TRUE(info["device_type"].is_number());
    EXPECT_TRUE(info["serial_number"].is_string());
}

TEST(VxnInfo, NothingAnsweringIsOneLineAndStatusOne)
{
    struct Case {
        std::string port, says;
    } cases[] = {
        {"tcp:127.0.0.1:1", "cannot reach the instrument"},
        {"serial:/nonexistent/tty0", "cannot open"},
    };
    for (const auto& c : cases) {
        auto r = RunVxn(Args({"--port", c.port, "info"}));
        EXPECT_EQ(r.status, 1) << c.port;
        EXPECT_EQ(r.err.rfind("vxn: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

} // namespace

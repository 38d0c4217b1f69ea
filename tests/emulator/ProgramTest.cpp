// The vxn-emulator program: spawned, reached over TCP and a pseudo-terminal,
// steered through its standard input.
#include "EmuTestUtil.hpp"

#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace emutest;
using testenv::BackgroundProcess;

namespace {

std::string Emulator()
{
    return testenv::Program("vxn-emulator");
}

std::unique_ptr<Channel> ConnectTcp(const std::string& endpoint)
{
    String err;
    return OpenChannel(String(endpoint), 2000, err);
}

bool Done(const std::string& answer)
{
    return answer.rfind("0 ", 0) == 0;
}

TEST(EmuProgram, ServesTcpClientsAndTakesCommandsOnStdin)
{
    BackgroundProcess emu(Emulator(), {"--tcp", "127.0.0.1:0", "--profile", "type2", "--sw-version", "350"});
    const std::string endpoint = emu.FirstLine();
    ASSERT_EQ(endpoint.rfind("tcp:127.0.0.1:", 0), 0u) << endpoint;

    auto ch = ConnectTcp(endpoint);
    ASSERT_TRUE(ch);
    FrameLink link(*ch);
    EXPECT_EQ(IntAt(link.Payload(8), 1), 350);
    EXPECT_EQ(IntAt(link.Payload(13), 1), 2);

    EXPECT_TRUE(Done(emu.Command("filter 9")));
    EXPECT_EQ(IntAt(link.Payload(26), 17), 9);
    EXPECT_EQ(emu.Command("bogus").rfind("1 ", 0), 0u);

    // Garbage on the line is skipped; the next frame is answered.
    uint8_t junk[] = {0x02, 'Z', 1, 2, 3, 0xFF, 'Q'};
    ASSERT_TRUE(ch->Write(junk, sizeof junk));
    EXPECT_EQ(link.Payload(9).at(0), 0);

    // Key reporting on, key pressed on stdin: an unsolicited frame.
    ASSERT_TRUE(link.Request(82));
    EXPECT_TRUE(Done(emu.Command("key")));
    auto u = link.Next(2000);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->kind, wire::Kind::Unsolicited);
    EXPECT_EQ(u->message, 81);

    // disconnect closes this client; a new one finds the same instrument.
    ASSERT_TRUE(link.Control("disconnect"));
    EXPECT_FALSE(link.Next(300));
    EXPECT_TRUE(link.Closed());
    auto ch2 = ConnectTcp(endpoint);
    ASSERT_TRUE(ch2);
    EXPECT_EQ(IntAt(FrameLink(*ch2).Payload(26), 17), 9);

    // A client that goes away does not end the program.
    ch2.reset();
    auto ch3 = ConnectTcp(endpoint);
    ASSERT_TRUE(ch3);
    EXPECT_TRUE(FrameLink(*ch3).Request(8));
}

TEST(EmuProgram, ServesAPseudoTerminal)
{
    BackgroundProcess emu(Emulator(), {"--pty", "--profile", "vxn-table"});
    const std::string path = emu.FirstLine();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;

    String err;
    auto ch = OpenChannel(String("serial:" + path), 2000, err);
    ASSERT_TRUE(ch) << err.str();
    FrameLink link(*ch);
    EXPECT_EQ(link.Payload(94), (Bytes{0, 1}));
    EXPECT_EQ(link.Payload(84, Ints({1240, 1140})).size(), 145u); // inside patch 2
    EXPECT_NE(emu.Command("state").find("head=down"), std::string::npos);

    // Every byte value crosses the line unchanged (raw mode).
    ASSERT_EQ(link.Payload(40, Ints({68, 4})).at(0), 0);
    EXPECT_EQ(link.Payload(19, NameRequest(3, "\n\r\x03\x04\x11\x13\x7f\xff ABCDEFG")), Bytes{0});
}

// Standard input is closed at the start; timeout(1) answers 124 for a
// program it had to end.
TEST(EmuProgram, ExitsOnEndOfInputOnlyWhenAsked)
{
    auto r = testenv::RunProgram("/usr/bin/timeout", {"3", Emulator(), "--tcp", "127.0.0.1:0", "--exit-on-eof"});
    EXPECT_EQ(r.status, 0) << r.err;

    bool asked = false, served = false;
    r = testenv::RunProgram("/usr/bin/timeout", {"2", Emulator(), "--tcp", "127.0.0.1:0"}, "", {},
                            [&](int, const std::string& out) {
                                if (asked || out.find('\n') == std::string::npos)
                                    return;
                                asked = true;
                                usleep(200000);
                                auto ch = ConnectTcp(out.substr(0, out.find('\n')));
                                served = ch && FrameLink(*ch).Request(8).has_value();
                            });
    EXPECT_EQ(r.status, 124) << "keeps running: " << r.err;
    EXPECT_TRUE(served);
}

TEST(EmuProgram, OptionErrorsExitTwo)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"--bogus"}, {"--tcp", "127.0.0.1:0", "--pty"}, {"--tcp", "127.0.0.1:0", "--profile", "nope"},
             {"--pty", "--profile", "nosuch"}, {"--tcp", "127.0.0.1:0", "--sw-version", "x"}}) {
        auto r = testenv::RunProgram(Emulator(), args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? std::string("no options") : args[0]) << "\n" << r.err;
    }
}

TEST(EmuProgram, AnyAddressListenerPrintsAnEndpointVxnReaches)
{
    BackgroundProcess emu(Emulator(), {"--tcp", ":0"});
    ASSERT_EQ(emu.FirstLine().rfind("tcp:127.0.0.1:", 0), 0u) << emu.FirstLine();
    auto r = testenv::RunVxn({"info", "--port", emu.FirstLine(), "--config", testenv::FreshConfigPath()});
    EXPECT_EQ(r.status, 0) << r.err;
}

} // namespace

// The vxn-emulator program: spawned, reached over TCP and a pseudo-terminal,
// steered through its standard input.
#include "EmuTestUtil.hpp"

#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <arpa/inet.h>

using namespace emutest;

namespace {

// The program with pipes on its standard input and output.
class Emulator {
public:
    explicit Emulator(std::vector<std::string> args)
    {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
        std::string prog = testenv::Program("vxn-emulator");
        args.insert(args.begin(), prog);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&mnPid, prog.c_str(), &fa, nullptr, argv.data(), environ) != 0)
            mnPid = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(in[0]);
        ::close(out[1]);
        mnIn = in[1];
        mnOut = out[0];
    }
    ~Emulator()
    {
        if (mnIn >= 0)
            ::close(mnIn);
        if (mnOut >= 0)
            ::close(mnOut);
        if (mnPid > 0) {
            kill(mnPid, SIGTERM);
            int st;
            waitpid(mnPid, &st, 0);
        }
    }
    bool Running() const { return mnPid > 0; }

    // One line of its output, within the time.
    std::string Line(int timeoutMs = 5000)
    {
        for (;;) {
            size_t nl = maBuf.find('\n');
            if (nl != std::string::npos) {
                std::string l = maBuf.substr(0, nl);
                maBuf.erase(0, nl + 1);
                return l;
            }
            pollfd p{mnOut, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0)
                return {};
            char buf[512];
            ssize_t n = read(mnOut, buf, sizeof buf);
            if (n <= 0)
                return {};
            maBuf.append(buf, static_cast<size_t>(n));
        }
    }
    std::string Command(const std::string& line)
    {
        std::string l = line + "\n";
        if (write(mnIn, l.data(), l.size()) != static_cast<ssize_t>(l.size()))
            return {};
        return Line();
    }
    void CloseInput()
    {
        ::close(mnIn);
        mnIn = -1;
    }
    // Exit status once it ended within the time, else -1.
    int WaitExit(int timeoutMs)
    {
        for (int t = 0; t < timeoutMs; t += 10) {
            int st;
            if (waitpid(mnPid, &st, WNOHANG) == mnPid) {
                mnPid = -1;
                return WIFEXITED(st) ? WEXITSTATUS(st) : 128;
            }
            usleep(10000);
        }
        return -1;
    }

private:
    pid_t mnPid = -1;
    int mnIn = -1, mnOut = -1;
    std::string maBuf;
};

std::unique_ptr<Channel> ConnectTcp(const std::string& endpoint)
{
    String err;
    return OpenChannel(String(endpoint), 2000, err);
}

} // namespace

TEST(EmuProgram, ServesTcpClientsAndTakesCommandsOnStdin)
{
    Emulator emu({"--tcp", "127.0.0.1:0", "--profile", "type2", "--sw-version", "350"});
    ASSERT_TRUE(emu.Running());
    std::string endpoint = emu.Line();
    ASSERT_EQ(endpoint.rfind("tcp:127.0.0.1:", 0), 0u) << endpoint;

    auto ch = ConnectTcp(endpoint);
    ASSERT_TRUE(ch);
    FrameLink link(*ch);
    auto sw = link.Request(8);
    ASSERT_TRUE(sw);
    EXPECT_EQ(IntsOf(sw->payload, 1, 1)[0], 350);
    auto type = link.Request(13);
    ASSERT_TRUE(type);
    EXPECT_EQ(IntsOf(type->payload, 1, 1)[0], 2);

    EXPECT_EQ(emu.Command("filter 9").rfind("0 ", 0), 0u);
    EXPECT_EQ(IntsOf(link.Request(26)->payload, 1, 5)[4], 9);
    EXPECT_EQ(emu.Command("bogus").rfind("1 ", 0), 0u);

    // Garbage on the line is skipped; the next frame is answered.
    uint8_t junk[] = {0x02, 'Z', 1, 2, 3, 0xFF, 'Q'};
    ASSERT_TRUE(ch->Write(junk, sizeof junk));
    auto after = link.Request(9);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->payload[0], 0);

    // Key reporting on, key pressed on stdin: an unsolicited frame.
    ASSERT_TRUE(link.Request(82));
    EXPECT_EQ(emu.Command("key").rfind("0 ", 0), 0u);
    auto u = link.Next(2000);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->kind, wire::Kind::Unsolicited);
    EXPECT_EQ(u->message, 81);

    // disconnect closes this client; a new one finds the same instrument.
    auto bye = link.Control("disconnect");
    ASSERT_TRUE(bye);
    EXPECT_FALSE(link.Next(300));
    EXPECT_TRUE(link.Closed());
    auto ch2 = ConnectTcp(endpoint);
    ASSERT_TRUE(ch2);
    FrameLink link2(*ch2);
    auto p = link2.Request(26);
    ASSERT_TRUE(p);
    EXPECT_EQ(IntsOf(p->payload, 1, 5)[4], 9);

    // A client that goes away does not end the program.
    ch2.reset();
    auto ch3 = ConnectTcp(endpoint);
    ASSERT_TRUE(ch3);
    FrameLink link3(*ch3);
    EXPECT_TRUE(link3.Request(8));
}

TEST(EmuProgram, ServesAPseudoTerminal)
{
    Emulator emu({"--pty", "--profile", "vxn-table"});
    ASSERT_TRUE(emu.Running());
    std::string path = emu.Line();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;

    String err;
    auto ch = OpenChannel(String("serial:" + path), 2000, err);
    ASSERT_TRUE(ch) << err.str();
    FrameLink link(*ch);
    auto has = link.Request(94);
    ASSERT_TRUE(has);
    EXPECT_EQ(has->payload, (Bytes{0, 1}));
    auto pos = link.Request(84, Ints({1240, 1140})); // inside patch 2
    ASSERT_TRUE(pos);
    ASSERT_EQ(pos->payload.size(), 145u);
    EXPECT_NE(emu.Command("state").find("head=down"), std::string::npos);

    // Every byte value crosses the line unchanged (raw mode).
    Bytes name = Ints({3});
    for (int i = 0; i < 17; ++i)
        name.push_back(static_cast<uint8_t>(i == 16 ? 0 : "\n\r\x03\x04\x11\x13\x7f\xff ABCDEFGH"[i]));
    ASSERT_EQ(link.Request(40, Ints({68, 4}))->payload[0], 0);
    EXPECT_EQ(link.Request(19, name)->payload, Bytes{0});
}

TEST(EmuProgram, ExitsOnEndOfInputOnlyWhenAsked)
{
    {
        Emulator emu({"--tcp", "127.0.0.1:0", "--exit-on-eof"});
        ASSERT_FALSE(emu.Line().empty());
        emu.CloseInput();
        EXPECT_EQ(emu.WaitExit(3000), 0);
    }
    {
        Emulator emu({"--tcp", "127.0.0.1:0"});
        std::string endpoint = emu.Line();
        emu.CloseInput();
        EXPECT_EQ(emu.WaitExit(200), -1) << "keeps serving";
        auto ch = ConnectTcp(endpoint);
        ASSERT_TRUE(ch);
        FrameLink link(*ch);
        EXPECT_TRUE(link.Request(8));
    }
    {
        Emulator emu({"--profile", "nosuch", "--pty"});
        EXPECT_EQ(emu.WaitExit(3000), 2);
    }
}

namespace {

TEST(EmuProgram, OptionErrorsExitTwo)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"--bogus"}, {"--tcp", "127.0.0.1:0", "--pty"}, {"--tcp", "127.0.0.1:0", "--profile", "nope"},
             {"--tcp", "127.0.0.1:0", "--sw-version", "x"}}) {
        auto r = testenv::RunProgram(testenv::Program("vxn-emulator"), args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? std::string("no options") : args[0]) << "\n" << r.err;
    }
}

TEST(EmuProgram, AnyAddressListenerPrintsAnEndpointVxnReaches)
{
    testenv::BackgroundProcess emu(testenv::Program("vxn-emulator"), {"--tcp", ":0"});
    ASSERT_EQ(emu.FirstLine().rfind("tcp:127.0.0.1:", 0), 0u) << emu.FirstLine();
    auto r = testenv::RunVxn({"info", "--port", emu.FirstLine(), "--config", testenv::FreshConfigPath()});
    EXPECT_EQ(r.status, 0) << r.err;
}

} // namespace

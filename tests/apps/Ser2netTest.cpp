// An instrument on a serial line of another machine, reached through
// ser2net and vxn's tcp: endpoint: vxn-emulator on a pseudo-terminal stands
// for the instrument, ser2net exposes it on a loopback port. A measurement
// goes through into the shared PostgreSQL store; ser2net going away in the
// middle of one is a clear failure within the time-out. Without ser2net the test is reported as skipped.
#include "support/PgServer.hpp"
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* SER2NET = "/usr/sbin/ser2net";

int FreePort()
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    close(s);
    return ntohs(a.sin_port);
}

// ser2net in the foreground with a configuration of one connection.
class Ser2net {
public:
    Ser2net(const std::string& rDevice, int nPort)
    {
        std::string config = testenv::FreshConfigPath() + ".yaml";
        std::ofstream(config) << "connection: &instrument\n"
                              << "  accepter: tcp,127.0.0.1," << nPort << "\n"
                              << "  connector: serialdev," << rDevice << ",9600n81,local\n"
                              << "  options:\n    kickolduser: true\n";
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::string pidFile = config + ".pid";
        const char* argv[] = {SER2NET, "-n", "-c", config.c_str(), "-P", pidFile.c_str(), nullptr};
        posix_spawn(&mnPid, SER2NET, &fa, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&fa);
        // Listening once a connection is accepted.
        for (int i = 0; i < 100; ++i) {
            int s = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(nPort));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            bool up = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            close(s);
            if (up)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~Ser2net() { Stop(); }
    void Stop()
    {
        if (mnPid > 0) {
            kill(mnPid, SIGKILL);
            waitpid(mnPid, nullptr, 0);
            mnPid = -1;
        }
    }
    int Pid() const { return mnPid; }

private:
    pid_t mnPid = -1;
};

TEST(Ser2net, AnInstrumentOnAnotherMachinesSerialLine)
{
    if (!std::filesystem::exists(SER2NET))
        GTEST_SKIP() << "ser2net is not installed";
    testenv::BackgroundProcess emu(testenv::Program("vxn-emulator"), {"--pty"});
    ASSERT_EQ(emu.FirstLine().rfind("/dev/", 0), 0u) << emu.FirstLine();
    int port = FreePort();
    Ser2net bridge(emu.FirstLine(), port);
    std::string endpoint = "tcp:127.0.0.1:" + std::to_string(port), config = testenv::FreshConfigPath();

    // Kept in the shared store (an SQLite file where the PostgreSQL server
    // programs are missing).
    auto& server = testenv::PgServer::Get();
    std::string store = server.Running() ? server.NewDatabase() : config + ".db";
    auto m = testenv::RunVxn(
        {"--config", config, "--port", endpoint, "measure", "--yes", "--json", "--save", "--store", store});
    ASSERT_EQ(m.status, 0) << m.err;
    EXPECT_NE(m.out.find("\"lab\""), std::string::npos);
    auto list = testenv::RunVxn({"--config", config, "--store", store, "values", "list", "--json"});
    ASSERT_EQ(list.status, 0) << list.err;
    auto values = nlohmann::json::parse(list.out);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_TRUE(values[0]["instrument"].is_string()) << "the serial number came through the bridge";

    // The bridge goes while the instrument measures (slowly).
    ASSERT_EQ(emu.Command("delay 28 3000").rfind("0 ", 0), 0u);
    std::thread cut([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        bridge.Stop();
    });
    auto t0 = std::chrono::steady_clock::now();
    auto r = testenv::RunVxn({"--config", config, "--port", endpoint, "measure", "--yes"});
    auto s = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0).count();
    cut.join();
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("the instrument stopped answering"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("L*a*b*"), std::string::npos) << "no result from a measurement that did not finish";
    EXPECT_LT(s, 5 + 2) << "within the time-out";
}

} // namespace

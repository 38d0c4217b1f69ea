// Exchanges per second of a simple command (GetDeviceType) through the
// instrument command set, over TCP and over a pseudo-terminal: against
// vxn-emulator, and against a bare echo of frames of the same size, beside
// that echo driven without the library (the channel's own limit). Library
// against bare echo is what the transport leaves of the channel's limit;
// against vxn-emulator the virtual instrument's work is added.
//
// Also: the time from starting vxn to its first exchange.
#include "qel/Channel.hpp"
#include "qel/PostOffice.hpp"
#include "qel/WireFrame.hpp"
#include "qelvxn/protocol/VXNProtokoll.hpp"

#include "BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// GetDeviceType: empty request, reply status + 4 bytes.
constexpr size_t DEVICE_TYPE_REPLY = 5;

void RunDeviceType(benchmark::State& state, const std::string& endpoint)
{
    PostOffice* po = PostOffice::Instance();
    po->SetEndpoint(String(endpoint));
    VXNProtokoll p;
    if (p.GetDeviceType() == 0 && !po->GetLastError().IsEmpty()) {
        state.SkipWithError(po->GetLastError().GetStr());
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(p.GetDeviceType());
    state.counters["exchanges/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    po->Close();
}

void RunBareEcho(benchmark::State& state, std::unique_ptr<Channel> ch)
{
    wire::Frame q;
    q.kind = wire::Kind::Request;
    q.message = 13;
    wire::FrameParser parser;
    uint8_t buf[4096];
    uint16_t seq = 0;
    for (auto _ : state) {
        q.sequence = ++seq;
        auto bytes = wire::Encode(q);
        ch->Write(bytes.data(), bytes.size());
        wire::Frame r;
        while (!parser.Next(r)) {
            long n = ch->Read(buf, sizeof buf, 1000);
            if (n <= 0) {
                state.SkipWithError("echo peer did not answer");
                return;
            }
            parser.Feed(buf, static_cast<size_t>(n));
        }
    }
    state.counters["exchanges/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DeviceType_Tcp(benchmark::State& state)
{
    Emulator emu({"--tcp", "127.0.0.1:0"});
    RunDeviceType(state, emu.endpoint);
}

void BM_DeviceType_Pty(benchmark::State& state)
{
    Emulator emu({"--pty"});
    RunDeviceType(state, emu.endpoint);
}

// A bare frame echo on a loopback TCP connection or a pseudo-terminal, in a
// thread of this process; fn gets the endpoint to open.
template <class Fn>
void WithEchoTcp(benchmark::State& state, Fn fn)
{
    int port = 0;
    int ls = ListenLoopback(port);
    std::thread server([ls] {
        int fd = accept(ls, nullptr, nullptr);
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        EchoLoop(fd, DEVICE_TYPE_REPLY);
        close(fd);
    });
    fn("tcp:127.0.0.1:" + std::to_string(port));
    shutdown(ls, SHUT_RDWR);
    close(ls);
    server.join();
    (void)state;
}

template <class Fn>
void WithEchoPty(benchmark::State& state, Fn fn)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    std::string slave = ptsname(master);
    termios t{};
    tcgetattr(master, &t);
    cfmakeraw(&t);
    tcsetattr(master, TCSANOW, &t);
    std::thread server([master] { EchoLoop(master, DEVICE_TYPE_REPLY); });
    fn("serial:" + slave);
    close(master);
    server.join();
    (void)state;
}

void BareEchoAt(benchmark::State& state, const std::string& endpoint)
{
    String err;
    auto ch = OpenChannel(String(endpoint), 2000, err);
    if (ch)
        RunBareEcho(state, std::move(ch));
    else
        state.SkipWithError(err.GetStr());
}

void BM_BareEcho_Tcp(benchmark::State& state)
{
    WithEchoTcp(state, [&](const std::string& e) { BareEchoAt(state, e); });
}

void BM_BareEcho_Pty(benchmark::State& state)
{
    WithEchoPty(state, [&](const std::string& e) { BareEchoAt(state, e); });
}

// The library's exchanges against the same bare echo: what the transport
// itself leaves of the channel's limit (the virtual instrument's own work
// left out).
void BM_LibraryEcho_Tcp(benchmark::State& state)
{
    WithEchoTcp(state, [&](const std::string& e) { RunDeviceType(state, e); });
}

void BM_LibraryEcho_Pty(benchmark::State& state)
{
    WithEchoPty(state, [&](const std::string& e) { RunDeviceType(state, e); });
}

void BM_VxnStartToFirstExchange(benchmark::State& state)
{
    int portNr = 0;
    int ls = ListenLoopback(portNr);
    std::string port = "tcp:127.0.0.1:" + std::to_string(portNr);
    std::string prog = std::string(VXN_BIN_DIR) + "/vxn";
    std::string cfg = "/tmp/vxn-bench-start.ini";
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        pid_t pid;
        char* argv[] = {const_cast<char*>(prog.c_str()), const_cast<char*>("--config"), const_cast<char*>(cfg.c_str()),
                        const_cast<char*>("--port"), const_cast<char*>(port.c_str()), const_cast<char*>("info"), nullptr};
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&fa);
        int fd = accept(ls, nullptr, nullptr);
        uint8_t b;
        ssize_t got = read(fd, &b, 1);
        auto t1 = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        close(fd);  // vxn then reports that nothing answers
        waitpid(pid, nullptr, 0);
        if (got != 1)
            state.SkipWithError("vxn sent nothing");
    }
    close(ls);
}

} // namespace

// Exchanges wait for the other side: rates are per wall-clock second.
BENCHMARK(BM_DeviceType_Tcp)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_BareEcho_Tcp)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_DeviceType_Pty)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_BareEcho_Pty)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_LibraryEcho_Tcp)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_LibraryEcho_Pty)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_VxnStartToFirstExchange)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("VXN_CONFIG", "/tmp/vxn-bench-transport.ini", 1);
    signal(SIGPIPE, SIG_IGN);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PostOffice::Destroy();
    return 0;
}

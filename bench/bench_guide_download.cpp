// Throughput of a guide download (VXNLib::GuideDownload: lock, 512-byte
// blocks with their progress dialog, closing block, unlock) against
// vxn-emulator over TCP, beside a bare echo of frames of the same size on
// the same kind of channel. The counter "ratio" is the download's bytes per
// second over the bare channel's: what the library, the transport and the
// virtual instrument leave of the channel's limit.
#include "qel/Channel.hpp"
#include "qel/PostOffice.hpp"
#include "qel/WireFrame.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "sv/Responder.hpp"

#include "BenchSupport.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <netinet/tcp.h>
#include <thread>

namespace {

constexpr size_t GUIDE_BYTES = 100 * 1000;
constexpr size_t BLOCK_REQUEST = 4 + 4 + 512; // guide number, header, block
constexpr size_t BLOCK_REPLY = 1 + 4;         // status, instrument status

// Nobody watches the progress dialog.
class QuietResponder : public Responder {
public:
    short AskBox(const BoxRequest&) override { return 1; }
    void OnDialogExecute(ModalDialog&) override {}
    void Beep(int) override {}
};

// Bytes per second of the bare channel moving the download's frames.
double BareEchoBytesPerSecond()
{
    int port = 0;
    int ls = ListenLoopback(port);
    std::thread server([ls] {
        int fd = accept(ls, nullptr, nullptr);
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        EchoLoop(fd, BLOCK_REPLY);
        close(fd);
    });
    String err;
    auto ch = OpenChannel(String("tcp:127.0.0.1:" + std::to_string(port)), 2000, err);
    double rate = 0;
    if (ch) {
        wire::Frame q;
        q.kind = wire::Kind::Request;
        q.message = 39;
        q.payload.assign(BLOCK_REQUEST, 0x5A);
        wire::FrameParser parser;
        uint8_t buf[4096];
        const size_t blocks = 4 * (GUIDE_BYTES / 512 + 1);
        auto t0 = std::chrono::steady_clock::now();
        for (size_t i = 0; i < blocks; ++i) {
            q.sequence = static_cast<uint16_t>(i + 1);
            auto bytes = wire::Encode(q);
            ch->Write(bytes.data(), bytes.size());
            wire::Frame r;
            while (!parser.Next(r)) {
                long n = ch->Read(buf, sizeof buf, 1000);
                if (n <= 0)
                    break;
                parser.Feed(buf, static_cast<size_t>(n));
            }
        }
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        rate = static_cast<double>(blocks * 512) / s;
    }
    ch.reset();
    shutdown(ls, SHUT_RDWR);
    close(ls);
    server.join();
    return rate;
}

void BM_GuideDownload_Tcp(benchmark::State& state)
{
    const double bare = BareEchoBytesPerSecond();
    Emulator emu({"--tcp", "127.0.0.1:0"});
    PostOffice::Instance()->SetEndpoint(String(emu.endpoint));
    QuietResponder quiet;
    ScopedResponder use(quiet);
    VXNLib* lib = VXNLib::CreateVXNLib(0);

    char path[] = "/tmp/vxn-bench-guide-XXXXXX";
    int fd = mkstemp(path);
    std::vector<uint8_t> data(GUIDE_BYTES, 0x33);
    if (fd < 0 || write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
        state.SkipWithError("cannot write the guide file");
        return;
    }
    short header[2] = {static_cast<short>(GUIDE_BYTES / 512), static_cast<short>(GUIDE_BYTES % 512)};
    unsigned char room[2] = {};
    short guide = -1;
    unsigned short freeBlocks = 0;
    if (!lib->NewGuide(-1, header, room, guide, freeBlocks) || !room[0]) {
        state.SkipWithError("the virtual instrument has no room for the guide");
    } else {
        for (auto _ : state) {
            lseek(fd, 0, SEEK_SET);
            if (!lib->GuideDownload(nullptr, guide, fd)) {
                state.SkipWithError("the download failed");
                break;
            }
        }
        double done = static_cast<double>(state.iterations() * GUIDE_BYTES);
        state.counters["bytes/s"] = benchmark::Counter(done, benchmark::Counter::kIsRate);
        state.counters["bare bytes/s"] = bare;
        state.counters["ratio"] = benchmark::Counter(done / bare, benchmark::Counter::kIsRate);
    }
    close(fd);
    std::remove(path);
    QelSingleton::Remove(lib);
    delete lib;
    PostOffice::Instance()->Close();
}

} // namespace

BENCHMARK(BM_GuideDownload_Tcp)->MinTime(2.0)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("VXN_CONFIG", "/tmp/vxn-bench-guide.ini", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

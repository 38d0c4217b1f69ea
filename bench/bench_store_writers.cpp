// Saves per second into one value store by several writers at once, each
// with its own connection, as stations sharing a PostgreSQL store would:
//
//   bench_store_writers LOCATION [WRITERS=8] [SECONDS=10]
//
// Prints one JSON line: saves/s over all writers, and the sizes of the row
// each save writes (index block, designation), so that a peer (pgbench in
// bench/compare.sh) can insert rows of the same size. The store is created
// when missing. A save that fails ends the run with exit status 1.
#include "qel/ColorVector.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/Spectrum.hpp"
#include "qeldb/ObjectStore.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// A measured spectrum as vxn measure --save keeps one.
GPtMesswert Measurement(int nWriter, long nSave)
{
    Spectrum s{PhysicalConditions(ActualFilterClass(FILTER_M2), WBaseClass(WBASE_PAPER))};
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s[i] = 0.2f + 0.01f * static_cast<float>((i + nSave) % 50);
    GPtMesswert v;
    v.SetMeasuringCondition(MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_D50), ObserverClass(OBSERVER_2)));
    v.SetSpectrum(s, 0);
    v.SetBezeichnung(String("bench " + std::to_string(nWriter) + "-" + std::to_string(nSave)));
    v.SetOrigin("bench", "12345");
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s LOCATION [WRITERS] [SECONDS]\n", argv[0]);
        return 2;
    }
    const std::string location = argv[1];
    const int writers = argc > 2 ? std::atoi(argv[2]) : 8;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 10.0;
    {
        PtErrorCode code = PT_OK;
        String err;
        if (!ObjectStore::Open(String(location), ObjectStore::OPEN_OR_CREATE, code, err)) {
            std::fprintf(stderr, "%s\n", err.GetStr());
            return 1;
        }
    }
    std::atomic<long> saves{0};
    std::atomic<bool> failed{false};
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w)
        threads.emplace_back([&, w] {
            PtErrorCode code = PT_OK;
            String err;
            auto store = ObjectStore::Open(String(location), ObjectStore::OPEN_EXISTING, code, err);
            if (!store) {
                std::fprintf(stderr, "%s\n", err.GetStr());
                failed = true;
                return;
            }
            for (long n = 0; std::chrono::steady_clock::now() < end && !failed; ++n) {
                GPtMesswert v = Measurement(w, n);
                if (store->Save(v) != PT_OK) {
                    std::fprintf(stderr, "%s\n", store->GetLastError().GetStr());
                    failed = true;
                    return;
                }
                ++saves;
            }
        });
    for (auto& t : threads)
        t.join();
    if (failed)
        return 1;
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    GPtMesswert sample = Measurement(0, 0);
    MyMemoryBlock block;
    sample.GetIndexBlock(block);
    std::printf("{\"saves/s\": %.1f, \"writers\": %d, \"index_block_bytes\": %ld, \"designation_bytes\": %zu}\n",
                static_cast<double>(saves) / elapsed, writers, block.GetSize(), sample.GetBezeichnung().str().size());
    return 0;
}

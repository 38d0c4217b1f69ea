// Configuration file load and write time against file size: groups of 100
// keys up to about 16 MB. Both should grow in step with the size (bytes per
// second roughly flat across the sizes); a lookup that scans would show as a
// rate falling with size.
#include "sv/Config.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A file of nKeys keys, 100 to a group, each line about 40 bytes.
std::string MakeFile(long nKeys)
{
    fs::path dir = fs::temp_directory_path() / ("vxn-bench-config-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string path = (dir / ("keys-" + std::to_string(nKeys) + ".ini")).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (long i = 0; i < nKeys; ++i) {
        if (i % 100 == 0)
            out << "\n[Group" << i / 100 << "]\n";
        out << "Key" << i << "=value of key number " << i << "\n";
    }
    return path;
}

void BM_ConfigLoad(benchmark::State& state)
{
    std::string path = MakeFile(state.range(0));
    for (auto _ : state) {
        // The last holder going away drops the shared copy: each turn reads.
        Config c{String(path)};
        c.SetGroup("Group0");
        benchmark::DoNotOptimize(c.ReadKey("Key0"));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
    fs::remove_all(fs::path(path).parent_path());
}
BENCHMARK(BM_ConfigLoad)->RangeMultiplier(8)->Range(1 << 9, 1 << 18)->Unit(benchmark::kMillisecond);

void BM_ConfigWrite(benchmark::State& state)
{
    std::string path = MakeFile(state.range(0));
    Config c{String(path)};
    c.SetGroup("Group0");
    long n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(c.WriteKey("Key0", String(++n)));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
    fs::remove_all(fs::path(path).parent_path());
}
BENCHMARK(BM_ConfigWrite)->RangeMultiplier(8)->Range(1 << 9, 1 << 18)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

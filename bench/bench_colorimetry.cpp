// Spectrum to L*a*b* throughput: batches of 10,000 spectra on one thread,
// under D65/10° and a Dxx daylight illuminant (weights cached after the
// first use), one at a time and as one batch (CMetry::SpectraToLab, the
// peer of bench/numpy_lab.py), and the display colour through Little CMS.
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/ColorVector.hpp"
#include "qel/Spectrum.hpp"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int BATCH = 10000;

std::vector<Spectrum> MakeBatch()
{
    std::vector<Spectrum> v(BATCH);
    unsigned s = 12345;
    for (Spectrum& sp : v)
        for (int i = 0; i < Spectrum::COUNT; ++i) {
            s = s * 1103515245u + 12345u;
            sp[i] = static_cast<float>((s >> 8) % 1000) / 1000.0f;
        }
    return v;
}

void Run(benchmark::State& state, const MeasuringCondition& cond)
{
    std::vector<Spectrum> batch = MakeBatch();
    for (auto _ : state) {
        double sum = 0;
        for (const Spectrum& s : batch) {
            LABVector lab(s, cond);
            sum += lab.GetL();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * BATCH);
}

void BM_SpectrumToLab_D65_10(benchmark::State& state)
{
    Run(state, MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_D65), OBSERVER_10));
}
BENCHMARK(BM_SpectrumToLab_D65_10)->Unit(benchmark::kMillisecond);

void BM_SpectrumToLab_D93_2(benchmark::State& state)
{
    Run(state, MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_DXX_FIRST, 93), OBSERVER_2));
}
BENCHMARK(BM_SpectrumToLab_D93_2)->Unit(benchmark::kMillisecond);

void BM_SpectraToLab_Batch(benchmark::State& state)
{
    std::vector<Spectrum> batch = MakeBatch();
    std::vector<float> values;
    for (const Spectrum& s : batch)
        for (int i = 0; i < Spectrum::COUNT; ++i)
            values.push_back(s[i]);
    std::vector<double> lab(3 * BATCH);
    const MeasuringCondition cond(PhysicalConditions(), IllumClass(ILLUM_D65), OBSERVER_10);
    for (auto _ : state) {
        CMetry::SpectraToLab(values.data(), BATCH, cond, lab.data());
        benchmark::DoNotOptimize(lab.data());
    }
    state.SetItemsProcessed(state.iterations() * BATCH);
}
BENCHMARK(BM_SpectraToLab_Batch)->Unit(benchmark::kMillisecond);

void BM_SpectrumToColor(benchmark::State& state)
{
    std::vector<Spectrum> batch = MakeBatch();
    for (auto _ : state) {
        unsigned sum = 0;
        for (const Spectrum& s : batch)
            sum += ColorConverter::ConvertSpectrumToColor(s).GetRed();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * BATCH);
}
BENCHMARK(BM_SpectrumToColor)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

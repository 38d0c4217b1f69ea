// The simulator's data file, SimuSpec.dat: arbitrary bytes read as
// MeasurementSimulation::LoadPads reads them (a header line, then up to 240
// data lines through ReadSpectrumLine), and each pad's spectrum turned into
// its display colour, as the grid paints it.
//
// Must hold, besides no crash and no sanitizer report: a name holds no TAB
// and no line end.
#include "FuzzSupport.hpp"

#include "qel/ColorConverter.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/backends/MeasurementSimulation.hpp"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (!f)
        return 0;
    char header[499];
    if (std::fgets(header, sizeof header, f)) {
        for (int n = 0; n < MeasurementSimulation::MAX_PADS; ++n) {
            Spectrum spectrum;
            spectrum.Init(1.0f);
            String name;
            if (!MeasurementSimulation::ReadSpectrumLine(f, spectrum, name))
                break;
            FUZZ_REQUIRE(name.str().find_first_of("\t\n") == std::string::npos);
            // A spectrum of zeros is a gap in the grid and is not painted.
            if (spectrum.Summe() != 0.0)
                ColorConverter::ConvertSpectrumToColor(spectrum);
        }
    }
    std::fclose(f);
    return 0;
}

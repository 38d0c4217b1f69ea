// convert FILE: reads remission spectra, one a line as 36 reflectance values
// (0 to 1) for 380, 390, ..., 730 nm separated by blanks or commas, and
// prints L*a*b* for illuminant D65 and the 10° observer, one line each.
// Empty lines and lines starting with '#' are skipped.
#include "qel/ColorVector.hpp"
#include "qel/MeasuringCondition.hpp"
#include "qel/Spectrum.hpp"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: convert FILE\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "convert: cannot read %s\n", argv[1]);
        return 1;
    }
    const MeasuringCondition aD65{PhysicalConditions(), IllumClass(ILLUM_D65), ObserverClass(OBSERVER_10)};
    int nStatus = 0;
    std::string aLine;
    for (int nLine = 1; std::getline(in, aLine); ++nLine) {
        if (aLine.find_first_not_of(" \t\r") == std::string::npos || aLine[0] == '#')
            continue;
        for (char& c : aLine)
            if (c == ',')
                c = ' ';
        std::istringstream fields(aLine);
        std::vector<float> aValues;
        for (float f; fields >> f;)
            aValues.push_back(f);
        if (!fields.eof() || aValues.size() != static_cast<size_t>(Spectrum::COUNT)) {
            std::fprintf(stderr, "convert: line %d: not %d numbers\n", nLine, Spectrum::COUNT);
            nStatus = 2;
            continue;
        }
        LABVector aLab(Spectrum(PhysicalConditions(), aValues.data()), aD65);
        std::printf("%.3f %.3f %.3f\n", aLab.GetL(), aLab.GetA(), aLab.GetB());
    }
    return nStatus;
}

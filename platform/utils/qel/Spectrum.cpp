#include "qel/Spectrum.hpp"

#include <algorithm>

Spectrum::Spectrum(const PhysicalConditions& rPhys, const float* pValues) : maPhys(rPhys)
{
    if (pValues)
        std::copy(pValues, pValues + COUNT, maValues);
}

void Spectrum::Init(float fValue)
{
    std::fill(std::begin(maValues), std::end(maValues), fValue);
}

double Spectrum::Summe() const
{
    double s = 0.0;
    for (float v : maValues)
        s += v;
    return s;
}

bool operator==(const Spectrum& a, const Spectrum& b)
{
    return a.maPhys == b.maPhys && std::equal(std::begin(a.maValues), std::end(a.maValues), std::begin(b.maValues));
}

#include "qel/DeltaE.hpp"

#include "qel/ColorVector.hpp"

#include <cmath>

namespace {
double Distance(const ColorVector& a, const ColorVector& b)
{
    double d0 = a[0] - b[0], d1 = a[1] - b[1], d2 = a[2] - b[2];
    return std::sqrt(d0 * d0 + d1 * d1 + d2 * d2);
}
} // namespace

float DeltaE::CIELAB(const LABVector& rSample, const LABVector& rReference)
{
    return static_cast<float>(Distance(rSample, rReference));
}

float DeltaE::DIN99(const LABmgVector& rSample, const LABmgVector& rReference)
{
    return static_cast<float>(Distance(rSample, rReference));
}

float DeltaE::DIN99(const LABVector& rSample, const LABVector& rReference)
{
    return DIN99(LABmgVector(rSample), LABmgVector(rReference));
}

#include "qel/GString.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

String GString(double fValue, int nWidth, int nDecimals)
{
    nDecimals = std::clamp(nDecimals, 0, 15);
    nWidth = std::clamp(nWidth, 0, 64);
    if (std::isnan(fValue))
        fValue = 0.0;
    // Keep the text bounded: an infinite or absurd value is shown at the edge
    // of what a colour value can be.
    fValue = std::clamp(fValue, -1e15, 1e15);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%*.*f", nWidth, nDecimals, fValue);
    // "-0.0" reads oddly in value columns; a value that rounds to zero is 0.
    String s(buf);
    if (s.Contains(String("-")) && std::fabs(fValue) * std::pow(10.0, nDecimals) < 0.5) {
        std::snprintf(buf, sizeof buf, "%*.*f", nWidth, nDecimals, 0.0);
        s = String(buf);
    }
    return s;
}

#include "qelvxn/backends/SpectrumGrid.hpp"

#include <cmath>
#include <string>

namespace corvane {

int PointCount(const Grid& g)
{
    if ((g.nInterval != 10 && g.nInterval != 20) || g.nEnd < g.nStart || g.nStart < 0)
        return -1;
    int s = g.nStart / 10, e = g.nEnd / 10, step = g.nInterval / 10;
    return (e - s) / step + 1;
}

bool ResampleToLibrary(const Grid& g, const double* pValues, int nCount, float (&rOut)[36], String& rError)
{
    auto fail = [&](const std::string& why) {
        rError = String(why);
        return false;
    };
    if (g.nInterval != 10 && g.nInterval != 20)
        return fail("the driver reports an interval of " + std::to_string(g.nInterval) + " nm (10 or 20 nm expected)");
    if (g.nStart < 0 || g.nEnd < g.nStart)
        return fail("the driver's wavelengths do not ascend (" + std::to_string(g.nStart) + " to " +
                    std::to_string(g.nEnd) + " nm)");
    int count = PointCount(g);
    if (!pValues || count > nCount)
        return fail("the driver's grid " + std::to_string(g.nStart) + " to " + std::to_string(g.nEnd) + " nm needs " +
                    std::to_string(count) + " values, more than the " + std::to_string(nCount) + " it may write");
    const int s = g.nStart / 10, e = g.nEnd / 10, step = g.nInterval / 10;
    if (e < 38 || s > 73)
        return fail("the driver's grid " + std::to_string(g.nStart) + " to " + std::to_string(g.nEnd) +
                    " nm has no point from 380 to 730 nm");
    for (int k = 0; k < count; ++k)
        if (!std::isfinite(pValues[k]))
            return fail("the driver's value at " + std::to_string((s + k * step) * 10) + " nm is not a number");

    float out[36] = {};
    for (int i = s; i <= e; i += step) {
        const int k = (i - s) / step;
        if (i < 38 || i > 73)
            continue;
        out[i - 38] = static_cast<float>(pValues[k]);
        // The point between two measured ones at 20 nm.
        if (step == 2 && i + 1 <= 73 && i + 2 <= e)
            out[i - 37] = static_cast<float>((pValues[k] + pValues[k + 1]) * 0.5);
    }
    for (int k = 0; k < 36; ++k)
        rOut[k] = out[k];
    return true;
}

} // namespace corvane

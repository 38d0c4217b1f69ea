#include "vxnemu/MeasValueText.hpp"

#include <cstdio>

namespace vxnemu {

std::string FilterName(int nFilter)
{
    static const char* const names[] = {"", "No", "Pol", "D65", "UV", "IR", "Lin", "M0", "M1", "M2", "Trm", "Usr"};
    return nFilter >= 1 && nFilter <= 11 ? names[nFilter] : "?";
}

std::string WhiteBaseName(int nWBase)
{
    return nWBase == 0 ? "Pap" : "Abs";
}

std::string FormatMeasValue(const Spectrum36& rValues, int nFilter, int nWBase)
{
    std::string s = "[MeasValue]\nM_Cond=" + FilterName(nFilter) + "\t" + WhiteBaseName(nWBase) + "\nRemission=";
    char buf[32];
    for (size_t i = 0; i < rValues.size(); ++i) {
        // 9 significant digits bring every float back unchanged.
        std::snprintf(buf, sizeof buf, "%s%.9g", i ? " " : "", static_cast<double>(rValues[i]));
        s += buf;
    }
    s += "\n";
    return s;
}

std::vector<uint8_t> MeasValuePayload(const std::string& rText)
{
    PayloadWriter w;
    w.Int(static_cast<int32_t>(rText.size())).Raw(rText.data(), rText.size());
    return std::move(w.Data());
}

} // namespace vxnemu

#include "vxnemu/MeasValueText.hpp"

#include <charconv>

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

namespace {

// A value as version 2 of the text format carries it: one line, with line
// breaks and backslashes escaped.
std::string Escaped(const std::string& rText)
{
    std::string r;
    for (char c : rText) {
        if (c == '\\')
            r += "\\\\";
        else if (c == '\n')
            r += "\\n";
        else if (c == '\r')
            r += "\\r";
        else if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            r += ' ';
        else
            r += c;
    }
    return r;
}

} // namespace

std::string FormatMeasValue(const Spectrum36& rValues, int nFilter, int nWBase, const std::string& rName,
                            std::time_t tMeasured)
{
    std::tm t{};
    localtime_r(&tMeasured, &t);
    char created[32];
    std::strftime(created, sizeof created, "%Y-%m-%d %H:%M:%S", &t);
    std::string s = "Version=2\n[MeasValue]\nName=" + Escaped(rName) + "\nCreated=" + created +
                    "\nM_Cond=" + FilterName(nFilter) + "\t" + WhiteBaseName(nWBase) + "\nRemission=";
    char buf[32];
    for (size_t i = 0; i < rValues.size(); ++i) {
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, rValues[i]);
        s += (i ? " " : "") + std::string(buf, ec == std::errc() ? end : buf);
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

#include "ConditionArgs.hpp"

#include "qel/AppConfig.hpp"
#include "qel/ConditionText.hpp"
#include "qel/Text.hpp"

#include <algorithm>
#include <functional>

namespace vxn {

namespace {

// Position of a text in a group, case ignored; -1 when none.
int Find(const char* pGroup, const std::string& rText, int nFrom, int nTo)
{
    TextSegment seg{String(pGroup)};
    for (int i = nFrom; i <= nTo; ++i) {
        String e = seg.GetText(static_cast<USHORT>(i));
        if (!e.IsEmpty() && e.EqualsIgnoreCaseAscii(String(rText)))
            return i;
    }
    return -1;
}

// The group's entries as a list for error messages ("Dxx" entries left out).
std::string Choices(const char* pGroup, int nFrom, int nTo)
{
    TextSegment seg{String(pGroup)};
    std::string s;
    for (int i = nFrom; i <= nTo; ++i) {
        String e = seg.GetText(static_cast<USHORT>(i));
        if (!e.IsEmpty() && !(e == "Dxx"))
            s += (s.empty() ? "" : ", ") + e.str();
    }
    return s;
}

} // namespace

bool ParseInt(const std::string& rText, long nLo, long nHi, long& rOut)
{
    if (rText.empty() || rText.size() > 12)
        return false;
    size_t pos = 0;
    try {
        rOut = std::stol(rText, &pos);
    } catch (...) {
        return false;
    }
    return pos == rText.size() && rOut >= nLo && rOut <= nHi;
}

bool ParseIlluminant(const std::string& rText, IllumType& rIllum, short& rDxx, std::string& rError, long nMaxDxx)
{
    int code = Find("IllumStrings", rText, 0, 35);
    long n = 0;
    if (code >= 0 && !IsDxx(code)) {
        rIllum = static_cast<IllumType>(code);
        return true;
    }
    bool bDigits = rText.size() > 1 && rText.find_first_not_of("0123456789", 1) == std::string::npos;
    if (bDigits && (rText[0] == 'F' || rText[0] == 'f') && ParseInt(rText.substr(1), 1, 12, n)) {
        rIllum = static_cast<IllumType>(ILLUM_F01 + n - 1);
        return true;
    }
    if (bDigits && (rText[0] == 'D' || rText[0] == 'd') && ParseInt(rText.substr(1), 30, nMaxDxx, n)) {
        rIllum = static_cast<IllumType>(ILLUM_DXX_FIRST);
        rDxx = static_cast<short>(n);
        return true;
    }
    if (rText == "Dxx" || rText == "dxx") {
        rIllum = static_cast<IllumType>(ILLUM_DXX_FIRST);
        return true;
    }
    rError = "unknown illuminant '" + rText + "' (one of " + Choices("IllumStrings", 0, 35) + ", or D30 to D" +
             std::to_string(nMaxDxx) + ")";
    return false;
}

bool ParseObserver(const std::string& rText, ObserverType& rObserver, std::string& rError)
{
    if (rText == "2" || rText == "2°")
        rObserver = OBSERVER_2;
    else if (rText == "10" || rText == "10°")
        rObserver = OBSERVER_10;
    else {
        rError = "observer must be 2 or 10, not '" + rText + "'";
        return false;
    }
    return true;
}

bool ParseDensity(const std::string& rText, DStdType& rDStd, std::string& rError)
{
    int code = Find("DStdStrings", rText, 0, 3);
    if (code < 0) {
        rError = "unknown density standard '" + rText + "' (one of " + Choices("DStdStrings", 0, 3) + ")";
        return false;
    }
    rDStd = static_cast<DStdType>(code);
    return true;
}

bool ParseWhiteBase(const std::string& rText, StoredWBaseType& rWBase, std::string& rError)
{
    int code = Find("WBaseStrings", rText, 0, 1);
    if (code < 0) {
        rError = "unknown white base '" + rText + "' (one of " + Choices("WBaseStrings", 0, 1) + ")";
        return false;
    }
    rWBase = static_cast<StoredWBaseType>(code);
    return true;
}

bool ParseFilter(const std::string& rText, ValueFilterType& rFilter, std::string& rError)
{
    int code = Find("ShortFilterStrings", rText, 1, 11);
    if (code < 0) {
        rError = "unknown filter '" + rText + "' (one of " + Choices("ShortFilterStrings", 1, 11) + ")";
        return false;
    }
    rFilter = static_cast<ValueFilterType>(code);
    return true;
}

} // namespace vxn

namespace vxn {

std::vector<std::string> StoredSettingProblems()
{
    AppConfig* cfg = AppConfig::Instance();
    std::vector<std::string> problems;
    // A stored text is understood when writing back the code it reads as
    // gives the same text.
    struct Check {
        const char* group;
        const char* key;
        const char* fallback;
        std::function<bool(const String&)> understood;
    };
    auto number = [](long lo, long hi, std::vector<long> only = {}) {
        return [lo, hi, only](const String& v) {
            long n = 0;
            if (!ParseInt(v.str(), lo, hi, n))
                return false;
            return only.empty() || std::find(only.begin(), only.end(), n) != only.end();
        };
    };
    const Check checks[] = {
        {"VXNSettings", "Illumination", "D65",
         [](const String& v) {
             return v == "Dxx" || ConditionText::IllumToConfig(ConditionText::IllumFromConfig(v)).EqualsIgnoreCaseAscii(v);
         }},
        {"VXNSettings", "DxxTempNr", "55", number(30, 300)},
        {"VXNSettings", "Observer", "2", [](const String& v) { return v == "2" || v == "10"; }},
        {"VXNSettings", "DensityStd", "DIN",
         [](const String& v) { return ConditionText::DStdToConfig(ConditionText::DStdFromConfig(v)) == v; }},
        {"VXNSettings", "WhiteBase", "Abs",
         [](const String& v) {
             return ConditionText::WBaseToConfig(ConditionText::WBaseFromConfig(v)).EqualsIgnoreCaseAscii(v);
         }},
        {"VXNSettings", "Filter", "Pol",
         [](const String& v) {
             return ConditionText::FilterToConfig(ConditionText::FilterFromConfig(v)).EqualsIgnoreCaseAscii(v);
         }},
        {"VXN", "MEAN", "1", number(1, 1000)},
        {"VXN", "Calibration", "1", number(0, 1)},
        {"VXN", "MeasAtUnit", "1", number(0, 1)},
        {"Settings", "ColorSystem", "1", number(1, 12, {1, 2, 11, 12})},
    };
    for (const auto& c : checks) {
        const String none("\x01");
        String v = cfg->ReadKey(String(c.group), String(c.key), none);
        if (v == none || c.understood(v))
            continue;
        problems.push_back(std::string("stored ") + c.group + "/" + c.key + "=" + v.str() + " in " +
                           cfg->GetPathName().str() + " is not valid; " + c.fallback + " is used instead");
    }
    return problems;
}

} // namespace vxn

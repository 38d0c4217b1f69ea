#include "qel/ConditionText.hpp"

#include "qel/Text.hpp"

namespace ConditionText {

namespace {
String Entry(const char* pGroup, int nCode)
{
    if (nCode < 0 || nCode > 0xFFFF)
        return String();
    return TextSegment(String(pGroup)).GetText(static_cast<USHORT>(nCode));
}

// First position in [from, to] whose entry equals the text, case ignored;
// -1 when none does. Free positions of a group hold no text and never match,
// so an empty text falls back like any unknown one.
int FindIgnoreCase(const char* pGroup, const String& rText, int nFrom, int nTo)
{
    if (rText.IsEmpty())
        return -1;
    TextSegment seg{String(pGroup)};
    for (int i = nFrom; i <= nTo; ++i)
        if (seg.GetText(static_cast<USHORT>(i)).EqualsIgnoreCaseAscii(rText))
            return i;
    return -1;
}

const String DEGREE("\xC2\xB0");
} // namespace

String Illum(int nCode) { return Entry("IllumStrings", nCode); }
String Observer(int nCode) { return Entry("ObserverStrings", nCode); }
String DStd(int nCode) { return Entry("DStdStrings", nCode); }
String WBase(int nCode) { return Entry("WBaseStrings", nCode); }
String Filter(int nCode) { return Entry("ShortFilterStrings", nCode); }

IllumType IllumFromConfig(const String& rText)
{
    if (rText == "Dxx")
        return static_cast<IllumType>(ILLUM_DXX_FIRST);
    int i = FindIgnoreCase("IllumStrings", rText, 0, 35);
    return static_cast<IllumType>(i < 0 ? ILLUM_D65 : i);
}

ObserverType ObserverFromConfig(const String& rText)
{
    return rText.ToLong() == 10 ? OBSERVER_10 : OBSERVER_2;
}

DStdType DStdFromConfig(const String& rText)
{
    TextSegment seg{String("DStdStrings")};
    for (int i = 0; i <= 3 && !rText.IsEmpty(); ++i)
        if (seg.GetText(static_cast<USHORT>(i)) == rText)
            return static_cast<DStdType>(i);
    return DSTD_DIN;
}

StoredWBaseType WBaseFromConfig(const String& rText)
{
    int i = FindIgnoreCase("WBaseStrings", rText, 0, 1);
    return static_cast<StoredWBaseType>(i < 0 ? WBASE_ABSOLUTE : i);
}

ValueFilterType FilterFromConfig(const String& rText)
{
    int i = FindIgnoreCase("ShortFilterStrings", rText, 1, 11);
    return static_cast<ValueFilterType>(i < 0 ? FILTER_POL : i);
}

String IllumToConfig(int nCode)
{
    return IsDxx(nCode) ? String("Dxx") : Illum(nCode);
}

String ObserverToConfig(int nCode)
{
    String s = Observer(nCode);
    s.EraseAll(DEGREE);
    return s;
}

String DStdToConfig(int nCode) { return DStd(nCode); }
String WBaseToConfig(int nCode) { return WBase(nCode); }
String FilterToConfig(int nCode) { return Filter(nCode); }

} // namespace ConditionText

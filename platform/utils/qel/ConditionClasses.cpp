#include "qel/ConditionClasses.hpp"

#include "qel/ConditionText.hpp"

String IllumClass::GetText() const
{
    if (IsDxx())
        return String("D") + String(mnTempNr);
    return ConditionText::Illum(meType);
}

bool operator==(const IllumClass& a, const IllumClass& b)
{
    if (a.IsDxx() && b.IsDxx())
        return a.mnTempNr == b.mnTempNr;
    return a.meType == b.meType;
}

String ObserverClass::GetText() const { return ConditionText::Observer(meType); }
String DStdClass::GetText() const { return ConditionText::DStd(meType); }
String WBaseClass::GetText() const { return ConditionText::WBase(meType); }
String ActualFilterClass::GetText() const { return ConditionText::Filter(meType); }

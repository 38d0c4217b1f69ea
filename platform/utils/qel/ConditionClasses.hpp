// The measuring-condition classes: one small value class per condition code
// (illuminant, observer, density standard, white base, physical filter).
//
// Each wraps its code from qel/ConditionTypes.hpp and gives its display text
// (the entry of its text group, see qel/ConditionText.hpp) through GetText()
// or a conversion to String. They are built implicitly from their enumeration
// and explicitly from a plain int, as codes arrive from instrument messages
// and files.
#pragma once

#include "qel/ConditionTypes.hpp"
#include "sv/String.hpp"

// Illuminant: code and, for the Dxx family (codes 16 to 23), the temperature
// number (50 means a CIE daylight illuminant of about 5000 K). The number is
// kept for every code but means something only for Dxx codes.
// Default: D65 (code 2) with number 65.
class IllumClass {
public:
    IllumClass() = default;
    IllumClass(IllumType eType, short nTempNr = 65) : meType(eType), mnTempNr(nTempNr) {}
    explicit IllumClass(int nCode, short nTempNr = 65) : meType(static_cast<IllumType>(nCode)), mnTempNr(nTempNr) {}

    IllumType GetType() const { return meType; }
    void SetType(IllumType e) { meType = e; }
    short GetTempNr() const { return mnTempNr; }
    void SetTempNr(short n) { mnTempNr = n; }
    bool IsDxx() const { return ::IsDxx(meType); }

    // "D" and the temperature number for Dxx codes ("D93"), else the entry of
    // "IllumStrings" ("D65", "F11").
    String GetText() const;
    operator String() const { return GetText(); }
    operator IllumType() const { return meType; }

    // Two Dxx illuminants are equal when their temperature numbers are,
    // whichever of the codes 16 to 23 they carry (they name the same light);
    // otherwise the codes decide and the number is ignored.
    friend bool operator==(const IllumClass& a, const IllumClass& b);

private:
    IllumType meType = ILLUM_D65;
    short mnTempNr = 65;
};

// Standard observer. Default: 2° (code 0). Text: entry of "ObserverStrings".
class ObserverClass {
public:
    ObserverClass() = default;
    ObserverClass(ObserverType e) : meType(e) {}
    explicit ObserverClass(int nCode) : meType(static_cast<ObserverType>(nCode)) {}

    ObserverType GetType() const { return meType; }
    void SetType(ObserverType e) { meType = e; }
    String GetText() const;
    operator String() const { return GetText(); }
    operator ObserverType() const { return meType; }
    friend bool operator==(const ObserverClass& a, const ObserverClass& b) { return a.meType == b.meType; }

private:
    ObserverType meType = OBSERVER_2;
};

// Density standard. Default: DIN (code 2). Text: entry of "DStdStrings".
class DStdClass {
public:
    DStdClass() = default;
    DStdClass(DStdType e) : meType(e) {}
    explicit DStdClass(int nCode) : meType(static_cast<DStdType>(nCode)) {}

    DStdType GetType() const { return meType; }
    void SetType(DStdType e) { meType = e; }
    String GetText() const;
    operator String() const { return GetText(); }
    operator DStdType() const { return meType; }
    friend bool operator==(const DStdClass& a, const DStdClass& b) { return a.meType == b.meType; }

private:
    DStdType meType = DSTD_DIN;
};

// White base. Default: absolute white (code 1). Text: entry of "WBaseStrings".
class WBaseClass {
public:
    WBaseClass() = default;
    WBaseClass(StoredWBaseType e) : meType(e) {}
    explicit WBaseClass(int nCode) : meType(static_cast<StoredWBaseType>(nCode)) {}

    StoredWBaseType GetType() const { return meType; }
    void SetType(StoredWBaseType e) { meType = e; }
    String GetText() const;
    operator String() const { return GetText(); }
    operator StoredWBaseType() const { return meType; }
    friend bool operator==(const WBaseClass& a, const WBaseClass& b) { return a.meType == b.meType; }

private:
    StoredWBaseType meType = WBASE_ABSOLUTE;
};

// Physical filter in front of the instrument's optics. Default: no filter
// (code 1). Text: entry of "ShortFilterStrings".
class ActualFilterClass {
public:
    ActualFilterClass() = default;
    ActualFilterClass(ValueFilterType e) : meType(e) {}
    explicit ActualFilterClass(int nCode) : meType(static_cast<ValueFilterType>(nCode)) {}

    ValueFilterType GetType() const { return meType; }
    void SetType(ValueFilterType e) { meType = e; }
    String GetText() const;
    operator String() const { return GetText(); }
    operator ValueFilterType() const { return meType; }
    friend bool operator==(const ActualFilterClass& a, const ActualFilterClass& b) { return a.meType == b.meType; }

private:
    ValueFilterType meType = FILTER_NONE;
};

// GPtMesswert: one measured colour value as a stored object: a remission
// spectrum of 36 values (type 2) or an L*a*b* triple (type 4) with the
// measuring conditions it holds under; type 0 means the object holds no
// valid value (its numbers stay, but mean nothing).
//
// It persists three ways: as a row of an object store (its index block),
// as a "MeasValue" section of a text file (write/read), and through the
// object database's member description (GetStructure). The same section is
// what the instrument sends as a measured value and what a colour swatch
// hands to a drag.
//
// Conditions are codes of qel/ConditionTypes.hpp; CONDITION_NOT_SET
// (536870911) marks one that is not known. The density standard is kept,
// copied and stored with the value, but no operation sets or reads it yet:
// it is there for the densitometric values to come.
#pragma once

#include "qel/ConditionTypes.hpp"
#include "qeldb/lset.hpp"
#include "qeldb/objectId.hpp"

class LABVector;
class MeasuringCondition;
class Spectrum;
class XYZVector;

class GPtMesswert : public objectId {
public:
    static constexpr int CLASS_ID = 51;
    static constexpr short TYPE_NONE = 0;
    static constexpr short TYPE_SPECTRUM = 2;
    static constexpr short TYPE_LAB = 4;
    // The size of GetIcon's bitmap.
    static constexpr int ICON_WIDTH = 24, ICON_HEIGHT = 12;
    static constexpr int VALUE_COUNT = 36;
    // Bytes the value adds to the objectId index block.
    static constexpr long INDEX_BLOCK_SIZE = 172;

    GPtMesswert();
    GPtMesswert(const GPtMesswert& r) = default;
    GPtMesswert& operator=(const GPtMesswert& r) = default;
    ~GPtMesswert() override = default;

    // The type: TYPE_NONE, TYPE_SPECTRUM or TYPE_LAB.
    int IsA() const { return mnType; }
    // Type 0; the numbers and conditions stay.
    void Invalidate() { mnType = TYPE_NONE; }

    // The 36 values with the spectrum's filter and white base; illuminant
    // and observer stay as they were. With bName the designation becomes the
    // colour's name (ColorConverter::Farbzuordnung).
    void SetSpectrum(const Spectrum& rSpectrum, unsigned char bName);
    // For a spectrum value, the spectrum under its filter and white base;
    // otherwise an error box ("Spectrum not accessable") and rSpectrum stays.
    void GetSpectrum(Spectrum& rSpectrum);
    // L, a, b and all five conditions of the vector.
    void SetLab(const LABVector& rLab);
    // A Lab value as stored; for a spectrum the L*a*b* LABVector computes
    // from it (under CMetry's illuminant and observer); otherwise an error
    // box ("Lab-Value not accessable") and rLab stays.
    void GetLab(LABVector& rLab);
    // GetLab, converted; rXYZ stays when there is no Lab.
    void GetXYZ(XYZVector& rXYZ);
    // Illuminant (with its Dxx number), observer, filter and white base; the
    // numbers and the type stay.
    void SetMeasuringCondition(const MeasuringCondition& rCond);
    void GetMeasuringCondition(MeasuringCondition& rCond);

    // The stored codes, for display and checks.
    const float* GetValues() const { return mfValues; }
    IllumType GetIllum() const { return meIllum; }
    short GetDxx() const { return mnDxx; }
    ObserverType GetObserver() const { return meObserver; }
    ValueFilterType GetFilter() const { return meFilter; }
    StoredWBaseType GetWBase() const { return meWBase; }
    DStdType GetDStd() const { return meDStd; }

    // ---- object database -----------------------------------------------------
    // Members 0 to 4 are objectId's; 5 to 12 illuminant, Dxx number,
    // observer, filter, white base, density standard, values, type.
    int GetStructure(int nMember, MemberVarSTRUCT& rStruct) override;
    int GetNrOfMemberVars() override { return 13; }
    int GetClassID() override { return CLASS_ID; }
    void CopyThisTo(PtObject* pTarget) override;
    // Reads a "MeasValue" section. Version 1 texts are read from the current
    // section, later ones from the next section titled "MeasValue". 0 when
    // there is none, when the objectId entries are missing or malformed, or
    // when the section is damaged (a real array of the wrong length, a
    // non-number); the object is then unchanged. A section without
    // conditions or values, or with conditions that name nothing known,
    // reads as a value of type 0 (result 1).
    unsigned char read(ASCIIFile& rFile) override;
    // Title "MeasValue", the objectId entries, then by type: Lab values
    // "M_Cond" (filter, white base, illuminant, observer) and "Lab";
    // spectra "M_Cond" (filter, white base) and "Remission"; nothing more
    // for type 0. Condition fields are separated by ASCIIFile::Trennzeichen.
    void write(ASCIIFile& rFile) override;
    // Prints the objectId part, then one colour line: "LAB:" (colour system
    // 1 of the instrument library, else "LCh:") at 0 and, at 700, the values
    // with "(filter,Abs,illuminant,observer)". The white base is printed as
    // "Abs" whatever the value's. Without a library object the colour
    // system is the stored setting ("Settings", "ColorSystem").
    void Print(MyPrinter& rPrinter, long nFlags) override;
    // A 24 x 12 icon: the display colour of a spectrum or an L*a*b* value;
    // for a value of type 0 an outlined box with a short dash. Result 1;
    // 0 for any other type (rBitmap unchanged).
    unsigned char GetIcon(Bitmap& rBitmap, int nKind) override;
    int GetType() override { return 6; }
    // The objectId block, then 172 bytes: 36 floats, type (2 + 2 padding),
    // illuminant, Dxx number (2 + 2 padding), observer, filter, white base,
    // density standard (4 each).
    unsigned char GetIndexBlock(MyMemoryBlock& rBlock) override;
    unsigned char SetIndexBlock(MyMemoryBlock& rBlock) override;

protected:
    // Each takes the "M_Cond" text, recognises its field (1 filter, 2 white
    // base, 3 illuminant, 4 observer) by the condition texts it contains,
    // stores the code and returns 1; 0 when nothing was recognised.
    unsigned char ExtractActualFilter(String& rCond);
    unsigned char ExtractWBase(String& rCond);
    unsigned char ExtractIllum(String& rCond);
    unsigned char ExtractObserver(String& rCond);

private:
    // read on a copy: the caller's object changes only on success.
    unsigned char ReadSection(ASCIIFile& rFile);
    Spectrum MakeSpectrum() const;

    float mfValues[VALUE_COUNT];
    short mnType;
    IllumType meIllum;
    short mnDxx;
    ObserverType meObserver;
    ValueFilterType meFilter;
    StoredWBaseType meWBase;
    DStdType meDStd;
};

// The set of measured values the library's interface names.
extern template class lset<GPtMesswert*>;

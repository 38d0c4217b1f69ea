// The measured value: its conditions and numbers, the boxes shown when a
// caller asks for what the value does not hold, and its three persistent
// forms (index block, text section, member description).
#include "qelvxn/value/GPtMesswert.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/ColorVector.hpp"
#include "qel/AppConfig.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/MyPrinter.hpp"
#include "qel/RegisterTopWindow.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "sv/Brush.hpp"
#include "sv/MessBox.hpp"
#include "sv/Pen.hpp"
#include "sv/Rectangle.hpp"
#include "sv/VirtualDevice.hpp"

#include <algorithm>
#include <cmath>

template class lset<GPtMesswert*>;

namespace {

const char* const SECTION_TITLE = "MeasValue";
const char* const KEY_CONDITIONS = "M_Cond";
const char* const KEY_LAB = "Lab";
const char* const KEY_REMISSION = "Remission";

// The field of the "M_Cond" text (counted from 0), split at tabs.
String Field(const String& rCond, int n)
{
    return rCond.GetToken(static_cast<USHORT>(n), '\t');
}

// Whether the field contains the condition text (an empty text names
// nothing and so matches nothing).
bool Names(const String& rField, const String& rText)
{
    return !rText.IsEmpty() && rField.Contains(rText);
}

// The number after "D" as atoi reads it (blanks, a sign, the leading
// digits), kept from growing past what a Dxx number can be.
long DxxNumber(const String& rField)
{
    const std::string& s = rField.str();
    size_t i = 1;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool neg = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        ++i;
    long n = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && n < 100000; ++i)
        n = n * 10 + (s[i] - '0');
    return neg ? -n : n;
}

void Pad(MyMemoryBlock& rBlock, int nBytes)
{
    const unsigned char zero[4] = {0, 0, 0, 0};
    rBlock.Put(zero, nBytes);
}

bool Skip(MyMemoryBlock& rBlock, int nBytes)
{
    unsigned char pad[4];
    return rBlock.Get(pad, nBytes) == nBytes;
}

} // namespace

GPtMesswert::GPtMesswert()
    : mnType(TYPE_NONE), meIllum(ILLUM_NOT_SET), mnDxx(0), meObserver(OBSERVER_NOT_SET), meFilter(FILTER_NOT_SET),
      meWBase(WBASE_NOT_SET), meDStd(DSTD_NOT_SET)
{
    std::fill(std::begin(mfValues), std::end(mfValues), 0.0f);
}

// ---- values and conditions ----------------------------------------------------

void GPtMesswert::SetSpectrum(const Spectrum& rSpectrum, unsigned char bName)
{
    std::copy(rSpectrum.GetValues(), rSpectrum.GetValues() + VALUE_COUNT, mfValues);
    meFilter = rSpectrum.GetPhysicalConditions().GetFilter().GetType();
    meWBase = rSpectrum.GetPhysicalConditions().GetWBase().GetType();
    mnType = TYPE_SPECTRUM;
    if (bName)
        SetBezeichnung(ColorConverter::Farbzuordnung(rSpectrum));
}

Spectrum GPtMesswert::MakeSpectrum() const
{
    return Spectrum(PhysicalConditions(ActualFilterClass(meFilter), WBaseClass(meWBase)), mfValues);
}

void GPtMesswert::GetSpectrum(Spectrum& rSpectrum)
{
    if (mnType != TYPE_SPECTRUM) {
        ErrorBox(RegisterTopWindow::GetActiveTopWindow(), WB_OK, String("Spectrum not accessable")).Execute();
        return;
    }
    try {
        rSpectrum = MakeSpectrum();
    } catch (...) {
        MessBox(nullptr, WB_OK, String("SpectrumAccessError"), String("Spectrum not accessable")).Execute();
    }
}

void GPtMesswert::SetLab(const LABVector& rLab)
{
    mfValues[0] = static_cast<float>(rLab.GetL());
    mfValues[1] = static_cast<float>(rLab.GetA());
    mfValues[2] = static_cast<float>(rLab.GetB());
    SetMeasuringCondition(rLab.GetCondition());
    mnType = TYPE_LAB;
}

void GPtMesswert::GetLab(LABVector& rLab)
{
    if (mnType == TYPE_LAB) {
        MeasuringCondition cond;
        GetMeasuringCondition(cond);
        rLab = LABVector(mfValues[0], mfValues[1], mfValues[2], cond);
    } else if (mnType == TYPE_SPECTRUM) {
        rLab = LABVector(MakeSpectrum());
    } else {
        ErrorBox(RegisterTopWindow::GetActiveTopWindow(), WB_OK, String("Lab-Value not accessable")).Execute();
    }
}

void GPtMesswert::GetXYZ(XYZVector& rXYZ)
{
    LABVector lab;
    GetLab(lab);  // shows the error box of a value without Lab
    if (mnType == TYPE_LAB || mnType == TYPE_SPECTRUM)
        rXYZ = XYZVector(lab);
}

void GPtMesswert::SetMeasuringCondition(const MeasuringCondition& rCond)
{
    meIllum = rCond.GetIllum().GetType();
    mnDxx = rCond.GetIllum().GetTempNr();
    meObserver = rCond.GetObserver().GetType();
    meFilter = rCond.GetFilter().GetType();
    meWBase = rCond.GetWBase().GetType();
}

void GPtMesswert::GetMeasuringCondition(MeasuringCondition& rCond)
{
    rCond = MeasuringCondition(PhysicalConditions(ActualFilterClass(meFilter), WBaseClass(meWBase)),
                               IllumClass(meIllum, mnDxx), ObserverClass(meObserver));
}

// ---- object database ----------------------------------------------------------

int GPtMesswert::GetStructure(int nMember, MemberVarSTRUCT& r)
{
    if (nMember < 5)
        return objectId::GetStructure(nMember, r);
    auto four = [&](const void* p) {
        r.nTypeCode = PT_TYPE_ENUM;
        r.nSize = 4;
        r.nOffset = OffsetOf(p);
        return 1;
    };
    switch (nMember) {
    case 5: return four(&meIllum);
    case 6: r.nTypeCode = PT_TYPE_SHORT; r.nOffset = OffsetOf(&mnDxx); return 1;
    case 7: return four(&meObserver);
    case 8: return four(&meFilter);
    case 9: return four(&meWBase);
    case 10: return four(&meDStd);
    case 11:
        r.nTypeCode = PT_TYPE_ARRAY;
        r.nSize = VALUE_COUNT;
        r.nElementType = PT_TYPE_FLOAT;
        r.nOffset = OffsetOf(mfValues);
        return 1;
    case 12: r.nTypeCode = PT_TYPE_SHORT; r.nOffset = OffsetOf(&mnType); return 1;
    default: return 0;
    }
}

void GPtMesswert::CopyThisTo(PtObject* pTarget)
{
    if (auto* p = dynamic_cast<GPtMesswert*>(pTarget))
        *p = *this;
    else
        objectId::CopyThisTo(pTarget);
}

unsigned char GPtMesswert::GetIndexBlock(MyMemoryBlock& rBlock)
{
    objectId::GetIndexBlock(rBlock);
    for (float f : mfValues)
        rBlock << f;
    rBlock << mnType;
    Pad(rBlock, 2);
    rBlock << static_cast<int>(meIllum) << mnDxx;
    Pad(rBlock, 2);
    rBlock << static_cast<int>(meObserver) << static_cast<int>(meFilter) << static_cast<int>(meWBase)
           << static_cast<int>(meDStd);
    return 1;
}

unsigned char GPtMesswert::SetIndexBlock(MyMemoryBlock& rBlock)
{
    // Into a copy: a block that cannot be read changes nothing.
    GPtMesswert v(*this);
    if (!v.objectId::SetIndexBlock(rBlock) || rBlock.GetRemaining() != INDEX_BLOCK_SIZE)
        return 0;
    int illum = 0, observer = 0, filter = 0, wbase = 0, dstd = 0;
    for (float& f : v.mfValues)
        rBlock >> f;
    rBlock >> v.mnType;
    bool ok = Skip(rBlock, 2);
    rBlock >> illum >> v.mnDxx;
    ok = Skip(rBlock, 2) && ok;
    rBlock >> observer >> filter >> wbase >> dstd;
    if (!ok || rBlock.Failed() ||
        (v.mnType != TYPE_NONE && v.mnType != TYPE_SPECTRUM && v.mnType != TYPE_LAB))
        return 0;
    v.meIllum = static_cast<IllumType>(illum);
    v.meObserver = static_cast<ObserverType>(observer);
    v.meFilter = static_cast<ValueFilterType>(filter);
    v.meWBase = static_cast<StoredWBaseType>(wbase);
    v.meDStd = static_cast<DStdType>(dstd);
    *this = v;
    return 1;
}

void GPtMesswert::Print(MyPrinter& rPrinter, long)
{
    objectId::Print(rPrinter, 65535);
    VXNLib* pLib = VXNLib::mpInstance;
    int nColorSystem = pLib ? pLib->GetColorSystem()
                            : AppConfig::Instance()->ReadKey(String("Settings"), String("ColorSystem"), String("1")).ToInt();
    LABVector aLab;
    GetLab(aLab);
    String aLabel, aValues;
    if (nColorSystem == 1) {
        aLabel = "LAB:";
        aValues = aLab.GetText();
    } else {
        aLabel = "LCh:";
        aValues = LChVector(aLab).GetText();
    }
    const MeasuringCondition& c = aLab.GetCondition();
    String aLine = aValues + String("  (") + c.GetFilter().GetText() + String(",") + String("Abs,") +
                   c.GetIllum().GetText() + String(",") + c.GetObserver().GetText() + String(")");
    rPrinter.WriteString(aLabel, 0);
    rPrinter.WriteString(aLine, 700);
    rPrinter.WriteLn(2);
}

unsigned char GPtMesswert::GetIcon(Bitmap& rBitmap, int)
{
    const Size aSize(ICON_WIDTH, ICON_HEIGHT);
    switch (mnType) {
    case TYPE_NONE: {
        VirtualDevice aDev;
        aDev.SetOutputSizePixel(aSize);
        aDev.ChangeFillInBrush(Brush(Color(COL_WHITE)));
        aDev.ChangePen(Pen(Color(COL_BLACK)));
        aDev.DrawRect(Rectangle(Point(1, 1), Point(22, 10)));
        aDev.DrawLine(Point(10, 6), Point(14, 6));
        rBitmap = aDev.GetBitmap(Point(0, 0), aSize);
        return 1;
    }
    case TYPE_SPECTRUM:
        rBitmap = ColorConverter::SpectrumToBitmap(MakeSpectrum(), aSize);
        return 1;
    case TYPE_LAB: {
        LABVector aLab;
        GetLab(aLab);
        rBitmap = ColorConverter::LabToBitmap(aLab, aSize);
        return 1;
    }
    default:
        return 0;
    }
}

// ---- text section -----------------------------------------------------------

void GPtMesswert::write(ASCIIFile& rFile)
{
    rFile.PutTitel(String(SECTION_TITLE));
    objectId::write(rFile);
    String sep = ASCIIFile::Trennzeichen();
    String cond = ActualFilterClass(meFilter).GetText() + sep + WBaseClass(meWBase).GetText();
    if (mnType == TYPE_LAB) {
        cond += sep + IllumClass(meIllum, mnDxx).GetText() + sep + ObserverClass(meObserver).GetText();
        double lab[3] = {mfValues[0], mfValues[1], mfValues[2]};
        rFile.PutString(String(KEY_CONDITIONS), cond);
        rFile.PutRealArray(String(KEY_LAB), lab, 3, -1);
    } else if (mnType == TYPE_SPECTRUM) {
        double values[VALUE_COUNT];
        std::copy(std::begin(mfValues), std::end(mfValues), values);
        rFile.PutString(String(KEY_CONDITIONS), cond);
        rFile.PutRealArray(String(KEY_REMISSION), values, VALUE_COUNT, -1);
    }
}

unsigned char GPtMesswert::read(ASCIIFile& rFile)
{
    try {
        GPtMesswert v(*this);
        if (!v.ReadSection(rFile))
            return 0;
        *this = v;
        return 1;
    } catch (...) {
        return 0;
    }
}

unsigned char GPtMesswert::ReadSection(ASCIIFile& rFile)
{
    if (rFile.GetVersion() != 1 && !rFile.GetTitel(String(SECTION_TITLE)))
        return 0;
    if (!objectId::read(rFile))
        return 0;
    String cond;
    if (!rFile.GetString(String(KEY_CONDITIONS), cond)) {
        mnType = TYPE_NONE;
        return !rFile.IsSectionDamaged();
    }
    unsigned char bFilter = ExtractActualFilter(cond);
    unsigned char bWBase = ExtractWBase(cond);
    if (!bFilter || !bWBase)
        meFilter = static_cast<ValueFilterType>(0);

    double numbers[VALUE_COUNT];
    int nRead = 0;
    if (rFile.GetRealArray(String(KEY_LAB), numbers, 3)) {
        nRead = 3;
        mnType = TYPE_LAB;
        for (int i = 0; i < 3; ++i)
            mfValues[i] = static_cast<float>(numbers[i]);
        unsigned char bIllum = ExtractIllum(cond);
        unsigned char bObserver = ExtractObserver(cond);
        if (!bIllum || !bObserver)
            mnType = TYPE_NONE;
    } else if (rFile.GetRealArray(String(KEY_REMISSION), numbers, VALUE_COUNT)) {
        nRead = VALUE_COUNT;
        mnType = TYPE_SPECTRUM;
        for (int i = 0; i < VALUE_COUNT; ++i)
            mfValues[i] = static_cast<float>(numbers[i]);
    } else {
        mnType = TYPE_NONE;
    }
    // A number too large for a float is as damaged as a non-number.
    for (int i = 0; i < nRead; ++i)
        if (!std::isfinite(mfValues[i]))
            return 0;
    return !rFile.IsSectionDamaged();
}

unsigned char GPtMesswert::ExtractActualFilter(String& rCond)
{
    String field = Field(rCond, 0);
    for (int code = 1; code <= 11; ++code)
        if (Names(field, ActualFilterClass(code).GetText())) {
            meFilter = static_cast<ValueFilterType>(code);
            return 1;
        }
    return 0;
}

unsigned char GPtMesswert::ExtractWBase(String& rCond)
{
    String field = Field(rCond, 1);
    for (int code = 0; code <= 1; ++code)
        if (Names(field, WBaseClass(code).GetText())) {
            meWBase = static_cast<StoredWBaseType>(code);
            return 1;
        }
    return 0;
}

unsigned char GPtMesswert::ExtractIllum(String& rCond)
{
    String field = Field(rCond, 2);
    static const int codes[] = {0,  1,  2,  3,  8,  9,  10, 11, 24, 25, 26, 27,
                                28, 29, 30, 31, 32, 33, 34, 35};
    for (int code : codes)
        if (Names(field, IllumClass(code, 65).GetText())) {
            meIllum = static_cast<IllumType>(code);
            return 1;
        }
    // A Dxx illuminant reads as "D" and its temperature number.
    if (field.GetChar(0) == 'D') {
        long n = DxxNumber(field);
        if (n >= 30 && n <= 330) {
            meIllum = static_cast<IllumType>(ILLUM_DXX_LAST);
            mnDxx = static_cast<short>(n);
            return 1;
        }
    }
    return 0;
}

unsigned char GPtMesswert::ExtractObserver(String& rCond)
{
    String field = Field(rCond, 3);
    if (field.Contains(String("2"))) {
        meObserver = OBSERVER_2;
        return 1;
    }
    if (field.Contains(String("10"))) {
        meObserver = OBSERVER_10;
        return 1;
    }
    return 0;
}

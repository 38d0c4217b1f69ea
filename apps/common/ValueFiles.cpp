#include "ValueFiles.hpp"

#include "ConditionArgs.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/ConditionClasses.hpp"
#include "qel/SafeFile.hpp"
#include "qel/Spectrum.hpp"

#include <lcms2.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace vxn {

namespace {

bool Known(int nCode, int nFrom, int nTo)
{
    return nCode >= nFrom && nCode <= nTo;
}

// The shortest text that reads back as the same double.
std::string Number(double d)
{
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
    return ec == std::errc() ? std::string(buf, end) : "0";
}

struct It8 {
    cmsHANDLE h;
    explicit It8(cmsHANDLE x) : h(x) {}
    ~It8()
    {
        if (h)
            cmsIT8Free(h);
    }
    It8(const It8&) = delete;
    It8& operator=(const It8&) = delete;
};


// ---- MeasValue sections ---------------------------------------------------------

bool ReadMeasValues(const std::string& rPath, ASCIIFile& rFile, ValueSet& rValues, std::vector<std::string>& rWarnings,
                    std::string& rError)
{
    const String title("MeasValue");
    int nSection = 0;
    auto readOne = [&]() {
        ++nSection;
        auto v = std::make_unique<GPtMesswert>();
        if (!v->read(rFile)) {
            std::string why = rFile.GetError().str();
            rError = rPath + ": section " + std::to_string(nSection) + " is no measured value (" +
                     (why.empty() ? std::string("its Name or Created entry is missing or malformed") : why) + ")";
            return false;
        }
        if (v->IsA() == GPtMesswert::TYPE_NONE)
            rWarnings.push_back(rPath + ": section " + std::to_string(nSection) +
                                " holds no valid value (conditions or numbers missing); left out");
        else
            rValues.Append(v.release());
        return true;
    };
    if (rFile.GetVersion() == 1) {
        // Version 1 sections are read where they stand, one after the other.
        do {
            if (rFile.GetCurrentTitel() == title && !readOne())
                return false;
        } while (rFile.NextSection());
        return true;
    }
    for (int i = rFile.CountSections(title); i > 0; --i)
        if (!readOne())
            return false;
    return true;
}

// ---- CGATS ----------------------------------------------------------------------

// The field of a spectral value in the file's two usual spellings.
int SpectralField(cmsHANDLE h, int nm)
{
    int f = cmsIT8FindDataFormat(h, ("SPECTRAL_" + std::to_string(nm)).c_str());
    return f >= 0 ? f : cmsIT8FindDataFormat(h, ("SPECTRAL_NM" + std::to_string(nm)).c_str());
}

bool CellNumber(cmsHANDLE h, int nRow, int nField, double& rValue)
{
    const char* p = cmsIT8GetDataRowCol(h, nRow, nField);
    if (!p)
        return false;
    std::string_view s(p);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), rValue);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(rValue) && !s.empty();
}

// The conditions the file's keywords name; what is missing stays not set.
bool CgatsConditions(cmsHANDLE h, const std::string& rPath, bool bLab, MeasuringCondition& rCond,
                     std::vector<std::string>& rWarnings, std::string& rError)
{
    auto keyword = [&](const char* k) {
        const char* v = cmsIT8GetProperty(h, k);
        return std::string(v ? v : "");
    };
    IllumType illum = ILLUM_NOT_SET;
    short dxx = 65;
    ObserverType observer = OBSERVER_NOT_SET;
    ValueFilterType filter = FILTER_NOT_SET;
    StoredWBaseType wbase = WBASE_NOT_SET;
    std::string err;
    std::string i = keyword("ILLUMINANT"), o = keyword("OBSERVER"), f = keyword("FILTER"), w = keyword("WHITE_BASE");
    if ((!i.empty() && !ParseIlluminant(i, illum, dxx, err, 330)) || (!o.empty() && !ParseObserver(o, observer, err)) ||
        (!f.empty() && !ParseFilter(f, filter, err)) || (!w.empty() && !ParseWhiteBase(w, wbase, err))) {
        rError = rPath + ": " + err;
        return false;
    }
    // L*a*b* means nothing without illuminant and observer; CGATS data
    // without them are D50 and 2° by the graphic arts' convention.
    if (bLab && (i.empty() || o.empty())) {
        rWarnings.push_back(rPath + " names no " + std::string(i.empty() ? "ILLUMINANT" : "OBSERVER") +
                            "; its L*a*b* values are taken as D50, 2°");
        if (i.empty())
            illum = ILLUM_D50;
        if (o.empty())
            observer = OBSERVER_2;
    }
    rCond = MeasuringCondition(PhysicalConditions(ActualFilterClass(filter), WBaseClass(wbase)), IllumClass(illum, dxx),
                               ObserverClass(observer));
    return true;
}

bool ReadCgats(const std::string& rPath, ValueSet& rValues, std::vector<std::string>& rWarnings, std::string& rError)
{
    It8 it8(cmsIT8LoadFromFile(nullptr, rPath.c_str()));
    if (!it8.h) {
        rError = rPath + " is neither MeasValue sections nor a CGATS file";
        return false;
    }
    int spectral[Spectrum::COUNT];
    bool bSpectral = true;
    for (int i = 0; i < Spectrum::COUNT; ++i)
        bSpectral = (spectral[i] = SpectralField(it8.h, Spectrum::FIRST_NM + i * Spectrum::STEP_NM)) >= 0 && bSpectral;
    int lab[3] = {cmsIT8FindDataFormat(it8.h, "LAB_L"), cmsIT8FindDataFormat(it8.h, "LAB_A"),
                  cmsIT8FindDataFormat(it8.h, "LAB_B")};
    bool bLab = lab[0] >= 0 && lab[1] >= 0 && lab[2] >= 0;
    if (!bSpectral && !bLab) {
        rError = rPath + " has neither the fields SPECTRAL_380 to SPECTRAL_730 nor LAB_L, LAB_A, LAB_B";
        return false;
    }
    MeasuringCondition cond;
    if (!CgatsConditions(it8.h, rPath, !bSpectral, cond, rWarnings, rError))
        return false;
    int nameField = cmsIT8FindDataFormat(it8.h, "SAMPLE_NAME");
    if (nameField < 0)
        nameField = cmsIT8FindDataFormat(it8.h, "SAMPLE_ID");
    int nRows = static_cast<int>(cmsIT8GetPropertyDbl(it8.h, "NUMBER_OF_SETS"));
    bool bPercent = false;
    for (int r = 0; r < nRows; ++r) {
        auto v = std::make_unique<GPtMesswert>();
        const char* name = nameField >= 0 ? cmsIT8GetDataRowCol(it8.h, r, nameField) : nullptr;
        v->SetBezeichnung(String(name ? name : ""));
        double d[Spectrum::COUNT];
        const int* fields = bSpectral ? spectral : lab;
        int n = bSpectral ? Spectrum::COUNT : 3;
        for (int i = 0; i < n; ++i)
            if (!CellNumber(it8.h, r, fields[i], d[i])) {
                char** names = nullptr;
                cmsIT8EnumDataFormat(it8.h, &names);
                rError = rPath + ": row " + std::to_string(r + 1) + ", field " + names[fields[i]] + ": not a number";
                return false;
            }
        if (bSpectral) {
            Spectrum s(cond.GetPhysicalConditions());
            for (int i = 0; i < n; ++i) {
                bPercent = bPercent || d[i] > 2.0;
                s[i] = static_cast<float>(d[i]);
            }
            v->SetMeasuringCondition(cond);
            v->SetSpectrum(s, 0);
        } else {
            v->SetLab(LABVector(d[0], d[1], d[2], cond));
        }
        rValues.Append(v.release());
    }
    // Reflectance factors stay below 2; a file above that gives percent.
    if (bPercent) {
        rWarnings.push_back(rPath + " holds spectral values above 2; taken as percent");
        for (long i = 0; i < rValues.Count(); ++i) {
            GPtMesswert* v = rValues.At(i);
            Spectrum s;
            v->GetSpectrum(s);
            for (int k = 0; k < Spectrum::COUNT; ++k)
                s[k] /= 100.0f;
            v->SetSpectrum(s, 0);
        }
    }
    return true;
}

} // namespace

// ---- what a value shows ---------------------------------------------------------

double Shortest(float f)
{
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, f);
    double d = static_cast<double>(f);
    if (ec == std::errc())
        std::from_chars(buf, end, d);
    return d;
}

ConditionTexts ConditionsOf(GPtMesswert& rValue)
{
    ConditionTexts t;
    if (Known(rValue.GetIllum(), 0, 35))
        t.illuminant = IllumClass(rValue.GetIllum(), rValue.GetDxx()).GetText().str();
    if (Known(rValue.GetObserver(), 0, 1))
        t.observer = ObserverClass(rValue.GetObserver()).GetText().str();
    if (Known(rValue.GetFilter(), 1, 11))
        t.filter = ActualFilterClass(rValue.GetFilter()).GetText().str();
    if (Known(rValue.GetWBase(), 0, 1))
        t.whiteBase = WBaseClass(rValue.GetWBase()).GetText().str();
    return t;
}

MeasuringCondition ConditionOf(GPtMesswert& rValue, const MeasuringCondition& rStored)
{
    MeasuringCondition c = rStored;
    if (rValue.GetIllum() != ILLUM_NOT_SET)
        c.SetIllum(IllumClass(rValue.GetIllum(), rValue.GetDxx()));
    if (rValue.GetObserver() != OBSERVER_NOT_SET)
        c.SetObserver(ObserverClass(rValue.GetObserver()));
    if (rValue.GetFilter() != FILTER_NOT_SET)
        c.SetFilter(ActualFilterClass(rValue.GetFilter()));
    if (rValue.GetWBase() != WBASE_NOT_SET)
        c.SetWBase(WBaseClass(rValue.GetWBase()));
    return c;
}

const char* KindOf(const GPtMesswert& rValue)
{
    switch (rValue.IsA()) {
    case GPtMesswert::TYPE_SPECTRUM: return "spectrum";
    case GPtMesswert::TYPE_LAB: return "lab";
    default: return "none";
    }
}

bool LabOf(GPtMesswert& rValue, LABVector& rLab)
{
    if (rValue.IsA() == GPtMesswert::TYPE_LAB) {
        rValue.GetLab(rLab);
        return true;
    }
    if (rValue.IsA() != GPtMesswert::TYPE_SPECTRUM || !Known(rValue.GetIllum(), 0, 35) ||
        !Known(rValue.GetObserver(), 0, 1))
        return false;
    Spectrum s;
    MeasuringCondition cond;
    rValue.GetSpectrum(s);
    rValue.GetMeasuringCondition(cond);
    rLab = LABVector(s, cond);
    return true;
}

// ---- files ----------------------------------------------------------------------

bool ReadValueFile(const std::string& rPath, ValueSet& rValues, std::vector<std::string>& rWarnings,
                   std::string& rError)
{
    ASCIIFile file;
    if (!file.Load(String(rPath))) {
        rError = file.GetError().str();
        return false;
    }
    ValueSet values;
    bool ok = file.IsReadable() && file.CountSections(String("MeasValue")) > 0
                  ? ReadMeasValues(rPath, file, values, rWarnings, rError)
                  : ReadCgats(rPath, values, rWarnings, rError);
    // A text of sections that cannot be read says why better than the CGATS
    // reader can.
    if (!ok && !file.IsReadable())
        rError += " (as MeasValue sections: " + file.GetError().str() + ")";
    if (ok)
        rValues = values;
    return ok;
}

bool WriteMeasValueFile(const std::string& rPath, ValueSet& rValues, std::string& rError)
{
    ASCIIFile file;
    for (long i = 0; i < rValues.Count(); ++i)
        rValues.At(i)->write(file);
    if (!file.IsGood()) {
        rError = "cannot write " + rPath + ": " + file.GetError().str();
        return false;
    }
    if (!file.Save(String(rPath))) {
        rError = file.GetError().str();
        return false;
    }
    return true;
}

bool WriteCgatsFile(const std::string& rPath, ValueSet& rValues, std::string& rError)
{
    bool bSpectral = true, bLab = true;
    std::vector<LABVector> labs(static_cast<size_t>(rValues.Count()));
    ConditionTexts common;
    for (long i = 0; i < rValues.Count(); ++i) {
        GPtMesswert* v = rValues.At(i);
        bSpectral = bSpectral && v->IsA() == GPtMesswert::TYPE_SPECTRUM;
        bLab = LabOf(*v, labs[static_cast<size_t>(i)]) && bLab;
        ConditionTexts c = ConditionsOf(*v);
        if (i == 0)
            common = c;
        else if (!(c == common)) {
            rError = "values " + std::to_string(rValues.At(0)->GetId()) + " and " + std::to_string(v->GetId()) +
                     " were measured under different conditions; export them to separate files";
            return false;
        }
    }
    if (!bSpectral && !bLab) {
        rError = "these values have neither all a spectrum nor all an L*a*b* (a spectrum needs its illuminant and "
                 "observer for one); export them to a MeasValue file";
        return false;
    }
    It8 it8(cmsIT8Alloc(nullptr));
    cmsIT8SetSheetType(it8.h, "CGATS.17");
    cmsIT8SetPropertyStr(it8.h, "ORIGINATOR", "vxn");
    cmsIT8SetPropertyStr(it8.h, "DESCRIPTOR", "Measured values exported from vxn's value store");
    const std::pair<const char*, const std::string*> keywords[] = {{"ILLUMINANT", &common.illuminant},
                                                                   {"OBSERVER", &common.observer},
                                                                   {"FILTER", &common.filter},
                                                                   {"WHITE_BASE", &common.whiteBase}};
    for (const auto& [k, v] : keywords)
        if (!v->empty())
            cmsIT8SetPropertyStr(it8.h, k, v->c_str());
    std::vector<std::string> cols = {"SAMPLE_ID", "SAMPLE_NAME"};
    if (bSpectral) {
        cmsIT8SetPropertyDbl(it8.h, "SPECTRAL_BANDS", Spectrum::COUNT);
        cmsIT8SetPropertyDbl(it8.h, "SPECTRAL_START_NM", Spectrum::FIRST_NM);
        cmsIT8SetPropertyDbl(it8.h, "SPECTRAL_END_NM", Spectrum::LAST_NM);
        for (int nm = Spectrum::FIRST_NM; nm <= Spectrum::LAST_NM; nm += Spectrum::STEP_NM)
            cols.push_back("SPECTRAL_" + std::to_string(nm));
    }
    if (bLab)
        cols.insert(cols.end(), {"LAB_L", "LAB_A", "LAB_B"});
    cmsIT8SetPropertyDbl(it8.h, "NUMBER_OF_FIELDS", static_cast<double>(cols.size()));
    for (size_t i = 0; i < cols.size(); ++i)
        cmsIT8SetDataFormat(it8.h, static_cast<int>(i), cols[i].c_str());
    cmsIT8SetPropertyDbl(it8.h, "NUMBER_OF_SETS", static_cast<double>(rValues.Count()));
    for (long r = 0; r < rValues.Count(); ++r) {
        GPtMesswert* v = rValues.At(r);
        int row = static_cast<int>(r), col = 0;
        std::string name = v->GetBezeichnung().str();
        for (char& c : name)
            if (c == '"' || c == '\n' || c == '\r')
                c = ' ';
        cmsIT8SetDataRowCol(it8.h, row, col++, std::to_string(v->GetId()).c_str());
        cmsIT8SetDataRowCol(it8.h, row, col++, name.c_str());
        for (int i = 0; bSpectral && i < Spectrum::COUNT; ++i)
            cmsIT8SetDataRowCol(it8.h, row, col++, Number(Shortest(v->GetValues()[i])).c_str());
        const LABVector& lab = labs[static_cast<size_t>(r)];
        for (int i = 0; bLab && i < 3; ++i) {
            double d = v->IsA() == GPtMesswert::TYPE_LAB ? Shortest(v->GetValues()[i]) : lab.Get(i);
            cmsIT8SetDataRowCol(it8.h, row, col++, Number(d).c_str());
        }
    }
    cmsUInt32Number n = 0;
    if (!cmsIT8SaveToMem(it8.h, nullptr, &n) || n == 0) {
        rError = "cannot write " + rPath + ": the CGATS writer failed";
        return false;
    }
    std::string text(n, '\0');
    if (!cmsIT8SaveToMem(it8.h, text.data(), &n)) {
        rError = "cannot write " + rPath + ": the CGATS writer failed";
        return false;
    }
    text.resize(std::strlen(text.c_str()));
    return qel::WriteFileAtomically(rPath, text, rError);
}

} // namespace vxn

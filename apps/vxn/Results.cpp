#include "Results.hpp"

#include "ValueFiles.hpp"

#include "qel/ColorConverter.hpp"

namespace vxn {

nlohmann::json ConditionJson(const MeasuringCondition& c)
{
    return {{"illuminant", c.GetIllum().GetText().str()},
            {"observer", c.GetObserver().GetText().str()},
            {"density_standard", c.GetDStd().GetText().str()},
            {"white_base", c.GetWBase().GetText().str()},
            {"filter", c.GetFilter().GetText().str()}};
}

Result Evaluate(const Spectrum& rSpectrum, const MeasuringCondition& rRun)
{
    Result r;
    r.spectrum = rSpectrum;
    r.condition = rRun;
    r.condition.SetPhysicalConditions(rSpectrum.GetPhysicalConditions());
    r.lab = LABVector(rSpectrum, r.condition);
    r.lch = LChVector(r.lab);
    r.name = ColorConverter::Farbzuordnung(r.lab).str();
    return r;
}

nlohmann::json ResultJson(const Result& r, int nColorSystem)
{
    std::vector<double> values;
    for (int i = 0; i < Spectrum::COUNT; ++i)
        values.push_back(Shortest(r.spectrum[i]));
    return {{"name", r.name},
            {"conditions", ConditionJson(r.condition)},
            {"spectrum", {{"start_nm", 380}, {"step_nm", 10}, {"values", values}}},
            {"lab", {{"L", r.lab.GetL()}, {"a", r.lab.GetA()}, {"b", r.lab.GetB()}}},
            {"lch", {{"L", r.lch.GetL()}, {"C", r.lch.GetC()}, {"h", r.lch.GetH()}}},
            {"din99", {{"L99", LABmgVector(r.lab).GetL()},
                       {"a99", LABmgVector(r.lab).GetA()},
                       {"b99", LABmgVector(r.lab).GetB()},
                       {"C99", LCHmgVector(r.lab).GetC()},
                       {"h99", LCHmgVector(r.lab).GetH()}}},
            {"color_system", nColorSystem}};
}

CgatsRow RowOf(const Result& r)
{
    CgatsRow row;
    row.name = r.name;
    for (int i = 0; i < Spectrum::COUNT; ++i)
        row.spectrum[i] = Shortest(r.spectrum[i]);
    row.lab[0] = r.lab.GetL();
    row.lab[1] = r.lab.GetA();
    row.lab[2] = r.lab.GetB();
    return row;
}

void SetConditionKeywords(CgatsFile& rFile, const MeasuringCondition& c)
{
    rFile.SetKeyword("ILLUMINANT", c.GetIllum().GetText().str());
    rFile.SetKeyword("OBSERVER", c.GetObserver().GetText().str());
    rFile.SetKeyword("FILTER", c.GetFilter().GetText().str());
    rFile.SetKeyword("WHITE_BASE", c.GetWBase().GetText().str());
}

} // namespace vxn

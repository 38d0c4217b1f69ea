// A measured spectrum as vxn reports it: evaluated under the run's
// conditions, as text lines, as JSON and as a CGATS row. measure, simulate
// and scan share these so that their outputs read alike.
#pragma once

#include "CgatsFile.hpp"

#include "qel/ColorVector.hpp"
#include "qel/MeasuringCondition.hpp"
#include "qel/Spectrum.hpp"

#include <nlohmann/json.hpp>

#include <string>

namespace vxn {

struct Result {
    Spectrum spectrum;
    MeasuringCondition condition;  // the spectrum's physical conditions, the run's illuminant and observer
    LABVector lab;
    LChVector lch;
    std::string name;  // the colour's name
};

// The spectrum under the run's conditions (its own physical conditions).
Result Evaluate(const Spectrum& rSpectrum, const MeasuringCondition& rRun);

nlohmann::json ConditionJson(const MeasuringCondition& c);
// The result with the coordinates of every colour system and the one the
// user chose in the settings.
nlohmann::json ResultJson(const Result& r, int nColorSystem);

// The row of a CGATS file (named after the colour).
CgatsRow RowOf(const Result& r);
// The keywords a file of such rows carries: the rows' conditions.
void SetConditionKeywords(CgatsFile& rFile, const MeasuringCondition& c);

} // namespace vxn

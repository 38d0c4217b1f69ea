// Stored values in files and on the screen: what `vxn values` exports and
// imports (MeasValue sections, CGATS.17), and the colour and condition
// texts every display of a value shares.
#pragma once

#include "qel/ColorVector.hpp"
#include "qel/MeasuringCondition.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <string>
#include <vector>

namespace vxn {

using ValueSet = lset<GPtMesswert*>;

// The texts of a value's conditions; empty for one that is not set.
struct ConditionTexts {
    std::string illuminant, observer, filter, whiteBase;
    friend bool operator==(const ConditionTexts&, const ConditionTexts&) = default;
};
ConditionTexts ConditionsOf(GPtMesswert& rValue);
// "spectrum", "lab" or "none".
const char* KindOf(const GPtMesswert& rValue);
// The value's L*a*b* under its own illuminant and observer: stored for a
// Lab value, computed for a spectrum; false for a spectrum whose illuminant
// or observer is not known, and for a value of type 0.
bool LabOf(GPtMesswert& rValue, LABVector& rLab);
// The conditions a value's colour is computed under: its own illuminant and
// observer where it names them, else rStored's; the filter and white base
// are always its own.
MeasuringCondition ConditionOf(GPtMesswert& rValue, const MeasuringCondition& rStored);
// A float as the double of its shortest text (0.069, not 0.0689999982714653).
double Shortest(float f);

// Reads the values of a file: MeasValue sections (of either version) or a
// CGATS file with the fields SPECTRAL_380 ... SPECTRAL_730 or LAB_L, LAB_A,
// LAB_B. All or nothing: false with the reason (naming the file, and the
// section or row) when any value cannot be read. Sections without a valid
// value are left out with a warning.
bool ReadValueFile(const std::string& rPath, ValueSet& rValues, std::vector<std::string>& rWarnings,
                   std::string& rError);

// Writes the values as MeasValue sections (version 2), replacing the file.
bool WriteMeasValueFile(const std::string& rPath, ValueSet& rValues, std::string& rError);
// Writes the values as a CGATS.17 file, replacing it: SAMPLE_ID (the
// value's identity), SAMPLE_NAME, the spectral fields when every value is a
// spectrum, LAB_L/A/B when every value has an L*a*b*; the conditions, which
// all values must share, as keywords.
bool WriteCgatsFile(const std::string& rPath, ValueSet& rValues, std::string& rError);

} // namespace vxn

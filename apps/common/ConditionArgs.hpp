// Condition names given on the command line, checked strictly: a name that
// is not an entry of its text group is an error (the configuration reader
// falls back silently; a user typing a name wants to hear about a typo).
#pragma once

#include "qel/ConditionTypes.hpp"

#include <string>
#include <vector>

namespace vxn {

// Each returns false and says why in rError.
// Illuminant: an entry of the illuminant group (case ignored; "F1" also for
// "F01"), "D" and a temperature number from 30 to nMaxDxx ("D93"; rDxx gets
// the number), or "Dxx" alone (rDxx is left as it was).
bool ParseIlluminant(const std::string& rText, IllumType& rIllum, short& rDxx, std::string& rError,
                     long nMaxDxx = 300);
bool ParseObserver(const std::string& rText, ObserverType& rObserver, std::string& rError);
bool ParseDensity(const std::string& rText, DStdType& rDStd, std::string& rError);
bool ParseWhiteBase(const std::string& rText, StoredWBaseType& rWBase, std::string& rError);
bool ParseFilter(const std::string& rText, ValueFilterType& rFilter, std::string& rError);
// A whole number in [lo, hi].
bool ParseInt(const std::string& rText, long nLo, long nHi, long& rOut);

} // namespace vxn

namespace vxn {

// The stored settings (conditions of "VXNSettings", preferences of "VXN" and
// "Settings") whose text the library would not understand and so replaces by
// its default without a word: one line per such key, naming the key, the
// stored text and the value used instead.
std::vector<std::string> StoredSettingProblems();

} // namespace vxn

// Texts of the condition codes, and codes of texts, as the configuration and
// the measured-value files store them. Names are the entries of the text
// groups "IllumStrings", "ObserverStrings", "DStdStrings", "WBaseStrings" and
// "ShortFilterStrings" at the code's position.
#pragma once

#include "qel/ConditionTypes.hpp"
#include "sv/String.hpp"

namespace ConditionText {

// Group entries (display names).
String Illum(int nCode);
String Observer(int nCode);
String DStd(int nCode);
String WBase(int nCode);
String Filter(int nCode);

// Text to code for the configuration. Unknown texts give the fallback codes:
// illuminant 2 (D65), white base 1, filter 2, density standard 2.
IllumType IllumFromConfig(const String& rText);     // "Dxx" (exact) gives 16; else positions 0..35, case ignored
ObserverType ObserverFromConfig(const String& rText);  // number 10 gives 1, anything else 0
DStdType DStdFromConfig(const String& rText);       // positions 0..3, case matters
StoredWBaseType WBaseFromConfig(const String& rText);  // positions 0..1, case ignored
ValueFilterType FilterFromConfig(const String& rText);  // positions 1..11, case ignored

// Code to text for the configuration: the group entry, except "Dxx" for
// codes 16 to 23 and the observer entry without degree signs ("2", "10").
String IllumToConfig(int nCode);
String ObserverToConfig(int nCode);
String DStdToConfig(int nCode);
String WBaseToConfig(int nCode);
String FilterToConfig(int nCode);

} // namespace ConditionText

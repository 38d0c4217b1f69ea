// GString: a number as display text in fixed notation with a given count of
// decimals, right-aligned (padded with blanks on the left) to a width. A text
// longer than the width stays whole. GString(-100.0, 6, 1) is "-100.0",
// GString(3.14159, 7, 2) is "   3.14".
#pragma once

#include "sv/String.hpp"

String GString(double fValue, int nWidth, int nDecimals);

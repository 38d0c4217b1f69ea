// CV20: a plug-in instrument without filters that measures 400 to 700 nm in
// 20 nm steps. Its head carries its own white tile: the module calibrates it
// when it first talks to it, so the library never needs to.
#pragma once

#include <cstdint>

namespace cv20 {

constexpr int START_NM = 400;
constexpr int END_NM = 700;
constexpr int STEP_NM = 20;
// 0: the library treats the instrument as device type 4 (no filters).
constexpr int GEOMETRY = 0;

int Head(int nCommand, std::intptr_t nA, std::intptr_t nB, char* pBuffer);
int Calibrated();
int Measure(double* pValues);

} // namespace cv20

// CV10: a plug-in instrument with filters T and E that measures 380 to 730 nm
// in 10 nm steps and is white-calibrated on request. What its head commands
// say on the line (see common/CorvaneLine.hpp for the requests).
#pragma once

#include <cstdint>

namespace cv10 {

constexpr int START_NM = 380;
constexpr int END_NM = 730;
constexpr int STEP_NM = 10;
// Nonzero: the library treats the instrument as device type 2 (filters,
// white calibration through the head).
constexpr int GEOMETRY = 1;

int Head(int nCommand, std::intptr_t nA, std::intptr_t nB, char* pBuffer);
int Calibrated();
int Measure(double* pValues);

} // namespace cv10

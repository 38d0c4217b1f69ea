// The conversion of a driver module's measurement to the library's 36 values
// (380 to 730 nm in 10 nm steps). A module reports its values on its own
// grid: a starting and an ending wavelength and an interval of 10 or 20 nm,
// one value per step from the start. The wavelengths are cut to whole tens
// (integer division, as the modules' grids are meant to lie on tens).
//
// 10 nm: each library point the grid reaches takes its value; the others are 0.
// 20 nm: each measured point takes its value; the point 10 nm above a measured
// one takes the mean of it and the next; the rest (also the point just above the last
// measured one, which has no upper neighbour) are 0.
#pragma once

#include "sv/String.hpp"

namespace corvane {

struct Grid {
    int nStart = 0;     // nm
    int nEnd = 0;       // nm
    int nInterval = 0;  // nm
};

// How many values the module writes for the grid (-1 for a grid that is no grid).
int PointCount(const Grid& rGrid);

// Fills the 36 values from the module's values (nCount of them, at least
// PointCount). On a grid that is not one (interval other than 10 or 20, end
// below start, more points than values, no point in 380..730 nm) or a value
// that is not a finite number, returns false with the reason in rError and
// leaves the output untouched.
bool ResampleToLibrary(const Grid& rGrid, const double* pValues, int nCount, float (&rOut)[36], String& rError);

} // namespace corvane

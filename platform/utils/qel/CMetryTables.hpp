// The colorimetric tables the colour mathematics is built from (colour-
// matching functions, CIE illuminants, daylight basis functions), embedded
// from data/colorimetry/*.csv by data/colorimetry/embed_tables.cmake.
// Internal to CMetry and its tests.
#pragma once

namespace cmetry_tables {

// One CSV file: nRows rows of nCols numbers, the first column the wavelength
// in nm (nFirstNm, nFirstNm + nStepNm, ...), row after row in pValues.
struct Table {
    const char* pName;  // file name without ".csv"
    int nFirstNm;
    int nStepNm;
    int nRows;
    int nCols;
    const double* pValues;

    double At(int nRow, int nCol) const { return pValues[nRow * nCols + nCol]; }
};

// The table of that name, null when there is none.
const Table* Find(const char* pName);
const Table* All(int& rCount);

} // namespace cmetry_tables

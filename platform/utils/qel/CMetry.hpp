// CMetry: the colour mathematics' current measuring conditions and the
// conversion of a remission spectrum to tristimulus values.
//
// Spectrum to XYZ uses tristimulus weighting factors for 36 values from 380 to
// 730 nm at 10 nm (the ASTM E308 weighting-factor method, weights after ASTM
// E2022):
//  - observer: CIE 1931 2° or CIE 1964 10° colour-matching functions at 1 nm,
//    360 to 780 nm;
//  - illuminant: its 5 nm table interpolated linearly to 1 nm over 360 to
//    780 nm (a table starting above 360 nm is extended down with its first
//    value). Fluorescent lamps are therefore never sampled at 10 nm alone:
//    their line peaks at 405, 435, 545 nm fall between the 10 nm points;
//  - weights for the 10 nm interval over 360 to 780 nm from the 1 nm products
//    S·x̄, S·ȳ, S·z̄ with the third-order Lagrange coefficients of ASTM E2022
//    (three-point coefficients in the first and last interval, four-point
//    ones in between); the weights below 380 nm are added to the 380 nm
//    weight, those above 730 nm to the 730 nm weight;
//  - k scales the weights so that the perfect reflector (all values 1) has
//    Y = 100; its XYZ is the white point that L*a*b* is relative to.
//
// Illuminants by code (IllumType):
//  - 0 A, 1 C, 2 D65, 3 D50, 8 D55, 9 D75, 10 E, 24..35 F1..F12: CIE tables;
//  - 4..7: the same colorimetry as 0..3 (the instrument's alternative tables
//    differ only inside the instrument);
//  - 16..23 (Dxx): the CIE daylight illuminant of the temperature number n
//    (see IllumClass), T = 100·n·1.4388/1.4380 K, chromaticity by the CIE
//    daylight polynomials, M1 and M2 rounded to 3 decimals, relative spectral
//    power from the S0, S1, S2 basis. The number is clamped to 30..330. The
//    CIE polynomials hold for 4000 to 25000 K: below 4000 K (n < 40) the
//    4000-7000 K polynomial is used further down, above 25000 K (n > 249)
//    the 7000-25000 K polynomial further up; both stay smooth and give
//    chromaticities close to the daylight locus' continuation;
//  - 11 (Custom) and every other code: D65, as the instrument reports a
//    user-defined illuminant it cannot describe spectrally.
// Observer codes other than 1 (10°) mean 2°.
//
// The weights are computed once per illuminant, observer and Dxx number and
// kept; all functions are safe to call from several threads.
#pragma once

#include "qel/MeasuringCondition.hpp"

#include <cstddef>

class Spectrum;

// Weights for one illuminant and observer: W[i][c] for wavelength 380 + 10 i
// nm and component c (X, Y, Z); White is the XYZ of the perfect reflector
// (the column sums of W, Y = 100).
struct CMetryWeights {
    double W[36][3];
    double White[3];
};

class CMetry {
public:
    // The conditions under which spectra become colour values when no other
    // conditions are given (LABVector(const Spectrum&) and others). Initially
    // the default MeasuringCondition.
    static void SetMeasuringConditions(const MeasuringCondition& rCond);
    static MeasuringCondition GetMeasuringConditions();

    static const CMetryWeights& GetWeights(const IllumClass& rIllum, const ObserverClass& rObserver);
    static const CMetryWeights& GetWeights(const MeasuringCondition& rCond)
    {
        return GetWeights(rCond.GetIllum(), rCond.GetObserver());
    }

    // XYZ (Y = 100 for the perfect reflector) of the spectrum under the
    // illuminant and observer of the condition.
    static void SpectrumToXYZ(const Spectrum& rSpec, const MeasuringCondition& rCond, double aXYZ[3]);
    // Many spectra under one condition (conversions of whole files): pValues
    // holds nCount spectra of 36 values one after the other, pOut receives
    // 3 values per spectrum. The weights are looked up once and blocks of
    // spectra are summed side by side; each spectrum's sums run in the same
    // order as SpectrumToXYZ's, so every result equals the single
    // conversion's (and LABVector's) to the last bit.
    static void SpectraToXYZ(const float* pValues, size_t nCount, const MeasuringCondition& rCond, double* pOut);
    static void SpectraToLab(const float* pValues, size_t nCount, const MeasuringCondition& rCond, double* pOut);
    static void WhitePoint(const MeasuringCondition& rCond, double aXYZ[3]);

    // Relative spectral power of the illuminant at 1 nm, 360 to 780 nm (421
    // values), as the weights are computed from. For tests and displays.
    static void IlluminantPower1nm(const IllumClass& rIllum, double aPower[421]);

    // The daylight chromaticity (x_D, y_D) and the rounded M1, M2 of a Dxx
    // temperature number (clamped to 30..330).
    static void DaylightParameters(short nTempNr, double& rxD, double& ryD, double& rM1, double& rM2);
};

#include "qel/CMetry.hpp"

#include "qel/CMetryTables.hpp"
#include "qel/ColorVector.hpp"
#include "qel/Spectrum.hpp"

#include <algorithm>
#include <cmath>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int FIRST_NM = 360;   // range of the weight computation
constexpr int LAST_NM = 780;
constexpr int N1 = LAST_NM - FIRST_NM + 1;   // 421 values at 1 nm
constexpr int STEP = 10;
constexpr int NODES = (LAST_NM - FIRST_NM) / STEP + 1;   // 43 weights at 10 nm

std::mutex& Lock()
{
    static std::mutex m;
    return m;
}

MeasuringCondition& Current()
{
    static MeasuringCondition c;
    return c;
}

// Which spectral power an illuminant code stands for: the name of its table,
// or nullptr for the Dxx family.
const char* TableOf(int nCode)
{
    switch (nCode) {
    case ILLUM_A: case ILLUM_A_ALT: return "illuminant_A";
    case ILLUM_C: case ILLUM_C_ALT: return "illuminant_C";
    case ILLUM_D50: case ILLUM_D50_ALT: return "illuminant_D50";
    case ILLUM_D55: return "illuminant_D55";
    case ILLUM_D75: return "illuminant_D75";
    case ILLUM_E: return "illuminant_E";
    default: break;
    }
    if (IsDxx(nCode))
        return nullptr;
    if (nCode >= ILLUM_F01 && nCode <= ILLUM_F12) {
        static const char* const kF[] = {"illuminant_F1", "illuminant_F2",  "illuminant_F3", "illuminant_F4",
                                          "illuminant_F5", "illuminant_F6",  "illuminant_F7", "illuminant_F8",
                                          "illuminant_F9", "illuminant_F10", "illuminant_F11", "illuminant_F12"};
        return kF[nCode - ILLUM_F01];
    }
    return "illuminant_D65";   // D65 itself, Custom and unknown codes
}

short ClampTempNr(short n) { return std::clamp<short>(n, 30, 330); }

// A 5 nm (or coarser) table interpolated linearly to 1 nm over 360..780 nm,
// extended at either end with its end values.
void Interpolate1nm(const cmetry_tables::Table& t, int nCol, double aOut[N1])
{
    for (int i = 0; i < N1; ++i) {
        double nm = FIRST_NM + i;
        double pos = (nm - t.nFirstNm) / t.nStepNm;
        if (pos <= 0) {
            aOut[i] = t.At(0, nCol);
        } else if (pos >= t.nRows - 1) {
            aOut[i] = t.At(t.nRows - 1, nCol);
        } else {
            int r = static_cast<int>(pos);
            double f = pos - r;
            aOut[i] = f == 0.0 ? t.At(r, nCol) : t.At(r, nCol) + f * (t.At(r + 1, nCol) - t.At(r, nCol));
        }
    }
}

// Lagrange coefficients at r for the polynomial through the points 0..n-1.
void Lagrange(double r, int n, double* pOut)
{
    for (int j = 0; j < n; ++j) {
        double p = 1.0;
        for (int i = 0; i < n; ++i)
            if (i != j)
                p *= (r - i) / static_cast<double>(j - i);
        pOut[j] = p;
    }
}

CMetryWeights Compute(const IllumClass& rIllum, int nObserver)
{
    const cmetry_tables::Table* pCmf =
        cmetry_tables::Find(nObserver == OBSERVER_10 ? "cmf_1964_10deg_1nm" : "cmf_1931_2deg_1nm");
    double aS[N1];
    CMetry::IlluminantPower1nm(rIllum, aS);

    // Products S(l)·cmf(l) at 1 nm; the cmf table starts at 360 nm.
    double aP[N1][3];
    for (int i = 0; i < N1; ++i)
        for (int c = 0; c < 3; ++c)
            aP[i][c] = aS[i] * pCmf->At(i, c + 1);

    // Coefficients for the 9 points inside an interval: three-point ones for
    // the first and last interval (nodes 0, 1, 2), four-point ones for the
    // inner intervals (between nodes 1 and 2 of 0..3).
    double aBound[STEP - 1][3], aInner[STEP - 1][4];
    for (int j = 0; j < STEP - 1; ++j) {
        double r = (j + 1) / static_cast<double>(STEP);
        Lagrange(r, 3, aBound[j]);
        Lagrange(1.0 + r, 4, aInner[j]);
    }

    double W[NODES][3];
    for (int n = 0; n < NODES; ++n)
        for (int c = 0; c < 3; ++c)
            W[n][c] = aP[n * STEP][c];
    for (int c = 0; c < 3; ++c) {
        for (int j = 0; j < STEP - 1; ++j) {
            // First interval, nodes 0..2.
            for (int k = 0; k < 3; ++k)
                W[k][c] += aBound[j][k] * aP[j + 1][c];
            // Last interval, nodes NODES-1 down to NODES-3, mirrored.
            int i = N1 - 1 - STEP + 1 + j;   // 771..779 nm
            for (int k = 0; k < 3; ++k)
                W[NODES - 1 - k][c] += aBound[STEP - 2 - j][k] * aP[i][c];
        }
        // Inner intervals: between nodes m+1 and m+2, using nodes m..m+3.
        for (int m = 0; m + 3 < NODES; ++m)
            for (int j = 0; j < STEP - 1; ++j) {
                int i = STEP * (m + 1) + 1 + j;
                for (int k = 0; k < 4; ++k)
                    W[m + k][c] += aInner[j][k] * aP[i][c];
            }
    }

    double sumY = 0.0;
    for (int n = 0; n < NODES; ++n)
        sumY += W[n][1];
    double k = 100.0 / sumY;

    // Fold the weights outside 380..730 nm onto the end weights.
    CMetryWeights out{};
    const int first = (380 - FIRST_NM) / STEP, last = (730 - FIRST_NM) / STEP;
    for (int n = 0; n < NODES; ++n) {
        int dst = std::clamp(n, first, last) - first;
        for (int c = 0; c < 3; ++c)
            out.W[dst][c] += W[n][c] * k;
    }
    for (int c = 0; c < 3; ++c) {
        out.White[c] = 0.0;
        for (int i = 0; i < 36; ++i)
            out.White[c] += out.W[i][c];
    }
    return out;
}

} // namespace

void CMetry::SetMeasuringConditions(const MeasuringCondition& rCond)
{
    std::lock_guard<std::mutex> g(Lock());
    Current() = rCond;
}

MeasuringCondition CMetry::GetMeasuringConditions()
{
    std::lock_guard<std::mutex> g(Lock());
    return Current();
}

void CMetry::DaylightParameters(short nTempNr, double& rxD, double& ryD, double& rM1, double& rM2)
{
    double T = 100.0 * ClampTempNr(nTempNr) * 1.4388 / 1.4380;
    double x;
    if (T <= 7000.0)
        x = -4.6070e9 / (T * T * T) + 2.9678e6 / (T * T) + 0.09911e3 / T + 0.244063;
    else
        x = -2.0064e9 / (T * T * T) + 1.9018e6 / (T * T) + 0.24748e3 / T + 0.237040;
    double y = -3.000 * x * x + 2.870 * x - 0.275;
    double M = 0.0241 + 0.2562 * x - 0.7341 * y;
    double m1 = (-1.3515 - 1.7703 * x + 5.9114 * y) / M;
    double m2 = (0.0300 - 31.4424 * x + 30.0717 * y) / M;
    rxD = x;
    ryD = y;
    rM1 = std::round(m1 * 1000.0) / 1000.0;
    rM2 = std::round(m2 * 1000.0) / 1000.0;
}

void CMetry::IlluminantPower1nm(const IllumClass& rIllum, double aPower[421])
{
    if (const char* pName = TableOf(rIllum.GetType())) {
        Interpolate1nm(*cmetry_tables::Find(pName), 1, aPower);
        return;
    }
    double x, y, m1, m2;
    DaylightParameters(rIllum.GetTempNr(), x, y, m1, m2);
    const cmetry_tables::Table* pB = cmetry_tables::Find("daylight_basis_S0_S1_S2");
    double s0[N1], s1[N1], s2[N1];
    Interpolate1nm(*pB, 1, s0);
    Interpolate1nm(*pB, 2, s1);
    Interpolate1nm(*pB, 3, s2);
    // The sum of the interpolated basis functions equals the interpolated sum:
    // the 5 nm power S0 + M1 S1 + M2 S2 interpolated to 1 nm.
    for (int i = 0; i < N1; ++i)
        aPower[i] = s0[i] + m1 * s1[i] + m2 * s2[i];
}

const CMetryWeights& CMetry::GetWeights(const IllumClass& rIllum, const ObserverClass& rObserver)
{
    int nObs = rObserver.GetType() == OBSERVER_10 ? OBSERVER_10 : OBSERVER_2;
    // Slot of the weights: codes sharing a table share a slot (the table's
    // first code), Dxx illuminants get 100 + their number.
    int nCode = rIllum.GetType();
    int nId;
    if (IsDxx(nCode)) {
        nId = 100 + ClampTempNr(rIllum.GetTempNr());
    } else {
        static const int kCanon[] = {ILLUM_A, ILLUM_C, ILLUM_D65, ILLUM_D50, ILLUM_A, ILLUM_C, ILLUM_D65, ILLUM_D50,
                                     ILLUM_D55, ILLUM_D75, ILLUM_E};
        nId = nCode >= 0 && nCode <= ILLUM_E ? kCanon[nCode]
              : nCode >= ILLUM_F01 && nCode <= ILLUM_F12 ? nCode
                                                       : static_cast<int>(ILLUM_D65);
    }
    static std::atomic<const CMetryWeights*> slots[2 * (100 + 331)];
    std::atomic<const CMetryWeights*>& slot = slots[2 * nId + nObs];
    if (const CMetryWeights* p = slot.load(std::memory_order_acquire))
        return *p;
    static std::mutex m;
    std::lock_guard<std::mutex> g(m);
    if (const CMetryWeights* p = slot.load(std::memory_order_acquire))
        return *p;
    // Kept for the life of the process: the weights are handed out by reference.
    static std::vector<std::unique_ptr<CMetryWeights>> owned;
    owned.push_back(std::make_unique<CMetryWeights>(Compute(rIllum, nObs)));
    slot.store(owned.back().get(), std::memory_order_release);
    return *owned.back();
}

void CMetry::SpectrumToXYZ(const Spectrum& rSpec, const MeasuringCondition& rCond, double aXYZ[3])
{
    const CMetryWeights& w = GetWeights(rCond);
    double x = 0, y = 0, z = 0;
    for (int i = 0; i < 36; ++i) {
        double r = rSpec[i];
        x += w.W[i][0] * r;
        y += w.W[i][1] * r;
        z += w.W[i][2] * r;
    }
    aXYZ[0] = x;
    aXYZ[1] = y;
    aXYZ[2] = z;
}

void CMetry::SpectraToXYZ(const float* pValues, size_t nCount, const MeasuringCondition& rCond, double* pOut)
{
    const CMetryWeights& w = GetWeights(rCond);
    constexpr size_t BLOCK = 32;
    for (size_t k0 = 0; k0 < nCount; k0 += BLOCK) {
        size_t m = nCount - k0 < BLOCK ? nCount - k0 : BLOCK;
        const float* p = pValues + k0 * 36;
        double x[BLOCK] = {}, y[BLOCK] = {}, z[BLOCK] = {};
        for (int i = 0; i < 36; ++i) {
            double wx = w.W[i][0], wy = w.W[i][1], wz = w.W[i][2];
            for (size_t k = 0; k < m; ++k) {
                double r = p[k * 36 + static_cast<size_t>(i)];
                x[k] += wx * r;
                y[k] += wy * r;
                z[k] += wz * r;
            }
        }
        double* o = pOut + k0 * 3;
        for (size_t k = 0; k < m; ++k) {
            o[3 * k] = x[k];
            o[3 * k + 1] = y[k];
            o[3 * k + 2] = z[k];
        }
    }
}

void CMetry::SpectraToLab(const float* pValues, size_t nCount, const MeasuringCondition& rCond, double* pOut)
{
    SpectraToXYZ(pValues, nCount, rCond, pOut);
    const double* white = GetWeights(rCond).White;
    for (size_t k = 0; k < nCount; ++k) {
        double xyz[3] = {pOut[3 * k], pOut[3 * k + 1], pOut[3 * k + 2]};
        LABVector::FromXYZ(xyz, white, pOut + 3 * k);
    }
}

void CMetry::WhitePoint(const MeasuringCondition& rCond, double aXYZ[3])
{
    const CMetryWeights& w = GetWeights(rCond);
    for (int c = 0; c < 3; ++c)
        aXYZ[c] = w.White[c];
}

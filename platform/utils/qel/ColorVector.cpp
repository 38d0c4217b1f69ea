#include "qel/ColorVector.hpp"

#include "qel/CMetry.hpp"
#include "qel/GString.hpp"
#include "qel/Spectrum.hpp"

#include <cmath>
#include <numbers>

namespace {

constexpr double DEG = std::numbers::pi / 180.0;

// CIE 1976 lightness function and its inverse (exact constants 6/29).
constexpr double EPS = 216.0 / 24389.0;     // (6/29)^3
constexpr double KAPPA = 24389.0 / 27.0;    // (29/3)^3

double F(double t) { return t > EPS ? std::cbrt(t) : (KAPPA * t + 16.0) / 116.0; }
double FInv(double f)
{
    double f3 = f * f * f;
    return f3 > EPS ? f3 : (116.0 * f - 16.0) / KAPPA;
}

// Hue angle in degrees, 0 <= h < 360. A neutral colour has no hue: below a
// chroma that rounding alone produces, the angle of the rounding noise would
// be meaningless, so it is 0.
double Hue(double a, double b)
{
    if (std::hypot(a, b) < 1e-9)
        return 0.0;
    double h = std::atan2(b, a) / DEG;
    if (h < 0.0)
        h += 360.0;
    return h >= 360.0 ? h - 360.0 : h;
}

// The condition a spectrum's colour value is computed under.
MeasuringCondition ConditionFor(const Spectrum& rSpec)
{
    MeasuringCondition c = CMetry::GetMeasuringConditions();
    c.SetPhysicalConditions(rSpec.GetPhysicalConditions());
    return c;
}

// DIN99 (DIN 6176): a, b rotated by 16°, f compressed by 0.7, chroma
// compressed logarithmically; the DIN99 hue is the angle in the (e, f) plane.
constexpr double DIN99_L = 105.509, DIN99_LK = 0.0158, DIN99_ANGLE = 16.0, DIN99_F = 0.7, DIN99_C = 0.045;

} // namespace

const char* ColorVector::GetLabel(int n) const
{
    static const char* const kLabels[][3] = {
        {"1=", "2=", "3="},        {"X=", "Y=", "Z="},       {"L=", "a=", "b="},      {"L=", "C=", "h="},
        {"Lmg=", "Cmg=", "Hmg="}, {"Lmg=", "Amg=", "Bmg="}, {"dL=", "dC=", "dH="},
    };
    return n >= 0 && n < 3 ? kLabels[meKind][n] : "";
}

String ColorVector::GetText() const
{
    String s;
    for (int i = 0; i < 3; ++i) {
        if (i)
            s += ' ';
        s += GetLabel(i);
        s += GString(maV[i], 7, 2);
    }
    return s;
}

// --- XYZ -----------------------------------------------------------------

XYZVector::XYZVector(const Spectrum& rSpec) : XYZVector(rSpec, ConditionFor(rSpec)) {}

XYZVector::XYZVector(const Spectrum& rSpec, const MeasuringCondition& rCond) : XYZVector()
{
    MeasuringCondition c = rCond;
    c.SetPhysicalConditions(rSpec.GetPhysicalConditions());
    double xyz[3];
    CMetry::SpectrumToXYZ(rSpec, c, xyz);
    SetAll(xyz[0], xyz[1], xyz[2]);
    SetCondition(c);
}

XYZVector::XYZVector(const LABVector& rLab) : XYZVector()
{
    double w[3];
    CMetry::WhitePoint(rLab.GetCondition(), w);
    double fy = (rLab.GetL() + 16.0) / 116.0;
    double fx = fy + rLab.GetA() / 500.0;
    double fz = fy - rLab.GetB() / 200.0;
    double yr = rLab.GetL() > KAPPA * EPS ? fy * fy * fy : rLab.GetL() / KAPPA;
    SetAll(w[0] * FInv(fx), w[1] * yr, w[2] * FInv(fz));
    SetCondition(rLab.GetCondition());
}

// --- L*a*b* --------------------------------------------------------------

LABVector::LABVector(const Spectrum& rSpec) : LABVector(XYZVector(rSpec)) {}

LABVector::LABVector(const Spectrum& rSpec, const MeasuringCondition& rCond) : LABVector(XYZVector(rSpec, rCond)) {}

void LABVector::FromXYZ(const double aXYZ[3], const double aWhite[3], double aLab[3])
{
    double fx = F(aXYZ[0] / aWhite[0]);
    double fy = F(aXYZ[1] / aWhite[1]);
    double fz = F(aXYZ[2] / aWhite[2]);
    aLab[0] = 116.0 * fy - 16.0;
    aLab[1] = 500.0 * (fx - fy);
    aLab[2] = 200.0 * (fy - fz);
}

LABVector::LABVector(const XYZVector& rXYZ) : LABVector()
{
    double w[3], xyz[3] = {rXYZ.GetX(), rXYZ.GetY(), rXYZ.GetZ()}, lab[3];
    CMetry::WhitePoint(rXYZ.GetCondition(), w);
    FromXYZ(xyz, w, lab);
    SetAll(lab[0], lab[1], lab[2]);
    SetCondition(rXYZ.GetCondition());
}

LABVector::LABVector(const LChVector& rLCh) : LABVector()
{
    double h = rLCh.GetH() * DEG;
    SetAll(rLCh.GetL(), rLCh.GetC() * std::cos(h), rLCh.GetC() * std::sin(h));
    SetCondition(rLCh.GetCondition());
}

LABVector::LABVector(const LABmgVector& rLab99) : LABVector()
{
    // Undo DIN99: lightness, chroma expansion, f stretch, rotation.
    double L = (std::exp(rLab99.GetL() / DIN99_L) - 1.0) / DIN99_LK;
    double C99 = std::hypot(rLab99.GetA(), rLab99.GetB());
    double G = (std::exp(DIN99_C * C99) - 1.0) / DIN99_C;
    double h = C99 > 0.0 ? std::atan2(rLab99.GetB(), rLab99.GetA()) : 0.0;
    double e = G * std::cos(h);
    double f = G * std::sin(h) / DIN99_F;
    double c = std::cos(DIN99_ANGLE * DEG), s = std::sin(DIN99_ANGLE * DEG);
    SetAll(L, e * c - f * s, e * s + f * c);
    SetCondition(rLab99.GetCondition());
}

// --- LCh -----------------------------------------------------------------

LChVector::LChVector(const Spectrum& rSpec) : LChVector(LABVector(rSpec)) {}

LChVector::LChVector(const LABVector& rLab) : LChVector()
{
    SetAll(rLab.GetL(), std::hypot(rLab.GetA(), rLab.GetB()), Hue(rLab.GetA(), rLab.GetB()));
    SetCondition(rLab.GetCondition());
}

// --- DIN99 ---------------------------------------------------------------

LABmgVector::LABmgVector(const LABVector& rLab) : LABmgVector()
{
    double c = std::cos(DIN99_ANGLE * DEG), s = std::sin(DIN99_ANGLE * DEG);
    double e = rLab.GetA() * c + rLab.GetB() * s;
    double f = DIN99_F * (-rLab.GetA() * s + rLab.GetB() * c);
    double G = std::hypot(e, f);
    double C99 = std::log1p(DIN99_C * G) / DIN99_C;
    double L99 = DIN99_L * std::log1p(DIN99_LK * rLab.GetL());
    if (G > 0.0)
        SetAll(L99, C99 * e / G, C99 * f / G);
    else
        SetAll(L99, 0.0, 0.0);
    SetCondition(rLab.GetCondition());
}

LCHmgVector::LCHmgVector(const LABmgVector& rLab99) : LCHmgVector()
{
    SetAll(rLab99.GetL(), std::hypot(rLab99.GetA(), rLab99.GetB()), Hue(rLab99.GetA(), rLab99.GetB()));
    SetCondition(rLab99.GetCondition());
}

LCHmgVector::LCHmgVector(const LABVector& rLab) : LCHmgVector(LABmgVector(rLab)) {}

LABmgVector::LABmgVector(const LCHmgVector& rLCh99) : LABmgVector()
{
    double h = rLCh99.GetH() * DEG;
    SetAll(rLCh99.GetL(), rLCh99.GetC() * std::cos(h), rLCh99.GetC() * std::sin(h));
    SetCondition(rLCh99.GetCondition());
}

// --- differences -----------------------------------------------------------

dLCHVector::dLCHVector(const LABVector& rSample, const LABVector& rReference) : dLCHVector()
{
    LChVector s(rSample), r(rReference);
    double dh = s.GetH() - r.GetH();
    if (dh > 180.0)
        dh -= 360.0;
    else if (dh < -180.0)
        dh += 360.0;
    double dH = 2.0 * std::sqrt(s.GetC() * r.GetC()) * std::sin(dh * DEG / 2.0);
    SetAll(s.GetL() - r.GetL(), s.GetC() - r.GetC(), dH);
    SetCondition(rSample.GetCondition());
}

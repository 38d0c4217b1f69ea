// Colour vectors: three components and the MeasuringCondition they were
// computed under.
//
//   XYZVector    X, Y, Z        CIE tristimulus values, Y = 100 for the perfect
//                               reflector under the condition's illuminant
//   LABVector    L*, a*, b*     CIE 1976 L*a*b*, relative to that perfect reflector
//   LChVector    L*, C*ab, hab  hue in degrees, 0 <= h < 360
//   LCHmgVector  L99, C99, h99  DIN99 (DIN 6176) lightness, chroma, hue (degrees)
//   LABmgVector  L99, a99, b99  DIN99 rectangular coordinates
//   dLCHVector   ΔL*, ΔC*ab, ΔH*ab  sample minus reference; ΔH* is the signed
//                               metric hue difference 2·sqrt(C1·C2)·sin(Δh/2)
//
// A vector built from a Spectrum uses CMetry's current illuminant, observer
// and density standard with the spectrum's own physical conditions (filter,
// white base). Conversions between vectors keep the condition of their
// source; dLCHVector takes the sample's.
//
// Text form (GetText, conversion to String): each component as its label and
// the value with two decimals right-aligned in 7 places, separated by one
// blank, e.g. "L=  52.31 a=  -3.10 b=  12.00".
#pragma once

#include "qel/MeasuringCondition.hpp"

class Spectrum;
class XYZVector;
class LABVector;
class LChVector;
class LCHmgVector;
class LABmgVector;

class ColorVector {
public:
    ColorVector() = default;
    ColorVector(double f0, double f1, double f2, const MeasuringCondition& rCond) : maV{f0, f1, f2}, maCond(rCond) {}

    double operator[](int n) const { return n >= 0 && n < 3 ? maV[n] : 0.0; }
    double Get(int n) const { return (*this)[n]; }
    void Set(int n, double f)
    {
        if (n >= 0 && n < 3)
            maV[n] = f;
    }

    const MeasuringCondition& GetCondition() const { return maCond; }
    void SetCondition(const MeasuringCondition& r) { maCond = r; }

    // Component by component; the condition stays.
    ColorVector& operator-=(const ColorVector& r)
    {
        for (int i = 0; i < 3; ++i)
            maV[i] -= r.maV[i];
        return *this;
    }
    ColorVector& operator+=(const ColorVector& r)
    {
        for (int i = 0; i < 3; ++i)
            maV[i] += r.maV[i];
        return *this;
    }

    String GetText() const;
    operator String() const { return GetText(); }
    // The labels of the components in the text form ("L=", "a=", "b=").
    const char* GetLabel(int n) const;

protected:
    // Which label set the text uses; set by each vector class.
    enum Kind { KIND_PLAIN, KIND_XYZ, KIND_LAB, KIND_LCH, KIND_LCHMG, KIND_LABMG, KIND_DLCH };
    ColorVector(Kind e, double f0, double f1, double f2, const MeasuringCondition& rCond)
        : maV{f0, f1, f2}, maCond(rCond), meKind(e)
    {
    }
    void SetAll(double f0, double f1, double f2)
    {
        maV[0] = f0;
        maV[1] = f1;
        maV[2] = f2;
    }

private:
    double maV[3] = {0.0, 0.0, 0.0};
    MeasuringCondition maCond;
    Kind meKind = KIND_PLAIN;
};

class XYZVector : public ColorVector {
public:
    XYZVector() : ColorVector(KIND_XYZ, 0, 0, 0, MeasuringCondition()) {}
    XYZVector(double fX, double fY, double fZ, const MeasuringCondition& rCond) : ColorVector(KIND_XYZ, fX, fY, fZ, rCond) {}
    explicit XYZVector(const Spectrum& rSpec);
    XYZVector(const Spectrum& rSpec, const MeasuringCondition& rCond);
    explicit XYZVector(const LABVector& rLab);

    double GetX() const { return Get(0); }
    double GetY() const { return Get(1); }
    double GetZ() const { return Get(2); }
};

class LABVector : public ColorVector {
public:
    LABVector() : ColorVector(KIND_LAB, 0, 0, 0, MeasuringCondition()) {}
    LABVector(double fL, double fA, double fB, const MeasuringCondition& rCond) : ColorVector(KIND_LAB, fL, fA, fB, rCond) {}
    explicit LABVector(const Spectrum& rSpec);
    // Under the illuminant and observer of rCond; the filter and white base
    // are the spectrum's.
    LABVector(const Spectrum& rSpec, const MeasuringCondition& rCond);
    explicit LABVector(const XYZVector& rXYZ);
    explicit LABVector(const LChVector& rLCh);
    explicit LABVector(const LABmgVector& rLab99);

    double GetL() const { return Get(0); }
    double GetA() const { return Get(1); }
    double GetB() const { return Get(2); }

    // CIE 1976 L*a*b* of tristimulus values relative to a white point; the
    // one formula of every L*a*b* made from XYZ.
    static void FromXYZ(const double aXYZ[3], const double aWhite[3], double aLab[3]);
};

class LChVector : public ColorVector {
public:
    LChVector() : ColorVector(KIND_LCH, 0, 0, 0, MeasuringCondition()) {}
    LChVector(double fL, double fC, double fH, const MeasuringCondition& rCond) : ColorVector(KIND_LCH, fL, fC, fH, rCond) {}
    explicit LChVector(const Spectrum& rSpec);
    explicit LChVector(const LABVector& rLab);

    double GetL() const { return Get(0); }
    double GetC() const { return Get(1); }
    double GetH() const { return Get(2); }
};

class LCHmgVector : public ColorVector {
public:
    LCHmgVector() : ColorVector(KIND_LCHMG, 0, 0, 0, MeasuringCondition()) {}
    LCHmgVector(double fL99, double fC99, double fH99, const MeasuringCondition& rCond)
        : ColorVector(KIND_LCHMG, fL99, fC99, fH99, rCond)
    {
    }
    explicit LCHmgVector(const LABVector& rLab);
    explicit LCHmgVector(const LABmgVector& rLab99);

    double GetL() const { return Get(0); }
    double GetC() const { return Get(1); }
    double GetH() const { return Get(2); }
};

class LABmgVector : public ColorVector {
public:
    LABmgVector() : ColorVector(KIND_LABMG, 0, 0, 0, MeasuringCondition()) {}
    LABmgVector(double fL99, double fA99, double fB99, const MeasuringCondition& rCond)
        : ColorVector(KIND_LABMG, fL99, fA99, fB99, rCond)
    {
    }
    explicit LABmgVector(const LCHmgVector& rLCh99);
    explicit LABmgVector(const LABVector& rLab);

    double GetL() const { return Get(0); }
    double GetA() const { return Get(1); }
    double GetB() const { return Get(2); }
};

class dLCHVector : public ColorVector {
public:
    dLCHVector() : ColorVector(KIND_DLCH, 0, 0, 0, MeasuringCondition()) {}
    dLCHVector(double fdL, double fdC, double fdH, const MeasuringCondition& rCond)
        : ColorVector(KIND_DLCH, fdL, fdC, fdH, rCond)
    {
    }
    // Sample first, reference second: sample minus reference.
    dLCHVector(const LABVector& rSample, const LABVector& rReference);

    double GetdL() const { return Get(0); }
    double GetdC() const { return Get(1); }
    double GetdH() const { return Get(2); }
};

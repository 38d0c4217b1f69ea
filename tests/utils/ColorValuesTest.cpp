// Colour vectors, differences, DIN99, number texts, condition texts and
// display colours out of gamut and named.
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/ColorVector.hpp"
#include "qel/DeltaE.hpp"
#include "qel/GString.hpp"
#include "qel/Spectrum.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const MeasuringCondition kD65_10(PhysicalConditions(), IllumClass(ILLUM_D65), OBSERVER_10);

// DIN 6176 written out here from the standard's equations, so the code under
// test is checked against an independent derivation.
void Din99(double L, double a, double b, double out[5])
{
    const double pi = std::acos(-1.0);
    const double c16 = std::cos(16.0 * pi / 180.0), s16 = std::sin(16.0 * pi / 180.0);
    double e = a * c16 + b * s16;
    double f = 0.7 * (b * c16 - a * s16);
    double G = std::sqrt(e * e + f * f);
    double C99 = std::log(1.0 + 0.045 * G) / 0.045;
    double h = std::atan2(f, e);
    out[0] = 105.509 * std::log(1.0 + 0.0158 * L);
    out[1] = C99 * std::cos(h);
    out[2] = C99 * std::sin(h);
    out[3] = C99;
    out[4] = std::fmod(h * 180.0 / pi + 360.0, 360.0);
}

} // namespace

TEST(Din99, MatchesIndependentDerivationAndPublishedExample)
{
    struct Case {
        double L, a, b;
    } cases[] = {{41.52787529, 52.63858304, 26.92317922}, {50, 0, 0}, {0, 0, 0}, {100, -80, 60},
                 {30, -20, -40},                           {75, 10, -5}, {60, 0, 70}, {20, -1e-4, 3e-4}};
    for (auto& c : cases) {
        double want[5];
        Din99(c.L, c.a, c.b, want);
        LABVector lab(c.L, c.a, c.b, kD65_10);
        LABmgVector mg(lab);
        LCHmgVector lch(lab);
        EXPECT_NEAR(mg.GetL(), want[0], 1e-9);
        EXPECT_NEAR(mg.GetA(), want[1], 1e-9);
        EXPECT_NEAR(mg.GetB(), want[2], 1e-9);
        EXPECT_NEAR(lch.GetC(), want[3], 1e-9);
        if (want[3] > 1e-9) {
            EXPECT_NEAR(lch.GetH(), want[4], 1e-9);
        }
        // LCHmg -> LABmg -> Lab comes back.
        LABVector back{LABmgVector(lch)};
        EXPECT_NEAR(back.GetL(), c.L, 1e-9);
        EXPECT_NEAR(back.GetA(), c.a, 1e-9);
        EXPECT_NEAR(back.GetB(), c.b, 1e-9);
        EXPECT_TRUE(back.GetCondition() == kD65_10);
    }
    // Published worked example (ASTM D2244 / DIN 6176 form).
    LABmgVector ex(LABVector(41.52787529, 52.63858304, 26.92317922, kD65_10));
    EXPECT_NEAR(ex.GetL(), 53.2282198, 1e-6);
    EXPECT_NEAR(ex.GetA(), 28.4163465, 1e-6);
    EXPECT_NEAR(ex.GetB(), 3.8983955, 1e-6);
}

TEST(DeltaE, Cielab1976AndDin99)
{
    struct Case {
        double l1, a1, b1, l2, a2, b2, de;
    } cases[] = {
        {50, 2.6772, -79.7751, 50, 0, -82.7485, 4.0011},   // first pair of the CIEDE2000 test set, ΔE*ab
        {50, 0, 0, 50, 0, 0, 0},
        {0, 0, 0, 100, 0, 0, 100},
        {60, 10, 20, 57, 14, 8, 13.0},   // 3, 4, 12
    };
    for (auto& c : cases) {
        LABVector s(c.l1, c.a1, c.b1, kD65_10), r(c.l2, c.a2, c.b2, kD65_10);
        EXPECT_NEAR(DeltaE::CIELAB(s, r), c.de, 1e-4);
        EXPECT_EQ(DeltaE::CIELAB(s, r), DeltaE::CIELAB(r, s));
        double d1[5], d2[5];
        Din99(c.l1, c.a1, c.b1, d1);
        Din99(c.l2, c.a2, c.b2, d2);
        double de99 = std::sqrt(std::pow(d1[0] - d2[0], 2) + std::pow(d1[1] - d2[1], 2) + std::pow(d1[2] - d2[2], 2));
        EXPECT_NEAR(DeltaE::DIN99(s, r), de99, 1e-4);
    }
}

// Lab <-> LCh <-> XYZ round trips, and the hue range.
TEST(ColorVectors, ConversionsRoundTrip)
{
    MeasuringCondition a2(PhysicalConditions(FILTER_UV, WBASE_PAPER), IllumClass(ILLUM_A), OBSERVER_2);
    struct Case {
        double L, a, b, h;
    } cases[] = {{50, 20, 0, 0},   {50, 0, 20, 90},      {50, -20, 0, 180}, {50, 0, -20, 270},
                 {70, 10, -1e-9, 360 - 1e-9 * 180 / 3.14159265358979 / 10}, {5, 1, 1, 45}, {100, 0, 0, 0}};
    for (auto& c : cases) {
        LABVector lab(c.L, c.a, c.b, a2);
        LChVector lch(lab);
        EXPECT_NEAR(lch.GetH(), c.h, 1e-6);
        EXPECT_GE(lch.GetH(), 0.0);
        EXPECT_LT(lch.GetH(), 360.0);
        EXPECT_NEAR(lch.GetC(), std::hypot(c.a, c.b), 1e-12);
        LABVector back(lch);
        EXPECT_NEAR(back.GetA(), c.a, 1e-9);
        EXPECT_NEAR(back.GetB(), c.b, 1e-9);
        LABVector viaXYZ{XYZVector(lab)};
        EXPECT_NEAR(viaXYZ.GetL(), c.L, 1e-9);
        EXPECT_NEAR(viaXYZ.GetA(), c.a, 1e-9);
        EXPECT_NEAR(viaXYZ.GetB(), c.b, 1e-9);
        EXPECT_TRUE(viaXYZ.GetCondition() == a2);
    }
    // Dark colours take the linear part of the lightness function.
    LABVector dark(3.0, 1.0, -1.0, a2);
    XYZVector x(dark);
    double w[3];
    CMetry::WhitePoint(a2, w);
    EXPECT_NEAR(x.GetY(), w[1] * 3.0 / (24389.0 / 27.0), 1e-12);
}

TEST(ColorVectors, DifferencesAndSubtraction)
{
    struct Case {
        double h1, c1, h2, c2;
    } cases[] = {{10, 30, 350, 30}, {350, 30, 10, 30}, {90, 20, 80, 25}, {180, 10, 181, 10}, {0, 0, 45, 10}};
    const double pi = std::acos(-1.0);
    for (auto& c : cases) {
        LABVector s(60, c.c1 * std::cos(c.h1 * pi / 180), c.c1 * std::sin(c.h1 * pi / 180), kD65_10);
        LABVector r(55, c.c2 * std::cos(c.h2 * pi / 180), c.c2 * std::sin(c.h2 * pi / 180), kD65_10);
        dLCHVector d(s, r);
        EXPECT_NEAR(d.GetdL(), 5.0, 1e-9);
        EXPECT_NEAR(d.GetdC(), c.c1 - c.c2, 1e-9);
        // ΔE² = ΔL² + ΔC² + ΔH², and ΔH takes the sign of the shorter hue turn.
        double de = DeltaE::CIELAB(s, r);
        EXPECT_NEAR(d.GetdL() * d.GetdL() + d.GetdC() * d.GetdC() + d.GetdH() * d.GetdH(), de * de, 1e-3);
        double turn = std::remainder(c.h1 - c.h2, 360.0);
        if (c.c1 > 0 && c.c2 > 0) {
            EXPECT_EQ(d.GetdH() > 0, turn > 0);
        }
    }
    LABVector v(50, 10, -10, kD65_10);
    v -= LABVector(40, 15, -20, kD65_10);
    EXPECT_DOUBLE_EQ(v.GetL(), 10);
    EXPECT_DOUBLE_EQ(v.GetA(), -5);
    EXPECT_DOUBLE_EQ(v.GetB(), 10);
    EXPECT_TRUE(v.GetCondition() == kD65_10);
}

TEST(ColorVectors, TextForms)
{
    EXPECT_EQ(LABVector(52.314, -3.1, 12, kD65_10).GetText(), "L=  52.31 a=  -3.10 b=  12.00");
    EXPECT_EQ(String(LChVector(LABVector(50, 0, 10, kD65_10))), "L=  50.00 C=  10.00 h=  90.00");
    EXPECT_EQ(dLCHVector(1, -2, 0.5, kD65_10).GetText(), "dL=   1.00 dC=  -2.00 dH=   0.50");
    EXPECT_EQ(LCHmgVector(1, 2, 3, kD65_10).GetText(), "Lmg=   1.00 Cmg=   2.00 Hmg=   3.00");
    EXPECT_EQ(XYZVector(95.047, 100, 108.883, kD65_10).GetText(), "X=  95.05 Y= 100.00 Z= 108.88");
}

TEST(GString, FixedDecimalsRightAligned)
{
    struct Case {
        double v;
        int w, d;
        const char* want;
    } cases[] = {
        {-100.0, 6, 1, "-100.0"}, {3.14159, 7, 2, "   3.14"}, {0.0, 5, 1, "  0.0"},    {2.05, 5, 1, "  2.0"},
        {-0.04, 5, 1, "  0.0"},   {12345.678, 4, 1, "12345.7"}, {7.5, 0, 0, "8"},       {-2.5, 6, 3, "-2.500"},
        {1e300, 3, 0, "1000000000000000"}, {std::nan(""), 4, 1, " 0.0"},
    };
    for (auto& c : cases)
        EXPECT_EQ(GString(c.v, c.w, c.d), c.want) << c.v << " " << c.w << " " << c.d;
}

TEST(ConditionClasses, TextsAndComparison)
{
    EXPECT_EQ(IllumClass(ILLUM_DXX_FIRST + 5, 93).GetText(), "D93");
    EXPECT_EQ(IllumClass(ILLUM_D65).GetText(), "D65");
    EXPECT_EQ(IllumClass(ILLUM_F12 - 1, 65).GetText(), "F11");
    EXPECT_EQ(String(ObserverClass(OBSERVER_10)), "10\xC2\xB0");
    EXPECT_EQ(ActualFilterClass(FILTER_M1).GetText(), "M1");
    EXPECT_EQ(static_cast<ValueFilterType>(ActualFilterClass(8)), FILTER_M1);
    EXPECT_EQ(WBaseClass(0).GetText(), "Pap");
    EXPECT_EQ(DStdClass(DSTD_ANSI_T).GetText(), "ANSI T");

    // Dxx codes compare by their number; other codes by the code alone.
    EXPECT_TRUE(IllumClass(16, 50) == IllumClass(18, 50));
    EXPECT_FALSE(IllumClass(16, 50) == IllumClass(16, 51));
    EXPECT_FALSE(IllumClass(ILLUM_D50) == IllumClass(16, 50));
    EXPECT_TRUE(IllumClass(ILLUM_D50, 12) == IllumClass(ILLUM_D50, 65));

    MeasuringCondition def;
    EXPECT_EQ(def.GetIllum().GetType(), ILLUM_D65);
    EXPECT_EQ(def.GetObserver().GetType(), OBSERVER_2);
    EXPECT_EQ(def.GetDStd().GetType(), DSTD_DIN);
    EXPECT_EQ(def.GetWBase().GetType(), WBASE_ABSOLUTE);
    EXPECT_EQ(def.GetFilter().GetType(), FILTER_NONE);
    EXPECT_EQ(def.GetText(), "D65/2\xC2\xB0 No Abs");
    // Each part takes part in the comparison.
    auto changed = [&](auto set) {
        MeasuringCondition m;
        set(m);
        return m != def;
    };
    EXPECT_TRUE(changed([](MeasuringCondition& m) { m.SetIllum(IllumClass(ILLUM_A)); }));
    EXPECT_TRUE(changed([](MeasuringCondition& m) { m.SetObserver(OBSERVER_10); }));
    EXPECT_TRUE(changed([](MeasuringCondition& m) { m.SetDStd(DSTD_ANSI_A); }));
    EXPECT_TRUE(changed([](MeasuringCondition& m) { m.SetWBase(WBASE_PAPER); }));
    EXPECT_TRUE(changed([](MeasuringCondition& m) { m.SetFilter(FILTER_POL); }));
    EXPECT_FALSE(changed([](MeasuringCondition& m) { m.SetIllum(IllumClass(ILLUM_D65, 50)); }));
}

TEST(Spectrum, ValuesAndCopies)
{
    float v[36];
    for (int i = 0; i < 36; ++i)
        v[i] = 0.01f * i;
    Spectrum s(PhysicalConditions(FILTER_POL, WBASE_PAPER), v);
    EXPECT_NEAR(s.Summe(), 0.01 * 35 * 36 / 2, 1e-5);
    Spectrum copy = s;
    copy[0] = 0.5f;
    EXPECT_EQ(s[0], 0.0f);
    EXPECT_TRUE(copy.GetPhysicalConditions() == s.GetPhysicalConditions());
    copy.Init(0.25f);
    EXPECT_DOUBLE_EQ(copy.Summe(), 9.0);
    EXPECT_EQ(copy.GetValue(36), 0.0f);
    EXPECT_EQ(copy.GetValue(-1), 0.0f);
    EXPECT_EQ(Spectrum(PhysicalConditions(), nullptr).Summe(), 0.0);
}

TEST(ColorConverter, OutOfGamutIsClamped)
{
    double rgb[3];
    LABVector vivid(50, 0, -120, kD65_10);
    EXPECT_FALSE(ColorConverter::LabToRGB(vivid, rgb));
    EXPECT_LT(std::min({rgb[0], rgb[1], rgb[2]}), 0.0);
    Color c = ColorConverter::LabToColor(vivid);
    EXPECT_EQ(c.GetRed(), 0);
    EXPECT_GT(c.GetBlue(), 200);
    EXPECT_TRUE(ColorConverter::LabToRGB(LABVector(50, 5, 5, kD65_10), rgb));
}

TEST(ColorConverter, ColourNames)
{
    struct Case {
        double L, a, b;
        const char* name;
    } cases[] = {{100, 0, 0, "white"}, {0, 0, 0, "black"}, {53.24, 80.09, 67.20, "red"}, {32.30, 79.19, -107.86, "blue"},
                 {53.59, 0, 0, "gray"}};
    for (auto& c : cases)   // sRGB primaries' L*a*b* (D65)
        EXPECT_EQ(ColorConverter::Farbzuordnung(LABVector(c.L, c.a, c.b, MeasuringCondition())).str(), c.name);
    Spectrum white;
    white.Init(1.0f);
    EXPECT_EQ(ColorConverter::Farbzuordnung(white), "white");
}

// The white calibration over a scripted instrument: the table moved to the
// white reference and back, the cases that calibrate in place or not at all,
// failures, and the comparison of the stored white reference with a fresh
// measurement of the tile (by software version, by filter, and at the
// ΔE*ab 0.5 boundary of its warning).
#include "library/ScriptedInstrument.hpp"

#include "qel/ColorVector.hpp"
#include "qel/DeltaE.hpp"
#include "qel/Spectrum.hpp"
#include "sv/MessBox.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using libtest::Seq;
class WhiteCalibrationTest : public libtest::ScriptedLibraryTest {};

TEST_F(WhiteCalibrationTest, OnTheTable)
{
    dev.table = true;
    ValueFilterType f = FILTER_POL;
    ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 3, 1), 1);
    // Compared first; then to white reference 3, head down, white
    // measurement, head up, back to where the table stood.
    EXPECT_TRUE(SentInOrder({31, 29}));
    EXPECT_TRUE(SentInOrder({57, 56, 55, 29, 54, 51}));
    EXPECT_EQ(CountOf(29), 1);
    EXPECT_EQ(PayloadOfNth(56), testenv::Bytes(libtest::Ints({3})));
    EXPECT_EQ(PayloadOfNth(51), testenv::Bytes(libtest::Ints({0, 100, 200})));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(pLib->GetCalFilter(), FILTER_POL);
}

TEST_F(WhiteCalibrationTest, InPlaceFor156OrPaperWhite)
{
    dev.table = true;
    for (auto [control, wbase] : {std::pair{156, 1}, std::pair{0, 0}}) {
        t->ClearSent();
        dev.control = control;
        dev.wbase = wbase;
        ValueFilterType f = FILTER_POL;
        ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 1);
        EXPECT_EQ(CountOf(56), 0);
        EXPECT_EQ(CountOf(55), 0);
        EXPECT_EQ(CountOf(29), 1);
    }
}

TEST_F(WhiteCalibrationTest, Failures)
{
    ValueFilterType f = FILTER_POL;
    dev.refuse = {48};
    EXPECT_EQ(pLib->WhiteCalibration(f, 1, 0, 0, 0, 1), 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_ERROR);
    EXPECT_EQ(boxes.Boxes()[0].aText,
              String("The instrument is not ready. Check the cable and that it is switched on."));

    // The table cannot reach the white reference: nothing is measured.
    dev.refuse = {56};
    dev.table = true;
    t->ClearSent();
    EXPECT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 2, 1), 0);
    EXPECT_EQ(CountOf(55), 0);
    EXPECT_EQ(CountOf(29), 0);

    // A failed white measurement keeps the previous calibration filter.
    dev.refuse = {29};
    dev.table = false;
    EXPECT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 0);
    EXPECT_EQ(pLib->GetCalFilter(), -1);
}

TEST_F(WhiteCalibrationTest, DeviceType2OnlyReadsTheConditions)
{
    dev.deviceType = 2;
    ValueFilterType f = FILTER_M1;
    EXPECT_EQ(pLib->WhiteCalibration(f, 0, 0, 0, 0, 1), 1);
    EXPECT_GE(CountOf(26), 1);
    EXPECT_TRUE(Steps().empty());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(WhiteCalibrationTest, HuepointerIsNeverCalibrated)
{
    dev.huepointer = true;
    ValueFilterType f = FILTER_M1;
    EXPECT_EQ(pLib->WhiteCalibration(f, 1, 0, 0, 0, 1), 1);
    EXPECT_TRUE(Steps().empty());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(WhiteCalibrationTest, WhiteReferenceComparisonBySoftwareVersion)
{
    ValueFilterType f = FILTER_POL;
    for (int sw : {198, 199}) {
        t->ClearSent();
        boxes.Clear();
        dev.sw = sw;
        dev.whiteRef = 0.9f;  // far from the measured 0.5: warns from 199 on
        ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 1) << sw;
        EXPECT_EQ(CountOf(31), sw >= 199 ? 1 : 0) << sw;
        EXPECT_EQ(boxes.Boxes().size(), sw >= 199 ? 1u : 0u) << sw;
        EXPECT_EQ(CountOf(29), 1) << sw;  // the calibration goes on either way
    }
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_WARNING);
    EXPECT_EQ(boxes.Boxes()[0].nStyle, 16);
    EXPECT_EQ(boxes.Boxes()[0].aText.str().rfind("The stored white reference differs", 0), 0u);
}

TEST_F(WhiteCalibrationTest, FilterWithoutWhiteReferenceBlockSkipsTheComparison)
{
    dev.filter = 8;
    ValueFilterType f = FILTER_M1;
    ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 1);
    EXPECT_EQ(CountOf(31), 0);
    EXPECT_EQ(CountOf(28), 0);
}

// ---- the warning's boundary --------------------------------------------------

// ΔE*ab between a flat stored white reference and a tile measurement, as
// the colour mathematics of this process computes it.
float WhiteDeltaE(float fRef, const std::vector<float>& rMeasured)
{
    PhysicalConditions aPhys{ActualFilterClass(FILTER_POL), WBaseClass(WBASE_ABSOLUTE)};
    std::vector<float> aRef(Spectrum::COUNT, fRef);
    return DeltaE::CIELAB(LABVector(Spectrum(aPhys, aRef.data())), LABVector(Spectrum(aPhys, rMeasured.data())));
}

// The smallest value in [lo, hi] at which ΔE reaches fTarget, found by
// bisection while rSet puts the value into the measurement.
template <class SetFn>
float Reaching(float fRef, std::vector<float>& rMeasured, float fTarget, float lo, float hi, SetFn rSet)
{
    while (std::nextafter(lo, hi) < hi) {
        float mid = lo + (hi - lo) / 2;
        rSet(mid);
        (WhiteDeltaE(fRef, rMeasured) < fTarget ? lo : hi) = mid;
    }
    rSet(hi);
    return hi;
}

// A tile measurement whose ΔE against the flat reference is exactly the
// float fTarget: a flat level just below it, then one point at the ends of
// the spectrum (which weigh little) raised until ΔE lands on the target.
// Empty when no point lands exactly.
std::vector<float> TileMeasurementAt(float fRef, float fTarget)
{
    std::vector<float> m(Spectrum::COUNT, fRef);
    float level = Reaching(fRef, m, fTarget, fRef, fRef + 0.5f, [&](float v) { std::fill(m.begin(), m.end(), v); });
    level = std::nextafter(level, fRef);
    for (size_t point : {size_t(0), size_t(35), size_t(1), size_t(34), size_t(2), size_t(33)}) {
        std::fill(m.begin(), m.end(), level);
        Reaching(fRef, m, fTarget, level, level + 1.0f, [&](float v) { m[point] = v; });
        if (WhiteDeltaE(fRef, m) == fTarget)
            return m;
    }
    return {};
}

TEST_F(WhiteCalibrationTest, WarningStartsAboveDeltaEHalf)
{
    const float half = 0.5f;
    struct Case {
        float deltaE;
        bool warns;
    } cases[] = {{0.49f, false}, {half, false}, {std::nextafter(half, 1.0f), true}, {0.51f, true}};
    const float ref = 0.5f;
    ValueFilterType f = FILTER_POL;
    for (const auto& c : cases) {
        SCOPED_TRACE("dE " + std::to_string(c.deltaE));
        dev.whiteRef = ref;
        dev.spectrum = TileMeasurementAt(ref, c.deltaE);
        ASSERT_EQ(dev.spectrum.size(), static_cast<size_t>(Spectrum::COUNT)) << "no measurement found for the case";
        ASSERT_EQ(WhiteDeltaE(ref, dev.spectrum), c.deltaE);
        boxes.Clear();
        t->ClearSent();
        ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 1);
        EXPECT_EQ(CountOf(31), 1);
        ASSERT_EQ(boxes.Boxes().size(), c.warns ? 1u : 0u);
        if (c.warns) {
            EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_WARNING);
        }
        EXPECT_EQ(CountOf(29), 1);  // a warning does not stop the calibration
    }
}

} // namespace

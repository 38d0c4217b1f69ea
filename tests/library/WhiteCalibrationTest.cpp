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

using libtest::ExpectBox;
using libtest::IntBytes;
using libtest::Seq;
class WhiteCalibrationTest : public libtest::ScriptedLibraryTest {};

// On the table: compared first; then to the white reference, head down,
// white measurement, head up, back to where the table stood. An instrument
// that measures where it stands (control 156), or paper white, calibrates in
// place.
TEST_F(WhiteCalibrationTest, OnTheTableOrInPlace)
{
    struct Case {
        int control, wbase;
        Seq steps;
    } cases[] = {
        {0, 1, {31, 28, 15, 56, 55, 29, 54, 51}},
        {156, 1, {31, 28, 15, 29}},
        {0, 0, {31, 28, 15, 29}},
    };
    dev.table = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.control) + " " + std::to_string(c.wbase));
        t->ClearSent();
        dev.control = c.control;
        dev.wbase = c.wbase;
        ValueFilterType f = FILTER_POL;
        ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 3, 1), 1);
        EXPECT_EQ(Steps(), c.steps);
        if (CountOf(56)) {
            EXPECT_TRUE(SentInOrder({57, 56})) << "the position is read before the table moves";
            EXPECT_EQ(PayloadOfNth(56), IntBytes({3}));
            EXPECT_EQ(PayloadOfNth(51), IntBytes({0, 100, 200}));
        }
        EXPECT_TRUE(boxes.Boxes().empty());
        EXPECT_EQ(pLib->GetCalFilter(), FILTER_POL);
    }
}

TEST_F(WhiteCalibrationTest, Failures)
{
    ValueFilterType f = FILTER_POL;
    dev.refuse = {48};
    EXPECT_EQ(pLib->WhiteCalibration(f, 1, 0, 0, 0, 1), 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    ExpectBox(boxes, 0, MESSBOX_ERROR, 16, "The instrument is not ready. Check the cable and that it is switched on.");

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

// Device type 2 only reads the conditions; a Huepointer is never calibrated.
TEST_F(WhiteCalibrationTest, InstrumentsThatAreNotCalibrated)
{
    for (bool huepointer : {false, true}) {
        SCOPED_TRACE(huepointer ? "Huepointer" : "device type 2");
        dev.deviceType = huepointer ? 1 : 2;
        dev.huepointer = huepointer;
        t->ClearSent();
        ValueFilterType f = FILTER_M1;
        EXPECT_EQ(pLib->WhiteCalibration(f, huepointer, 0, 0, 0, 1), 1);
        EXPECT_TRUE(Steps().empty());
        if (!huepointer) {
            EXPECT_GE(CountOf(26), 1);
        }
        EXPECT_TRUE(boxes.Boxes().empty());
    }
}

// The stored white reference is compared with a measurement of the tile from
// software version 199 on, and only for filters that have a white reference
// block; a difference warns, and the calibration goes on either way.
TEST_F(WhiteCalibrationTest, WhiteReferenceComparisonByVersionAndFilter)
{
    struct Case {
        int sw, filter;
        ValueFilterType wanted;
        bool compares;
    } cases[] = {{198, 2, FILTER_POL, false}, {199, 2, FILTER_POL, true}, {355, 8, FILTER_M1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sw) + " filter " + std::to_string(c.filter));
        t->ClearSent();
        boxes.Clear();
        dev.sw = c.sw;
        dev.filter = c.filter;
        dev.whiteRef = 0.9f;  // far from the measured 0.5
        ValueFilterType f = c.wanted;
        ASSERT_EQ(pLib->WhiteCalibration(f, 0, 0, 1, 0, 1), 1);
        EXPECT_EQ(CountOf(31), c.compares ? 1 : 0);
        EXPECT_EQ(CountOf(28), c.compares ? 1 : 0);
        EXPECT_EQ(CountOf(29), 1);
        ASSERT_EQ(boxes.Boxes().size(), c.compares ? 1u : 0u);
        if (c.compares) {
            EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_WARNING);
            EXPECT_EQ(boxes.Boxes()[0].nStyle, 16);
            EXPECT_EQ(boxes.Boxes()[0].aText.str().rfind("The stored white reference differs", 0), 0u);
        }
    }
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

// Every exchange the library's procedures make carries the right DisEnable:
// 0 (a probe, with the short time-out) for DeviceReady and the key-report
// switches 82 and 83, 2 for everything else. One run drives each procedure
// over the scripted instrument, in the variants that reach the table, the
// alternative tables and the filter wait; the command set's single commands
// are checked case by case in tests/protocol/.
#include "library/ScriptedInstrument.hpp"

#include "qel/Spectrum.hpp"
#include "qelvxn/conditions/VxnSet.hpp"
#include "sv/MessBox.hpp"

#include <gtest/gtest.h>

#include <set>

namespace {

class DisEnableTest : public libtest::ScriptedLibraryTest {};

TEST_F(DisEnableTest, EveryProcedureSendsProbesAndCommandsAsSuch)
{
    Spectrum s;
    // Measure forms: by filter (calibrating first: readiness, white
    // reference, white measurement), after a prompt, by conditions (Dxx
    // number and download; a motorised filter and a new calibration).
    dev.motorised = {7, 8, 9};
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_POL), 1);
    InfoBox prompt(nullptr, String("Place the instrument on the sample"));
    ASSERT_EQ(pLib->Measure(&prompt, s, FILTER_POL), 1);
    MeasuringCondition cond(PhysicalConditions{ActualFilterClass(FILTER_M1), WBaseClass(WBASE_PAPER)},
                            IllumClass(static_cast<IllumType>(16), 93), ObserverClass(OBSERVER_10));
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, cond), 1);
    ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, 0), 1);

    // Condition checks by set and by condition; the instrument lock.
    VxnSet set(ILLUM_A, 65, OBSERVER_2, DSTD_DIN, WBASE_ABSOLUTE, FILTER_M2, 0);
    ASSERT_EQ(pLib->CheckSettings(set), 1);
    ASSERT_EQ(pLib->CheckSettings(cond), 1);
    ASSERT_EQ(pLib->LockVXN(), 1);
    pLib->UnlockVXN();

    // With a table: the measurement and the white calibration move it.
    dev.table = true;
    ASSERT_EQ(pLib->SingleMeasure(s), 1);
    ValueFilterType f = FILTER_M1;
    ASSERT_EQ(pLib->WhiteCalibration(f, 1, 1, 1, 2, 1), 1);

    // The filter wait of instruments that measure white after a change, with
    // the control answers that switch measure control and table mode.
    dev.deviceType = 4194304;
    dev.wbase = 0;
    for (int control : {157, 156}) {
        dev.control = control;
        dev.filter = 2;
        dev.nextFilters = {2, 2, 3};
        ASSERT_EQ(pLib->CheckSettings(ILLUM_D65, 65, OBSERVER_2, WBASE_PAPER, FILTER_D65), 1) << control;
    }

    // Alternative tables, and the measurement of device type 2.
    dev.deviceType = 65536;
    dev.sw = 199;
    MeasuringCondition read;
    ASSERT_EQ(pLib->ParameterRequest(read), 1);
    dev.deviceType = 2;
    dev.table = false;
    ASSERT_EQ(pLib->Measure(static_cast<Window*>(nullptr), s, FILTER_M1), 1);

    std::set<int> seen;
    for (auto [msg, de] : t->SentDisEnables()) {
        EXPECT_EQ(de, testenv::ExpectedDisEnable(msg)) << "message " << msg;
        seen.insert(msg);
    }
    // The run reached every message the procedures send today.
    for (int msg : {2, 3, 8, 13, 15, 26, 27, 28, 29, 31, 32, 33, 34, 36, 37, 48, 51, 54, 55, 56, 57, 85, 94, 100, 101})
        EXPECT_TRUE(seen.count(msg)) << "message " << msg << " was not sent";
}

} // namespace

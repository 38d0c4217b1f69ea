// ScanLib: the instrument library with the scanning table's command set.
// CreateVXNLib always builds one, so table operations are available whether
// or not a table is connected.
//
// Its three procedures measure on the table. Positions are in table units
// (a Point, x and y), spreads a Size (width, height).
//  - MeasureAtPos: one spectrum at a position (the table moves there, lowers
//    the head and measures in one command).
//  - MultiMeasurementAtPos: the mean of n spectra, the first at the position
//    itself, the others at points spread at random around it (the C
//    library's rand() taken to 0..32767, so std::srand repeats a run); the head is lifted
//    afterwards whatever failed.
//  - ScanPosition: the operator moves the head over a point and presses the
//    instrument's key (dialog WaitEnterKey); the sight's position is read.
// They show nothing themselves: the only boxes come from the calibration
// check and the key dialog. Both measuring procedures calibrate first where
// the filter asks for it.
#pragma once

#include "qelvxn/library/VXNLib.hpp"
#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"
#include "sv/Point.hpp"
#include "sv/Size.hpp"
#include "sv/String.hpp"

class ScanLib : public TABLEWALKERProtokoll, public VXNLib {
public:
    ~ScanLib() override = default;
    ScanLib(const ScanLib&) = default;
    ScanLib& operator=(const ScanLib&) = default;

    // The spectrum at the position (system 0: under the aperture), on the
    // condition's filter and white base. After a failure the spectrum is
    // rebuilt all the same and carries no measurement: look at the result.
    unsigned char MeasureAtPos(Window* pParent, Spectrum& rSpectrum, const Point& rPos,
                               const MeasuringCondition& rCondition);
    // The mean of nCount measurements (0 counts as 1): the first at the
    // position, each further one offset by up to half the spread either way.
    // The sum is divided by nCount even when a measurement failed and ended
    // the run early; the result is that of the last measurement attempted.
    unsigned char MultiMeasurementAtPos(Window* pParent, Spectrum& rSpectrum, int nCount, const Point& rPos,
                                        const Size& rSpread, const MeasuringCondition& rCondition);
    // Moves the sight to rPos, lets the operator move the head and confirm
    // with the key, and reads the sight's position into rPos (system 1).
    // 0 when cancelled or a table command failed; rPos is then unchanged.
    unsigned char ScanPosition(Window* pParent, String aTitle, String aText, Point& rPos);

    // The point the k-th further measurement of a spread uses, from two
    // draws of rand() in 0..32767: p + (r * spread) / 32768 - spread / 2 per axis (an
    // axis with a spread of 0 or less stays), wrapping at 16 bits.
    static Point SpreadPoint(const Point& rPos, const Size& rSpread, int nRandX, int nRandY);

protected:
    explicit ScanLib(unsigned char nByte) : TABLEWALKERProtokoll(), VXNLib(nByte) {}
    friend class VXNLib;
};

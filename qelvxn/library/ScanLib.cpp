// The measuring procedures of the scanning table. The table commands whose
// results do not matter to the measurement (moves, head up, the special
// status that marks a series) are sent and their results left alone: a
// failed table command never stops a measurement, only a failed spectrum,
// calibration check, digitizing mode or position read does.
#include "qelvxn/library/ScanLib.hpp"

#include "qel/Spectrum.hpp"
#include "qelvxn/library/WaitEnterKey.hpp"

#include <cstdlib>

namespace {

constexpr int SPECTRUM_VALUES = 36;
// The special status bit that tells the table a series is being measured.
constexpr unsigned char SERIES_STATUS = 1;
// Positions the operator sees: the sight's reference system.
constexpr ReferenceTYPE SIGHT = REFERENCE_SHEET;

unsigned short Coordinate(short n) { return static_cast<unsigned short>(n); }

// A draw of the C library's rand() in the range the spread rule is made
// for, 0 to 32767 (where RAND_MAX is larger, as with glibc, its low 15 bits).
int Draw() { return std::rand() % 32768; }

} // namespace

Point ScanLib::SpreadPoint(const Point& rPos, const Size& rSpread, int nRandX, int nRandY)
{
    // Integer arithmetic as the C library does it: r / 32768 is below 1, so
    // the offset runs from -spread/2 up to just below spread/2.
    int x = rPos.X(), y = rPos.Y();
    if (rSpread.Width() > 0)
        x += (nRandX * rSpread.Width()) / 32768 - rSpread.Width() / 2;
    if (rSpread.Height() > 0)
        y += (nRandY * rSpread.Height()) / 32768 - rSpread.Height() / 2;
    return Point(static_cast<short>(static_cast<unsigned short>(x)),
                 static_cast<short>(static_cast<unsigned short>(y)));
}

unsigned char ScanLib::MeasureAtPos(Window*, Spectrum& rSpectrum, const Point& rPos,
                                    const MeasuringCondition& rCondition)
{
    float aValues[SPECTRUM_VALUES] = {};
    unsigned char nResult = 0;
    if (CheckCalOK(rCondition.GetFilter().GetType(), 1))
        nResult = GetSpectrumAtPos(Coordinate(rPos.X()), Coordinate(rPos.Y()), aValues);
    rSpectrum = Spectrum(rCondition.GetPhysicalConditions(), aValues);
    return nResult;
}

unsigned char ScanLib::MultiMeasurementAtPos(Window*, Spectrum& rSpectrum, int nCount, const Point& rPos,
                                             const Size& rSpread, const MeasuringCondition& rCondition)
{
    if (nCount == 0)
        nCount = 1;
    unsigned char nCalOK = CheckCalOK(rCondition.GetFilter().GetType(), 1);
    float aSum[SPECTRUM_VALUES] = {};
    float aValues[SPECTRUM_VALUES] = {};
    SetSpecialStatus(SERIES_STATUS);

    unsigned char nResult = 0;
    if (nCalOK && GetSpectrumAtPos(Coordinate(rPos.X()), Coordinate(rPos.Y()), aValues)) {
        nResult = 1;
        for (int i = 0; i < SPECTRUM_VALUES; ++i)
            aSum[i] += aValues[i];
    }
    for (int k = 2; k <= nCount && nResult; ++k) {
        int nRandX = rSpread.Width() > 0 ? Draw() : 0;
        int nRandY = rSpread.Height() > 0 ? Draw() : 0;
        Point aPoint = SpreadPoint(rPos, rSpread, nRandX, nRandY);
        SetSpecialStatus(SERIES_STATUS);
        nResult = GetSpectrumAtPos(Coordinate(aPoint.X()), Coordinate(aPoint.Y()), aValues);
        if (nResult)
            for (int i = 0; i < SPECTRUM_VALUES; ++i)
                aSum[i] += aValues[i];
    }

    // The head must not stay lowered on the sheet, whatever happened.
    ClearSpecialStatus(SERIES_STATUS);
    MoveUp();

    for (int i = 0; i < SPECTRUM_VALUES; ++i)
        aSum[i] /= static_cast<float>(nCount);
    rSpectrum = Spectrum(rCondition.GetPhysicalConditions(), aSum);
    return nResult;
}

unsigned char ScanLib::ScanPosition(Window* pParent, String aTitle, String aText, Point& rPos)
{
    MoveAbsolut(SIGHT, Coordinate(rPos.X()), Coordinate(rPos.Y()));
    if (!SetDigitizingMode())
        return 0;

    unsigned char nKey = 0;
    {
        WaitEnterKey aDialog(pParent, aTitle, aText, WaitEnterKey::KEY_BUTTON | WaitEnterKey::CANCEL_BUTTON);
        nKey = aDialog.Execute(this);
    }

    unsigned char nResult = 0;
    if (nKey) {
        unsigned short x = 0, y = 0;
        ZKoordTYPE eZ{};
        if (OutputActualPosition(SIGHT, x, y, eZ)) {
            rPos = Point(static_cast<short>(x), static_cast<short>(y));
            nResult = 1;
        }
    }
    // Back to ordinary work, also after a cancel.
    if (!SetDeviceOnline())
        nResult = 0;
    return nResult;
}

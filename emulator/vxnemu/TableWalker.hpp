// The TableWalker scanning table of the virtual instrument.
//
// Positions are points on the table in table units (0.1 mm), one frame for
// everything lying on it. The carriage carries two tools a fixed distance
// apart: the measuring aperture and the operator's sight (a cross-hair). The
// reference system names the tool a position refers to:
//   system 0: the point under the measuring aperture;
//   system 1: the point under the sight, which is (0, 300) further than
//             the aperture: a position in system 1 is the same carriage
//             position in system 0 plus (0, 300).
// So "where the sight shows, measure": read the position in system 1, move
// to the same numbers in system 0, lower the head, and the aperture measures
// the point the operator saw. The aperture's point ranges over 0..6000 in x
// and 0..4500 in y; moves beyond are refused (status 1), leave the carriage
// where it is and set the table error (message 75) to 1 until
// InitializeDevice or ClearStatus(0x20). Any reference other than 0 and 1 is
// refused. Home is aperture (0, 0).
//
// What lies on the table (table coordinates):
//   - the 24-patch chart, 6 columns by 4 rows in file order, laid out as
//     the profile's ChartLayout says: by default top-left corner at
//     (700, 600), patches 360 units square on a 400-unit pitch, so patch n
//     (1..24, row r = (n-1)/6, column c = (n-1)%6) spans
//     x 700+400c .. 1060+400c, y 600+400r .. 960+400r
//     (data/chart24-positions.csv gives their centres);
//   - the sheet around it, 500..4500 x 400..3400: paper of 0.9 times the
//     white tile;
//   - four white reference tiles (MoveToWhiteRefPos 0..3) centred on
//     (100, 100), (100, 1000), (100, 1900), (100, 2800), 200 units square,
//     all of the chart's white patch spectrum;
//   - the black table top (2 % remission) everywhere else.
// GetSpectrumAtPos(x, y) moves the aperture over point (x, y), lowers the
// head and measures; the head stays lowered.
//
// Head height (ZKoord): 0 lifted, 1 lowered. Every move lifts the head first.
// Status byte (OutputStatus, 70): 0x01 a key was pressed since ClearStatus
// cleared it, 0x02 head lowered, 0x04 offline, 0x08 digitizing mode, 0x10
// paper held, 0x20 a table error is pending. ClearStatus(mask) clears the
// latched bits in mask (0x01, 0x20); the others show the current state.
#pragma once

#include "vxnemu/Chart.hpp"
#include "vxnemu/Payload.hpp"
#include "vxnemu/Profile.hpp"

#include <cstdint>
#include <string>

namespace vxnemu {

class TableWalker {
public:
    static constexpr int TRAVEL_X = 6000, TRAVEL_Y = 4500;
    static constexpr int SIGHT_DX = 0, SIGHT_DY = 300;
    static constexpr int SHEET_X = 500, SHEET_Y = 400;
    static constexpr int SHEET_W = 4000, SHEET_H = 3000;
    static constexpr int CHART_COLUMNS = 6;
    static constexpr int WHITE_REF_COUNT = 4, WHITE_TILE_SIZE = 200;

    struct Point {
        int x = 0, y = 0;
    };
    // Centre of chart patch n (table coordinates).
    Point PatchCentre(int nPatch) const;
    // Centre of white reference tile n (table coordinates).
    static Point WhiteRefPos(int n);

    explicit TableWalker(const Chart& rChart, const ChartLayout& rLayout = {}) : mrChart(rChart), maLayout(rLayout) {}
    // Whether a chart of that layout lies on the sheet.
    static bool Fits(const ChartLayout& rLayout);
    // Lays the chart elsewhere on the sheet (it must lie on the sheet).
    void SetLayout(const ChartLayout& rLayout) { maLayout = rLayout; }
    const ChartLayout& Layout() const { return maLayout; }

    // Answers a table command (51..67, 70..80, 85..87); returns the status.
    uint8_t Handle(uint16_t nMessage, PayloadReader& rIn, PayloadWriter& rOut);

    // What the aperture sees at a point of the table.
    Spectrum36 SpectrumAt(int x0, int y0) const;
    Spectrum36 SpectrumUnderHead() const { return SpectrumAt(mnX, mnY); }

    // The aperture's point for a position of system r; false for an unknown system.
    static bool ToTable(int nRef, int x, int y, Point& rOut);

    // Moves the carriage to (x, y) of system ref (lifting the head);
    // false when the position lies outside the travel.
    bool MoveTo(int nRef, int x, int y);
    // The operator moves the carriage by hand so that the sight shows (x, y).
    bool PlaceHead(int x1, int y1) { return MoveTo(1, x1, y1); }
    void Lower() { mbHeadDown = true; }
    void Lift() { mbHeadDown = false; }
    bool HeadDown() const { return mbHeadDown; }
    int X() const { return mnX; }
    int Y() const { return mnY; }

    void KeyPressed(uint8_t nKey) { mnLatched |= 0x01; mnDigitizedKey = nKey; }
    uint8_t Status() const;
    uint8_t SpecialStatus() const { return mnSpecial; }
    int TableMode() const { return mnTableMode; }
    std::string Describe() const;

private:
    const Chart& mrChart;
    ChartLayout maLayout;
    int mnX = 0, mnY = 0; // the aperture's point (system 0)
    bool mbHeadDown = false;
    bool mbOnline = true;
    bool mbDigitizing = false;
    bool mbPaperHeld = false;
    uint8_t mnLatched = 0;
    uint8_t mnSpecial = 0;
    uint8_t mnDigitizedKey = 0;
    int mnError = 0;
    int mnTableMode = 1;
    int mnLightLevel = 0;
    int mnBaud = 0, mnHandshake = 0;
    int mnStandbyRef = 0, mnStandbyX = 0, mnStandbyY = 0;
};

} // namespace vxnemu

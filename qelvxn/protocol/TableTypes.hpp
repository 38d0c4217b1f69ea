// Types of the scanning table's commands. All travel as 4-byte ints; their
// numeric values beyond those the library names belong to the table.
#pragma once

#include "qelvxn/protocol/VXNProtokoll.hpp"

// Coordinate reference of a position: 0 the table's own, 1 the sheet's.
enum ReferenceTYPE : int { REFERENCE_TABLE = 0, REFERENCE_SHEET = 1 };
// Height state of the measuring head, reported with a position.
enum ZKoordTYPE : int {};
enum COMBaudrateTYPE : int {};
enum COMHandshakeTYPE : int {};
// How long a key was pressed.
enum PressTimeTYPE : int {};
// The table's current error.
enum ScanErrorTYPE : int {};
// Table mode; the library switches between 0 and 1 around a white measurement.
enum TableModeTYPE : int { TABLEMODE_0 = 0, TABLEMODE_1 = 1 };
enum LightLevelTYPE : int {};

// A calendar date as the table reports it (its production date).
struct DateTYPE {
    unsigned short nDay = 0;
    unsigned short nMonth = 0;
    unsigned short nYear = 0;
};

// The kinds of instrument the emulator can play. A profile fixes the answers
// of the model queries (94 to 100), the device type (13), the software
// version (8), whether a TableWalker table is attached (table commands 51 to
// 87 are refused without one), which filters the wheel can set by command
// (FilterDownload, 101) and the answer to measure control 155 (37).
#pragma once

#include <string>
#include <vector>

namespace vxnemu {

// Where the 24-patch chart lies on a table's sheet: the top-left corner of
// its first patch and the distance from one patch to the next (table units).
// A patch is nine tenths of the pitch square; the rest is the paper between.
struct ChartLayout {
    int x = 700, y = 600;
    int pitch = 400;
};

struct Profile {
    std::string name;
    long deviceType = 1;
    int swVersion = 355;
    bool table = false;
    bool tableT = false;          // HasaTableWalkerT (95)
    bool huepointer = false;      // IsaHuepointer (100)
    bool altTables = false;       // alternative tables active (AltTabActivRequest, 32)
    std::vector<int> motorFilters; // filters FilterDownload can put in place
    int startFilter = 2;          // filter in place when the instrument starts
    int measureControl = 156;     // answer to MeasControlRequest(155)
    long serialNumber = 100001;
    std::string deviceName;
    std::string description;
    ChartLayout chart;            // the chart on the table's sheet (table profiles)
};

// Reads "X:Y:PITCH" (or with commas), whole numbers; false when it is not.
bool ParseChartLayout(const std::string& rText, ChartLayout& rOut);

// The profile of that name, or null.
const Profile* FindProfile(const std::string& rName);
const std::vector<Profile>& Profiles();

} // namespace vxnemu

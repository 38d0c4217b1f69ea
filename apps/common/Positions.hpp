// Positions files: where the scanning table measures. Text, one position a
// line: "name,x,y" with x and y whole numbers in table units (0.1 mm, the
// aperture's point, 0 to 32767). The first line may be the header
// "name,x,y"; empty lines and lines beginning with '#' are skipped; a name
// may itself hold commas (the last two fields are the coordinates), and an
// empty name becomes P and the position's number.
#pragma once

#include <string>
#include <vector>

namespace vxn {

constexpr long MAX_COORDINATE = 32767;

struct TablePosition {
    std::string name;
    long x = 0, y = 0;
};

// Reads a positions file; false with the line that is wrong and why (or
// that the file holds no position).
bool ReadPositions(const std::string& rPath, std::vector<TablePosition>& rOut, std::string& rError);

} // namespace vxn

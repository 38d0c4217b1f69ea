// The text of a measured value that the instrument sends unasked (message
// 43): a "MeasValue" section in version 2 of the library's text format,
// with the sample's name, the time of the measurement, the physical
// conditions and the 36 remission values. All of its formatting lives here.
#pragma once

#include "vxnemu/Payload.hpp"

#include <ctime>
#include <string>

namespace vxnemu {

// Short filter name of a filter code (1..11), as the condition texts name it.
std::string FilterName(int nFilter);
// "Pap" or "Abs".
std::string WhiteBaseName(int nWBase);

// The section text:
//   Version=2
//   [MeasValue]
//   Name=<sample name; line breaks as \n, backslashes as \\>
//   Created=<local time of tMeasured, YYYY-MM-DD HH:MM:SS>
//   M_Cond=<filter>\t<white base>
//   Remission=<36 numbers separated by blanks, each the shortest text that
//              reads back as the same float>
std::string FormatMeasValue(const Spectrum36& rValues, int nFilter, int nWBase, const std::string& rName,
                            std::time_t tMeasured);

// The payload of message 43: an int byte count, then that many bytes of text.
std::vector<uint8_t> MeasValuePayload(const std::string& rText);

} // namespace vxnemu

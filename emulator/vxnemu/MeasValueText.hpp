// The text of a measured value that the instrument sends unasked (message
// 43): a "MeasValue" section with the measuring conditions and the 36
// remission values. All of its formatting lives here.
#pragma once

#include "vxnemu/Payload.hpp"

#include <string>

namespace vxnemu {

// Short filter name of a filter code (1..11), as the condition texts name it.
std::string FilterName(int nFilter);
// "Pap" or "Abs".
std::string WhiteBaseName(int nWBase);

// The section text:
//   [MeasValue]
//   M_Cond=<filter>\t<white base>
//   Remission=<36 numbers separated by blanks, each of which reads back as
//              the same float>
std::string FormatMeasValue(const Spectrum36& rValues, int nFilter, int nWBase);

// The payload of message 43: an int byte count, then that many bytes of text.
std::vector<uint8_t> MeasValuePayload(const std::string& rText);

} // namespace vxnemu

// Texts of group "VXNLib" that the measuring procedures show, by index.
#pragma once

#include "qel/Text.hpp"

namespace vxntext {

enum : USHORT {
    SECOND_STEP_WHITE_TILE = 0,   // second step after a filter change (no table)
    DIFF_ILLUMINANT = 3,
    DIFF_WHITE_BASE = 4,
    FILTER_PUT_SUFFIX = 8,        // "Please put the filter " <name> " in place"
    FILTER_PUT_PREFIX = 9,
    CALIBRATE_PLACE_ON_TILE = 10,
    CALIBRATE_EXTRA = 11,
    CALIBRATE_QUESTION = 12,
    WHITE_REFERENCE_DEVIATES = 13,
    CALIBRATED_NOTE = 14,
    GUIDE_PROGRESS_TEXT = 15,
    GUIDE_PROGRESS_TITLE = 16,
    DIFF_OBSERVER = 17,
    NOT_READY = 18,
    FILTER_BY_HAND = 19,
    FILTER_M0_M2 = 20,            // also the prefix of "filter not in place" errors
    FILTER_M1 = 21,
};

inline String Get(USHORT nIndex)
{
    return TextSegment(Text::GetGroupNr(String("VXNLib"))).GetText(nIndex);
}

} // namespace vxntext

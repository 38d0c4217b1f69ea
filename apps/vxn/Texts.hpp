// vxn's own texts, from the group "vxn" of the text catalogue
// (data/texts/<language>.txt), so that a run speaks one language: the
// library's boxes, the prompts and vxn's results and messages alike. A text
// the chosen language lacks is the English one.
//
// Texts with values hold %1, %2 ... where the values go.
#pragma once

#include <initializer_list>
#include <string>

namespace vxn::text {

enum Id : unsigned short {
    WARNING = 0,
    MEASUREMENT_K_OF_N = 1,
    CONDITIONS = 2,
    CONDITION_LIST = 3,  // illuminant %1, observer %2, filter %3, white base %4
    SPECTRUM = 4,
    COLOUR = 5,
    MEAN_OF = 6,
    SAVED_VALUE = 7,
    SAVED = 8,
    CALIBRATED = 9,
    CALIBRATED_DEVIATES = 10,
    NO_WHITE_CALIBRATION = 11,
    CALIBRATION_FAILED = 12,
    MEASUREMENT_FAILED = 13,
    MEASUREMENT_K_FAILED = 14,
    INTERRUPTED_MEASUREMENTS = 15,
    SIMULATOR_CLOSED = 16,
    GAVE_UP = 17,
    UNANSWERED = 18,
    STOPPED_ANSWERING = 19,
    STOPPED_ANSWERING_COMMAND = 20,
    REFUSED_COMMAND = 21,
    CANCELLED = 22,
    NO_INSTRUMENT_ANSWERS = 23,
    SCAN_PROGRESS = 24,
    SCAN_POSITION_FAILED = 25,
    INTERRUPTED_POSITIONS = 26,
    FINISHED_POSITIONS_KEPT = 27,
    NO_TABLE = 28,
    PICK_TITLE = 29,
    PICK_INSTRUCTION = 30,
    OPERATOR_SHOWS = 31,
};

// The text in the run's language.
std::string Get(Id n);
// The text with %1, %2 ... replaced by the values, in order.
std::string Format(Id n, std::initializer_list<std::string> aValues);
// A label padded to the width of a result line's first column (12
// characters), so that the values line up whatever the language.
std::string Label(Id n);

} // namespace vxn::text

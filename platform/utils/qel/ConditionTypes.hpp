// The codes of measuring conditions and instrument value selectors. The same
// numbers travel in instrument messages (as 4-byte integers), stand in
// measured values, and are positions in the text groups that name them.
#pragma once

// 0x1FFFFFFF marks a condition that is not set.
constexpr int CONDITION_NOT_SET = 536870911;

// Illuminant: position in text group "IllumStrings" (0 to 35). 4 to 7 are the
// alternative-table variants of 0 to 3; 16 to 23 the Dxx family, whose
// temperature number travels beside the code.
enum IllumType : int {
    ILLUM_A = 0,
    ILLUM_C = 1,
    ILLUM_D65 = 2,
    ILLUM_D50 = 3,
    ILLUM_A_ALT = 4,
    ILLUM_C_ALT = 5,
    ILLUM_D65_ALT = 6,
    ILLUM_D50_ALT = 7,
    ILLUM_D55 = 8,
    ILLUM_D75 = 9,
    ILLUM_E = 10,
    ILLUM_CUSTOM = 11,
    ILLUM_DXX_FIRST = 16,
    ILLUM_DXX_LAST = 23,
    ILLUM_F01 = 24,
    ILLUM_F12 = 35,
    ILLUM_NOT_SET = CONDITION_NOT_SET
};

inline bool IsDxx(int nIllum) { return nIllum >= ILLUM_DXX_FIRST && nIllum <= ILLUM_DXX_LAST; }

enum ObserverType : int { OBSERVER_2 = 0, OBSERVER_10 = 1, OBSERVER_NOT_SET = CONDITION_NOT_SET };

// Density standard: position in "DStdStrings".
enum DStdType : int { DSTD_ANSI_A = 0, DSTD_ANSI_T = 1, DSTD_DIN = 2, DSTD_DIN_NB = 3, DSTD_NOT_SET = CONDITION_NOT_SET };

// White base: position in "WBaseStrings".
enum StoredWBaseType : int { WBASE_PAPER = 0, WBASE_ABSOLUTE = 1, WBASE_NOT_SET = CONDITION_NOT_SET };

// Physical filter: position in "ShortFilterStrings" (1 to 11). The not-set
// code also ends a list of filters.
enum ValueFilterType : int {
    FILTER_NONE = 1,
    FILTER_POL = 2,
    FILTER_D65 = 3,
    FILTER_UV = 4,
    FILTER_M0 = 7,
    FILTER_M1 = 8,
    FILTER_M2 = 9,
    FILTER_NOT_SET = CONDITION_NOT_SET
};

// Value selectors: chosen by the library, passed as the first argument of
// most instrument commands. Only the codes the library itself sends are named.
enum ValueType : int {
    VALUE_SAMPLE_SPECTRUM = 9,
    VALUE_TOTAL_RAM = 25,
    VALUE_REF_AND_SAMPLE_MEMORY = 26,
    VALUE_FREE_MEMORY = 27,
    VALUE_ROM_GUIDES = 30,
    VALUE_SELECTED_REFERENCE = 64,
    VALUE_REFERENCE_SELECT = 68,
    VALUE_GUIDE = 120
};
enum LibValueType : int { LIBVALUE_GUIDE = 120, LIBVALUE_GUIDE_COUNT = 124 };
// Table values 96 to 103: the temperature number of Dxx illuminant code c is value c + 80.
enum TabValueType : int { TABVALUE_DXX_FIRST = 96, TABVALUE_DXX_LAST = 103 };
enum SpectType : int { SPECT_REMISSION = 0 };
// Colour system; 1 is L*a*b*.
enum CType : int { CTYPE_LAB = 1, CTYPE_LCH = 2, CTYPE_LABMG = 11, CTYPE_LCHMG = 12 };
enum IndexType : int { INDEX_SIZE = 48 };
enum ControlType : int { CONTROL_MEASURE = 155, CONTROL_ANSWER_NO_TABLE_MOVE = 156, CONTROL_ANSWER_157 = 157 };
// Instrument codes passed through unchanged.
enum MeasurementModeType : int {};
enum NewMeasurementType : int {};

// A scan of a positions file (see Positions.hpp) on the scanning table: the
// table carries the instrument to each position and measures there
// (ScanLib::MeasureAtPos), under a progress dialog whose Cancel stops after
// the position under way. Each finished position is handed on at once, so
// that a failure later loses nothing that was measured.
#pragma once

#include "Positions.hpp"

#include "qel/MeasuringCondition.hpp"
#include "qel/Spectrum.hpp"

#include <functional>
#include <string>
#include <vector>

class QWidget;
class ScanLib;
class Window;

namespace studio {

struct ScanOutcome {
    int nDone = 0;
    bool bCancelled = false;
    std::string aFailure;  // the position that failed and why ("" = none)
};

// rMeasured gets each position with its spectrum; returning false (the
// value could not be kept) ends the scan with that failure.
ScanOutcome RunTableScan(ScanLib& rTable, const std::vector<vxn::TablePosition>& rPositions,
                         const MeasuringCondition& rCond, QWidget* pDialogParent, Window* pLibParent,
                         const std::function<bool(const vxn::TablePosition&, const Spectrum&, std::string&)>& rMeasured);

} // namespace studio

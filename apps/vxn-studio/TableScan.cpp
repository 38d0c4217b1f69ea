#include "TableScan.hpp"

#include "Instrument.hpp"

#include "qel/PostOffice.hpp"
#include "qelvxn/library/ScanLib.hpp"

#include <QCoreApplication>
#include <QProgressDialog>

namespace studio {

ScanOutcome RunTableScan(ScanLib& rTable, const std::vector<vxn::TablePosition>& rPositions,
                         const MeasuringCondition& rCond, QWidget* pDialogParent, Window* pLibParent,
                         const std::function<bool(const vxn::TablePosition&, const Spectrum&, std::string&)>& rMeasured)
{
    ScanOutcome out;
    const int total = static_cast<int>(rPositions.size());
    QProgressDialog progress("Scanning...", "Cancel", 0, total, pDialogParent);
    progress.setWindowTitle("Scan");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    for (const vxn::TablePosition& p : rPositions) {
        progress.setLabelText(QString("Position %1 of %2: %3 (%4, %5)")
                                  .arg(out.nDone + 1)
                                  .arg(total)
                                  .arg(QString::fromStdString(p.name))
                                  .arg(p.x)
                                  .arg(p.y));
        progress.setValue(out.nDone);
        QCoreApplication::processEvents();
        if (progress.wasCanceled()) {
            out.bCancelled = true;
            break;
        }
        PostOffice::Instance()->ClearLastRefusal();
        PostOffice::Instance()->ClearLastFailure();
        Spectrum s;
        if (!rTable.MeasureAtPos(pLibParent, s, Point(p.x, p.y), rCond)) {
            std::string why = Instrument::LastFailure();
            out.aFailure = "position " + p.name + " (" + std::to_string(p.x) + "," + std::to_string(p.y) +
                           ") failed: " + (why.empty() ? "the measurement was cancelled" : why);
            break;
        }
        std::string err;
        if (!rMeasured(p, s, err)) {
            out.aFailure = err;
            break;
        }
        ++out.nDone;
    }
    progress.setValue(total);
    return out;
}

} // namespace studio

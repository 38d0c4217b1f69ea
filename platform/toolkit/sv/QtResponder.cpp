#include "sv/QtResponder.hpp"

#include "sv/ModalDialog.hpp"
#include "sv/QtConvert.hpp"

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace {
QWidget* ParentWidget(Window* p)
{
    if (p && p->GetWidget())
        return p->GetWidget();
    if (ModalDialog* d = ModalDialog::GetExecuting())
        return d->GetWidget();
    return nullptr;
}
} // namespace

short QtResponder::AskBox(const BoxRequest& rBox)
{
    QMessageBox box(ParentWidget(rBox.pParent));
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (rBox.eKind) {
    case MESSBOX_INFO: icon = QMessageBox::Information; break;
    case MESSBOX_WARNING: icon = QMessageBox::Warning; break;
    case MESSBOX_ERROR: icon = QMessageBox::Critical; break;
    case MESSBOX_QUERY: icon = QMessageBox::Question; break;
    default: break;
    }
    box.setIcon(icon);
    box.setWindowTitle(rBox.aTitle.IsEmpty() ? QCoreApplication::applicationName() : svqt::ToQ(rBox.aTitle));
    box.setText(svqt::ToQ(rBox.aText));
    std::vector<std::pair<QAbstractButton*, short>> map;
    for (const BoxButton& b : rBox.aButtons) {
        QMessageBox::ButtonRole role = b.nResult == RET_CANCEL ? QMessageBox::RejectRole
                                       : b.nResult == RET_NO    ? QMessageBox::NoRole
                                       : b.nResult == RET_YES   ? QMessageBox::YesRole
                                                                : QMessageBox::AcceptRole;
        QPushButton* qb = box.addButton(svqt::ToQ(b.aLabel), role);
        if (b.nResult == rBox.nDefault)
            box.setDefaultButton(qb);
        map.emplace_back(qb, b.nResult);
    }
    box.exec();
    for (auto& [qb, r] : map)
        if (box.clickedButton() == qb)
            return r;
    return RET_CANCEL;
}

void QtResponder::OnDialogExecute(ModalDialog& rDialog)
{
    rDialog.ToTop();
}

void QtResponder::ProgressBegin(ProgressState& rState)
{
    auto* d = new QProgressDialog(svqt::ToQ(rState.aText), rState.bAbortable ? QObject::tr("Cancel") : QString(), 0,
                                  1000, ParentWidget(rState.pParent));
    d->setWindowTitle(svqt::ToQ(rState.aTitle));
    d->setWindowModality(Qt::ApplicationModal);
    d->setMinimumDuration(0);
    d->setValue(0);
    rState.pUi = d;
}

void QtResponder::ProgressUpdate(ProgressState& rState)
{
    auto* d = static_cast<QProgressDialog*>(rState.pUi);
    if (!d)
        return;
    d->setValue(static_cast<int>(rState.fFraction * 1000.0));
    QCoreApplication::processEvents();
    if (d->wasCanceled())
        rState.bAborted = true;
}

void QtResponder::ProgressEnd(ProgressState& rState)
{
    delete static_cast<QProgressDialog*>(rState.pUi);
    rState.pUi = nullptr;
}

void QtResponder::Beep(int) { QApplication::beep(); }

#include "sv/ModalDialog.hpp"

#include "sv/FixedText.hpp"
#include "sv/GroupBox.hpp"
#include "sv/ListBox.hpp"
#include "sv/PushButton.hpp"
#include "sv/Responder.hpp"
#include "sv/SpinField.hpp"

#include <QCloseEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

std::vector<ModalDialog*>& Running()
{
    static std::vector<ModalDialog*> v;
    return v;
}

// A top-level widget that turns the window's close button into Cancel.
class DialogWidget : public QWidget {
public:
    explicit DialogWidget(Qt::WindowFlags f) : QWidget(nullptr, f) { setProperty("svTopLevel", true); }
    ModalDialog* mpDialog = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        if (mpDialog && mpDialog->IsInExecute()) {
            e->ignore();
            mpDialog->EndDialog(0);
            return;
        }
        QWidget::closeEvent(e);
    }
};

bool ShownWithin(const Window* w, const Window* pTop)
{
    for (; w && w != pTop; w = w->GetParent())
        if (!w->IsVisible())
            return false;
    return true;
}

} // namespace

SysWin::SysWin(Window* pParent, WinBits nStyle) : Window(pParent, new DialogWidget(Qt::Window), nStyle) {}

SysWin::SysWin(Window* pParent, QWidget* pWidget, WinBits nStyle) : Window(pParent, pWidget, nStyle) {}

bool SysWin::IsActive() const
{
    if (!Running().empty())
        return Running().back() == this;
    return GetWidget() && GetWidget()->isActiveWindow();
}

ModalDialog::ModalDialog(Window* pParent, WinBits nStyle) : SysWin(pParent, new DialogWidget(Qt::Dialog), nStyle)
{
    static_cast<DialogWidget*>(GetWidget())->mpDialog = this;
}

ModalDialog::ModalDialog(Window* pParent, const ResId& rResId) : SysWin(pParent, new DialogWidget(Qt::Dialog), 0)
{
    static_cast<DialogWidget*>(GetWidget())->mpDialog = this;
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_MODALDIALOG, rResId.GetId()))
        ApplyResource(*e);
    ResMgr::Get()->PushContext(rResId.GetId(), this);
}

ModalDialog::~ModalDialog()
{
    FreeResource();
    if (mbInExecute)
        EndDialog(0);
    std::erase(Running(), this);
    if (auto* w = dynamic_cast<DialogWidget*>(GetWidget()))
        w->mpDialog = nullptr;
}

void ModalDialog::FreeResource() { ResMgr::Get()->PopContext(this); }

ModalDialog* ModalDialog::GetExecuting() { return Running().empty() ? nullptr : Running().back(); }

short ModalDialog::Execute()
{
    if (mbInExecute)
        return 0;
    Responder* pResponder = Responder::Current();
    mbInExecute = true;
    mbEnded = false;
    mnResult = 0;
    Running().push_back(this);
    QWidget* w = GetWidget();
    if (pResponder->ShowsDialogs())
        w->setWindowModality(Qt::ApplicationModal);
    Show();
    QEventLoop loop;
    mpLoop = &loop;
    QTimer::singleShot(0, &loop, [this, pResponder] {
        if (mbInExecute && !mbEnded)
            pResponder->OnDialogExecute(*this);
    });
    if (!mbEnded)
        loop.exec();
    mpLoop = nullptr;
    pResponder->OnDialogEnd(*this);
    Hide();
    w->setWindowModality(Qt::NonModal);
    std::erase(Running(), this);
    mbInExecute = false;
    return static_cast<short>(mnResult);
}

void ModalDialog::EndDialog(long nResult)
{
    if (!mbInExecute || mbEnded)
        return;
    mnResult = nResult;
    mbEnded = true;
    if (mpLoop)
        static_cast<QEventLoop*>(mpLoop)->exit(0);
}

std::vector<DialogChoice> ModalDialog::GetChoices()
{
    std::vector<DialogChoice> out;
    for (Window* w : GetDescendants(this)) {
        auto* b = dynamic_cast<PushButton*>(w);
        if (!b || !b->IsEnabled() || !ShownWithin(b, this))
            continue;
        String label = b->GetText();
        if (label.IsEmpty())
            label = String("(button)");
        out.push_back({label, [b] { b->Click(); }, b->IsDefaultButton()});
    }
    return out;
}

String ModalDialog::GetDescription()
{
    String s = GetText();
    for (Window* w : GetDescendants(this)) {
        if (!ShownWithin(w, this))
            continue;
        if (auto* t = dynamic_cast<FixedText*>(w)) {
            if (!t->GetText().IsEmpty())
                s += String("\n") + t->GetText();
        } else if (auto* l = dynamic_cast<ListBox*>(w)) {
            s += String("\n[") + l->GetSelectEntry() + String("]");
        } else if (auto* n = dynamic_cast<SpinField*>(w)) {
            s += String("\n[") + n->GetText() + String("]");
        }
    }
    return s;
}

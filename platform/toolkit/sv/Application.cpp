#include "sv/Application.hpp"

#include "sv/Accelerator.hpp"
#include "sv/EventLoop.hpp"
#include "sv/Responder.hpp"
#include "sv/Sound.hpp"

#include <QCoreApplication>
#include <QKeyEvent>

#include <algorithm>
#include <vector>

unsigned short SvKeyCodeFromQt(int nKey, Qt::KeyboardModifiers eMods);

namespace {

struct Registered {
    Accelerator* pAccel;
    int nType;
};

std::vector<Registered>& Accels()
{
    static std::vector<Registered> v;
    return v;
}

// Watches every key press of the application for the registered accelerators.
class AccelFilter : public QObject {
protected:
    bool eventFilter(QObject* pObj, QEvent* pEvt) override
    {
        if (pEvt->type() != QEvent::KeyPress || !pObj->isWidgetType())
            return false;
        auto* e = static_cast<QKeyEvent*>(pEvt);
        unsigned short code = SvKeyCodeFromQt(e->key(), e->modifiers());
        return code && Application::DispatchAccel(KeyCode(code));
    }
};

void EnsureFilter()
{
    static AccelFilter* pFilter = nullptr;
    if (!pFilter && QCoreApplication::instance()) {
        pFilter = new AccelFilter;
        pFilter->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(pFilter);
    }
}

} // namespace

Accelerator::~Accelerator() { Application::RemoveAccel(this); }

void Accelerator::InsertItem(unsigned short nItemId, const KeyCode& rKeyCode)
{
    RemoveItem(nItemId);
    maItems.push_back({nItemId, rKeyCode});
}

void Accelerator::RemoveItem(unsigned short nItemId)
{
    std::erase_if(maItems, [&](const Item& i) { return i.nId == nItemId; });
}

unsigned short Accelerator::GetItemId(unsigned short nPos) const
{
    return nPos < maItems.size() ? maItems[nPos].nId : 0;
}

KeyCode Accelerator::GetKeyCode(unsigned short nItemId) const
{
    for (const Item& i : maItems)
        if (i.nId == nItemId)
            return i.aKey;
    return KeyCode();
}

Link Accelerator::ChangeSelectHdl(const Link& rLink)
{
    Link old = maSelectHdl;
    maSelectHdl = rLink;
    return old;
}

void Accelerator::Select()
{
    if (maSelectHdl.IsSet())
        maSelectHdl.Call(this);
}

bool Accelerator::Call(const KeyCode& rKeyCode)
{
    for (const Item& i : maItems)
        if (i.aKey == rKeyCode) {
            mnCurItemId = i.nId;
            maCurKeyCode = rKeyCode;
            Select();
            mnCurItemId = 0;
            maCurKeyCode = KeyCode();
            return true;
        }
    return false;
}

void Application::Reschedule()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    EventLoop::RunPosted();
}

void Application::InsertAccel(Accelerator* pAccel, int nType)
{
    if (!pAccel)
        return;
    RemoveAccel(pAccel);
    Accels().push_back({pAccel, nType});
    EnsureFilter();
}

void Application::RemoveAccel(Accelerator* pAccel)
{
    std::erase_if(Accels(), [&](const Registered& r) { return r.pAccel == pAccel; });
}

bool Application::IsAccelInserted(const Accelerator* pAccel)
{
    return std::any_of(Accels().begin(), Accels().end(), [&](const Registered& r) { return r.pAccel == pAccel; });
}

bool Application::DispatchAccel(const KeyCode& rKeyCode)
{
    // A handler may remove or add accelerators: work on a copy and skip the
    // ones that went meanwhile.
    std::vector<Registered> list = Accels();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (IsAccelInserted(it->pAccel) && it->pAccel->Call(rKeyCode))
            return true;
    return false;
}

void Application::Quit()
{
    if (QCoreApplication::instance())
        QCoreApplication::quit();
}

Application* GetpApp()
{
    static Application app;
    return &app;
}

void Sound::Beep(int nSoundType) { Responder::Current()->Beep(nSoundType); }

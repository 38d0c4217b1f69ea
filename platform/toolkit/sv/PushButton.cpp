#include "sv/PushButton.hpp"

#include "sv/Bitmap.hpp"
#include "sv/ModalDialog.hpp"
#include "sv/QtConvert.hpp"

#include <QPixmap>
#include <QPushButton>

namespace {
ModalDialog* DialogOf(Window* w)
{
    for (Window* p = w ? w->GetParent() : nullptr; p; p = p->GetParent())
        if (auto* d = dynamic_cast<ModalDialog*>(p))
            return d;
    return nullptr;
}
} // namespace

PushButton::PushButton(Window* pParent, WinBits nStyle) : Control(pParent, new QPushButton, nStyle) { Connect(); }

PushButton::PushButton(Window* pParent, WinBits nStyle, const char* pDefaultText)
    : Control(pParent, new QPushButton, nStyle)
{
    Connect();
    SetText(String(pDefaultText));
}

PushButton::PushButton(Window* pParent, const ResId& rResId) : Control(pParent, new QPushButton, 0)
{
    Connect();
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_PUSHBUTTON, rResId.GetId()))
        ApplyResource(*e);
}

PushButton::PushButton(const PushButton& r) : Control(r, new QPushButton), maClickHdl(r.maClickHdl) { Connect(); }

PushButton& PushButton::operator=(const PushButton& r)
{
    Control::operator=(r);
    maClickHdl = r.maClickHdl;
    return *this;
}

void PushButton::Connect()
{
    auto* b = static_cast<QPushButton*>(GetWidget());
    b->setAutoDefault(false);
    b->setDefault((GetStyle() & WB_DEFBUTTON) != 0);
    QObject::connect(b, &QPushButton::clicked, b, [this] { Click(); });
}

void PushButton::SetText(const String& rText)
{
    Window::SetText(rText);
    static_cast<QPushButton*>(GetWidget())->setText(svqt::ToQ(rText));
}

void PushButton::SetBitmap(const Bitmap& rBitmap)
{
    auto* b = static_cast<QPushButton*>(GetWidget());
    b->setIcon(QPixmap::fromImage(rBitmap.GetImage()));
    b->setIconSize(QSize(rBitmap.GetWidth(), rBitmap.GetHeight()));
}

Link PushButton::ChangeClickHdl(const Link& rLink)
{
    Link old = maClickHdl;
    maClickHdl = rLink;
    return old;
}

void PushButton::Click()
{
    if (maClickHdl.IsSet())
        maClickHdl.Call(this);
}

OKButton::OKButton(Window* pParent, WinBits nStyle) : PushButton(pParent, nStyle | WB_DEFBUTTON, "OK") {}

OKButton::OKButton(Window* pParent, const ResId& rResId) : PushButton(pParent, WB_DEFBUTTON, "OK")
{
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_OKBUTTON, rResId.GetId()))
        ApplyResource(*e);
}

void OKButton::Click()
{
    if (GetClickHdl().IsSet())
        PushButton::Click();
    else if (ModalDialog* d = DialogOf(this))
        d->EndDialog(1);
}

CancelButton::CancelButton(Window* pParent, WinBits nStyle) : PushButton(pParent, nStyle, "Cancel") {}

CancelButton::CancelButton(Window* pParent, const ResId& rResId) : PushButton(pParent, WinBits(0), "Cancel")
{
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_CANCELBUTTON, rResId.GetId()))
        ApplyResource(*e);
}

void CancelButton::Click()
{
    if (GetClickHdl().IsSet())
        PushButton::Click();
    else if (ModalDialog* d = DialogOf(this))
        d->EndDialog(0);
}

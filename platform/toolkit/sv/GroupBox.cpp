#include "sv/GroupBox.hpp"

#include "sv/QtConvert.hpp"

#include <QGroupBox>

GroupBox::GroupBox(Window* pParent, WinBits nStyle) : Control(pParent, new QGroupBox, nStyle) {}

GroupBox::GroupBox(Window* pParent, const ResId& rResId) : Control(pParent, new QGroupBox, 0)
{
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_GROUPBOX, rResId.GetId()))
        ApplyResource(*e);
}

GroupBox::GroupBox(const GroupBox& r) : Control(r, new QGroupBox) {}

GroupBox& GroupBox::operator=(const GroupBox& r)
{
    Control::operator=(r);
    return *this;
}

void GroupBox::SetText(const String& rText)
{
    Window::SetText(rText);
    static_cast<QGroupBox*>(GetWidget())->setTitle(svqt::ToQ(rText));
}

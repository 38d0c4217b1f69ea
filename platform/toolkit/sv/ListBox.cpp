#include "sv/ListBox.hpp"

#include "sv/QtConvert.hpp"

#include <QComboBox>

namespace {
QComboBox* Box(const Window* w) { return static_cast<QComboBox*>(w->GetWidget()); }
} // namespace

ListBox::ListBox(Window* pParent, WinBits nStyle) : Control(pParent, new QComboBox, nStyle) { Connect(); }

ListBox::ListBox(Window* pParent, const ResId& rResId) : Control(pParent, new QComboBox, WB_DROPDOWN)
{
    Connect();
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_LISTBOX, rResId.GetId()))
        ApplyResource(*e);
}

ListBox::ListBox(const ListBox& r) : Control(r, new QComboBox), maSelectHdl(r.maSelectHdl)
{
    Connect();
    for (unsigned short i = 0; i < r.GetEntryCount(); ++i)
        InsertEntry(r.GetEntry(i));
    SelectEntryPos(r.GetSelectEntryPos());
    ApplyGeometry();
}

ListBox& ListBox::operator=(const ListBox& r)
{
    if (this == &r)
        return *this;
    Control::operator=(r);
    maSelectHdl = r.maSelectHdl;
    Clear();
    for (unsigned short i = 0; i < r.GetEntryCount(); ++i)
        InsertEntry(r.GetEntry(i));
    SelectEntryPos(r.GetSelectEntryPos());
    ApplyGeometry();
    return *this;
}

void ListBox::Connect()
{
    QComboBox* b = Box(this);
    b->setMaxVisibleItems(20);
    QObject::connect(b, &QComboBox::activated, b, [this](int) { Select(); });
}

void ListBox::ApplyGeometry()
{
    Window::ApplyGeometry();
    QComboBox* b = Box(this);
    if (!b)
        return;
    int h = GetSizePixel().Height();
    int line = b->sizeHint().height();
    if (h > line)
        b->resize(b->width(), line);
}

unsigned short ListBox::InsertEntry(const String& rText, unsigned short nPos)
{
    QComboBox* b = Box(this);
    int sel = b->currentIndex();
    int at = nPos == LISTBOX_APPEND || nPos > b->count() ? b->count() : nPos;
    {
        QSignalBlocker block(b);
        b->insertItem(at, svqt::ToQ(rText));
        // Qt selects the first entry of an empty list by itself; the toolkit
        // leaves a list without selection until one is made.
        if (sel < 0)
            b->setCurrentIndex(-1);
    }
    return static_cast<unsigned short>(at);
}

void ListBox::RemoveEntry(unsigned short nPos)
{
    QSignalBlocker block(Box(this));
    if (nPos < GetEntryCount())
        Box(this)->removeItem(nPos);
}

void ListBox::Clear()
{
    QSignalBlocker block(Box(this));
    Box(this)->clear();
}

unsigned short ListBox::GetEntryCount() const { return static_cast<unsigned short>(Box(this)->count()); }

String ListBox::GetEntry(unsigned short nPos) const
{
    return nPos < GetEntryCount() ? svqt::FromQ(Box(this)->itemText(nPos)) : String();
}

unsigned short ListBox::GetEntryPos(const String& rText) const
{
    int i = Box(this)->findText(svqt::ToQ(rText), Qt::MatchExactly | Qt::MatchCaseSensitive);
    return i < 0 ? LISTBOX_ENTRY_NOTFOUND : static_cast<unsigned short>(i);
}

void ListBox::SelectEntry(const String& rText, bool bSelect)
{
    unsigned short n = GetEntryPos(rText);
    if (n != LISTBOX_ENTRY_NOTFOUND)
        SelectEntryPos(n, bSelect);
}

void ListBox::SelectEntryPos(unsigned short nPos, bool bSelect)
{
    QComboBox* b = Box(this);
    QSignalBlocker block(b);
    if (nPos >= GetEntryCount())
        return;
    if (bSelect)
        b->setCurrentIndex(nPos);
    else if (b->currentIndex() == nPos)
        b->setCurrentIndex(-1);
}

void ListBox::SetNoSelection()
{
    QSignalBlocker block(Box(this));
    Box(this)->setCurrentIndex(-1);
}

String ListBox::GetSelectEntry() const
{
    int i = Box(this)->currentIndex();
    return i < 0 ? String() : svqt::FromQ(Box(this)->itemText(i));
}

unsigned short ListBox::GetSelectEntryPos() const
{
    int i = Box(this)->currentIndex();
    return i < 0 ? LISTBOX_ENTRY_NOTFOUND : static_cast<unsigned short>(i);
}

Link ListBox::ChangeSelectHdl(const Link& rLink)
{
    Link old = maSelectHdl;
    maSelectHdl = rLink;
    return old;
}

void ListBox::ChooseEntryPos(unsigned short nPos)
{
    if (nPos >= GetEntryCount() || !IsEnabled())
        return;
    SelectEntryPos(nPos);
    Select();
}

void ListBox::Select()
{
    if (maSelectHdl.IsSet())
        maSelectHdl.Call(this);
}

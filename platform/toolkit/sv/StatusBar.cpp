#include "sv/StatusBar.hpp"

#include "sv/QtConvert.hpp"

#include <QPainter>
#include <QWidget>

StatusBar::StatusBar(Window* pParent, WinBits nStyle) : Window(pParent, nStyle) {}

void StatusBar::InsertItem(unsigned short nId, unsigned short nWidth, unsigned short nAlign, unsigned short nStyle,
                           unsigned short nOffset)
{
    RemoveItem(nId);
    maItems.push_back({nId, nWidth, nAlign, nStyle, nOffset, String()});
    Invalidate();
}

void StatusBar::RemoveItem(unsigned short nId)
{
    std::erase_if(maItems, [&](const Item& i) { return i.nId == nId; });
}

void StatusBar::Clear()
{
    maItems.clear();
    Invalidate();
}

bool StatusBar::HasItem(unsigned short nId) const
{
    for (const Item& i : maItems)
        if (i.nId == nId)
            return true;
    return false;
}

void StatusBar::SetItemText(unsigned short nId, const String& rText)
{
    for (Item& i : maItems)
        if (i.nId == nId) {
            i.aText = rText;
            Invalidate();
        }
}

String StatusBar::GetItemText(unsigned short nId) const
{
    for (const Item& i : maItems)
        if (i.nId == nId)
            return i.aText;
    return String();
}

unsigned short StatusBar::GetItemWidth(unsigned short nId) const
{
    for (const Item& i : maItems)
        if (i.nId == nId)
            return i.nWidth;
    return 0;
}

unsigned short StatusBar::ChangeAlignment(unsigned short nAlign)
{
    unsigned short old = mnAlign;
    mnAlign = nAlign;
    return old;
}

void StatusBar::Paint(const Rectangle&)
{
    QPainter* p = BeginDraw();
    if (!p)
        return;
    QWidget* w = GetWidget();
    p->setFont(w->font());
    p->setPen(w->palette().color(QPalette::Mid));
    p->drawLine(0, 0, GetSizePixel().Width(), 0);
    int x = 4, h = GetSizePixel().Height();
    for (const Item& i : maItems) {
        if (i.nOffset != 0xFFFF)
            x += i.nOffset;
        QRect r(x, 2, i.nWidth, h - 4);
        p->setPen(w->palette().color(QPalette::Mid));
        p->drawRect(r.adjusted(0, 0, -1, -1));
        p->setPen(w->palette().color(QPalette::WindowText));
        Qt::Alignment a = i.nAlign == 1 ? Qt::AlignHCenter : i.nAlign == 2 ? Qt::AlignRight : Qt::AlignLeft;
        p->drawText(r.adjusted(3, 0, -3, 0), a | Qt::AlignVCenter, svqt::ToQ(i.aText));
        x += i.nWidth + 4;
    }
    EndDraw(p);
}

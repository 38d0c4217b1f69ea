#include "sv/FixedText.hpp"

#include "sv/QtConvert.hpp"

#include <QLabel>

namespace {
QLabel* MakeLabel(WinBits nStyle)
{
    auto* l = new QLabel;
    l->setWordWrap(true);
    Qt::Alignment h = (nStyle & WB_CENTER) ? Qt::AlignHCenter : (nStyle & WB_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    l->setAlignment(h | Qt::AlignTop);
    l->setTextFormat(Qt::PlainText);
    return l;
}
} // namespace

FixedText::FixedText(Window* pParent, WinBits nStyle) : Control(pParent, MakeLabel(nStyle), nStyle) {}

FixedText::FixedText(Window* pParent, const ResId& rResId) : Control(pParent, MakeLabel(0), 0)
{
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_FIXEDTEXT, rResId.GetId())) {
        ApplyResource(*e);
        static_cast<QLabel*>(GetWidget())->setAlignment(
            ((e->nStyle & WB_CENTER) ? Qt::AlignHCenter : (e->nStyle & WB_RIGHT) ? Qt::AlignRight : Qt::AlignLeft) |
            Qt::AlignTop);
    }
}

FixedText::FixedText(const FixedText& r) : Control(r, MakeLabel(r.GetStyle())) {}

FixedText& FixedText::operator=(const FixedText& r)
{
    Control::operator=(r);
    return *this;
}

void FixedText::SetText(const String& rText)
{
    Window::SetText(rText);
    static_cast<QLabel*>(GetWidget())->setText(svqt::ToQ(rText));
}

String FixedText::GetText() const { return Window::GetText(); }

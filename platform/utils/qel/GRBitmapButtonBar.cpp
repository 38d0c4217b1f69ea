#include "qel/GRBitmapButtonBar.hpp"

#include "sv/PushButton.hpp"
#include "sv/Window.hpp"

namespace {
String StandardLabel(unsigned short nId)
{
    switch (nId) {
    case 0x800: return String("OK");
    case 4: return String("Cancel");
    case 0x4000: return String("Measure");
    case 2: return String("Yes");
    case 8: return String("No");
    case 0x10: return String("Help");
    default: return String("Button ") + String(static_cast<int>(nId));
    }
}
} // namespace

GRBitmapButtonBar::GRBitmapButtonBar(Window* pParent, const Point& rPos, const Size& rButtonSize, int nFlags,
                                     const Size& rSpacing)
    : mpBar(std::make_unique<Window>(pParent)), maButtonSize(rButtonSize), maSpacing(rSpacing), mnFlags(nFlags)
{
    mpBar->SetPosSizePixel(rPos, rButtonSize);
    mpBar->Show();
}

// The buttons go before the bar window that holds them.
GRBitmapButtonBar::~GRBitmapButtonBar() { maButtons.clear(); }

PushButton* GRBitmapButtonBar::Append(unsigned short nId, const Link& rHdl, bool bDefault)
{
    auto b = std::make_unique<PushButton>(mpBar.get(), bDefault ? WB_DEFBUTTON : WinBits(0));
    b->ChangeClickHdl(LINK(this, GRBitmapButtonBar, ButtonHdl));
    PushButton* p = b.get();
    maButtons.push_back({nId, std::move(b), rHdl});
    maGapBefore.push_back(mnPendingGap);
    mnPendingGap = 0;
    Layout();
    p->Show();
    return p;
}

PushButton* GRBitmapButtonBar::AddButton(const Link& rHdl, unsigned short nId, int)
{
    PushButton* p = Append(nId, rHdl, nId == 0x800);
    p->SetText(StandardLabel(nId));
    return p;
}

PushButton* GRBitmapButtonBar::AddButton(const Bitmap& rBitmap, const String& rText, unsigned short nId, int, int,
                                         const Link& rHdl)
{
    PushButton* p = Append(nId, rHdl, false);
    p->SetText(rText.IsEmpty() ? StandardLabel(nId) : rText);
    if (!rBitmap.IsEmpty())
        p->SetBitmap(rBitmap);
    return p;
}

void GRBitmapButtonBar::AddGap(int nPixels) { mnPendingGap += nPixels; }

void GRBitmapButtonBar::Layout()
{
    int x = 0;
    for (size_t i = 0; i < maButtons.size(); ++i) {
        if (i > 0)
            x += maSpacing.Width();
        x += maGapBefore[i];
        maButtons[i].pButton->SetPosSizePixel(Point(x, 0), maButtonSize);
        x += maButtonSize.Width();
    }
    mpBar->SetSizePixel(GetBarSizePixel());
}

Size GRBitmapButtonBar::GetBarSizePixel() const
{
    if (maButtons.empty())
        return maButtonSize;
    const PushButton& last = *maButtons.back().pButton;
    return Size(last.GetPosPixel().X() + maButtonSize.Width(), maButtonSize.Height());
}

PushButton* GRBitmapButtonBar::GetButton(unsigned short nId) const
{
    for (const Entry& e : maButtons)
        if (e.nId == nId)
            return e.pButton.get();
    return nullptr;
}

void GRBitmapButtonBar::EnableButton(unsigned short nId, bool bEnable)
{
    if (PushButton* b = GetButton(nId))
        b->Enable(bEnable);
}

bool GRBitmapButtonBar::IsButtonEnabled(unsigned short nId) const
{
    PushButton* b = GetButton(nId);
    return b && b->IsEnabled();
}

void GRBitmapButtonBar::ChangeButtonHdl(unsigned short nId, const Link& rHdl)
{
    for (Entry& e : maButtons)
        if (e.nId == nId)
            e.aHdl = rHdl;
}

Link GRBitmapButtonBar::ChangeClickHdl(const Link& rHdl)
{
    Link old = maClickHdl;
    maClickHdl = rHdl;
    return old;
}

bool GRBitmapButtonBar::ClickButton(unsigned short nId)
{
    PushButton* b = GetButton(nId);
    if (!b || !b->IsEnabled())
        return false;
    b->Click();
    return true;
}

long GRBitmapButtonBar::ButtonHdl(PushButton* pButton)
{
    for (Entry& e : maButtons)
        if (e.pButton.get() == pButton) {
            mnCurId = e.nId;
            // Copy: the handler may change the bar.
            Link hdl = e.aHdl;
            long r = hdl.IsSet() ? hdl.Call(pButton) : maClickHdl.Call(this);
            return r;
        }
    return 0;
}

Point GRBitmapButtonBar::GetPosPixel() const { return mpBar->GetPosPixel(); }
void GRBitmapButtonBar::SetPosPixel(const Point& rPos) { mpBar->SetPosPixel(rPos); }
Point GRBitmapButtonBar::ChangePosPixel(const Point& rPos) { return mpBar->ChangePosPixel(rPos); }
void GRBitmapButtonBar::Show(bool bVisible) { mpBar->Show(bVisible); }
bool GRBitmapButtonBar::IsVisible() const { return mpBar->IsVisible(); }

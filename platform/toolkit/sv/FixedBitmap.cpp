#include "sv/FixedBitmap.hpp"

FixedBitmap::FixedBitmap(Window* pParent, WinBits nStyle) : Control(pParent, nStyle) {}

FixedBitmap::FixedBitmap(Window* pParent, const ResId& rResId) : Control(pParent, WinBits(0))
{
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_FIXEDBITMAP, rResId.GetId())) {
        ApplyResource(*e);
        maBitmap = e->aBitmap;
    }
}

FixedBitmap::FixedBitmap(const FixedBitmap& r) : Control(r.GetParent(), r.GetStyle()), maBitmap(r.maBitmap)
{
    CopyStateFrom(r);
}

FixedBitmap& FixedBitmap::operator=(const FixedBitmap& r)
{
    Control::operator=(r);
    maBitmap = r.maBitmap;
    Invalidate();
    return *this;
}

void FixedBitmap::ChangeBitmap(const Bitmap& rBitmap)
{
    maBitmap = rBitmap;
    Invalidate();
}

void FixedBitmap::Paint(const Rectangle&)
{
    if (!maBitmap.IsEmpty())
        DrawBitmap(Point(0, 0), maBitmap);
}

void FixedBitmap::Resize() { Invalidate(); }

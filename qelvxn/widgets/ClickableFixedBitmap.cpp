#include "qelvxn/widgets/ClickableFixedBitmap.hpp"

#include <QWidget>

ClickableFixedBitmap::ClickableFixedBitmap(Window* pParent, unsigned short nStyle) : FixedBitmap(pParent, nStyle)
{
    KeepPresses();
}

ClickableFixedBitmap::ClickableFixedBitmap(Window* pParent, ClickableFixedBitmapSize eSize, unsigned short nStyle)
    : FixedBitmap(pParent, nStyle)
{
    KeepPresses();
    switch (eSize) {
    case CFB_SMALL: SetSizePixel(Size(30, 30)); break;
    case CFB_MEDIUM: SetSizePixel(Size(50, 50)); break;
    case CFB_LARGE: SetSizePixel(Size(80, 80)); break;
    }
}

ClickableFixedBitmap::ClickableFixedBitmap(const FixedBitmap& rBitmap) : FixedBitmap(rBitmap)
{
    KeepPresses();
}

ClickableFixedBitmap::ClickableFixedBitmap(const ClickableFixedBitmap& r) : FixedBitmap(r), maClickHdl(r.maClickHdl)
{
    KeepPresses();
}

ClickableFixedBitmap& ClickableFixedBitmap::operator=(const ClickableFixedBitmap& r)
{
    FixedBitmap::operator=(r);
    maClickHdl = r.maClickHdl;
    return *this;
}

ClickableFixedBitmap::~ClickableFixedBitmap() = default;

void ClickableFixedBitmap::KeepPresses()
{
    if (QWidget* w = GetWidget())
        w->setAttribute(Qt::WA_NoMousePropagation);
}

void ClickableFixedBitmap::MouseButtonDown(const MouseEvent& rEvt)
{
    if (rEvt.IsLeft()) {
        if (maClickHdl.IsSet() && maClickHdl.GetInstance())
            maClickHdl.Call(this);
        return;
    }
    if (Window* pParent = GetParent())
        pParent->MouseButtonDown(rEvt);
}

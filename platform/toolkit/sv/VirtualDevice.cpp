#include "sv/VirtualDevice.hpp"

#include "sv/QtConvert.hpp"

#include <QPainter>

VirtualDevice::~VirtualDevice() = default;

bool VirtualDevice::SetOutputSizePixel(const Size& rSize, bool bErase)
{
    if (rSize.Width() <= 0 || rSize.Height() <= 0)
        return false;
    QImage old = maImage.GetImage();
    maImage.GetImage() = QImage(rSize.Width(), rSize.Height(), QImage::Format_RGB32);
    Erase();
    if (!bErase && !old.isNull()) {
        QPainter p(&maImage.GetImage());
        p.drawImage(0, 0, old);
    }
    return true;
}

Size VirtualDevice::GetOutputSizePixel() const { return Size(maImage.GetWidth(), maImage.GetHeight()); }

void VirtualDevice::Erase()
{
    if (maImage.IsEmpty())
        return;
    maImage.GetImage().fill(maBackBrush.GetStyle() == BRUSH_NULL ? QColor(Qt::white) : svqt::ToQ(maBackBrush.GetColor()));
}

Bitmap VirtualDevice::GetBitmap(const Point& rPos, const Size& rSize) const
{
    if (maImage.IsEmpty())
        return Bitmap();
    return Bitmap(maImage.GetImage().copy(rPos.X(), rPos.Y(), rSize.Width(), rSize.Height()));
}

QPainter* VirtualDevice::BeginDraw()
{
    if (maImage.IsEmpty())
        return nullptr;
    return new QPainter(&maImage.GetImage());
}

void VirtualDevice::EndDraw(QPainter* p) { delete p; }

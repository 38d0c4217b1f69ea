// VirtualDevice: an off-screen drawing surface; what is drawn on it can be
// taken out as a Bitmap.
#pragma once

#include "sv/Bitmap.hpp"
#include "sv/OutputDevice.hpp"

class VirtualDevice : public OutputDevice {
public:
    VirtualDevice() = default;
    explicit VirtualDevice(const OutputDevice&) {}
    ~VirtualDevice() override;
    VirtualDevice(const VirtualDevice&) = delete;
    VirtualDevice& operator=(const VirtualDevice&) = delete;

    // Gives the device its size; erased to the background brush (white when
    // that is empty). False when the size is not positive.
    bool SetOutputSizePixel(const Size& rSize, bool bErase = true);
    Size GetOutputSizePixel() const;
    // The area of the device from the point with the size, as a bitmap.
    Bitmap GetBitmap(const Point& rPos, const Size& rSize) const;
    void Erase();

protected:
    QPainter* BeginDraw() override;
    void EndDraw(QPainter* p) override;

private:
    Bitmap maImage;
};

// FixedBitmap: a window that shows a bitmap (at its top left corner) on its
// background brush.
#pragma once

#include "sv/Bitmap.hpp"
#include "sv/Window.hpp"

class FixedBitmap : public Control {
public:
    FixedBitmap(Window* pParent, WinBits nStyle = 0);
    FixedBitmap(Window* pParent, const ResId& rResId);
    FixedBitmap(const FixedBitmap& r);
    FixedBitmap& operator=(const FixedBitmap& r);

    void ChangeBitmap(const Bitmap& rBitmap);
    void SetBitmap(const Bitmap& rBitmap) { ChangeBitmap(rBitmap); }
    const Bitmap& GetBitmap() const { return maBitmap; }

    void Paint(const Rectangle& rRect) override;
    void Resize() override;

private:
    Bitmap maBitmap;
};

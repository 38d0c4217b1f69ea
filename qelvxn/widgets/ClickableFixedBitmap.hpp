// ClickableFixedBitmap: a fixed bitmap that reports left clicks. A press of
// the left button calls the click handler with the bitmap as its argument
// (and goes nowhere else, also without a handler); a press of any other
// button goes to the parent window's MouseButtonDown, so the parent keeps
// its context menu over the bitmap.
#pragma once

#include "sv/FixedBitmap.hpp"

// Square sizes: 30, 50 and 80 pixels.
enum ClickableFixedBitmapSize { CFB_SMALL = 0, CFB_MEDIUM = 1, CFB_LARGE = 2 };

class ClickableFixedBitmap : public FixedBitmap {
public:
    ClickableFixedBitmap(Window* pParent, unsigned short nStyle);
    // As above, then resized to the square of eSize; a value outside the
    // enumeration leaves the size the toolkit gives.
    ClickableFixedBitmap(Window* pParent, ClickableFixedBitmapSize eSize, unsigned short nStyle);
    // A copy of the fixed bitmap, at its place and size, without handler.
    explicit ClickableFixedBitmap(const FixedBitmap& rBitmap);
    // Copies keep the handler.
    ClickableFixedBitmap(const ClickableFixedBitmap& r);
    ClickableFixedBitmap& operator=(const ClickableFixedBitmap& r);
    ~ClickableFixedBitmap() override;

    void ChangeClickHdl(const Link& rLink) { maClickHdl = rLink; }
    const Link& GetClickHdl() const { return maClickHdl; }

private:
    void MouseButtonDown(const MouseEvent& rEvt) override;
    // The press is this window's alone: Qt must not also pass it on to the
    // parent's widget.
    void KeepPresses();

    Link maClickHdl;
};

// OutputDevice: what windows and off-screen devices share for drawing: a pen
// for lines, a fill brush for areas, a background brush and a font.
#pragma once

#include "sv/Bitmap.hpp"
#include "sv/Brush.hpp"
#include "sv/Font.hpp"
#include "sv/Pen.hpp"
#include "sv/Point.hpp"
#include "sv/Rectangle.hpp"
#include "sv/Size.hpp"
#include "sv/String.hpp"

class QPainter;
class QFont;

class OutputDevice {
public:
    OutputDevice() = default;
    OutputDevice(const OutputDevice&) = default;
    OutputDevice& operator=(const OutputDevice&) = default;
    virtual ~OutputDevice() = default;

    Pen ChangePen(const Pen& rPen);
    const Pen& GetPen() const { return maPen; }
    Brush ChangeFillInBrush(const Brush& rBrush);
    const Brush& GetFillInBrush() const { return maFillBrush; }
    virtual Brush ChangeBackgroundBrush(const Brush& rBrush);
    const Brush& GetBackgroundBrush() const { return maBackBrush; }
    virtual Font ChangeFont(const Font& rFont);
    const Font& GetFont() const { return maFont; }

    // Size of the text in the current font; several lines are measured whole.
    Size GetTextSize(const String& rText) const;
    void DrawLine(const Point& rFrom, const Point& rTo);
    // Fills the area with the fill brush and outlines it with the pen.
    void DrawRect(const Rectangle& rRect);
    void DrawText(const Point& rPos, const String& rText);
    void DrawBitmap(const Point& rPos, const Bitmap& rBitmap);
    void DrawBitmap(const Point& rPos, const Size& rSize, const Bitmap& rBitmap);

protected:
    // The painter drawing operations go to, or null when the device cannot be
    // drawn on now; EndDraw is called after every operation.
    virtual QPainter* BeginDraw() = 0;
    virtual void EndDraw(QPainter*) {}
    // The font text is measured and drawn in.
    virtual QFont GetQFont() const;

    Pen maPen;
    Brush maFillBrush;
    Brush maBackBrush = Brush(Color(COL_WHITE), BRUSH_NULL);
    Font maFont;
};

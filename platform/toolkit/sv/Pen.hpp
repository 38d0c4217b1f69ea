// Pen: colour, width and style of lines drawn on an output device.
#pragma once

#include "sv/Color.hpp"

enum PenStyle : int { PEN_NULL = 0, PEN_SOLID = 1, PEN_DOT = 2, PEN_DASH = 3 };

class Pen {
public:
    Pen() = default;
    explicit Pen(const Color& rColor, unsigned short nWidth = 0, PenStyle eStyle = PEN_SOLID)
        : maColor(rColor), mnWidth(nWidth), meStyle(eStyle) {}
    explicit Pen(PenStyle eStyle) : meStyle(eStyle) {}

    const Color& GetColor() const { return maColor; }
    Color ChangeColor(const Color& r) { Color old = maColor; maColor = r; return old; }
    // Width 0 and 1 both draw one pixel wide.
    unsigned short GetWidth() const { return mnWidth; }
    unsigned short ChangeWidth(unsigned short n) { unsigned short old = mnWidth; mnWidth = n; return old; }
    PenStyle GetStyle() const { return meStyle; }
    PenStyle ChangeStyle(PenStyle e) { PenStyle old = meStyle; meStyle = e; return old; }
    friend bool operator==(const Pen& a, const Pen& b)
    {
        return a.maColor == b.maColor && a.mnWidth == b.mnWidth && a.meStyle == b.meStyle;
    }

private:
    Color maColor;
    unsigned short mnWidth = 0;
    PenStyle meStyle = PEN_SOLID;
};

// Brush: a fill colour and style. Style 0 fills nothing, 1 fills solid.
#pragma once

#include "sv/Color.hpp"

enum BrushStyle : int { BRUSH_NULL = 0, BRUSH_SOLID = 1 };

class Brush {
public:
    Brush() = default;
    explicit Brush(const Color& rColor, BrushStyle eStyle = BRUSH_SOLID) : maColor(rColor), meStyle(eStyle) {}
    explicit Brush(BrushStyle eStyle) : meStyle(eStyle) {}

    const Color& GetColor() const { return maColor; }
    Color ChangeColor(const Color& rColor)
    {
        Color old = maColor;
        maColor = rColor;
        return old;
    }
    BrushStyle GetStyle() const { return meStyle; }
    void SetStyle(BrushStyle e) { meStyle = e; }
    friend bool operator==(const Brush& a, const Brush& b) { return a.maColor == b.maColor && a.meStyle == b.meStyle; }

private:
    Color maColor;
    BrushStyle meStyle = BRUSH_SOLID;
};

// Rectangle: an area in pixels given by its corners; right and bottom are
// inside the area (a rectangle from (1, 1) to (22, 10) covers 22 x 10 pixels).
#pragma once

#include "sv/Point.hpp"
#include "sv/Size.hpp"

class Rectangle {
public:
    Rectangle() = default;
    Rectangle(const Point& rTopLeft, const Point& rBottomRight)
        : mnLeft(rTopLeft.X()), mnTop(rTopLeft.Y()), mnRight(rBottomRight.X()), mnBottom(rBottomRight.Y()) {}
    Rectangle(const Point& rTopLeft, const Size& rSize)
        : mnLeft(rTopLeft.X()), mnTop(rTopLeft.Y()), mnRight(static_cast<short>(rTopLeft.X() + rSize.Width() - 1)),
          mnBottom(static_cast<short>(rTopLeft.Y() + rSize.Height() - 1)) {}
    Rectangle(long nLeft, long nTop, long nRight, long nBottom)
        : mnLeft(static_cast<short>(nLeft)), mnTop(static_cast<short>(nTop)), mnRight(static_cast<short>(nRight)),
          mnBottom(static_cast<short>(nBottom)) {}

    short Left() const { return mnLeft; }
    short Top() const { return mnTop; }
    short Right() const { return mnRight; }
    short Bottom() const { return mnBottom; }
    Point TopLeft() const { return Point(mnLeft, mnTop); }
    Point BottomRight() const { return Point(mnRight, mnBottom); }
    Size GetSize() const { return Size(mnRight - mnLeft + 1, mnBottom - mnTop + 1); }
    bool IsInside(const Point& p) const
    {
        return p.X() >= mnLeft && p.X() <= mnRight && p.Y() >= mnTop && p.Y() <= mnBottom;
    }
    friend bool operator==(const Rectangle& a, const Rectangle& b)
    {
        return a.mnLeft == b.mnLeft && a.mnTop == b.mnTop && a.mnRight == b.mnRight && a.mnBottom == b.mnBottom;
    }

private:
    short mnLeft = 0, mnTop = 0, mnRight = -1, mnBottom = -1;
};

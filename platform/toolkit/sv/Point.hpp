// Point: a position in pixels (or table units), two 16-bit signed coordinates.
#pragma once

class Point {
public:
    Point() = default;
    Point(long nX, long nY) : mnX(static_cast<short>(nX)), mnY(static_cast<short>(nY)) {}

    short X() const { return mnX; }
    short Y() const { return mnY; }
    short& X() { return mnX; }
    short& Y() { return mnY; }
    void SetX(long n) { mnX = static_cast<short>(n); }
    void SetY(long n) { mnY = static_cast<short>(n); }

    Point& operator+=(const Point& r) { mnX = static_cast<short>(mnX + r.mnX); mnY = static_cast<short>(mnY + r.mnY); return *this; }
    Point& operator-=(const Point& r) { mnX = static_cast<short>(mnX - r.mnX); mnY = static_cast<short>(mnY - r.mnY); return *this; }
    friend Point operator+(Point a, const Point& b) { return a += b; }
    friend Point operator-(Point a, const Point& b) { return a -= b; }
    friend bool operator==(const Point& a, const Point& b) { return a.mnX == b.mnX && a.mnY == b.mnY; }

private:
    short mnX = 0;
    short mnY = 0;
};

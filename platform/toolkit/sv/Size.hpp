// Size: a width and a height in pixels (or table units), 16-bit signed.
#pragma once

class Size {
public:
    Size() = default;
    Size(long nWidth, long nHeight) : mnWidth(static_cast<short>(nWidth)), mnHeight(static_cast<short>(nHeight)) {}

    short Width() const { return mnWidth; }
    short Height() const { return mnHeight; }
    short& Width() { return mnWidth; }
    short& Height() { return mnHeight; }
    void SetWidth(long n) { mnWidth = static_cast<short>(n); }
    void SetHeight(long n) { mnHeight = static_cast<short>(n); }
    friend bool operator==(const Size& a, const Size& b) { return a.mnWidth == b.mnWidth && a.mnHeight == b.mnHeight; }

private:
    short mnWidth = 0;
    short mnHeight = 0;
};

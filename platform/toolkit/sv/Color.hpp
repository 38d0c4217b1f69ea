// Color: an RGB colour of the toolkit. Colour numbers 0 to 15 are the classic
// order of 16 colours (0 black ... 15 white).
#pragma once

#include <cstdint>

enum ColorName : int {
    COL_BLACK = 0, COL_BLUE, COL_GREEN, COL_CYAN, COL_RED, COL_MAGENTA, COL_BROWN, COL_GRAY,
    COL_LIGHTGRAY, COL_LIGHTBLUE, COL_LIGHTGREEN, COL_LIGHTCYAN, COL_LIGHTRED, COL_LIGHTMAGENTA, COL_YELLOW, COL_WHITE
};

class Color {
public:
    Color() = default;
    Color(uint8_t r, uint8_t g, uint8_t b) : mnRed(r), mnGreen(g), mnBlue(b) {}
    explicit Color(ColorName eName);

    uint8_t GetRed() const { return mnRed; }
    uint8_t GetGreen() const { return mnGreen; }
    uint8_t GetBlue() const { return mnBlue; }
    void SetRed(uint8_t v) { mnRed = v; }
    void SetGreen(uint8_t v) { mnGreen = v; }
    void SetBlue(uint8_t v) { mnBlue = v; }
    friend bool operator==(const Color& a, const Color& b)
    {
        return a.mnRed == b.mnRed && a.mnGreen == b.mnGreen && a.mnBlue == b.mnBlue;
    }

private:
    uint8_t mnRed = 0, mnGreen = 0, mnBlue = 0;
};

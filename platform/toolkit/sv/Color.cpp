#include "sv/Color.hpp"

Color::Color(ColorName eName)
{
    static const uint8_t table[16][3] = {
        {0, 0, 0},       {0, 0, 128},     {0, 128, 0},     {0, 128, 128},
        {128, 0, 0},     {128, 0, 128},   {128, 128, 0},   {128, 128, 128},
        {192, 192, 192}, {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
        {255, 0, 0},     {255, 0, 255},   {255, 255, 0},   {255, 255, 255},
    };
    int i = static_cast<int>(eName) & 15;
    mnRed = table[i][0];
    mnGreen = table[i][1];
    mnBlue = table[i][2];
}

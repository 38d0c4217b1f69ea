#include "qel/AppFonts.hpp"

AppFonts::AppFonts() : maFixedFont(String("DejaVu Sans Mono"), Size(0, 12))
{
    maFixedFont.ChangePitch(PITCH_FIXED);
}

AppFonts* AppFonts::Instance()
{
    static AppFonts f;
    return &f;
}

// AppFonts: the application's fonts: the ordinary one and a fixed-pitch one
// for columns of numbers.
#pragma once

#include "sv/Font.hpp"

class AppFonts {
public:
    static AppFonts* Instance();
    const Font& GetAppFont() const { return maAppFont; }
    const Font& GetFixedAppFont() const { return maFixedFont; }
    void SetFixedAppFont(const Font& r) { maFixedFont = r; }

private:
    AppFonts();
    Font maAppFont;
    Font maFixedFont;
};

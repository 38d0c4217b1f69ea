// Font: name, size in pixels and weight of a text font. A font with an empty
// name stands for the application's default font.
#pragma once

#include "sv/Size.hpp"
#include "sv/String.hpp"

enum FontWeight : int { WEIGHT_NORMAL = 0, WEIGHT_BOLD = 1 };
enum FontPitch : int { PITCH_DONTKNOW = 0, PITCH_FIXED = 1, PITCH_VARIABLE = 2 };

class Font {
public:
    Font() = default;
    Font(const String& rName, const Size& rSize) : maName(rName), maSize(rSize) {}

    const String& GetName() const { return maName; }
    void ChangeName(const String& r) { maName = r; }
    // Height in pixels (0: the default size); the width is not used.
    const Size& GetSize() const { return maSize; }
    void ChangeSize(const Size& r) { maSize = r; }
    FontWeight GetWeight() const { return meWeight; }
    void ChangeWeight(FontWeight e) { meWeight = e; }
    bool IsItalic() const { return mbItalic; }
    void ChangeItalic(bool b) { mbItalic = b; }
    FontPitch GetPitch() const { return mePitch; }
    void ChangePitch(FontPitch e) { mePitch = e; }
    bool IsDefault() const { return maName.IsEmpty() && maSize.Height() == 0; }

    friend bool operator==(const Font& a, const Font& b)
    {
        return a.maName == b.maName && a.maSize == b.maSize && a.meWeight == b.meWeight && a.mbItalic == b.mbItalic &&
               a.mePitch == b.mePitch;
    }

private:
    String maName;
    Size maSize;
    FontWeight meWeight = WEIGHT_NORMAL;
    bool mbItalic = false;
    FontPitch mePitch = PITCH_DONTKNOW;
};

// FixedText: a label. Style bits WB_LEFT, WB_CENTER, WB_RIGHT align the text;
// long texts break into lines at the window's width.
#pragma once

#include "sv/Window.hpp"

class FixedText : public Control {
public:
    FixedText(Window* pParent, WinBits nStyle = 0);
    FixedText(Window* pParent, const ResId& rResId);
    FixedText(const FixedText& r);
    FixedText& operator=(const FixedText& r);

    void SetText(const String& rText) override;
    String GetText() const override;
};

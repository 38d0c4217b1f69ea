// GroupBox: a frame with a title around a group of controls.
#pragma once

#include "sv/Window.hpp"

class GroupBox : public Control {
public:
    GroupBox(Window* pParent, WinBits nStyle = 0);
    GroupBox(Window* pParent, const ResId& rResId);
    GroupBox(const GroupBox& r);
    GroupBox& operator=(const GroupBox& r);

    void SetText(const String& rText) override;
};

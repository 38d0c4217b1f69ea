// SysWin: a top-level window (frame or dialog) of the system.
#pragma once

#include "sv/Window.hpp"

class SysWin : public Window {
public:
    SysWin(Window* pParent, WinBits nStyle = 0);
    // Active: the window the user works in. The innermost running modal
    // dialog counts as active whether or not it is on screen, so that a
    // dialog driven through a terminal or a test behaves as on the desktop.
    bool IsActive() const;

protected:
    SysWin(Window* pParent, QWidget* pWidget, WinBits nStyle);
};

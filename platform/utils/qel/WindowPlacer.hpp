// WindowPlacer: places a dialog relative to its parent when it is built.
// Mode 1 centres the dialog over the parent (over the screen without a
// parent); mode 0 puts its top left corner at the parent's; any other mode
// leaves it where it is. The dialog is kept on the screen.
#pragma once

class Window;

class WindowPlacer {
public:
    WindowPlacer(Window* pParent, Window* pDialog, int nMode);
};

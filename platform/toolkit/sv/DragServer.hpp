// DragServer: the data of the drag under way (or of the last drop), as a list
// of text items. Its operations act on the one process-wide store, so any
// DragServer object (or none) reaches the same data.
#pragma once

#include "sv/String.hpp"

// Drag actions: what a drop does with the data.
constexpr unsigned short DROP_NONE = 0;
constexpr unsigned short DROP_MOVE = 1;
constexpr unsigned short DROP_COPY = 2;
constexpr unsigned short DROP_LINK = 4;

class DragServer {
public:
    static void Clear();
    static void CopyString(const String& rText);
    static String PasteString(unsigned short nItem = 0);
    static unsigned short GetItemCount();
    static bool HasString(unsigned short nItem = 0);
};

// What the end-drag handler learns about the finished drag.
class DropAction {
public:
    DropAction() = default;
    DropAction(unsigned short nAction, bool bDropped) : mnAction(nAction), mbDropped(bDropped) {}
    unsigned short GetAction() const { return mnAction; }
    bool IsDropped() const { return mbDropped; }

private:
    unsigned short mnAction = DROP_NONE;
    bool mbDropped = false;
};

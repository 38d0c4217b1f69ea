// DragServer: the data of the drag under way (or of the last drop), as a list
// of text items. Its operations act on the one process-wide store, so any
// DragServer object (or none) reaches the same data.
#pragma once

#include "sv/String.hpp"

#include <vector>

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

    // Data in a format of the program's own, named by a MIME type
    // ("application/x-..."), carried beside the text items so that a
    // receiver that knows the format need not guess from plain text. One
    // item per format; a second CopyData of a format replaces the first.
    static void CopyData(const String& rFormat, const String& rData);
    static String PasteData(const String& rFormat);
    static bool HasData(const String& rFormat);
    static std::vector<String> GetDataFormats();
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

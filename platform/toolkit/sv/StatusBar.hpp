// StatusBar: a row of text items along a window's edge. Items are placed
// left to right, each with its width (plus its offset when that is below
// 0xFFFF) and its alignment (0 left, 1 centre, 2 right).
#pragma once

#include "sv/Window.hpp"

#include <vector>

class StatusBar : public Window {
public:
    StatusBar(Window* pParent, WinBits nStyle = 0);

    void InsertItem(unsigned short nId, unsigned short nWidth, unsigned short nAlign = 0, unsigned short nStyle = 0,
                    unsigned short nOffset = 0xFFFF);
    void RemoveItem(unsigned short nId);
    void Clear();
    unsigned short GetItemCount() const { return static_cast<unsigned short>(maItems.size()); }
    bool HasItem(unsigned short nId) const;
    void SetItemText(unsigned short nId, const String& rText);
    String GetItemText(unsigned short nId) const;
    unsigned short GetItemWidth(unsigned short nId) const;
    // Alignment of the bar within its parent (kept for the caller).
    unsigned short ChangeAlignment(unsigned short nAlign);
    unsigned short GetAlignment() const { return mnAlign; }

    void Paint(const Rectangle& rRect) override;

private:
    struct Item {
        unsigned short nId, nWidth, nAlign, nStyle, nOffset;
        String aText;
    };
    std::vector<Item> maItems;
    unsigned short mnAlign = 0;
};

// Accelerator: keys that fire an action wherever the focus is, once the
// accelerator is registered with Application::InsertAccel. When one of its
// keys is pressed, the current item is set and the select handler is called
// with the accelerator.
#pragma once

#include "sv/Link.hpp"
#include "sv/MouseEvent.hpp"

#include <vector>

class Accelerator {
public:
    Accelerator() = default;
    Accelerator(const Accelerator&) = default;
    Accelerator& operator=(const Accelerator&) = default;
    virtual ~Accelerator();

    void InsertItem(unsigned short nItemId, const KeyCode& rKeyCode);
    void RemoveItem(unsigned short nItemId);
    void Clear() { maItems.clear(); }
    unsigned short GetItemCount() const { return static_cast<unsigned short>(maItems.size()); }
    unsigned short GetItemId(unsigned short nPos) const;
    KeyCode GetKeyCode(unsigned short nItemId) const;
    // The item whose id the key of the current selection has (0 outside).
    unsigned short GetCurItemId() const { return mnCurItemId; }
    const KeyCode& GetCurKeyCode() const { return maCurKeyCode; }

    Link ChangeSelectHdl(const Link& rLink);
    void SetSelectHdl(const Link& rLink) { maSelectHdl = rLink; }
    const Link& GetSelectHdl() const { return maSelectHdl; }
    virtual void Select();

    // Fires the item with this key; false when the accelerator has none.
    bool Call(const KeyCode& rKeyCode);

private:
    struct Item {
        unsigned short nId;
        KeyCode aKey;
    };
    std::vector<Item> maItems;
    Link maSelectHdl;
    unsigned short mnCurItemId = 0;
    KeyCode maCurKeyCode;
};

// ListBox: a drop-down list of text entries. Positions count from 0;
// LISTBOX_ENTRY_NOTFOUND stands for "no entry" / "no selection".
//
// Selecting from code (SelectEntry, SelectEntryPos) does not call the select
// handler; a choice of the user does (and so does ChooseEntryPos, which
// responders and tests use to act as the user). The reported size is the
// designed one (for a drop-down list, its height when opened); on screen the
// closed list is one line high.
#pragma once

#include "sv/Window.hpp"

#include <vector>

constexpr unsigned short LISTBOX_APPEND = 0xFFFF;
constexpr unsigned short LISTBOX_ENTRY_NOTFOUND = 0xFFFF;

class ListBox : public Control {
public:
    ListBox(Window* pParent, WinBits nStyle = WB_DROPDOWN);
    ListBox(Window* pParent, const ResId& rResId);
    ListBox(const ListBox& r);
    ListBox& operator=(const ListBox& r);

    unsigned short InsertEntry(const String& rText, unsigned short nPos = LISTBOX_APPEND);
    void RemoveEntry(unsigned short nPos);
    void Clear();
    unsigned short GetEntryCount() const;
    String GetEntry(unsigned short nPos) const;
    unsigned short GetEntryPos(const String& rText) const;

    void SelectEntry(const String& rText, bool bSelect = true);
    void SelectEntryPos(unsigned short nPos, bool bSelect = true);
    void SetNoSelection();
    String GetSelectEntry() const;
    unsigned short GetSelectEntryPos() const;
    unsigned short GetSelectEntryCount() const { return GetSelectEntryPos() == LISTBOX_ENTRY_NOTFOUND ? 0 : 1; }
    bool IsEntryPosSelected(unsigned short nPos) const { return GetSelectEntryPos() == nPos; }

    Link ChangeSelectHdl(const Link& rLink);
    const Link& GetSelectHdl() const { return maSelectHdl; }
    // Selects the entry as the user would and calls the select handler.
    void ChooseEntryPos(unsigned short nPos);
    virtual void Select();

protected:
    void ApplyGeometry() override;

private:
    void Connect();
    Link maSelectHdl;
};

// WaitEnterKey: a small modal dialog that shows an instruction and waits
// until the user presses the instrument's key, clicks the key button, or
// cancels. ScanLib::ScanPosition uses it to let the operator put the head
// over a point of the sheet and confirm it with the key.
//
// The key reaches the library as the unsolicited message 81. The dialog
// catches it with its own handler for as long as it exists (also outside
// Execute) and puts back the handler it replaced when it goes, so dialogs of
// this kind nest. Execute brackets the wait with messages 82 and 83, which
// switch the key report on and off (probes: their results are not looked
// at), after clearing the table's latched status; a table that does not take
// that command means no table, and the dialog is not shown.
//
// The texts come from the group "WaitEnterKey": 0 the key button, 1 the line
// appended to every instruction, 2 the hint a terminal shows (there, Enter
// stands for the key button and q for cancel). The key button's picture is
// the application's bitmap resource 2238.
#pragma once

#include "qel/GRBitmapButtonBar.hpp"
#include "sv/FixedText.hpp"
#include "sv/Link.hpp"
#include "sv/ModalDialog.hpp"

class TABLEWALKERProtokoll;

class WaitEnterKey : public ModalDialog, public LinkHdl {
public:
    // Flags of the constructor: which buttons the dialog has.
    static constexpr long KEY_BUTTON = 0x800;
    static constexpr long CANCEL_BUTTON = 4;
    // The application's bitmap of the key button.
    static constexpr unsigned short RID_KEY_BITMAP = 2238;
    static constexpr unsigned int MSG_KEY = 81;
    static constexpr int MSG_KEY_REPORT_ON = 82;
    static constexpr int MSG_KEY_REPORT_OFF = 83;

    WaitEnterKey(Window* pParent, String aTitle, String aText, long nFlags);
    ~WaitEnterKey() override;
    WaitEnterKey(const WaitEnterKey&) = delete;
    WaitEnterKey& operator=(const WaitEnterKey&) = delete;

    // Runs the dialog with a table protocol of its own (it holds no data).
    short Execute() override;
    // 1 when the key (or the key button) ended the dialog; 0 on cancel or
    // when the table's status could not be cleared.
    unsigned char Execute(TABLEWALKERProtokoll* pTable);

    long KeyHdl(void*);
    long CancelHdl(void*);

    // Without a mouse: the key button (the default, so Enter presses it)
    // and Cancel.
    std::vector<DialogChoice> GetChoices() override;
    // Title, instruction and the terminal's hint.
    String GetDescription() override;

    // ---- for tests -------------------------------------------------------
    GRBitmapButtonBar& GetButtonBar() { return maButtonBar; }
    const FixedText& GetInstruction() const { return maText; }
    const Link& GetOldKeyHdl() const { return maOldKeyHdl; }

private:
    unsigned int mnTextGroup;
    TABLEWALKERProtokoll* mpTable = nullptr;
    FixedText maText;
    GRBitmapButtonBar maButtonBar;
    Link maOldKeyHdl;
    bool mbOwnsKeyHdl = false;
};

// ModalDialog: a dialog whose Execute runs a nested event loop until
// EndDialog ends it, and returns the value given to EndDialog.
//
// Execute shows the dialog and hands it to the current Responder once its loop
// runs: on the desktop the user works in the dialog on screen; the terminal
// responder describes it and lets the user pick one of its choices; the
// scripted responder runs what a test queued. Everything else the loop does
// goes on meanwhile: messages from the instrument reach their handlers,
// accelerators fire.
//
// A dialog built from a ResId opens that resource context for the controls
// built in its constructor; FreeResource() or
// Resource::GetResManager()->PopContext(...) closes it (the destructor closes
// it at the latest).
#pragma once

#include "sv/SysWin.hpp"

#include <functional>
#include <vector>

// One thing a user can do in a dialog without a mouse: a labelled action.
struct DialogChoice {
    String aLabel;
    std::function<void()> aAction;
    bool bDefault = false;
};

class ModalDialog : public SysWin {
public:
    ModalDialog(Window* pParent, WinBits nStyle = 0);
    ModalDialog(Window* pParent, const ResId& rResId);
    ~ModalDialog() override;

    virtual short Execute();
    // Ends the running Execute with the result; does nothing when the dialog
    // is not running.
    void EndDialog(long nResult = 0);
    bool IsInExecute() const { return mbInExecute; }
    long GetResult() const { return mnResult; }
    void FreeResource();

    // What the user can do in the dialog, for responders that cannot show it:
    // by default every visible, enabled push button inside it (creation
    // order; the default button marked). Dialogs with other means of input
    // (pads to pick, a key to wait for) add their own.
    virtual std::vector<DialogChoice> GetChoices();
    // The dialog as text: title and the texts of its visible labels.
    virtual String GetDescription();

    // The innermost running modal dialog, or null.
    static ModalDialog* GetExecuting();

private:
    bool mbInExecute = false;
    bool mbEnded = false;
    long mnResult = 0;
    void* mpLoop = nullptr;
};

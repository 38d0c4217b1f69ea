// WaitVisualizer: the progress dialog of long work (a download of many
// blocks). It is shown through the current Responder from construction to
// destruction; Display reports the share done (0 to 1) and lets the GUI
// breathe; Aborted tells whether the user pressed its abort button.
#pragma once

#include "qel/AbbruchDialog.hpp"
#include "sv/Responder.hpp"

class WaitVisualizer : public AbbruchDialog {
public:
    // Title and text of the dialog; with bAbortable it offers an abort
    // button; with bShowNow it appears at once, else at the first Display.
    WaitVisualizer(Window* pParent, const String& rTitle, const String& rText, bool bAbortable = true,
                   bool bShowNow = true);
    ~WaitVisualizer() override;
    WaitVisualizer(const WaitVisualizer&) = delete;
    WaitVisualizer& operator=(const WaitVisualizer&) = delete;

    void Display(double fFraction);
    double GetFraction() const { return maState.fFraction; }
    bool Aborted() const override { return maState.bAborted || mbAborted; }

private:
    void Begin();
    ProgressState maState;
    Responder* mpResponder = nullptr;
};

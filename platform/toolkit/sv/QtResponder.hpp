// QtResponder: the desktop. Message boxes are Qt message boxes, modal dialogs
// appear on screen and the user works in them, the progress dialog has a
// Cancel button.
#pragma once

#include "sv/Responder.hpp"

class QtResponder : public Responder {
public:
    short AskBox(const BoxRequest& rBox) override;
    void OnDialogExecute(ModalDialog& rDialog) override;
    bool ShowsDialogs() const override { return true; }
    void ProgressBegin(ProgressState& rState) override;
    void ProgressUpdate(ProgressState& rState) override;
    void ProgressEnd(ProgressState& rState) override;
    void Beep(int nSoundType) override;
};

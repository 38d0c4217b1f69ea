// ScriptedResponder: answers for tests. Message boxes take the queued answers
// in order (the default button when none is queued); dialogs run the queued
// actions in order, once their loop runs (abandoned with 0 when none is
// queued). Everything is recorded: every box with its kind, style value,
// parent, title, text and answer, every dialog with its result, every beep
// and every progress step.
#pragma once

#include "sv/Responder.hpp"

#include <deque>
#include <functional>
#include <vector>

class ScriptedResponder : public Responder {
public:
    struct BoxRecord {
        MessBoxKind eKind;
        WinBits nStyle;
        Window* pParent;
        String aTitle;
        String aText;
        unsigned long nHelpId;
        short nResult;
        bool bScripted;  // false: no answer was queued
    };
    struct DialogRecord {
        ModalDialog* pDialog;
        String aTitle;
        long nResult = 0;
        bool bScripted = false;
        bool bTimedOut = false;
    };
    using DialogAction = std::function<void(ModalDialog&)>;

    ScriptedResponder() = default;
    ~ScriptedResponder() override;

    void QueueAnswer(short nResult) { maAnswers.push_back(nResult); }
    // The action runs once the dialog's loop runs. An action that does not
    // end the dialog leaves it running (e.g. until a message ends it).
    void QueueDialogAction(DialogAction aAction) { maActions.push_back(std::move(aAction)); }
    // A dialog still running after this time is ended with 0 (so that a
    // faulty test fails instead of hanging). Default 10 s.
    void SetDialogTimeout(int nMs) { mnTimeoutMs = nMs; }
    // The progress dialog reports an abort at its n-th update (0: never).
    void SetAbortProgressAt(int n) { mnAbortAt = n; }

    const std::vector<BoxRecord>& Boxes() const { return maBoxes; }
    const std::vector<DialogRecord>& Dialogs() const { return maDialogs; }
    const std::vector<int>& Beeps() const { return maBeeps; }
    const std::vector<String>& Notes() const { return maNotes; }
    const std::vector<double>& ProgressSteps() const { return maProgress; }
    size_t PendingAnswers() const { return maAnswers.size(); }
    size_t PendingActions() const { return maActions.size(); }
    void Clear();

    short AskBox(const BoxRequest& rBox) override;
    void OnDialogExecute(ModalDialog& rDialog) override;
    void OnDialogEnd(ModalDialog& rDialog) override;
    void ProgressBegin(ProgressState& rState) override;
    void ProgressUpdate(ProgressState& rState) override;
    void Beep(int nSoundType) override { maBeeps.push_back(nSoundType); }
    void DialogNote(ModalDialog&, const String& rLine) override { maNotes.push_back(rLine); }

private:
    std::deque<short> maAnswers;
    std::deque<DialogAction> maActions;
    std::vector<BoxRecord> maBoxes;
    std::vector<DialogRecord> maDialogs;
    std::vector<int> maBeeps;
    std::vector<String> maNotes;
    std::vector<double> maProgress;
    std::vector<std::pair<ModalDialog*, void*>> maTimers;
    int mnTimeoutMs = 10000;
    int mnAbortAt = 0;
    int mnUpdates = 0;
};

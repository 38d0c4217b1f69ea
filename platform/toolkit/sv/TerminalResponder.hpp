// TerminalResponder: a command-line program's user answers at a prompt.
//
// A message box prints its kind, title, text and numbered buttons and reads
// one line: a button's number, its name or first letter ("y", "n", "ok"),
// or an empty line for the default button. A modal dialog prints its
// description and its choices (ModalDialog::GetChoices) and keeps running
// while it waits for a line, so instrument messages still reach it; "0"
// abandons the dialog (result 0).
//
// Mode Defaults (a program's --yes) answers every box with its default button
// and picks each dialog's default choice without reading anything. Without a
// terminal on the input and outside Defaults mode every box is answered
// Cancel and every dialog abandoned.
#pragma once

#include "sv/Responder.hpp"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class QObject;
class QSocketNotifier;

class TerminalResponder : public Responder {
public:
    enum class Mode { Ask, Defaults };

    // Reads answers from nInFd, writes prompts to pOut.
    explicit TerminalResponder(int nInFd = 0, std::FILE* pOut = stdout);
    ~TerminalResponder() override;

    void SetMode(Mode e) { meMode = e; }
    Mode GetMode() const { return meMode; }
    // Whether the input is a user who can answer (a terminal, by default).
    void SetInteractive(bool b) { mbInteractive = b; }
    // A flag that a signal handler sets (a program's Ctrl-C): a prompt
    // waiting for its answer is then answered Cancel.
    void SetInterruptFlag(const volatile std::sig_atomic_t* p) { mpInterrupt = p; }
    bool IsInteractive() const { return mbInteractive; }

    short AskBox(const BoxRequest& rBox) override;
    void OnDialogExecute(ModalDialog& rDialog) override;
    void OnDialogEnd(ModalDialog& rDialog) override;
    void DialogNote(ModalDialog& rDialog, const String& rLine) override;
    void ProgressBegin(ProgressState& rState) override;
    void ProgressUpdate(ProgressState& rState) override;
    void ProgressEnd(ProgressState& rState) override;
    void Beep(int nSoundType) override;

private:
    struct DialogCtx {
        ModalDialog* pDialog;
        QSocketNotifier* pNotifier;
        int nAutoChoices;
    };
    // Reads one line (blocking); false at the end of the input.
    bool ReadLine(std::string& rLine);
    bool TakeBufferedLine(std::string& rLine);
    void Prompt(ModalDialog& rDialog);
    void OnInput(ModalDialog& rDialog);
    void HandleDialogLine(ModalDialog& rDialog, const std::string& rLine);
    void AutoChoose(ModalDialog& rDialog);
    DialogCtx* Find(ModalDialog& rDialog);

    int mnInFd;
    std::FILE* mpOut;
    Mode meMode = Mode::Ask;
    bool mbInteractive;
    bool mbEof = false;
    std::string maBuffer;
    std::vector<DialogCtx> maDialogs;
    int mnLastPercent = -1;
    std::unique_ptr<QObject> mpTimerOwner;
    const volatile std::sig_atomic_t* mpInterrupt = nullptr;
};

// Responder: the one seam through which everything a user would answer is
// asked: message boxes, modal dialogs, progress dialogs, beeps.
//
// Three responders exist: QtResponder (the real dialogs on screen),
// TerminalResponder (box text and buttons at a prompt on a terminal) and
// ScriptedResponder (queued answers and a record of every box, for tests).
// The current one is chosen with Responder::SetCurrent (or ScopedResponder);
// without a choice, the desktop gets the QtResponder and a program without a
// display (Qt's offscreen or minimal platform, or no application object) the
// TerminalResponder on standard input and output.
#pragma once

#include "sv/ResMgr.hpp"
#include "sv/String.hpp"

#include <vector>

class Window;
class ModalDialog;

// Style values of message boxes: the buttons, and which one is the default.
// Unknown values give one OK button.
constexpr WinBits WB_OK = 0x0010;
constexpr WinBits WB_OK_CANCEL = 0x0020;
constexpr WinBits WB_YES_NO = 0x0040;
constexpr WinBits WB_YES_NO_CANCEL = 0x0080;
constexpr WinBits WB_RETRY_CANCEL = 0x0100;
constexpr WinBits WB_DEF_OK = 0x0200;
constexpr WinBits WB_DEF_CANCEL = 0x0400;
constexpr WinBits WB_DEF_RETRY = 0x0800;
constexpr WinBits WB_DEF_YES = 0x1000;
constexpr WinBits WB_DEF_NO = 0x2000;

// Results of message boxes.
constexpr short RET_CANCEL = 0;
constexpr short RET_OK = 1;
constexpr short RET_YES = 2;
constexpr short RET_NO = 3;
constexpr short RET_RETRY = 4;

enum MessBoxKind : int { MESSBOX_MESSAGE = 0, MESSBOX_INFO, MESSBOX_WARNING, MESSBOX_ERROR, MESSBOX_QUERY };

// The words of message boxes: button labels and the kinds of box. English
// unless the application gives them in its user's language (the utility
// library's text catalogue does, from its group "Toolkit"), so that a box's
// buttons speak the language of its text.
enum class BoxWord {
    Ok, Cancel, Yes, No, Retry,                // buttons
    Info, Warning, Error, Question, Message,   // kinds of box
    Default, NoTerminal, AnswerButton, AnswerChoice, Abandon,  // the terminal's prompts
    Count
};
void SetBoxWord(BoxWord eWord, const String& rText);  // an empty text: English again
String GetBoxWord(BoxWord eWord);

String MessBoxKindName(MessBoxKind e);

struct BoxButton {
    short nResult;
    String aLabel;
};

// A message box as the responder sees it.
struct BoxRequest {
    MessBoxKind eKind = MESSBOX_MESSAGE;
    WinBits nStyle = WB_OK;
    Window* pParent = nullptr;
    String aTitle;
    String aText;
    unsigned long nHelpId = 0;
    std::vector<BoxButton> aButtons;  // in screen order
    short nDefault = RET_OK;          // result of the default button

    // Fills the buttons and the default from the style value.
    static BoxRequest Make(MessBoxKind eKind, WinBits nStyle, Window* pParent, const String& rTitle,
                           const String& rText);
    bool HasResult(short n) const;
    // The result whose button label or number (1-based) the answer names, or
    // -1. Accepts "ok", "cancel", "yes", "no", "retry" and their first letters.
    short ResultFromAnswer(const String& rAnswer) const;
};

// A progress dialog as the responder sees it; the responder sets bAborted
// when the user asks to stop.
struct ProgressState {
    Window* pParent = nullptr;
    String aTitle;
    String aText;
    bool bAbortable = true;
    double fFraction = 0.0;
    bool bAborted = false;
    void* pUi = nullptr;  // the responder's own data
};

class Responder {
public:
    virtual ~Responder() = default;

    static Responder* Current();
    // Makes pResponder current (null: back to the built-in choice) and
    // returns the one before. The caller keeps ownership.
    static Responder* SetCurrent(Responder* pResponder);

    // Shows a message box and returns the result of the button chosen.
    virtual short AskBox(const BoxRequest& rBox) = 0;
    // Called once the dialog's loop runs; the responder may act on the dialog
    // (end it, click its buttons) now or later from the loop.
    virtual void OnDialogExecute(ModalDialog& rDialog) = 0;
    virtual void OnDialogEnd(ModalDialog&) {}
    // A running dialog reports something that happened in it as one line
    // (a measurement taken, say). Dialogs on screen show it themselves; a
    // terminal prints it, so that what arrives unasked is seen too.
    virtual void DialogNote(ModalDialog&, const String&) {}
    // True when dialogs appear on screen for a user with a mouse (they are
    // then made application-modal).
    virtual bool ShowsDialogs() const { return false; }

    virtual void ProgressBegin(ProgressState&) {}
    virtual void ProgressUpdate(ProgressState&) {}
    virtual void ProgressEnd(ProgressState&) {}
    virtual void Beep(int nSoundType);
};

// Makes a responder current for the lifetime of the object.
class ScopedResponder {
public:
    explicit ScopedResponder(Responder& r) : mpOld(Responder::SetCurrent(&r)) {}
    ~ScopedResponder() { Responder::SetCurrent(mpOld); }
    ScopedResponder(const ScopedResponder&) = delete;
    ScopedResponder& operator=(const ScopedResponder&) = delete;

private:
    Responder* mpOld;
};

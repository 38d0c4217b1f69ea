#include "sv/TerminalResponder.hpp"

#include "sv/ModalDialog.hpp"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <unistd.h>

namespace {
// " (default)" after the default button or choice, in the user's language.
std::string DefaultMark()
{
    return " (" + GetBoxWord(BoxWord::Default).str() + ")";
}

constexpr int MAX_AUTO_CHOICES = 1000;

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    size_t b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}
} // namespace

TerminalResponder::TerminalResponder(int nInFd, std::FILE* pOut)
    : mnInFd(nInFd), mpOut(pOut ? pOut : stdout), mbInteractive(nInFd >= 0 && isatty(nInFd)),
      mpTimerOwner(std::make_unique<QObject>())
{
}

TerminalResponder::~TerminalResponder()
{
    for (DialogCtx& c : maDialogs)
        delete c.pNotifier;
}

bool TerminalResponder::TakeBufferedLine(std::string& rLine)
{
    size_t nl = maBuffer.find('\n');
    if (nl == std::string::npos)
        return false;
    rLine = maBuffer.substr(0, nl);
    maBuffer.erase(0, nl + 1);
    return true;
}

bool TerminalResponder::ReadLine(std::string& rLine)
{
    while (!TakeBufferedLine(rLine)) {
        if (mbEof || mnInFd < 0) {
            if (maBuffer.empty())
                return false;
            rLine = maBuffer;
            maBuffer.clear();
            return true;
        }
        char buf[256];
        ssize_t n = ::read(mnInFd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            if (mpInterrupt && *mpInterrupt)
                return false;
            continue;
        }
        if (n <= 0)
            mbEof = true;
        else
            maBuffer.append(buf, static_cast<size_t>(n));
    }
    return true;
}

short TerminalResponder::AskBox(const BoxRequest& rBox)
{
    std::fprintf(mpOut, "\n[%s]%s%s\n%s\n", MessBoxKindName(rBox.eKind).GetStr(), rBox.aTitle.IsEmpty() ? "" : " ",
                 rBox.aTitle.GetStr(), rBox.aText.GetStr());
    for (size_t i = 0; i < rBox.aButtons.size(); ++i)
        std::fprintf(mpOut, "  %zu) %s%s\n", i + 1, rBox.aButtons[i].aLabel.GetStr(),
                     rBox.aButtons[i].nResult == rBox.nDefault ? DefaultMark().c_str() : "");
    if (meMode == Mode::Defaults) {
        for (const BoxButton& b : rBox.aButtons)
            if (b.nResult == rBox.nDefault)
                std::fprintf(mpOut, "> %s\n", b.aLabel.GetStr());
        std::fflush(mpOut);
        return rBox.nDefault;
    }
    if (!mbInteractive) {
        std::fprintf(mpOut, "> (%s)\n", GetBoxWord(BoxWord::NoTerminal).GetStr());
        std::fflush(mpOut);
        return RET_CANCEL;
    }
    for (;;) {
        std::fprintf(mpOut, "> ");
        std::fflush(mpOut);
        std::string line;
        if (!ReadLine(line))
            return RET_CANCEL;
        line = Trim(line);
        if (line.empty())
            return rBox.nDefault;
        short r = rBox.ResultFromAnswer(String(line));
        if (r >= 0)
            return r;
        std::fprintf(mpOut, "%s\n", GetBoxWord(BoxWord::AnswerButton).GetStr());
    }
}

TerminalResponder::DialogCtx* TerminalResponder::Find(ModalDialog& rDialog)
{
    for (DialogCtx& c : maDialogs)
        if (c.pDialog == &rDialog)
            return &c;
    return nullptr;
}

void TerminalResponder::Prompt(ModalDialog& rDialog)
{
    std::fprintf(mpOut, "\n%s\n", rDialog.GetDescription().GetStr());
    std::vector<DialogChoice> choices = rDialog.GetChoices();
    for (size_t i = 0; i < choices.size(); ++i)
        std::fprintf(mpOut, "  %zu) %s%s\n", i + 1, choices[i].aLabel.GetStr(), choices[i].bDefault ? DefaultMark().c_str() : "");
    std::fprintf(mpOut, "  0) %s\n> ", GetBoxWord(BoxWord::Abandon).GetStr());
    std::fflush(mpOut);
}

void TerminalResponder::OnDialogExecute(ModalDialog& rDialog)
{
    for (DialogCtx& c : maDialogs)
        if (c.pNotifier)
            c.pNotifier->setEnabled(false);
    maDialogs.push_back({&rDialog, nullptr, 0});
    if (meMode == Mode::Defaults) {
        AutoChoose(rDialog);
        return;
    }
    if (!mbInteractive || mbEof) {
        std::fprintf(mpOut, "\n%s\n> (no terminal to answer: abandoned)\n", rDialog.GetDescription().GetStr());
        std::fflush(mpOut);
        rDialog.EndDialog(0);
        return;
    }
    Prompt(rDialog);
    // Lines typed before the dialog came up are answered first.
    std::string line;
    while (rDialog.IsInExecute() && TakeBufferedLine(line))
        HandleDialogLine(rDialog, line);
    if (!rDialog.IsInExecute())
        return;
    auto* n = new QSocketNotifier(mnInFd, QSocketNotifier::Read);
    QObject::connect(n, &QSocketNotifier::activated, n, [this, &rDialog] { OnInput(rDialog); });
    Find(rDialog)->pNotifier = n;
}

void TerminalResponder::AutoChoose(ModalDialog& rDialog)
{
    DialogCtx* c = Find(rDialog);
    if (!c || !rDialog.IsInExecute())
        return;
    for (const DialogChoice& ch : rDialog.GetChoices()) {
        if (!ch.bDefault)
            continue;
        if (++c->nAutoChoices > MAX_AUTO_CHOICES) {
            rDialog.EndDialog(0);
            return;
        }
        std::fprintf(mpOut, "\n%s\n> %s\n", rDialog.GetDescription().GetStr(), ch.aLabel.GetStr());
        std::fflush(mpOut);
        ch.aAction();
        // The choice may leave the dialog running (e.g. one of several
        // measurements): choose again from the loop.
        if (rDialog.IsInExecute())
            // Owned by the responder: a responder gone before the loop runs
            // again takes its pending choice with it.
            QTimer::singleShot(0, mpTimerOwner.get(), [this, &rDialog] { AutoChoose(rDialog); });
        return;
    }
    // No default choice: the dialog ends by itself (e.g. through a message
    // from the instrument).
}

void TerminalResponder::OnInput(ModalDialog& rDialog)
{
    char buf[256];
    ssize_t n = ::read(mnInFd, buf, sizeof buf);
    if (n <= 0) {
        mbEof = true;
        if (DialogCtx* c = Find(rDialog); c && c->pNotifier)
            c->pNotifier->setEnabled(false);
        if (!maBuffer.empty()) {
            std::string rest = maBuffer;
            maBuffer.clear();
            HandleDialogLine(rDialog, rest);
        }
        rDialog.EndDialog(0);
        return;
    }
    maBuffer.append(buf, static_cast<size_t>(n));
    std::string line;
    while (rDialog.IsInExecute() && ModalDialog::GetExecuting() == &rDialog && TakeBufferedLine(line))
        HandleDialogLine(rDialog, line);
}

void TerminalResponder::HandleDialogLine(ModalDialog& rDialog, const std::string& rLine)
{
    std::string a = Lower(Trim(rLine));
    std::vector<DialogChoice> choices = rDialog.GetChoices();
    const DialogChoice* pick = nullptr;
    if (a == "0" || a == "q" || a == "quit") {
        rDialog.EndDialog(0);
        return;
    }
    if (a.empty()) {
        for (const DialogChoice& c : choices)
            if (c.bDefault)
                pick = &c;
    } else {
        long n = String(a).ToLong();
        if (n >= 1 && n <= static_cast<long>(choices.size()) && std::to_string(n) == a)
            pick = &choices[static_cast<size_t>(n - 1)];
        for (const DialogChoice& c : choices)
            if (!pick && Lower(c.aLabel.str()) == a)
                pick = &c;
    }
    if (!pick) {
        std::fprintf(mpOut, "%s\n> ", GetBoxWord(BoxWord::AnswerChoice).GetStr());
        std::fflush(mpOut);
        return;
    }
    pick->aAction();
    if (rDialog.IsInExecute() && ModalDialog::GetExecuting() == &rDialog)
        Prompt(rDialog);
}

void TerminalResponder::OnDialogEnd(ModalDialog& rDialog)
{
    for (auto it = maDialogs.begin(); it != maDialogs.end(); ++it)
        if (it->pDialog == &rDialog) {
            delete it->pNotifier;
            maDialogs.erase(it);
            break;
        }
    if (!maDialogs.empty() && meMode == Mode::Ask && mbInteractive && !mbEof) {
        DialogCtx& outer = maDialogs.back();
        if (outer.pNotifier)
            outer.pNotifier->setEnabled(true);
        if (outer.pDialog->IsInExecute())
            Prompt(*outer.pDialog);
    }
}

void TerminalResponder::DialogNote(ModalDialog&, const String& rLine)
{
    std::fprintf(mpOut, "%s\n", rLine.GetStr());
    std::fflush(mpOut);
}

void TerminalResponder::ProgressBegin(ProgressState& rState)
{
    mnLastPercent = -1;
    std::fprintf(mpOut, "%s%s%s\n", rState.aTitle.GetStr(), rState.aTitle.IsEmpty() ? "" : ": ", rState.aText.GetStr());
    std::fflush(mpOut);
}

void TerminalResponder::ProgressUpdate(ProgressState& rState)
{
    int pct = static_cast<int>(rState.fFraction * 100.0 + 0.5);
    if (pct / 10 == mnLastPercent / 10 && mnLastPercent >= 0)
        return;
    mnLastPercent = pct;
    std::fprintf(mpOut, "  %3d %%\n", pct);
    std::fflush(mpOut);
}

void TerminalResponder::ProgressEnd(ProgressState&) { mnLastPercent = -1; }

void TerminalResponder::Beep(int)
{
    if (mbInteractive) {
        std::fputc('\a', mpOut);
        std::fflush(mpOut);
    }
}

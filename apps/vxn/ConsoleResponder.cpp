#include "ConsoleResponder.hpp"
#include "Interrupt.hpp"
#include "Texts.hpp"

#include "qel/PostOffice.hpp"
#include "qelvxn/library/InfoMehrfachmessung.hpp"
#include "qelvxn/library/WaitEnterKey.hpp"

#include <cstdio>

#include <cstdlib>
#include <unistd.h>

namespace vxn {

namespace {
// The white tile of the virtual instrument's chart.
constexpr int WHITE_TILE = 19;
// After this many identical boxes in a row without a person to answer them,
// the box is answered Cancel: a filter wait would otherwise ask forever.
constexpr int MAX_REPEATS = 3;

std::string Control(const std::string& rLine)
{
    String answer;
    PostOffice::Instance()->Control(String(rLine), answer);
    return answer.str();
}

std::string FirstLine(const String& r)
{
    const std::string& s = r.str();
    return s.substr(0, s.find('\n'));
}
} // namespace

ConsoleResponder::ConsoleResponder(bool bDefaults, bool bOperator)
    : maTerminal(STDIN_FILENO, stderr), mbDefaults(bDefaults), mbOperator(bOperator)
{
    if (bDefaults)
        maTerminal.SetMode(TerminalResponder::Mode::Defaults);
    // A program driving vxn through a pipe (an expect script, the tests) may
    // declare that it answers like a person at a terminal.
    if (const char* e = std::getenv("VXN_INTERACTIVE"); e && std::string(e) == "1")
        maTerminal.SetInteractive(true);
    maTerminal.SetInterruptFlag(InterruptFlag());
}

bool ConsoleResponder::Showed(const String& rText) const
{
    for (const auto& t : maShown)
        if (!rText.IsEmpty() && t.rfind(rText.str(), 0) == 0)
            return true;
    return false;
}

void ConsoleResponder::Operate(const BoxRequest& rBox)
{
    // The filter wait asks with OK and Cancel; the calibration question with
    // Yes and No; the note after a calibration is a plain message.
    if (rBox.eKind == MESSBOX_WARNING && rBox.nStyle == 32 && mnWantedFilter > 0)
        Control("filter " + std::to_string(mnWantedFilter));
    else if (rBox.eKind == MESSBOX_QUERY && mnSample >= 0)
        Control("sample " + std::to_string(WHITE_TILE));
    else if (rBox.eKind == MESSBOX_MESSAGE && mnSample >= 0)
        Control("sample " + std::to_string(mnSample));
}

bool ConsoleResponder::Pick(ModalDialog& rDialog)
{
    if (mnNextPick >= maPicks.size() || !dynamic_cast<WaitEnterKey*>(&rDialog))
        return false;
    auto [x, y] = maPicks[mnNextPick++];
    std::string at = std::to_string(x) + "," + std::to_string(y);
    Control("head " + std::to_string(x) + " " + std::to_string(y));
    // The key reaches the dialog as the instrument's message, which ends it;
    // a table that does not report it leaves the dialog to the terminal.
    if (Control("key").find("reported") == std::string::npos)
        return false;
    std::fprintf(stderr, "\n%s\n> %s\n", rDialog.GetDescription().GetStr(),
                 text::Format(text::OPERATOR_SHOWS, {at}).c_str());
    std::fflush(stderr);
    mpPicking = &rDialog;
    return true;
}

void ConsoleResponder::OnDialogExecute(ModalDialog& rDialog)
{
    if (!Pick(rDialog))
        maTerminal.OnDialogExecute(rDialog);
}

void ConsoleResponder::OnDialogEnd(ModalDialog& rDialog)
{
    if (&rDialog == mpPicking) {
        mpPicking = nullptr;
        return;
    }
    if (auto* pSeries = dynamic_cast<InfoMehrfachmessung*>(&rDialog))
        maSeries = pSeries->GetSingles();
    maTerminal.OnDialogEnd(rDialog);
}

short ConsoleResponder::AskBox(const BoxRequest& rBox)
{
    maShown.push_back(rBox.aText.str());
    if (mbOperator)
        Operate(rBox);
    bool bPerson = maTerminal.IsInteractive() && !mbDefaults;
    if (!bPerson) {
        mnRepeats = rBox.aText.str() == maLastText ? mnRepeats + 1 : 1;
        maLastText = rBox.aText.str();
        if (mnRepeats > MAX_REPEATS) {
            if (maGivenUp.empty())
                maGivenUp = FirstLine(rBox.aText);
            return RET_CANCEL;
        }
    }
    short r = maTerminal.AskBox(rBox);
    if (!bPerson && !mbDefaults && r == RET_CANCEL && rBox.aButtons.size() > 1 && maUnanswered.empty())
        maUnanswered = FirstLine(rBox.aText);
    return r;
}

} // namespace vxn

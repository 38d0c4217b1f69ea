// How vxn answers the library's boxes and dialogs: at the terminal (prompts
// on standard error, so that results on standard output stay clean), or with
// every default answer (--yes). Against a virtual instrument it also plays
// the operator: before answering a box that asks for a filter change it puts
// the wanted filter in place, around a white calibration it lays the white
// tile under the head and the sample back afterwards, and when a key dialog
// asks for a position on the table it moves the head there and presses the
// key (vxn scan --pick-from).
//
// VXN_INTERACTIVE=1 makes a pipe on standard input count as a terminal (for
// scripts that answer the prompts).
#pragma once

#include "qel/Spectrum.hpp"
#include "sv/Responder.hpp"
#include "sv/TerminalResponder.hpp"

#include <string>
#include <utility>
#include <vector>

namespace vxn {

class ConsoleResponder : public Responder {
public:
    ConsoleResponder(bool bDefaults, bool bOperator);

    void SetOperator(bool bOn) { mbOperator = bOn; }
    // The filter the measurement under way asks for (0: none).
    void SetWantedFilter(int nFilter) { mnWantedFilter = nFilter; }
    // The chart patch the operator lays under the head (-1: leave it).
    void SetSample(int nSample) { mnSample = nSample; }

    // The points (sight, table units) the operator shows at the key
    // dialogs to come, one per dialog; a dialog after the last is answered
    // at the terminal.
    void SetPicks(std::vector<std::pair<long, long>> aPicks) { maPicks = std::move(aPicks); }

    // The first box that nobody could answer (no terminal, no --yes), or "".
    const std::string& Unanswered() const { return maUnanswered; }
    // A box repeated so often that it was given up (e.g. a filter the
    // instrument never reports in place), or "".
    const std::string& GivenUp() const { return maGivenUp; }
    // Whether a box with this text (or one beginning with it) was shown.
    bool Showed(const String& rText) const;
    // The single measurements of the latest averaged series that ended (the
    // library returns only their mean); taking them empties the list.
    std::vector<Spectrum> TakeSeries() { return std::move(maSeries); }

    short AskBox(const BoxRequest& rBox) override;
    void OnDialogExecute(ModalDialog& rDialog) override;
    void OnDialogEnd(ModalDialog& rDialog) override;
    void DialogNote(ModalDialog& rDialog, const String& rLine) override { maTerminal.DialogNote(rDialog, rLine); }
    void ProgressBegin(ProgressState& r) override { maTerminal.ProgressBegin(r); }
    void ProgressUpdate(ProgressState& r) override { maTerminal.ProgressUpdate(r); }
    void ProgressEnd(ProgressState& r) override { maTerminal.ProgressEnd(r); }
    void Beep(int n) override { maTerminal.Beep(n); }

private:
    void Operate(const BoxRequest& rBox);
    // Plays the next pick at a key dialog; false when there is none.
    bool Pick(ModalDialog& rDialog);

    TerminalResponder maTerminal;
    bool mbDefaults;
    bool mbOperator;
    int mnWantedFilter = 0;
    int mnSample = -1;
    std::string maLastText;
    int mnRepeats = 0;
    std::string maUnanswered;
    std::string maGivenUp;
    std::vector<std::string> maShown;
    std::vector<Spectrum> maSeries;
    std::vector<std::pair<long, long>> maPicks;
    size_t mnNextPick = 0;
    ModalDialog* mpPicking = nullptr;  // the key dialog the operator answers
};

} // namespace vxn

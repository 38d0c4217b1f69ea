#include "sv/ScriptedResponder.hpp"

#include "sv/ModalDialog.hpp"

#include <QTimer>

ScriptedResponder::~ScriptedResponder()
{
    for (auto& [d, t] : maTimers)
        delete static_cast<QTimer*>(t);
}

void ScriptedResponder::Clear()
{
    maAnswers.clear();
    maActions.clear();
    maBoxes.clear();
    maDialogs.clear();
    maBeeps.clear();
    maNotes.clear();
    maProgress.clear();
}

short ScriptedResponder::AskBox(const BoxRequest& rBox)
{
    bool scripted = !maAnswers.empty();
    short r = rBox.nDefault;
    if (scripted) {
        r = maAnswers.front();
        maAnswers.pop_front();
    }
    maBoxes.push_back({rBox.eKind, rBox.nStyle, rBox.pParent, rBox.aTitle, rBox.aText, rBox.nHelpId, r, scripted});
    return r;
}

void ScriptedResponder::OnDialogExecute(ModalDialog& rDialog)
{
    DialogRecord rec;
    rec.pDialog = &rDialog;
    rec.aTitle = rDialog.GetText();
    rec.bScripted = !maActions.empty();
    maDialogs.push_back(rec);
    if (mnTimeoutMs > 0) {
        auto* t = new QTimer;
        t->setSingleShot(true);
        size_t idx = maDialogs.size() - 1;
        QObject::connect(t, &QTimer::timeout, t, [this, &rDialog, idx] {
            if (rDialog.IsInExecute()) {
                if (idx < maDialogs.size())
                    maDialogs[idx].bTimedOut = true;
                rDialog.EndDialog(0);
            }
        });
        t->start(mnTimeoutMs);
        maTimers.emplace_back(&rDialog, t);
    }
    if (maActions.empty()) {
        rDialog.EndDialog(0);
        return;
    }
    DialogAction a = std::move(maActions.front());
    maActions.pop_front();
    a(rDialog);
}

void ScriptedResponder::OnDialogEnd(ModalDialog& rDialog)
{
    for (auto it = maDialogs.rbegin(); it != maDialogs.rend(); ++it)
        if (it->pDialog == &rDialog) {
            it->nResult = rDialog.GetResult();
            break;
        }
    for (auto it = maTimers.begin(); it != maTimers.end(); ++it)
        if (it->first == &rDialog) {
            delete static_cast<QTimer*>(it->second);
            maTimers.erase(it);
            break;
        }
}

void ScriptedResponder::ProgressBegin(ProgressState&) { mnUpdates = 0; }

void ScriptedResponder::ProgressUpdate(ProgressState& rState)
{
    maProgress.push_back(rState.fFraction);
    if (mnAbortAt > 0 && ++mnUpdates >= mnAbortAt)
        rState.bAborted = true;
}

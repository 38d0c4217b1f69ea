// Modal dialogs, message boxes and accelerators through the responders.
#include "sv/Accelerator.hpp"
#include "sv/Application.hpp"
#include "sv/FixedText.hpp"
#include "sv/ListBox.hpp"
#include "sv/MessBox.hpp"
#include "sv/ModalDialog.hpp"
#include "sv/PushButton.hpp"
#include "sv/ScriptedResponder.hpp"
#include "sv/Sound.hpp"
#include "support/PipedTerminal.hpp"
#include "sv/TerminalResponder.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// A dialog whose button ends it from a click handler with a result of its own.
class ChoiceDialog : public ModalDialog {
public:
    explicit ChoiceDialog(Window* pParent) : ModalDialog(pParent, WinBits(0)), maText(this), maButton(this), maOK(this)
    {
        SetText(String("Choose"));
        maText.SetText(String("Pick one"));
        maText.Show();
        maButton.SetText(String("Seven"));
        maButton.ChangeClickHdl(LINK(this, ChoiceDialog, SevenHdl));
        maButton.Show();
        maOK.Show();
    }
    long SevenHdl(PushButton*)
    {
        EndDialog(7);
        return 0;
    }
    FixedText maText;
    PushButton maButton;
    OKButton maOK;
};

TEST(ModalDialog, ClickHandlerEndsTheDialogWithItsResult)
{
    ScriptedResponder r;
    ScopedResponder use(r);
    ChoiceDialog dlg(nullptr);
    bool activeInside = false, executingInside = false;
    r.QueueDialogAction([&](ModalDialog& d) {
        activeInside = dlg.IsActive();
        executingInside = ModalDialog::GetExecuting() == &d && d.IsVisible();
        dlg.maButton.Click();
    });
    EXPECT_EQ(dlg.Execute(), 7);
    EXPECT_TRUE(activeInside);
    EXPECT_TRUE(executingInside);
    EXPECT_FALSE(dlg.IsInExecute());
    EXPECT_FALSE(dlg.IsVisible());
    ASSERT_EQ(r.Dialogs().size(), 1u);
    EXPECT_EQ(r.Dialogs()[0].aTitle, String("Choose"));
    EXPECT_EQ(r.Dialogs()[0].nResult, 7);
    EXPECT_EQ(ModalDialog::GetExecuting(), nullptr);

    // The OK button without a handler ends with 1; a dialog with no script is abandoned.
    r.QueueDialogAction([&](ModalDialog&) { dlg.maOK.Click(); });
    EXPECT_EQ(dlg.Execute(), 1);
    EXPECT_EQ(dlg.Execute(), 0);
    EXPECT_FALSE(r.Dialogs().back().bScripted);
}

TEST(ModalDialog, ChoicesListVisibleEnabledButtonsWithTheDefault)
{
    // Their labels, order and default show in the terminal tests below.
    ChoiceDialog dlg(nullptr);
    ASSERT_EQ(dlg.GetChoices().size(), 2u);
    dlg.maButton.Disable();
    EXPECT_EQ(dlg.GetChoices().size(), 1u);
    dlg.maOK.Hide();
    EXPECT_TRUE(dlg.GetChoices().empty());
    EXPECT_NE(dlg.GetDescription().str().find("Pick one"), std::string::npos);
}

TEST(ModalDialog, NestedDialogsEndInnermostFirst)
{
    ScriptedResponder r;
    ScopedResponder use(r);
    ChoiceDialog outer(nullptr);
    short inner = -1;
    r.QueueDialogAction([&](ModalDialog&) {
        ChoiceDialog in(&outer);
        inner = in.Execute();
        EXPECT_TRUE(outer.IsActive());
        outer.EndDialog(3);
    });
    r.QueueDialogAction([&](ModalDialog& d) {
        EXPECT_FALSE(outer.IsActive()) << "the inner dialog is the active one";
        EXPECT_TRUE(static_cast<SysWin&>(d).IsActive());
        d.EndDialog(5);
    });
    EXPECT_EQ(outer.Execute(), 3);
    EXPECT_EQ(inner, 5);
}

TEST(ModalDialog, ScriptedTimeoutEndsAForgottenDialog)
{
    ScriptedResponder r;
    r.SetDialogTimeout(50);
    ScopedResponder use(r);
    ChoiceDialog dlg(nullptr);
    r.QueueDialogAction([](ModalDialog&) {});
    EXPECT_EQ(dlg.Execute(), 0);
    EXPECT_TRUE(r.Dialogs().back().bTimedOut);
}

TEST(MessBox, EveryStyleGivesItsButtonsDefaultAndRecord)
{
    struct Case {
        WinBits style;
        std::vector<short> results;
        short def;
    };
    const Case cases[] = {
        {16, {RET_OK}, RET_OK},
        {32, {RET_OK, RET_CANCEL}, RET_OK},
        {4160, {RET_YES, RET_NO}, RET_YES},
        {WB_YES_NO | WB_DEF_NO, {RET_YES, RET_NO}, RET_NO},
        {WB_OK_CANCEL | WB_DEF_CANCEL, {RET_OK, RET_CANCEL}, RET_CANCEL},
        {0, {RET_OK}, RET_OK},
        {292, {RET_OK, RET_CANCEL}, RET_OK},
    };
    for (const Case& c : cases) {
        BoxRequest b = BoxRequest::Make(MESSBOX_QUERY, c.style, nullptr, String(), String("t"));
        std::vector<short> got;
        for (const BoxButton& bb : b.aButtons)
            got.push_back(bb.nResult);
        EXPECT_EQ(got, c.results) << "style " << c.style;
        EXPECT_EQ(b.nDefault, c.def) << "style " << c.style;
    }
}

TEST(MessBox, ScriptedAnswersAndRecordOfEveryBox)
{
    ScriptedResponder r;
    ScopedResponder use(r);
    Window parent(nullptr);
    r.QueueAnswer(RET_CANCEL);
    r.QueueAnswer(RET_NO);
    EXPECT_EQ(WarningBox(&parent, 32, String("Change the filter")).Execute(), RET_CANCEL);
    QueryBox q(&parent, 4160, String("Calibrate?"));
    q.ChangeHelpId(0);
    EXPECT_EQ(q.Execute(), RET_NO);
    EXPECT_EQ(ErrorBox(nullptr, 16, String("Please create the VXNLib-Singleton first !")).Execute(), RET_OK)
        << "no queued answer: the default button";
    r.QueueAnswer(RET_YES);
    EXPECT_EQ(InfoBox(&parent, String("COM2: not available")).Execute(), RET_CANCEL)
        << "an answer the box has no button for counts as Cancel";
    MessBox m(&parent, 16, String("VXN Studio"), String("Put the instrument on the white tile"));
    EXPECT_EQ(m.Execute(), RET_OK);

    const auto& b = r.Boxes();
    std::vector<int> kinds;
    for (const auto& box : b)
        kinds.push_back(box.eKind);
    EXPECT_EQ(kinds, (std::vector<int>{MESSBOX_WARNING, MESSBOX_QUERY, MESSBOX_ERROR, MESSBOX_INFO, MESSBOX_MESSAGE}));
    ASSERT_EQ(b.size(), 5u);
    EXPECT_EQ(b[0].nStyle, 32);
    EXPECT_EQ(b[0].pParent, &parent);
    EXPECT_EQ(b[0].aText, String("Change the filter"));
    EXPECT_TRUE(b[0].bScripted);
    EXPECT_EQ(b[1].nStyle, 4160);
    EXPECT_EQ(b[2].pParent, nullptr);
    EXPECT_FALSE(b[2].bScripted);
    EXPECT_EQ(b[4].aTitle, String("VXN Studio"));

    Sound::Beep(1);
    Sound::Beep(0);
    EXPECT_EQ(r.Beeps(), (std::vector<int>{1, 0}));
}

using Terminal = testenv::PipedTerminal;

TEST(TerminalResponder, ReadsAnswersByNumberNameLetterAndDefault)
{
    Terminal t("2\ny\nmaybe\nno\n\n");
    ScopedResponder use(t.Responder());
    EXPECT_EQ(WarningBox(nullptr, 32, String("Insert filter UV")).Execute(), RET_CANCEL);
    EXPECT_EQ(QueryBox(nullptr, 4160, String("Calibrate?")).Execute(), RET_YES);
    EXPECT_EQ(QueryBox(nullptr, 4160, String("Again?")).Execute(), RET_NO) << "a wrong answer is asked again";
    EXPECT_EQ(QueryBox(nullptr, WB_YES_NO | WB_DEF_NO, String("Sure?")).Execute(), RET_NO) << "empty line: default";
    EXPECT_EQ(WarningBox(nullptr, 32, String("End of input")).Execute(), RET_CANCEL);
    std::string out = t.Output();
    EXPECT_NE(out.find("[Warning]"), std::string::npos);
    EXPECT_NE(out.find("Insert filter UV"), std::string::npos);
    EXPECT_NE(out.find("1) OK (default)"), std::string::npos);
    EXPECT_NE(out.find("2) Cancel"), std::string::npos);
    EXPECT_NE(out.find("[Question]"), std::string::npos);
}

TEST(TerminalResponder, DefaultsModeAndNoTerminal)
{
    Terminal yes("", false);
    yes.Responder().SetMode(TerminalResponder::Mode::Defaults);
    {
        ScopedResponder use(yes.Responder());
        EXPECT_EQ(QueryBox(nullptr, 4160, String("q")).Execute(), RET_YES);
        EXPECT_EQ(WarningBox(nullptr, 32, String("w")).Execute(), RET_OK);
        ChoiceDialog dlg(nullptr);
        EXPECT_EQ(dlg.Execute(), 1) << "the default choice (OK) is taken";
    }
    Terminal none("1\n", false);
    ScopedResponder use(none.Responder());
    EXPECT_EQ(ErrorBox(nullptr, 16, String("e")).Execute(), RET_CANCEL);
    ChoiceDialog dlg(nullptr);
    EXPECT_EQ(dlg.Execute(), 0);
}

TEST(TerminalResponder, DrivesADialogThroughItsChoices)
{
    Terminal t("1\n");
    ScopedResponder use(t.Responder());
    ChoiceDialog dlg(nullptr);
    EXPECT_EQ(dlg.Execute(), 7);
    std::string out = t.Output();
    EXPECT_NE(out.find("Pick one"), std::string::npos);
    EXPECT_NE(out.find("1) Seven"), std::string::npos);
    EXPECT_NE(out.find("2) OK (default)"), std::string::npos);

    Terminal eof("");
    ScopedResponder use2(eof.Responder());
    EXPECT_EQ(dlg.Execute(), 0) << "end of input abandons the dialog";
}

struct AccelTarget : LinkHdl {
    std::vector<unsigned short> fired;
    long Hdl(Accelerator* a)
    {
        fired.push_back(a->GetCurItemId());
        return 1;
    }
};

TEST(Accelerator, RegisteredKeysFireTheirItemWhileADialogRuns)
{
    ScriptedResponder r;
    ScopedResponder use(r);
    AccelTarget target;
    Accelerator accel;
    accel.InsertItem(0x301, KeyCode(0x301));
    accel.InsertItem(7, KeyCode(KEY_A, KEY_MOD1));
    accel.ChangeSelectHdl(LINK(&target, AccelTarget, Hdl));

    EXPECT_FALSE(Application::DispatchAccel(KeyCode(0x301))) << "not registered yet";
    Application::InsertAccel(&accel, 1);

    ChoiceDialog dlg(nullptr);
    r.QueueDialogAction([&](ModalDialog& d) {
        QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
        QApplication::sendEvent(dlg.maButton.GetWidget(), &f2);
        QKeyEvent ctrlA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
        QApplication::sendEvent(dlg.maButton.GetWidget(), &ctrlA);
        QKeyEvent plainA(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QApplication::sendEvent(dlg.maButton.GetWidget(), &plainA);
        d.EndDialog(1);
    });
    EXPECT_EQ(dlg.Execute(), 1);
    EXPECT_EQ(target.fired, (std::vector<unsigned short>{0x301, 7}));
    EXPECT_EQ(accel.GetCurItemId(), 0) << "the current item is only set while the handler runs";

    Application::RemoveAccel(&accel);
    EXPECT_FALSE(Application::DispatchAccel(KeyCode(0x301)));
    EXPECT_EQ(target.fired.size(), 2u);
}

} // namespace

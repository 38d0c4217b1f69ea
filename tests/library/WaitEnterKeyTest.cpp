// The key dialog: its size by buttons, the handler of message 81 it takes
// and gives back (also when such dialogs nest), the bracket of messages 82
// and 83 around a wait, and the same dialog answered at a terminal.
#include "ScriptedInstrument.hpp"

#include "qelvxn/library/WaitEnterKey.hpp"
#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"
#include "support/PipedTerminal.hpp"

#include "qel/PostOffice.hpp"
#include "sv/PushButton.hpp"

#include <QPushButton>

namespace {

using libtest::Seq;
using libtest::KeyMessage;

// Someone who listened to the key before the dialog came.
struct Listener : LinkHdl {
    int nHits = 0;
    long Hit(void*)
    {
        ++nHits;
        return 0;
    }
    Link Hdl() { return LINK(this, Listener, Hit); }
};

Link KeyHdl() { return PostOffice::Instance()->GetMessageHdl(WaitEnterKey::MSG_KEY); }

class WaitEnterKeyTest : public libtest::ScriptedLibraryTest {
protected:
    unsigned char Run(long nFlags)
    {
        WaitEnterKey d(nullptr, String("Title"), String("Put the sight on the point."), nFlags);
        TABLEWALKERProtokoll table;
        return d.Execute(&table);
    }
};

TEST_F(WaitEnterKeyTest, WidthFollowsTheButtonsAndTheRowIsCentred)
{
    struct Case {
        long nFlags;
        int nButtons, nWidth, nBarX;
    } cases[] = {
        {0, 0, 270, 145},  // row of -20: still the minimum width
        {WaitEnterKey::KEY_BUTTON, 1, 270, 62},
        {WaitEnterKey::CANCEL_BUTTON, 1, 270, 62},
        {WaitEnterKey::KEY_BUTTON | WaitEnterKey::CANCEL_BUTTON, 2, 350, 20},
    };
    for (const Case& c : cases) {
        WaitEnterKey d(nullptr, String("T"), String("Text"), c.nFlags);
        SCOPED_TRACE(c.nFlags);
        EXPECT_EQ(d.GetButtonBar().GetButtonCount(), c.nButtons);
        EXPECT_EQ(d.GetSizePixel().Width(), c.nWidth);
        EXPECT_EQ(d.GetSizePixel().Height(), 190);
        EXPECT_EQ(d.GetButtonBar().GetPosPixel().X(), c.nBarX);
        EXPECT_EQ(d.GetButtonBar().GetPosPixel().Y(), 120);
        EXPECT_EQ(d.GetInstruction().GetPosPixel().X(), (c.nWidth - 260) / 2);
        EXPECT_EQ(d.GetInstruction().GetPosPixel().Y(), 30);
        EXPECT_EQ(d.GetText(), String("T"));
    }
}

TEST_F(WaitEnterKeyTest, InstructionCarriesTheAppendedLineAndTheKeyButtonItsLabel)
{
    WaitEnterKey d(nullptr, String("T"), String("Move the head."), 2052);
    EXPECT_EQ(d.GetInstruction().GetText(), String("Move the head.\n\nPress the key on the instrument to confirm."));
    ASSERT_NE(d.GetButtonBar().GetButton(0x800), nullptr);
    EXPECT_EQ(d.GetButtonBar().GetButton(0x800)->GetText(), String("Instrument key"));
    EXPECT_EQ(d.GetButtonBar().GetButton(4)->GetText(), String("Cancel"));
}

TEST_F(WaitEnterKeyTest, KeyButtonShowsTheApplicationsBitmap)
{
    ResEntry e;
    e.eType = RSC_BITMAP;
    e.nId = WaitEnterKey::RID_KEY_BITMAP;
    e.aBitmap = Bitmap(QImage(16, 16, QImage::Format_ARGB32));
    e.aModule = String("WaitEnterKeyTest");
    ResMgr::Get()->Register(e);
    {
        WaitEnterKey d(nullptr, String("T"), String("Text"), WaitEnterKey::KEY_BUTTON);
        auto* w = static_cast<QPushButton*>(d.GetButtonBar().GetButton(0x800)->GetWidget());
        EXPECT_FALSE(w->icon().isNull());
    }
    ResMgr::Get()->RemoveModule(String("WaitEnterKeyTest"));
}

// Each way of ending, inside the key-report bracket 82/83 after the table's
// status was cleared; without a table (71 refused) no dialog at all.
TEST_F(WaitEnterKeyTest, EachWayOfEndingGivesItsResult)
{
    auto key = [this](WaitEnterKey&) { t->SendUnsolicited(81, KeyMessage()); };
    auto click = [](int nButton) {
        return [nButton](WaitEnterKey& d) { EXPECT_TRUE(d.GetButtonBar().ClickButton(nButton)); };
    };
    struct Case {
        const char* pName;
        long nFlags;
        std::set<int> refuse;
        std::function<void(WaitEnterKey&)> end;  // empty: no dialog
        unsigned char nResult;
        Seq sent;
    } cases[] = {
        {"instrument key", 2052, {}, key, 1, {71, 82, 83}},
        {"key button", 2052, {}, click(0x800), 1, {71, 82, 83}},
        {"cancel button", 2052, {}, click(4), 0, {71, 82, 83}},
        {"without buttons only the key",
         0,
         {},
         [key](WaitEnterKey& d) {
             EXPECT_TRUE(d.GetChoices().empty());
             key(d);
         },
         1,
         {71, 82, 83}},
        {"failed key report switches do not matter", 2052, {82, 83}, click(0x800), 1, {71, 82, 83}},
        {"without a table", 2052, {71}, nullptr, 0, {71}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pName);
        t->ClearSent();
        boxes.Clear();
        dev.refuse = c.refuse;
        if (c.end)
            boxes.QueueDialogAction([&c](ModalDialog& d) { c.end(static_cast<WaitEnterKey&>(d)); });
        EXPECT_EQ(Run(c.nFlags), c.nResult);
        EXPECT_EQ(Sent(), c.sent);
        EXPECT_EQ(PayloadOfNth(71), libtest::IntBytes({1}));
        for (auto [m, de] : t->SentDisEnables())
            EXPECT_EQ(de, testenv::ExpectedDisEnable(m)) << m;
        ASSERT_EQ(boxes.Dialogs().size(), c.end ? 1u : 0u);
        if (c.end) {
            EXPECT_FALSE(boxes.Dialogs()[0].bTimedOut);
        }
        EXPECT_EQ(boxes.Beeps(), c.end ? std::vector<int>{1} : std::vector<int>{});
    }
}

TEST_F(WaitEnterKeyTest, TheHandlerIsTakenAtConstructionAndGivenBackWhenNested)
{
    Listener before;
    Link l = before.Hdl();
    PostOffice::Instance()->ChangeMessageHdl(81, l, 0);
    {
        WaitEnterKey outer(nullptr, String("outer"), String("o"), 2052);
        Link afterOuter = KeyHdl();
        EXPECT_FALSE(afterOuter == before.Hdl());
        EXPECT_TRUE(outer.GetOldKeyHdl() == before.Hdl());
        {
            WaitEnterKey inner(nullptr, String("inner"), String("i"), 2052);
            EXPECT_TRUE(inner.GetOldKeyHdl() == afterOuter);
            EXPECT_FALSE(KeyHdl() == afterOuter);
        }
        EXPECT_TRUE(KeyHdl() == afterOuter);
    }
    EXPECT_TRUE(KeyHdl() == before.Hdl());
    Link none;
    PostOffice::Instance()->ChangeMessageHdl(81, none, 0);
}

TEST_F(WaitEnterKeyTest, KeyEndsTheInnerRunningDialogAndAfterItTheOuter)
{
    unsigned char nInner = 9;
    boxes.QueueDialogAction([this, &nInner](ModalDialog&) {
        boxes.QueueDialogAction([this](ModalDialog&) { t->SendUnsolicited(81, KeyMessage()); });
        {
            WaitEnterKey inner(nullptr, String("inner"), String("i"), 2052);
            TABLEWALKERProtokoll table;
            nInner = inner.Execute(&table);
        }
        // The outer dialog listens again.
        t->SendUnsolicited(81, KeyMessage());
    });
    EXPECT_EQ(Run(2052), 1);
    EXPECT_EQ(nInner, 1);
    ASSERT_EQ(boxes.Dialogs().size(), 2u);
    EXPECT_FALSE(boxes.Dialogs()[0].bTimedOut);
    EXPECT_EQ(Sent(), (Seq{71, 82, 71, 82, 83, 83}));
}

TEST_F(WaitEnterKeyTest, AtATerminalEnterIsTheKeyAndQCancels)
{
    struct Case {
        const char* pInput;
        unsigned char nResult;
    } cases[] = {{"\n", 1}, {"q\n", 0}, {"2\n", 0}, {"1\n", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pInput);
        testenv::PipedTerminal term(c.pInput);
        ScopedResponder use(term.Responder());
        EXPECT_EQ(Run(2052), c.nResult);
        std::string out = term.Output();
        EXPECT_NE(out.find("Put the sight on the point."), std::string::npos) << out;
        EXPECT_NE(out.find("press the instrument key, Enter, or q"), std::string::npos) << out;
        EXPECT_NE(out.find("Instrument key (default)"), std::string::npos) << out;
    }
}

TEST_F(WaitEnterKeyTest, GermanTextsAreThere)
{
    Language::Set(String("de"));
    WaitEnterKey d(nullptr, String("T"), String("Kopf bewegen."), 2052);
    EXPECT_EQ(d.GetButtonBar().GetButton(0x800)->GetText(), String("Gerätetaste"));
    EXPECT_NE(d.GetDescription().str().find("Gerätetaste, Eingabetaste oder q drücken"), std::string::npos);
    Language::Set(String("en"));
}

} // namespace

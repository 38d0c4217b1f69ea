#include "qelvxn/library/WaitEnterKey.hpp"

#include "qel/MyMemoryBlock.hpp"
#include "qel/PostOffice.hpp"
#include "qel/Text.hpp"
#include "qel/WindowPlacer.hpp"
#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"
#include "sv/Bitmap.hpp"
#include "sv/PushButton.hpp"
#include "sv/ResMgr.hpp"
#include "sv/Sound.hpp"

#include <algorithm>

namespace {

constexpr WinBits DIALOG_STYLE = 292;
constexpr WinBits TEXT_STYLE = 512;

constexpr USHORT TXT_KEY_BUTTON = 0;
constexpr USHORT TXT_APPENDED = 1;
constexpr USHORT TXT_TERMINAL_HINT = 2;

// Designed geometry: the bar's place and button size, the gap between
// buttons, the margins around the row, the instruction's box.
const Point BAR_POS(0, 120);
const Size BUTTON_SIZE(145, 30);
constexpr int BUTTON_GAP = 20;
constexpr int MIN_WIDTH = 270;
constexpr int HEIGHT = 190;
constexpr int TEXT_WIDTH = 260;
constexpr int TEXT_HEIGHT = 80;
constexpr int TEXT_Y = 30;

constexpr unsigned short KEY_BUTTON_ID = 0x800;
constexpr unsigned short CANCEL_BUTTON_ID = 4;

void SendProbe(int nMessage)
{
    MyMemoryBlock aRequest, aReply;
    PostOffice::Instance()->SendAndReceive(0, nMessage, aRequest, aReply, DE_PROBE);
}

} // namespace

WaitEnterKey::WaitEnterKey(Window* pParent, String aTitle, String aText, long nFlags)
    : ModalDialog(pParent, DIALOG_STYLE), mnTextGroup(Text::GetGroupNr(String("WaitEnterKey"))),
      maText(this, TEXT_STYLE), maButtonBar(this, BAR_POS, BUTTON_SIZE, 1, Size(BUTTON_GAP, 0))
{
    TextSegment aTexts(mnTextGroup);
    SetText(aTitle);

    int nButtons = 0;
    if (nFlags & KEY_BUTTON) {
        maButtonBar.AddButton(Bitmap(ResId(RID_KEY_BITMAP)), aTexts.GetText(TXT_KEY_BUTTON), KEY_BUTTON_ID, 0, 272,
                              LINK(this, WaitEnterKey, KeyHdl));
        ++nButtons;
    }
    if (nFlags & CANCEL_BUTTON) {
        maButtonBar.AddButton(LINK(this, WaitEnterKey, CancelHdl), CANCEL_BUTTON_ID, 0);
        ++nButtons;
    }

    // The row of buttons is centred; the dialog is wide enough for it and
    // never narrower than the instruction needs.
    int nRow = (maButtonBar.GetSizePixel().Width() + BUTTON_GAP) * nButtons - BUTTON_GAP;
    int nWidth = std::max(nRow + 40, MIN_WIDTH);
    SetSizePixel(Size(static_cast<short>(nWidth), HEIGHT));
    maButtonBar.SetPosPixel(Point(static_cast<short>((nWidth - nRow) / 2), maButtonBar.GetPosPixel().Y()));

    maText.SetText(aText + String("\n\n") + aTexts.GetText(TXT_APPENDED));
    maText.SetPosSizePixel(Point(static_cast<short>((nWidth - TEXT_WIDTH) / 2), TEXT_Y), Size(TEXT_WIDTH, TEXT_HEIGHT));
    maText.Show();

    WindowPlacer(pParent, this, 1);

    Link aHdl = LINK(this, WaitEnterKey, KeyHdl);
    maOldKeyHdl = PostOffice::Instance()->ChangeMessageHdl(MSG_KEY, aHdl, 0);
    mbOwnsKeyHdl = true;
}

WaitEnterKey::~WaitEnterKey()
{
    // The replaced handler goes back, so that an outer dialog of this kind
    // (or whoever listened before) gets the key again.
    if (mbOwnsKeyHdl && PostOffice::Exists())
        PostOffice::Instance()->ChangeMessageHdl(MSG_KEY, maOldKeyHdl, 0);
}

short WaitEnterKey::Execute()
{
    TABLEWALKERProtokoll aTable;
    return Execute(&aTable);
}

unsigned char WaitEnterKey::Execute(TABLEWALKERProtokoll* pTable)
{
    mpTable = pTable;
    if (!mpTable || !mpTable->ClearStatus(1))
        return 0;
    SendProbe(MSG_KEY_REPORT_ON);
    Sound::Beep(1);
    short nResult = ModalDialog::Execute();
    SendProbe(MSG_KEY_REPORT_OFF);
    return static_cast<unsigned char>(nResult);
}

long WaitEnterKey::KeyHdl(void*)
{
    EndDialog(1);
    return 0;
}

long WaitEnterKey::CancelHdl(void*)
{
    EndDialog(0);
    return 0;
}

std::vector<DialogChoice> WaitEnterKey::GetChoices()
{
    std::vector<DialogChoice> aChoices;
    if (PushButton* pKey = maButtonBar.GetButton(KEY_BUTTON_ID))
        aChoices.push_back({pKey->GetText(), [this] { maButtonBar.ClickButton(KEY_BUTTON_ID); }, true});
    if (PushButton* pCancel = maButtonBar.GetButton(CANCEL_BUTTON_ID))
        aChoices.push_back({pCancel->GetText(), [this] { maButtonBar.ClickButton(CANCEL_BUTTON_ID); }, false});
    return aChoices;
}

String WaitEnterKey::GetDescription()
{
    return GetText() + String("\n") + maText.GetText() + String("\n") +
           TextSegment(mnTextGroup).GetText(TXT_TERMINAL_HINT);
}

#include "sv/MessBox.hpp"

MessBox::MessBox(Window* pParent, WinBits nStyle, const String& rTitle, const String& rMessage)
    : MessBox(MESSBOX_MESSAGE, pParent, nStyle, rTitle, rMessage)
{
}

MessBox::MessBox(MessBoxKind eKind, Window* pParent, WinBits nStyle, const String& rTitle, const String& rMessage)
    : meKind(eKind), mpParent(pParent), mnStyle(nStyle), maTitle(rTitle), maMessage(rMessage)
{
}

short MessBox::Execute()
{
    BoxRequest req = BoxRequest::Make(meKind, mnStyle, mpParent, maTitle, maMessage);
    req.nHelpId = mnHelpId;
    short r = Responder::Current()->AskBox(req);
    // A box closed without a button (window closed, no terminal) is Cancel.
    return req.HasResult(r) ? r : RET_CANCEL;
}

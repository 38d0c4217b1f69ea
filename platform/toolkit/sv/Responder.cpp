#include "sv/Responder.hpp"

#include "sv/QtResponder.hpp"
#include "sv/TerminalResponder.hpp"

#include <QApplication>
#include <QGuiApplication>

#include <memory>

namespace {
Responder* gpCurrent = nullptr;
} // namespace

const char* MessBoxKindName(MessBoxKind e)
{
    switch (e) {
    case MESSBOX_INFO: return "Info";
    case MESSBOX_WARNING: return "Warning";
    case MESSBOX_ERROR: return "Error";
    case MESSBOX_QUERY: return "Question";
    default: return "Message";
    }
}

BoxRequest BoxRequest::Make(MessBoxKind eKind, WinBits nStyle, Window* pParent, const String& rTitle,
                            const String& rText)
{
    BoxRequest b;
    b.eKind = eKind;
    b.nStyle = nStyle;
    b.pParent = pParent;
    b.aTitle = rTitle;
    b.aText = rText;
    const BoxButton ok{RET_OK, String("OK")}, cancel{RET_CANCEL, String("Cancel")}, yes{RET_YES, String("Yes")},
        no{RET_NO, String("No")}, retry{RET_RETRY, String("Retry")};
    if (nStyle & WB_OK_CANCEL)
        b.aButtons = {ok, cancel};
    else if (nStyle & WB_YES_NO)
        b.aButtons = {yes, no};
    else if (nStyle & WB_YES_NO_CANCEL)
        b.aButtons = {yes, no, cancel};
    else if (nStyle & WB_RETRY_CANCEL)
        b.aButtons = {retry, cancel};
    else
        b.aButtons = {ok};
    b.nDefault = b.aButtons.front().nResult;
    struct { WinBits bit; short res; } defs[] = {
        {WB_DEF_OK, RET_OK}, {WB_DEF_CANCEL, RET_CANCEL}, {WB_DEF_RETRY, RET_RETRY}, {WB_DEF_YES, RET_YES},
        {WB_DEF_NO, RET_NO}};
    for (auto& d : defs)
        if ((nStyle & d.bit) && b.HasResult(d.res))
            b.nDefault = d.res;
    return b;
}

bool BoxRequest::HasResult(short n) const
{
    for (const BoxButton& b : aButtons)
        if (b.nResult == n)
            return true;
    return false;
}

short BoxRequest::ResultFromAnswer(const String& rAnswer) const
{
    String a(rAnswer);
    a.EraseLeadingAndTrailing(' ');
    a.ToLowerAscii();
    if (a.IsEmpty())
        return -1;
    long n = a.ToLong();
    if (n >= 1 && n <= static_cast<long>(aButtons.size()) && String(n) == a)
        return aButtons[static_cast<size_t>(n - 1)].nResult;
    for (const BoxButton& b : aButtons) {
        String l = b.aLabel;
        l.ToLowerAscii();
        if (a == l || (a.Len() == 1 && l.GetChar(0) == a.GetChar(0)))
            return b.nResult;
    }
    return -1;
}

Responder* Responder::Current()
{
    if (gpCurrent)
        return gpCurrent;
    static std::unique_ptr<Responder> builtIn;
    if (!builtIn) {
        bool desktop = qobject_cast<QApplication*>(QCoreApplication::instance()) &&
                       QGuiApplication::platformName() != "offscreen" && QGuiApplication::platformName() != "minimal";
        if (desktop)
            builtIn = std::make_unique<QtResponder>();
        else
            builtIn = std::make_unique<TerminalResponder>();
    }
    return builtIn.get();
}

Responder* Responder::SetCurrent(Responder* pResponder)
{
    Responder* old = gpCurrent;
    gpCurrent = pResponder;
    return old;
}

void Responder::Beep(int) {}

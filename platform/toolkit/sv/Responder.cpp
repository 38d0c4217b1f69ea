#include "sv/Responder.hpp"

#include "sv/QtResponder.hpp"
#include "sv/TerminalResponder.hpp"

#include <QApplication>
#include <QGuiApplication>

#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace {
Responder* gpCurrent = nullptr;
} // namespace

namespace {
constexpr const char* ENGLISH_WORDS[] = {
    "OK",   "Cancel",  "Yes",   "No",       "Retry",
    "Info", "Warning", "Error", "Question", "Message",
    "default", "no terminal to answer: Cancel", "Please answer with the number or the name of a button.",
    "Please answer with the number of a choice.", "abandon"};
static_assert(std::size(ENGLISH_WORDS) == static_cast<size_t>(BoxWord::Count));

String& Word(BoxWord e)
{
    static String words[static_cast<size_t>(BoxWord::Count)];
    return words[static_cast<size_t>(e)];
}
} // namespace

void SetBoxWord(BoxWord eWord, const String& rText)
{
    if (eWord < BoxWord::Count)
        Word(eWord) = rText;
}

String GetBoxWord(BoxWord eWord)
{
    if (eWord >= BoxWord::Count)
        return String();
    return Word(eWord).IsEmpty() ? String(ENGLISH_WORDS[static_cast<size_t>(eWord)]) : Word(eWord);
}

String MessBoxKindName(MessBoxKind e)
{
    switch (e) {
    case MESSBOX_INFO: return GetBoxWord(BoxWord::Info);
    case MESSBOX_WARNING: return GetBoxWord(BoxWord::Warning);
    case MESSBOX_ERROR: return GetBoxWord(BoxWord::Error);
    case MESSBOX_QUERY: return GetBoxWord(BoxWord::Question);
    default: return GetBoxWord(BoxWord::Message);
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
    const BoxButton ok{RET_OK, GetBoxWord(BoxWord::Ok)}, cancel{RET_CANCEL, GetBoxWord(BoxWord::Cancel)},
        yes{RET_YES, GetBoxWord(BoxWord::Yes)}, no{RET_NO, GetBoxWord(BoxWord::No)},
        retry{RET_RETRY, GetBoxWord(BoxWord::Retry)};
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
    // The button's label, or its English word (scripts keep working in
    // every language).
    static const std::pair<short, BoxWord> english[] = {{RET_OK, BoxWord::Ok},   {RET_CANCEL, BoxWord::Cancel},
                                                        {RET_YES, BoxWord::Yes}, {RET_NO, BoxWord::No},
                                                        {RET_RETRY, BoxWord::Retry}};
    for (const BoxButton& b : aButtons) {
        std::vector<String> names = {b.aLabel};
        for (const auto& [res, word] : english)
            if (res == b.nResult)
                names.emplace_back(ENGLISH_WORDS[static_cast<size_t>(word)]);
        for (String l : names) {
            l.ToLowerAscii();
            if (a == l || (a.Len() == 1 && !l.IsEmpty() && l.GetChar(0) == a.GetChar(0)))
                return b.nResult;
        }
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

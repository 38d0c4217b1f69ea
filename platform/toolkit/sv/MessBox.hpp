// Message boxes. Execute asks the current Responder (desktop dialog,
// terminal prompt or test script) and returns the result of the button
// chosen: RET_CANCEL 0, RET_OK 1, RET_YES 2, RET_NO 3 (see Responder.hpp for
// the style values).
#pragma once

#include "sv/Responder.hpp"

class MessBox {
public:
    MessBox(Window* pParent, WinBits nStyle, const String& rTitle, const String& rMessage);
    virtual ~MessBox() = default;

    short Execute();
    void SetMessText(const String& r) { maMessage = r; }
    const String& GetMessText() const { return maMessage; }
    // The box's title.
    void SetText(const String& r) { maTitle = r; }
    String GetText() const { return maTitle; }
    void ChangeHelpId(unsigned long nId) { mnHelpId = nId; }
    unsigned long GetHelpId() const { return mnHelpId; }
    WinBits GetStyle() const { return mnStyle; }
    Window* GetParent() const { return mpParent; }
    MessBoxKind GetKind() const { return meKind; }

protected:
    MessBox(MessBoxKind eKind, Window* pParent, WinBits nStyle, const String& rTitle, const String& rMessage);

private:
    MessBoxKind meKind;
    Window* mpParent;
    WinBits mnStyle;
    String maTitle;
    String maMessage;
    unsigned long mnHelpId = 0;
};

class InfoBox : public MessBox {
public:
    InfoBox(Window* pParent, const String& rMessage) : MessBox(MESSBOX_INFO, pParent, WB_OK, String(), rMessage) {}
    InfoBox(Window* pParent, WinBits nStyle, const String& rMessage)
        : MessBox(MESSBOX_INFO, pParent, nStyle, String(), rMessage) {}
};

class WarningBox : public MessBox {
public:
    WarningBox(Window* pParent, WinBits nStyle, const String& rMessage)
        : MessBox(MESSBOX_WARNING, pParent, nStyle, String(), rMessage) {}
};

class ErrorBox : public MessBox {
public:
    ErrorBox(Window* pParent, WinBits nStyle, const String& rMessage)
        : MessBox(MESSBOX_ERROR, pParent, nStyle, String(), rMessage) {}
};

class QueryBox : public MessBox {
public:
    QueryBox(Window* pParent, WinBits nStyle, const String& rMessage)
        : MessBox(MESSBOX_QUERY, pParent, nStyle, String(), rMessage) {}
};

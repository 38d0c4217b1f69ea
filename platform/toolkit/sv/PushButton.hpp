// PushButton, OKButton, CancelButton. A click (by the user, or Click() from
// code, a responder or a test) calls the click handler with the button; with
// no handler set, an OK button ends its dialog with 1 and a Cancel button
// with 0. Style WB_DEFBUTTON marks the default button of a dialog.
#pragma once

#include "sv/Window.hpp"

class PushButton : public Control {
public:
    PushButton(Window* pParent, WinBits nStyle = 0);
    PushButton(Window* pParent, const ResId& rResId);
    PushButton(const PushButton& r);
    PushButton& operator=(const PushButton& r);

    void SetText(const String& rText) override;
    Link ChangeClickHdl(const Link& rLink);
    void SetClickHdl(const Link& rLink) { maClickHdl = rLink; }
    const Link& GetClickHdl() const { return maClickHdl; }
    virtual void Click();
    bool IsDefaultButton() const { return (GetStyle() & WB_DEFBUTTON) != 0; }
    void SetBitmap(const Bitmap& rBitmap);

protected:
    PushButton(Window* pParent, WinBits nStyle, const char* pDefaultText);
    void Connect();

private:
    Link maClickHdl;
};

class OKButton : public PushButton {
public:
    OKButton(Window* pParent, WinBits nStyle = WB_DEFBUTTON);
    OKButton(Window* pParent, const ResId& rResId);
    void Click() override;
};

class CancelButton : public PushButton {
public:
    CancelButton(Window* pParent, WinBits nStyle = 0);
    CancelButton(Window* pParent, const ResId& rResId);
    void Click() override;
};

// RegisterTopWindow: base of windows that are the application's active top
// window while they exist (boxes shown by code that has no window at hand
// take it as their parent). Registrations nest: the newest living one is
// the active top window.
#pragma once

class Window;

class RegisterTopWindow {
public:
    explicit RegisterTopWindow(Window* pWindow);
    RegisterTopWindow(const RegisterTopWindow&) = delete;
    RegisterTopWindow& operator=(const RegisterTopWindow&) = delete;
    virtual ~RegisterTopWindow();

    // The newest registered window, or null when none is registered.
    static Window* GetActiveTopWindow();
    Window* GetRegisteredWindow() const { return mpWindow; }

private:
    Window* mpWindow;
};

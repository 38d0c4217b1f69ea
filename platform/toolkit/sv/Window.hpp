// Window: a toolkit window wrapping one Qt widget, placed in absolute pixels
// relative to its parent (screen coordinates for a window without parent).
//
// Ownership: a Window owns its Qt widget. Child windows are usually members
// of the window that holds them, so C++ decides when they die; a Window
// therefore never lets Qt delete a widget that another Window still owns:
// when a window goes, it first takes the widgets of its still living child
// windows out of its widget (they lose their parent on screen, but stay
// valid), then deletes its own widget.
//
// Windows start hidden; Show makes them visible (a child also needs its
// parent to be shown to be seen on screen, IsVisible reports its own state).
//
// Qt events call the virtual event operations (MouseButtonDown, KeyInput,
// Paint ...). Drawing operations called inside Paint draw on the window;
// called outside Paint they draw onto the window's current picture, which
// stays until the window is next invalidated.
#pragma once

#include "sv/Link.hpp"
#include "sv/MouseEvent.hpp"
#include "sv/OutputDevice.hpp"
#include "sv/ResMgr.hpp"

#include <memory>

class QWidget;
class QFont;
class Bitmap;
class DropAction;

// Style bits understood by several windows.
constexpr WinBits WB_BORDER = 0x0001;
constexpr WinBits WB_LEFT = 0x0100;
constexpr WinBits WB_CENTER = 0x0200;
constexpr WinBits WB_RIGHT = 0x0400;
constexpr WinBits WB_DEFBUTTON = 0x0100;  // push buttons: the default button
constexpr WinBits WB_DROPDOWN = 0x0800;   // list boxes: a drop-down list

struct WindowImpl;

class Window : public OutputDevice {
public:
    Window(Window* pParent, WinBits nStyle = 0);
    Window(Window* pParent, const ResId& rResId);
    // A copy has its own widget under the same parent, with the same place,
    // size, text, visibility, enabled state, brushes, pen and font.
    Window(const Window& r);
    Window& operator=(const Window& r);
    ~Window() override;

    Window* GetParent() const;
    WinBits GetStyle() const;

    Point GetPosPixel() const;
    void SetPosPixel(const Point& rPos);
    // Moves the window and returns its previous position.
    Point ChangePosPixel(const Point& rPos);
    Size GetSizePixel() const;
    void SetSizePixel(const Size& rSize);
    // Resizes the window and returns its previous size.
    Size ChangeSizePixel(const Size& rSize);
    void SetPosSizePixel(const Point& rPos, const Size& rSize);
    virtual Size GetOutputSizePixel() const;

    virtual void SetText(const String& rText);
    virtual String GetText() const;

    void Show(bool bVisible = true);
    void Hide() { Show(false); }
    bool IsVisible() const;
    void Enable(bool bEnable = true);
    void Disable() { Enable(false); }
    bool IsEnabled() const;

    // Marks the window for repainting (and drops what was drawn on it outside
    // Paint); Update repaints what is marked at once.
    void Invalidate();
    void Update();
    void ToTop();
    void GrabFocus();
    bool HasFocus() const;

    Brush ChangeBackgroundBrush(const Brush& rBrush) override;
    Font ChangeFont(const Font& rFont) override;

    // Drag and drop. With drops enabled the window takes part in dragging:
    // a drag started on it asks StartDragAction (the start-drag handler gets a
    // pointer to the requested action and says with its result whether the
    // drag starts), a drop on it asks QueryDrop and Drop.
    void EnableDrop(bool bEnable = true);
    bool IsDropEnabled() const;
    void ChangeStartDragHdl(const Link& rLink);
    void ChangeEndDragHdl(const Link& rLink);
    const Link& GetStartDragHdl() const;
    const Link& GetEndDragHdl() const;
    // Runs a whole drag from this window without a mouse (tests, keyboard
    // use): start, data in the DragServer, optional drop onto pTarget, end.
    // Returns whether the drag started.
    bool ExecuteDrag(Window* pTarget = nullptr);

    // Event operations, called from the Qt events.
    virtual void MouseMove(const MouseEvent& rEvt);
    virtual void MouseButtonDown(const MouseEvent& rEvt);
    virtual void MouseButtonUp(const MouseEvent& rEvt);
    virtual void KeyInput(const KeyEvent& rEvt);
    virtual void Paint(const Rectangle& rRect);
    virtual void Resize();
    virtual void Move();
    virtual void GetFocus();
    virtual void LoseFocus();
    virtual void RequestHelp();
    virtual bool Drop(const DropEvent& rEvt);
    virtual bool QueryDrop(DropEvent& rEvt);
    virtual long StartDragAction(unsigned short* pAction);
    virtual long EndDragAction(DropAction* pAction);

    // The window as a picture (what it shows now, children included).
    Bitmap GetSnapshot() const;
    bool SaveAsPng(const String& rPath) const;

    // The Qt widget, for embedding the window into Qt code.
    QWidget* GetWidget() const;
    // The window whose widget this is, or null.
    static Window* FromWidget(const QWidget* pWidget);
    // Sequence number of creation; orders windows as they were built.
    unsigned long GetCreationNumber() const;
    // Calls fn for every living window whose parent chain contains this one,
    // in creation order.
    template <class Fn> void ForEachDescendant(Fn fn) const;
    static std::vector<Window*> GetDescendants(const Window* pAncestor);

protected:
    // For controls: the window wraps the given widget, created under the
    // parent's widget. Takes ownership of pWidget.
    Window(Window* pParent, QWidget* pWidget, WinBits nStyle);
    // Takes the designed place, size, text and style of a resource entry.
    void ApplyResource(const ResEntry& rEntry);
    void CopyStateFrom(const Window& r);
    // Puts the stored place and size onto the widget (a control may show a
    // different height than it reports, e.g. a drop-down list).
    virtual void ApplyGeometry();
    QPainter* BeginDraw() override;
    void EndDraw(QPainter* p) override;
    QFont GetQFont() const override;
    WindowImpl& Impl() const { return *mpImpl; }

private:
    friend struct WindowImpl;
    friend class WindowEventBridge;
    void Init(Window* pParent, QWidget* pWidget, WinBits nStyle);
    std::unique_ptr<WindowImpl> mpImpl;
};

template <class Fn> void Window::ForEachDescendant(Fn fn) const
{
    for (Window* p : GetDescendants(this))
        fn(p);
}

// Control: a window that the user works with (buttons, lists, fields).
class Control : public Window {
public:
    using Window::Window;
    Control& operator=(const Control& r) { Window::operator=(r); return *this; }
    void GetFocus() override;
    void LoseFocus() override;

protected:
    // Copy of r that wraps pWidget, a new widget of r's kind.
    Control(const Control& r, QWidget* pWidget);
};

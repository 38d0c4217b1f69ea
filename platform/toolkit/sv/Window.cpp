#include "sv/Window.hpp"

#include "sv/Bitmap.hpp"
#include "sv/DragServer.hpp"
#include "sv/QtConvert.hpp"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <map>
#include <unordered_map>

namespace {

std::map<unsigned long, Window*>& LiveWindows()
{
    static std::map<unsigned long, Window*> m;
    return m;
}

std::unordered_map<const QWidget*, Window*>& ByWidget()
{
    static std::unordered_map<const QWidget*, Window*> m;
    return m;
}

unsigned long gnNextNumber = 1;

unsigned short ButtonsOf(Qt::MouseButtons b)
{
    unsigned short n = 0;
    if (b & Qt::LeftButton)
        n |= MOUSE_LEFT;
    if (b & Qt::MiddleButton)
        n |= MOUSE_MIDDLE;
    if (b & Qt::RightButton)
        n |= MOUSE_RIGHT;
    return n;
}

unsigned short ModifierOf(Qt::KeyboardModifiers m)
{
    unsigned short n = 0;
    if (m & Qt::ShiftModifier)
        n |= KEY_SHIFT;
    if (m & Qt::ControlModifier)
        n |= KEY_MOD1;
    if (m & Qt::AltModifier)
        n |= KEY_MOD2;
    return n;
}

// The drawing surface of plain windows: fills its background through the
// palette and lets the window paint itself, then shows what was drawn on it
// outside Paint.
class SvWidget : public QWidget {
public:
    using QWidget::QWidget;
    QImage* mpOverlay = nullptr;
    Window* mpOwner = nullptr;
    QPainter* mpActive = nullptr;

protected:
    void paintEvent(QPaintEvent* e) override;
};

} // namespace

// Converts a Qt key event into the toolkit's key code (0 when it has none).
unsigned short SvKeyCodeFromQt(int nKey, Qt::KeyboardModifiers eMods)
{
    unsigned short code = 0;
    if (nKey >= Qt::Key_0 && nKey <= Qt::Key_9)
        code = static_cast<unsigned short>(KEY_0 + (nKey - Qt::Key_0));
    else if (nKey >= Qt::Key_A && nKey <= Qt::Key_Z)
        code = static_cast<unsigned short>(KEY_A + (nKey - Qt::Key_A));
    else if (nKey >= Qt::Key_F1 && nKey <= Qt::Key_F24)
        code = static_cast<unsigned short>(KEY_F1 + (nKey - Qt::Key_F1));
    else {
        switch (nKey) {
        case Qt::Key_Down: code = KEY_DOWN; break;
        case Qt::Key_Up: code = KEY_UP; break;
        case Qt::Key_Left: code = KEY_LEFT; break;
        case Qt::Key_Right: code = KEY_RIGHT; break;
        case Qt::Key_Home: code = KEY_HOME; break;
        case Qt::Key_End: code = KEY_END; break;
        case Qt::Key_PageUp: code = KEY_PAGEUP; break;
        case Qt::Key_PageDown: code = KEY_PAGEDOWN; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: code = KEY_RETURN; break;
        case Qt::Key_Escape: code = KEY_ESCAPE; break;
        case Qt::Key_Tab: code = KEY_TAB; break;
        case Qt::Key_Backspace: code = KEY_BACKSPACE; break;
        case Qt::Key_Space: code = KEY_SPACE; break;
        case Qt::Key_Insert: code = KEY_INSERT; break;
        case Qt::Key_Delete: code = KEY_DELETE; break;
        default: return 0;
        }
    }
    return static_cast<unsigned short>(code | ModifierOf(eMods));
}

struct WindowImpl {
    Window* pOwner = nullptr;
    Window* pParent = nullptr;
    QPointer<QWidget> pWidget;
    WinBits nStyle = 0;
    Point aPos;
    Size aSize;
    String aText;
    bool bVisible = false;
    bool bEnabled = true;
    bool bDrop = false;
    bool bInGeometry = false;
    Link aStartDragHdl;
    Link aEndDragHdl;
    unsigned long nNumber = 0;
    QImage aOverlay;
    QPainter* pOverlayPainter = nullptr;
    QObject* pBridge = nullptr;
    QPoint aPressPos;
    bool bPressed = false;
};

// Routes the Qt events of a window's widget to the window's event operations.
class WindowEventBridge : public QObject {
public:
    explicit WindowEventBridge(Window* pWin) : mpWin(pWin) {}
    Window* mpWin;

protected:
    bool eventFilter(QObject* pObj, QEvent* pEvt) override;
};

bool WindowEventBridge::eventFilter(QObject* pObj, QEvent* pEvt)
{
    Window* w = mpWin;
    if (!w || pObj != w->GetWidget())
        return false;
    WindowImpl& d = w->Impl();
    switch (pEvt->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(pEvt);
        QPoint p = e->position().toPoint();
        d.aPressPos = p;
        d.bPressed = e->button() == Qt::LeftButton;
        unsigned short clicks = pEvt->type() == QEvent::MouseButtonDblClick ? 2 : 1;
        w->MouseButtonDown(MouseEvent(Point(p.x(), p.y()), clicks, ButtonsOf(e->buttons() | e->button()),
                                      ModifierOf(e->modifiers())));
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(pEvt);
        QPoint p = e->position().toPoint();
        d.bPressed = false;
        w->MouseButtonUp(MouseEvent(Point(p.x(), p.y()), 1, ButtonsOf(e->button()), ModifierOf(e->modifiers())));
        return false;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(pEvt);
        QPoint p = e->position().toPoint();
        w->MouseMove(MouseEvent(Point(p.x(), p.y()), 0, ButtonsOf(e->buttons()), ModifierOf(e->modifiers())));
        if (d.bPressed && d.bDrop && (p - d.aPressPos).manhattanLength() >= QApplication::startDragDistance()) {
            d.bPressed = false;
            w->ExecuteDrag(nullptr);
        }
        return false;
    }
    case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(pEvt);
        unsigned short code = SvKeyCodeFromQt(e->key(), e->modifiers());
        QByteArray t = e->text().toLatin1();
        w->KeyInput(KeyEvent(t.isEmpty() ? 0 : t[0], KeyCode(code), e->isAutoRepeat() ? 1 : 0));
        return false;
    }
    case QEvent::Resize:
        if (!d.bInGeometry && w->GetWidget()->isWindow()) {
            QSize s = w->GetWidget()->size();
            d.aSize = Size(s.width(), s.height());
        }
        d.aOverlay = QImage();
        w->Resize();
        return false;
    case QEvent::Move:
        w->Move();
        return false;
    case QEvent::FocusIn:
        w->GetFocus();
        return false;
    case QEvent::FocusOut:
        w->LoseFocus();
        return false;
    case QEvent::ToolTip:
    case QEvent::WhatsThis:
        w->RequestHelp();
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(pEvt);
        QPoint p = e->position().toPoint();
        DropEvent de(Point(p.x(), p.y()), DROP_COPY);
        if (d.bDrop && e->mimeData()->hasText() && w->QueryDrop(de))
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(pEvt);
        QPoint p = e->position().toPoint();
        DragServer::Clear();
        DragServer::CopyString(svqt::FromQ(e->mimeData()->text()));
        for (const QString& format : e->mimeData()->formats())
            if (!format.startsWith(QLatin1String("text/")))
                DragServer::CopyData(svqt::FromQ(format), String(e->mimeData()->data(format).toStdString()));
        if (w->Drop(DropEvent(Point(p.x(), p.y()), DROP_COPY)))
            e->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}

void SvWidget::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (mpOwner) {
        mpActive = &p;
        QRect r = e->rect();
        mpOwner->Paint(Rectangle(Point(r.left(), r.top()), Size(r.width(), r.height())));
        mpActive = nullptr;
    }
    if (mpOverlay && !mpOverlay->isNull())
        p.drawImage(0, 0, *mpOverlay);
}

// ---------------------------------------------------------------------------

Window::Window(Window* pParent, WinBits nStyle) : mpImpl(std::make_unique<WindowImpl>())
{
    Init(pParent, new SvWidget, nStyle);
}

Window::Window(Window* pParent, const ResId& rResId) : mpImpl(std::make_unique<WindowImpl>())
{
    Init(pParent, new SvWidget, 0);
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_WINDOW, rResId.GetId()))
        ApplyResource(*e);
}

Window::Window(Window* pParent, QWidget* pWidget, WinBits nStyle) : mpImpl(std::make_unique<WindowImpl>())
{
    Init(pParent, pWidget, nStyle);
}

Window::Window(const Window& r) : OutputDevice(r), mpImpl(std::make_unique<WindowImpl>())
{
    Init(r.GetParent(), new SvWidget, r.GetStyle());
    CopyStateFrom(r);
}

Control::Control(const Control& r, QWidget* pWidget) : Window(r.GetParent(), pWidget, r.GetStyle())
{
    CopyStateFrom(r);
}

Window& Window::operator=(const Window& r)
{
    if (this != &r) {
        OutputDevice::operator=(r);
        if (r.GetParent() != GetParent() && r.GetParent() != this) {
            mpImpl->pParent = r.GetParent();
            if (mpImpl->pWidget) {
                QWidget* pw = r.GetParent() ? r.GetParent()->GetWidget() : nullptr;
                if (mpImpl->pWidget->property("svTopLevel").toBool() || !pw)
                    mpImpl->pWidget->setParent(pw, mpImpl->pWidget->windowFlags());
                else
                    mpImpl->pWidget->setParent(pw);
            }
        }
        mpImpl->nStyle = r.GetStyle();
        CopyStateFrom(r);
    }
    return *this;
}

void Window::Init(Window* pParent, QWidget* pWidget, WinBits nStyle)
{
    WindowImpl& d = *mpImpl;
    d.pOwner = this;
    d.pParent = pParent;
    d.nStyle = nStyle;
    d.pWidget = pWidget;
    d.nNumber = gnNextNumber++;
    if (auto* sv = dynamic_cast<SvWidget*>(pWidget)) {
        sv->mpOwner = this;
        sv->mpOverlay = &d.aOverlay;
    }
    if (pParent && pParent->GetWidget()) {
        // Dialogs and frames stay windows of their own above the parent;
        // everything else becomes a child widget.
        if (pWidget->property("svTopLevel").toBool())
            pWidget->setParent(pParent->GetWidget(), pWidget->windowFlags());
        else
            pWidget->setParent(pParent->GetWidget());
    }
    pWidget->resize(0, 0);
    pWidget->hide();
    pWidget->setMouseTracking(true);
    auto* bridge = new WindowEventBridge(this);
    bridge->setParent(pWidget);
    pWidget->installEventFilter(bridge);
    d.pBridge = bridge;
    LiveWindows()[d.nNumber] = this;
    ByWidget()[pWidget] = this;
    maBackBrush = Brush(Color(COL_WHITE), BRUSH_NULL);
}

Window::~Window()
{
    WindowImpl& d = *mpImpl;
    LiveWindows().erase(d.nNumber);
    if (d.pOverlayPainter) {
        d.pOverlayPainter->end();
        delete d.pOverlayPainter;
        d.pOverlayPainter = nullptr;
    }
    QWidget* w = d.pWidget;
    if (w) {
        ByWidget().erase(w);
        if (d.pBridge)
            static_cast<WindowEventBridge*>(d.pBridge)->mpWin = nullptr;
        if (auto* sv = dynamic_cast<SvWidget*>(w))
            sv->mpOwner = nullptr, sv->mpOverlay = nullptr;
        // Child windows that still live keep their widgets: take them out of
        // ours before Qt would delete them with it.
        for (QWidget* c : w->findChildren<QWidget*>()) {
            auto it = ByWidget().find(c);
            if (it == ByWidget().end())
                continue;
            QWidget* up = c->parentWidget();
            while (up && up != w && !ByWidget().count(up))
                up = up->parentWidget();
            if (up == w) {
                c->hide();
                c->setParent(nullptr);
                it->second->mpImpl->pParent = nullptr;
            }
        }
        delete w;
    }
    for (auto& [n, win] : LiveWindows())
        if (win->mpImpl->pParent == this)
            win->mpImpl->pParent = nullptr;
}

QWidget* Window::GetWidget() const { return mpImpl->pWidget; }

Window* Window::FromWidget(const QWidget* pWidget)
{
    auto it = ByWidget().find(pWidget);
    return it == ByWidget().end() ? nullptr : it->second;
}

unsigned long Window::GetCreationNumber() const { return mpImpl->nNumber; }

std::vector<Window*> Window::GetDescendants(const Window* pAncestor)
{
    std::vector<Window*> out;
    for (auto& [n, w] : LiveWindows()) {
        for (Window* p = w->GetParent(); p; p = p->GetParent())
            if (p == pAncestor) {
                out.push_back(w);
                break;
            }
    }
    return out;
}

Window* Window::GetParent() const { return mpImpl->pParent; }
WinBits Window::GetStyle() const { return mpImpl->nStyle; }

void Window::ApplyResource(const ResEntry& rEntry)
{
    mpImpl->nStyle |= rEntry.nStyle;
    SetPosSizePixel(rEntry.aPos, rEntry.aSize);
    if (!rEntry.aText.IsEmpty())
        SetText(rEntry.aText);
}

void Window::CopyStateFrom(const Window& r)
{
    maPen = r.maPen;
    maFillBrush = r.maFillBrush;
    ChangeBackgroundBrush(r.maBackBrush);
    ChangeFont(r.maFont);
    mpImpl->aPos = r.mpImpl->aPos;
    mpImpl->aSize = r.mpImpl->aSize;
    ApplyGeometry();
    SetText(r.GetText());
    Enable(r.IsEnabled());
    EnableDrop(r.IsDropEnabled());
    mpImpl->aStartDragHdl = r.mpImpl->aStartDragHdl;
    mpImpl->aEndDragHdl = r.mpImpl->aEndDragHdl;
    Show(r.IsVisible());
}

void Window::ApplyGeometry()
{
    QWidget* w = mpImpl->pWidget;
    if (!w)
        return;
    mpImpl->bInGeometry = true;
    w->move(mpImpl->aPos.X(), mpImpl->aPos.Y());
    w->resize(std::max<int>(0, mpImpl->aSize.Width()), std::max<int>(0, mpImpl->aSize.Height()));
    mpImpl->bInGeometry = false;
}

Point Window::GetPosPixel() const { return mpImpl->aPos; }

void Window::SetPosPixel(const Point& rPos)
{
    mpImpl->aPos = rPos;
    ApplyGeometry();
}

Point Window::ChangePosPixel(const Point& rPos)
{
    Point old = mpImpl->aPos;
    SetPosPixel(rPos);
    return old;
}

Size Window::GetSizePixel() const { return mpImpl->aSize; }

void Window::SetSizePixel(const Size& rSize)
{
    mpImpl->aSize = rSize;
    ApplyGeometry();
}

Size Window::ChangeSizePixel(const Size& rSize)
{
    Size old = mpImpl->aSize;
    SetSizePixel(rSize);
    return old;
}

void Window::SetPosSizePixel(const Point& rPos, const Size& rSize)
{
    mpImpl->aPos = rPos;
    mpImpl->aSize = rSize;
    ApplyGeometry();
}

Size Window::GetOutputSizePixel() const { return mpImpl->aSize; }

void Window::SetText(const String& rText)
{
    mpImpl->aText = rText;
    if (mpImpl->pWidget && mpImpl->pWidget->isWindow())
        mpImpl->pWidget->setWindowTitle(svqt::ToQ(rText));
}

String Window::GetText() const { return mpImpl->aText; }

void Window::Show(bool bVisible)
{
    mpImpl->bVisible = bVisible;
    if (QWidget* w = mpImpl->pWidget)
        w->setVisible(bVisible);
}

bool Window::IsVisible() const { return mpImpl->bVisible; }

void Window::Enable(bool bEnable)
{
    mpImpl->bEnabled = bEnable;
    if (QWidget* w = mpImpl->pWidget)
        w->setEnabled(bEnable);
}

bool Window::IsEnabled() const { return mpImpl->bEnabled; }

void Window::Invalidate()
{
    mpImpl->aOverlay = QImage();
    if (QWidget* w = mpImpl->pWidget)
        w->update();
}

void Window::Update()
{
    if (QWidget* w = mpImpl->pWidget)
        if (w->isVisible())
            w->repaint();
}

void Window::ToTop()
{
    if (QWidget* w = mpImpl->pWidget) {
        w->raise();
        w->activateWindow();
    }
}

void Window::GrabFocus()
{
    if (QWidget* w = mpImpl->pWidget)
        w->setFocus(Qt::OtherFocusReason);
}

bool Window::HasFocus() const { return mpImpl->pWidget && mpImpl->pWidget->hasFocus(); }

Brush Window::ChangeBackgroundBrush(const Brush& rBrush)
{
    Brush old = OutputDevice::ChangeBackgroundBrush(rBrush);
    if (QWidget* w = mpImpl->pWidget) {
        if (rBrush.GetStyle() == BRUSH_NULL) {
            w->setAutoFillBackground(false);
        } else {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Window, svqt::ToQ(rBrush.GetColor()));
            w->setPalette(pal);
            w->setAutoFillBackground(true);
        }
        w->update();
    }
    return old;
}

Font Window::ChangeFont(const Font& rFont)
{
    Font old = OutputDevice::ChangeFont(rFont);
    if (QWidget* w = mpImpl->pWidget)
        w->setFont(svqt::ToQ(rFont));
    return old;
}

QFont Window::GetQFont() const
{
    if (QWidget* w = mpImpl->pWidget)
        return w->font();
    return OutputDevice::GetQFont();
}

QPainter* Window::BeginDraw()
{
    WindowImpl& d = *mpImpl;
    if (auto* sv = dynamic_cast<SvWidget*>(d.pWidget.data()))
        if (sv->mpActive)
            return sv->mpActive;
    if (!d.pWidget || d.aSize.Width() <= 0 || d.aSize.Height() <= 0)
        return nullptr;
    if (d.aOverlay.isNull() || d.aOverlay.width() != d.aSize.Width() || d.aOverlay.height() != d.aSize.Height()) {
        d.aOverlay = QImage(d.aSize.Width(), d.aSize.Height(), QImage::Format_ARGB32_Premultiplied);
        d.aOverlay.fill(Qt::transparent);
    }
    d.pOverlayPainter = new QPainter(&d.aOverlay);
    return d.pOverlayPainter;
}

void Window::EndDraw(QPainter* p)
{
    WindowImpl& d = *mpImpl;
    if (p && p == d.pOverlayPainter) {
        p->end();
        delete p;
        d.pOverlayPainter = nullptr;
        if (d.pWidget)
            d.pWidget->update();
    }
}

void Window::EnableDrop(bool bEnable)
{
    mpImpl->bDrop = bEnable;
    if (QWidget* w = mpImpl->pWidget)
        w->setAcceptDrops(bEnable);
}

bool Window::IsDropEnabled() const { return mpImpl->bDrop; }
void Window::ChangeStartDragHdl(const Link& rLink) { mpImpl->aStartDragHdl = rLink; }
void Window::ChangeEndDragHdl(const Link& rLink) { mpImpl->aEndDragHdl = rLink; }
const Link& Window::GetStartDragHdl() const { return mpImpl->aStartDragHdl; }
const Link& Window::GetEndDragHdl() const { return mpImpl->aEndDragHdl; }

bool Window::ExecuteDrag(Window* pTarget)
{
    unsigned short nAction = DROP_COPY;
    if (!StartDragAction(&nAction))
        return false;
    bool bDropped = false;
    bool headless = QGuiApplication::platformName() == "offscreen" || QGuiApplication::platformName() == "minimal";
    if (pTarget) {
        DropEvent q(Point(0, 0), nAction);
        if (pTarget->IsDropEnabled() && pTarget->QueryDrop(q))
            bDropped = pTarget->Drop(DropEvent(Point(0, 0), nAction));
    } else if (!headless && mpImpl->pWidget) {
        auto* drag = new QDrag(mpImpl->pWidget);
        auto* mime = new QMimeData;
        QString text;
        for (unsigned short i = 0; i < DragServer::GetItemCount(); ++i)
            text += svqt::ToQ(DragServer::PasteString(i));
        mime->setText(text);
        for (const String& format : DragServer::GetDataFormats())
            mime->setData(svqt::ToQ(format), QByteArray::fromStdString(DragServer::PasteData(format).str()));
        drag->setMimeData(mime);
        bDropped = drag->exec(Qt::CopyAction | Qt::MoveAction) != Qt::IgnoreAction;
    }
    DropAction aResult(nAction, bDropped);
    EndDragAction(&aResult);
    return true;
}

void Window::MouseMove(const MouseEvent&) {}
void Window::MouseButtonDown(const MouseEvent&) {}
void Window::MouseButtonUp(const MouseEvent&) {}
void Window::KeyInput(const KeyEvent&) {}
void Window::Paint(const Rectangle&) {}
void Window::Resize() {}
void Window::Move() {}
void Window::GetFocus() {}
void Window::LoseFocus() {}
void Window::RequestHelp() {}
bool Window::Drop(const DropEvent&) { return false; }
bool Window::QueryDrop(DropEvent&) { return mpImpl->bDrop; }

long Window::StartDragAction(unsigned short* pAction)
{
    return mpImpl->aStartDragHdl.IsSet() ? mpImpl->aStartDragHdl.Call(pAction) : 0;
}

long Window::EndDragAction(DropAction* pAction)
{
    return mpImpl->aEndDragHdl.IsSet() ? mpImpl->aEndDragHdl.Call(pAction) : 0;
}

Bitmap Window::GetSnapshot() const
{
    QWidget* w = mpImpl->pWidget;
    if (!w)
        return Bitmap();
    w->ensurePolished();
    return Bitmap(w->grab().toImage());
}

bool Window::SaveAsPng(const String& rPath) const
{
    Bitmap b = GetSnapshot();
    return !b.IsEmpty() && b.Save(rPath.GetStr());
}

void Control::GetFocus() {}
void Control::LoseFocus() {}

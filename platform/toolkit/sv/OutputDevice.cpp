#include "sv/OutputDevice.hpp"

#include "sv/QtConvert.hpp"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace svqt {

QPen ToQ(const Pen& p)
{
    if (p.GetStyle() == PEN_NULL)
        return QPen(Qt::NoPen);
    QPen q(ToQ(p.GetColor()));
    q.setWidth(p.GetWidth() <= 1 ? 1 : p.GetWidth());
    q.setStyle(p.GetStyle() == PEN_DOT ? Qt::DotLine : p.GetStyle() == PEN_DASH ? Qt::DashLine : Qt::SolidLine);
    q.setCapStyle(Qt::SquareCap);
    q.setJoinStyle(Qt::MiterJoin);
    return q;
}

QBrush ToQ(const Brush& b)
{
    if (b.GetStyle() == BRUSH_NULL)
        return QBrush(Qt::NoBrush);
    return QBrush(ToQ(b.GetColor()));
}

QFont ToQ(const Font& f)
{
    QFont q = QApplication::font();
    if (!f.GetName().IsEmpty())
        q.setFamily(ToQ(f.GetName()));
    if (f.GetPitch() == PITCH_FIXED) {
        q.setStyleHint(QFont::Monospace);
        q.setFixedPitch(true);
    }
    if (f.GetSize().Height() > 0)
        q.setPixelSize(f.GetSize().Height());
    q.setBold(f.GetWeight() == WEIGHT_BOLD);
    q.setItalic(f.IsItalic());
    return q;
}

Font FromQ(const QFont& q)
{
    int px = q.pixelSize() > 0 ? q.pixelSize() : QFontMetrics(q).height();
    Font f(FromQ(q.family()), Size(0, px));
    f.ChangeWeight(q.bold() ? WEIGHT_BOLD : WEIGHT_NORMAL);
    f.ChangeItalic(q.italic());
    if (q.fixedPitch())
        f.ChangePitch(PITCH_FIXED);
    return f;
}

} // namespace svqt

Pen OutputDevice::ChangePen(const Pen& rPen)
{
    Pen old = maPen;
    maPen = rPen;
    return old;
}

Brush OutputDevice::ChangeFillInBrush(const Brush& rBrush)
{
    Brush old = maFillBrush;
    maFillBrush = rBrush;
    return old;
}

Brush OutputDevice::ChangeBackgroundBrush(const Brush& rBrush)
{
    Brush old = maBackBrush;
    maBackBrush = rBrush;
    return old;
}

Font OutputDevice::ChangeFont(const Font& rFont)
{
    Font old = maFont;
    maFont = rFont;
    return old;
}

QFont OutputDevice::GetQFont() const
{
    return svqt::ToQ(maFont);
}

Size OutputDevice::GetTextSize(const String& rText) const
{
    if (!QCoreApplication::instance())
        return Size();
    QFontMetrics fm(GetQFont());
    QSize s = fm.size(0, svqt::ToQ(rText));
    return Size(s.width(), s.height());
}

void OutputDevice::DrawLine(const Point& rFrom, const Point& rTo)
{
    QPainter* p = BeginDraw();
    if (!p)
        return;
    p->setPen(svqt::ToQ(maPen));
    p->drawLine(rFrom.X(), rFrom.Y(), rTo.X(), rTo.Y());
    EndDraw(p);
}

void OutputDevice::DrawRect(const Rectangle& rRect)
{
    QPainter* p = BeginDraw();
    if (!p)
        return;
    int l = rRect.Left(), t = rRect.Top(), w = rRect.Right() - l + 1, h = rRect.Bottom() - t + 1;
    if (w > 0 && h > 0) {
        if (maFillBrush.GetStyle() != BRUSH_NULL)
            p->fillRect(QRect(l, t, w, h), svqt::ToQ(maFillBrush));
        if (maPen.GetStyle() != PEN_NULL) {
            p->setPen(svqt::ToQ(maPen));
            p->setBrush(Qt::NoBrush);
            p->drawRect(QRect(l, t, w - 1, h - 1));
        }
    }
    EndDraw(p);
}

void OutputDevice::DrawText(const Point& rPos, const String& rText)
{
    QPainter* p = BeginDraw();
    if (!p)
        return;
    p->setPen(svqt::ToQ(maPen.GetStyle() == PEN_NULL ? Pen(Color(COL_BLACK)) : maPen));
    p->setFont(GetQFont());
    QFontMetrics fm(p->font());
    p->drawText(rPos.X(), rPos.Y() + fm.ascent(), svqt::ToQ(rText));
    EndDraw(p);
}

void OutputDevice::DrawBitmap(const Point& rPos, const Bitmap& rBitmap)
{
    QPainter* p = BeginDraw();
    if (!p)
        return;
    p->drawImage(rPos.X(), rPos.Y(), rBitmap.GetImage());
    EndDraw(p);
}

void OutputDevice::DrawBitmap(const Point& rPos, const Size& rSize, const Bitmap& rBitmap)
{
    QPainter* p = BeginDraw();
    if (!p)
        return;
    p->drawImage(QRect(rPos.X(), rPos.Y(), rSize.Width(), rSize.Height()), rBitmap.GetImage());
    EndDraw(p);
}

#include "qel/WindowPlacer.hpp"

#include "sv/Window.hpp"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

WindowPlacer::WindowPlacer(Window* pParent, Window* pDialog, int nMode)
{
    if (!pDialog || (nMode != 0 && nMode != 1))
        return;
    QRect area(0, 0, 1024, 768);
    if (QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    QRect parent = area;
    if (pParent && pParent->GetWidget()) {
        QWidget* w = pParent->GetWidget();
        parent = QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    }
    Size sz = pDialog->GetSizePixel();
    int x = parent.left(), y = parent.top();
    if (nMode == 1) {
        x += (parent.width() - sz.Width()) / 2;
        y += (parent.height() - sz.Height()) / 2;
    }
    x = std::max(area.left(), std::min(x, area.right() + 1 - sz.Width()));
    y = std::max(area.top(), std::min(y, area.bottom() + 1 - sz.Height()));
    pDialog->SetPosPixel(Point(x, y));
}

#include "AppResources.hpp"

#include "sv/Bitmap.hpp"
#include "sv/ResMgr.hpp"

#include <QPainter>

namespace vxn {

namespace {

constexpr unsigned short RID_INSTRUMENT_KEY = 2238;

// A round push key seen from above, drawn rather than loaded so that the
// program needs no image files.
QImage KeyPicture()
{
    QImage img(24, 24, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(200, 200, 200));
    p.drawRoundedRect(QRectF(2, 2, 20, 20), 4, 4);
    p.setBrush(QColor(40, 120, 200));
    p.drawEllipse(QRectF(7, 7, 10, 10));
    return img;
}

} // namespace

void RegisterAppResources()
{
    static bool bDone = false;
    if (bDone)
        return;
    bDone = true;
    ResEntry e;
    e.eType = RSC_BITMAP;
    e.nId = RID_INSTRUMENT_KEY;
    e.aBitmap = Bitmap(KeyPicture());
    e.aModule = String("vxn");
    ResMgr::Get()->Register(e);
}

} // namespace vxn

// Conversions between the toolkit's value types and Qt's. Used inside the
// toolkit and by Qt code of the utility library; keeps Qt out of the
// toolkit's public headers.
#pragma once

#include "sv/Brush.hpp"
#include "sv/Font.hpp"
#include "sv/Pen.hpp"
#include "sv/String.hpp"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPen>
#include <QString>

namespace svqt {

inline QString ToQ(const String& s) { return QString::fromUtf8(s.str().data(), static_cast<qsizetype>(s.str().size())); }
inline String FromQ(const QString& s) { return String(s.toUtf8().toStdString()); }
inline QColor ToQ(const Color& c) { return QColor(c.GetRed(), c.GetGreen(), c.GetBlue()); }
inline Color FromQ(const QColor& c)
{
    return Color(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}
QPen ToQ(const Pen& p);
QBrush ToQ(const Brush& b);
// The Qt font for a toolkit font; a default font gives the application font.
QFont ToQ(const Font& f);
Font FromQ(const QFont& f);

} // namespace svqt

#include "qel/MyPrinter.hpp"

#include "sv/QtConvert.hpp"

#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace {
// One device unit is a tenth of a millimetre: 254 units per inch.
constexpr int RESOLUTION = 254;
constexpr int MARGIN = 200;
constexpr int PAGE_HEIGHT = 2970;
} // namespace

MyPrinter::MyPrinter(const String& rPdfPath) : maPath(rPdfPath.IsEmpty() ? String("printout.pdf") : rPdfPath)
{
    mpWriter = std::make_unique<QPdfWriter>(svqt::ToQ(maPath));
    mpWriter->setResolution(RESOLUTION);
    mpWriter->setPageSize(QPageSize(QPageSize::A4));
    mpWriter->setPageMargins(QMarginsF(0, 0, 0, 0));
    mpWriter->setCreator(QStringLiteral("QelVXN"));
    mpPainter = std::make_unique<QPainter>();
    if (!mpPainter->begin(mpWriter.get())) {
        mpPainter.reset();
        return;
    }
    ChangeFont(Font(String("DejaVu Sans"), Size(0, 40)));
}

MyPrinter::~MyPrinter() { End(); }

bool MyPrinter::End()
{
    if (!mpPainter)
        return false;
    bool ok = mpPainter->end();
    mpPainter.reset();
    return ok;
}

void MyPrinter::ChangeFont(const Font& rFont)
{
    if (!mpPainter)
        return;
    QFont f = svqt::ToQ(rFont);
    if (rFont.GetSize().Height() > 0)
        f.setPixelSize(rFont.GetSize().Height());
    mpPainter->setFont(f);
    mnLineHeight = QFontMetrics(f, mpWriter.get()).lineSpacing();
}

void MyPrinter::WriteString(const String& rText, int nX)
{
    maItems.push_back({mnPage, nX, mnY, rText});
    if (!mpPainter)
        return;
    QFontMetrics fm(mpPainter->font(), mpWriter.get());
    mpPainter->drawText(MARGIN + nX, MARGIN + mnY + fm.ascent(), svqt::ToQ(rText));
}

void MyPrinter::WriteLn(int nLines)
{
    mnY += mnLineHeight * (nLines < 1 ? 1 : nLines);
    if (MARGIN + mnY + mnLineHeight > PAGE_HEIGHT - MARGIN)
        NewPage();
}

void MyPrinter::NewPage()
{
    if (mpWriter && mpPainter)
        mpWriter->newPage();
    ++mnPage;
    mnY = 0;
}

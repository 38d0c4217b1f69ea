// The colour swatch: construction, layout of its lines, showing and hiding,
// the invalid state, clicks and drags. Refresh paints the colour and puts the
// texts FarbmusterText writes into the lines.
#include "qelvxn/widgets/Farbmuster.hpp"

#include "qelvxn/value/GPtMesswert.hpp"
#include "qelvxn/widgets/ClickableFixedBitmap.hpp"
#include "qelvxn/widgets/FarbmusterText.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/AppFonts.hpp"
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "sv/DragServer.hpp"
#include "sv/FixedBitmap.hpp"

namespace {

// The labels sit beside the swatch in the swatch's parent window, left-aligned.
constexpr WinBits LABEL_STYLE = WB_LEFT;
// Distance of the text column from the swatch, and the line pitch.
constexpr int COLUMN_GAP = 10;
constexpr int LINE_PITCH = 16;
// The value block ends with a little more room before the condition line.
constexpr int VALUE_BLOCK_GAP = 20;
constexpr int TITLE_GAP = 5;

Window* ParentOf(FixedBitmap* pSwatch) { return pSwatch ? pSwatch->GetParent() : nullptr; }

} // namespace

Farbmuster::Farbmuster(const String& rTitel, FixedBitmap* pSwatch, unsigned char bValues, unsigned char bCondition,
                       unsigned char bDifference, unsigned char bDifferenceLine)
    : maWert1(ParentOf(pSwatch), LABEL_STYLE), maWert2(ParentOf(pSwatch), LABEL_STYLE),
      maWert3(ParentOf(pSwatch), LABEL_STYLE), maBedingung(ParentOf(pSwatch), LABEL_STYLE),
      maDifferenz(ParentOf(pSwatch), LABEL_STYLE), maTitel(ParentOf(pSwatch), LABEL_STYLE), mpSwatch(pSwatch),
      mbValues(bValues), mbCondition(bCondition), mbDifference(bDifference), mbDifferenceLine(bDifferenceLine)
{
    Init(ParentOf(pSwatch));
    SetTitel(rTitel);
    maTitel.Hide();
}

Farbmuster::Farbmuster(const String& rTitel, FixedBitmap* pSwatch, const Spectrum& rSpectrum, unsigned char bValues,
                       unsigned char bCondition, unsigned char bDifference, unsigned char bDifferenceLine)
    : Farbmuster(rTitel, pSwatch, bValues, bCondition, bDifference, bDifferenceLine)
{
    ZeigeSpektrum(rSpectrum);
}

Farbmuster::Farbmuster(const String& rTitel, FixedBitmap* pSwatch, const LABVector& rLab, unsigned char bValues,
                       unsigned char bCondition, unsigned char bDifference, unsigned char bDifferenceLine)
    : Farbmuster(rTitel, pSwatch, bValues, bCondition, bDifference, bDifferenceLine)
{
    ZeigeLAB(rLab);
}

Farbmuster::Farbmuster(const String& rTitel, Window* pParent, const Point& rPos, const Size& rSize,
                       unsigned char bValues, unsigned char bCondition, unsigned char bDifference,
                       unsigned char bDifferenceLine)
    : maWert1(pParent, LABEL_STYLE), maWert2(pParent, LABEL_STYLE), maWert3(pParent, LABEL_STYLE),
      maBedingung(pParent, LABEL_STYLE), maDifferenz(pParent, LABEL_STYLE), maTitel(pParent, LABEL_STYLE),
      mpOwnSwatch(std::make_unique<ClickableFixedBitmap>(pParent, WB_BORDER)), mbValues(bValues),
      mbCondition(bCondition), mbDifference(bDifference), mbDifferenceLine(bDifferenceLine)
{
    mpSwatch = mpOwnSwatch.get();
    mpSwatch->SetPosSizePixel(rPos, rSize);
    mpSwatch->Show();
    mpSwatch->Enable();
    Init(mpSwatch);
    SetTitel(rTitel);
    maTitel.Hide();
}

Farbmuster::Farbmuster(const Farbmuster& r)
    : maWert1(r.maWert1), maWert2(r.maWert2), maWert3(r.maWert3), maBedingung(r.maBedingung),
      maDifferenz(r.maDifferenz), maTitel(r.maTitel)
{
    CopyFrom(r);
}

Farbmuster& Farbmuster::operator=(const Farbmuster& r)
{
    if (this != &r) {
        maWert1 = r.maWert1;
        maWert2 = r.maWert2;
        maWert3 = r.maWert3;
        maBedingung = r.maBedingung;
        maDifferenz = r.maDifferenz;
        maTitel = r.maTitel;
        mpOwnSwatch.reset();
        mpDragServer.reset();
        CopyFrom(r);
    }
    return *this;
}

// Members go in reverse order: the drag server, then the owned swatch (whose
// drag handlers point here), the labels last.
Farbmuster::~Farbmuster() = default;

void Farbmuster::CopyFrom(const Farbmuster& r)
{
    maCondition = r.maCondition;
    meFormel = r.meFormel;
    maReference = r.maReference;
    mbHasReference = r.mbHasReference;
    maSample = r.maSample;
    mbHasSpectrum = r.mbHasSpectrum;
    maLab = r.maLab;
    mbHasLab = r.mbHasLab;
    // The swatch window is shared, never owned twice: the original keeps it
    // and its drag handlers.
    mpSwatch = r.mpSwatch;
    mbValues = r.mbValues;
    mbCondition = r.mbCondition;
    mbDifference = r.mbDifference;
    mbDifferenceLine = r.mbDifferenceLine;
    maStartDragHdl = r.maStartDragHdl;
}

const FixedText& Farbmuster::GetLine(int nLine) const
{
    switch (nLine) {
    case 0: return maWert1;
    case 1: return maWert2;
    case 2: return maWert3;
    case 3: return maBedingung;
    case 4: return maDifferenz;
    default: return maTitel;
    }
}

void Farbmuster::Init(Window* pWindow)
{
    if (mpSwatch) {
        mpSwatch->EnableDrop(true);
        mpSwatch->ChangeStartDragHdl(LINK(this, Farbmuster, StartDragAction));
        mpSwatch->ChangeEndDragHdl(LINK(this, Farbmuster, EndDragAction));
    }
    meFormel = CTYPE_LAB;

    Brush aBrush = pWindow ? pWindow->GetBackgroundBrush() : Brush();
    const Font& rFixed = AppFonts::Instance()->GetFixedAppFont();
    // The numbers stand in columns: the value and difference lines use the
    // fixed-pitch font, the condition line and the title keep their own.
    for (FixedText* p : {&maDifferenz, &maWert1, &maWert2, &maWert3})
        p->ChangeFont(rFixed);
    for (FixedText* p : {&maDifferenz, &maWert1, &maWert2, &maWert3, &maBedingung, &maTitel})
        p->ChangeBackgroundBrush(aBrush);
    Layout();
}

// Lines whose flags are off keep their place: they are never shown.
void Farbmuster::Layout()
{
    if (!mpSwatch)
        return;
    Point aPos = mpSwatch->GetPosPixel();
    const int x = aPos.X() + mpSwatch->GetSizePixel().Width() + COLUMN_GAP;
    int t = aPos.Y();
    if (mbDifference && mbDifferenceLine) {
        maDifferenz.ChangePosPixel(Point(x, t));
        t += LINE_PITCH;
    }
    if (mbValues) {
        maWert1.ChangePosPixel(Point(x, t));
        t += LINE_PITCH;
        maWert2.ChangePosPixel(Point(x, t));
        t += LINE_PITCH;
        maWert3.ChangePosPixel(Point(x, t));
        t += VALUE_BLOCK_GAP;
    }
    if (mbCondition)
        maBedingung.ChangePosPixel(Point(x, t));
    const int h = maTitel.GetTextSize(String("Titel")).Height();
    maTitel.ChangePosPixel(Point(aPos.X(), aPos.Y() - (h + TITLE_GAP)));
}

void Farbmuster::ZeigeSpektrum(const Spectrum& rSpectrum)
{
    maSample = rSpectrum;
    mbHasSpectrum = true;
    mbHasLab = false;
    Refresh();
}

void Farbmuster::ZeigeLAB(const LABVector& rLab)
{
    maLab = rLab;
    mbHasLab = true;
    mbHasSpectrum = false;
    Refresh();
}

void Farbmuster::ReferenzSpektrum(const Spectrum& rReference)
{
    maReference = rReference;
    mbHasReference = true;
}

void Farbmuster::SetFormel(CType eFormel)
{
    const bool bFormelChanged = eFormel != meFormel;
    MeasuringCondition aNow = CMetry::GetMeasuringConditions();
    const bool bConditionChanged = !(aNow == maCondition);
    meFormel = eFormel;
    maCondition = aNow;
    if ((bFormelChanged || bConditionChanged) && mbValues && (mbHasSpectrum || mbHasLab))
        Refresh();
}

void Farbmuster::SetTitel(const String& rTitel)
{
    maTitel.ChangeSizePixel(maTitel.GetTextSize(rTitel));
    maTitel.SetText(rTitel);
    maTitel.Show();
}

void Farbmuster::Show()
{
    if (mbHasSpectrum || mbHasLab) {
        maWert1.Show(mbValues);
        maWert2.Show(mbValues);
        maWert3.Show(mbValues);
        maBedingung.Show(mbCondition);
        maDifferenz.Show(mbDifference && mbDifferenceLine);
    }
    maTitel.Show();
    if (mpSwatch)
        mpSwatch->Show();
}

void Farbmuster::Hide()
{
    for (FixedText* p : {&maWert1, &maWert2, &maWert3, &maBedingung, &maDifferenz, &maTitel})
        p->Hide();
    if (mpSwatch)
        mpSwatch->Hide();
}

Point Farbmuster::ChangePosPixel(const Point& rPos)
{
    if (!mpSwatch)
        return Point();
    Point aOld = mpSwatch->ChangePosPixel(rPos);
    Layout();
    return aOld;
}

void Farbmuster::SetToInvalid(bool bMark)
{
    for (FixedText* p : {&maWert1, &maWert2, &maWert3, &maBedingung, &maDifferenz})
        p->Hide();
    if (mpSwatch) {
        mpSwatch->ChangeBackgroundBrush(Brush(Color(COL_WHITE)));
        if (bMark) {
            Size s = mpSwatch->GetSizePixel();
            const int cx = s.Width() / 2, cy = s.Height() / 2;
            mpSwatch->DrawLine(Point(cx - 3, cy), Point(cx + 3, cy));
        }
    }
    mbHasSpectrum = false;
    mbHasLab = false;
    Refresh();
}

void Farbmuster::ChangeClickHdl(const Link& rLink)
{
    if (auto* p = dynamic_cast<ClickableFixedBitmap*>(mpSwatch))
        p->ChangeClickHdl(rLink);
}

// Paints the colour and writes the lines; which conversions make each line
// is FarbmusterText's business.
void Farbmuster::Refresh()
{
    if (!mpSwatch)
        return;
    if (mbHasSpectrum)
        mpSwatch->ChangeBackgroundBrush(ColorConverter::SpectrumToBrush(maSample));
    else if (mbHasLab)
        mpSwatch->ChangeBackgroundBrush(ColorConverter::LabToBrush(maLab));
    mpSwatch->Invalidate();
    mpSwatch->Update();

    const bool bColour = mbHasSpectrum || mbHasLab;
    if (bColour) {
        FarbmusterText::Farbe aFarbe;
        aFarbe.pSample = mbHasSpectrum ? &maSample : nullptr;
        aFarbe.pLab = mbHasLab ? &maLab : nullptr;
        aFarbe.pReference = mbHasReference ? &maReference : nullptr;

        if (mbValues) {
            FixedText* aLines[3] = {&maWert1, &maWert2, &maWert3};
            String aMass = FarbmusterText::WerteMass(mbHasReference);
            for (FixedText* p : aLines)
                p->ChangeSizePixel(p->GetTextSize(aMass));
            FarbmusterText::Werte aWerte = FarbmusterText::WerteZeilen(meFormel, aFarbe);
            if (aWerte.bWritten)
                for (int i = 0; i < 3; ++i)
                    aLines[i]->SetText(aWerte.aZeile[i]);
            if (mbCondition) {
                maBedingung.ChangeSizePixel(maBedingung.GetTextSize(FarbmusterText::BedingungsMass()));
                bool bCustom = false;
                String aText = FarbmusterText::BedingungsZeile(aWerte.aCondition, bCustom);
                if (bCustom)
                    maBedingung.ChangeSizePixel(maBedingung.GetTextSize(aText));
                maBedingung.SetText(aText);
            }
        }
        if (mbDifference) {
            maDifferenz.ChangeSizePixel(maDifferenz.GetTextSize(FarbmusterText::DifferenzMass()));
            maDifferenz.SetText(FarbmusterText::DifferenzZeile(aFarbe));
        }
    }

    if (bColour) {
        maWert1.Show(mbValues);
        maWert2.Show(mbValues);
        maWert3.Show(mbValues);
        maBedingung.Show(mbCondition);
        maDifferenz.Show(mbDifference && mbDifferenceLine);
    }
    maTitel.Show();
    mpSwatch->Show();
}

long Farbmuster::StartDragAction(unsigned short* pAction)
{
    if (!mpDragServer)
        mpDragServer = std::make_unique<DragServer>();
    if (pAction)
        *pAction = DROP_COPY;
    DragServer::Clear();
    if (maStartDragHdl.IsSet() && maStartDragHdl.GetInstance())
        return static_cast<unsigned char>(maStartDragHdl.Call(nullptr));

    // The sample spectrum travels even while an L*a*b* value is shown: it is
    // what the value was measured as.
    GPtMesswert aValue;
    aValue.SetMeasuringCondition(maCondition);
    aValue.SetSpectrum(maSample, 0);
    ASCIIFile aFile;
    aFile.SetVersion(2);
    aValue.write(aFile);
    String aText(aFile.GetText());
    DragServer::CopyString(aText);
    DragServer::CopyData(String(MEASVALUE_MIME_TYPE), aText);
    return 1;
}

long Farbmuster::EndDragAction(DropAction*)
{
    DragServer::Clear();
    return 1;
}

#include "qelvxn/backends/MeasurementSimulation.hpp"

#include "qel/AppDir.hpp"
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/Text.hpp"
#include "qel/WindowPlacer.hpp"
#include "sv/Brush.hpp"
#include "sv/Pen.hpp"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

// Window styles of the dialog and its controls.
constexpr WinBits DIALOG_STYLE = 36;
constexpr WinBits OK_STYLE = 256;  // the default button
constexpr WinBits CANCEL_STYLE = 0;
constexpr WinBits STATUSBAR_STYLE = 1;

// Layout of the pad grid and the dialog, in pixels.
constexpr int PADS_PER_ROW = 16;
constexpr int PAD_SIZE = 20;
constexpr int PAD_STEP = 25;
constexpr int GRID_LEFT = 15;
constexpr int GRID_TOP = 15;
constexpr int DIALOG_WIDTH = 595;
constexpr int DIALOG_MIN_HEIGHT = 150;
constexpr int DIALOG_BASE_HEIGHT = 85;  // buttons' margin and status bar below the grid
constexpr int BUTTON_X = DIALOG_WIDTH - 150;
constexpr int BUTTON_WIDTH = 130;
constexpr int BUTTON_HEIGHT = 30;
constexpr int STATUSBAR_FROM_BOTTOM = 55;
constexpr int STATUSBAR_HEIGHT = 30;
constexpr unsigned short STATUS_ITEM_WIDTH = DIALOG_WIDTH / 2 - 12;
constexpr unsigned short STATUS_ITEM_STYLE = 5;

// Status bar items: 1 the pad under the mouse, 2 the selected pad.
constexpr unsigned short ITEM_HOVER = 1;
constexpr unsigned short ITEM_SELECTED = 2;

// Entries of the text group.
constexpr USHORT TXT_TITLE = 0;
constexpr USHORT TXT_SELECTED = 1;
constexpr USHORT TXT_HOVER = 2;

// Lines are read in pieces of at most 498 characters: a longer line counts
// as two (or more) data lines, both when the pads are built and when a
// chosen pad's line is read back, so the two always agree.
constexpr int LINE_LIMIT = 499;
constexpr int MAX_FIELDS = 100;

TextSegment Texts() { return TextSegment(String("MeasurementSimulation")); }

// atof as in the C locale: leading blanks skipped, the longest prefix that
// forms a number converted, 0 when there is none. The files are written
// with a decimal point whatever the user's locale says, so the runtime's
// locale-dependent atof is not used.
double ParseNumber(const char* p, const char* pEnd)
{
    while (p < pEnd && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    if (p < pEnd && *p == '+')
        ++p;
    double d = 0.0;
    auto res = std::from_chars(p, pEnd, d, std::chars_format::general);
    return res.ec == std::errc() ? d : 0.0;
}

} // namespace

// ---------------------------------------------------------------------------
// ColorPadWindow

ColorPadWindow::ColorPadWindow(Window* pParent, Point aPos, unsigned short nIndex)
    : Window(pParent, WinBits(0)), mnIndex(nIndex)
{
    SetPosSizePixel(aPos, Size(PAD_SIZE, PAD_SIZE));
    ChangeFillInBrush(Brush(BRUSH_NULL));
}

MeasurementSimulation* ColorPadWindow::Dialog() const { return dynamic_cast<MeasurementSimulation*>(GetParent()); }

void ColorPadWindow::MouseMove(const MouseEvent&)
{
    if (MeasurementSimulation* d = Dialog())
        d->PadHovered(this);
}

void ColorPadWindow::MouseButtonDown(const MouseEvent& rEvt)
{
    if (MeasurementSimulation* d = Dialog())
        d->PadClicked(this, rEvt);
}

void ColorPadWindow::Paint(const Rectangle&)
{
    MeasurementSimulation* d = Dialog();
    if (!d || d->GetSelectedPad() != this)
        return;
    // The frame of the selected pad, in black on light colours and in white
    // on dark ones so that it shows on every pad.
    const Color& c = GetBackgroundBrush().GetColor();
    int luma = 299 * c.GetRed() + 587 * c.GetGreen() + 114 * c.GetBlue();
    bool dark = GetBackgroundBrush().GetStyle() != BRUSH_NULL && luma < 128 * 1000;
    ChangePen(Pen(Color(dark ? COL_WHITE : COL_BLACK), 2));
    Size sz = GetOutputSizePixel();
    DrawRect(Rectangle(Point(1, 1), Point(sz.Width() - 1, sz.Height() - 1)));
}

// ---------------------------------------------------------------------------
// MeasurementSimulation

MeasurementSimulation::MeasurementSimulation(Window* pParent)
    : ModalDialog(pParent, DIALOG_STYLE),
      maOK(this, OK_STYLE),
      maCancel(this, CANCEL_STYLE),
      maStatusBar(this, STATUSBAR_STYLE)
{
    SetText(Texts().GetText(TXT_TITLE));
    maStatusBar.ChangeAlignment(0);
    maStatusBar.Show();
}

MeasurementSimulation::~MeasurementSimulation() { DestroyPads(); }

void MeasurementSimulation::DestroyPads()
{
    mpSelected = nullptr;
    for (int n = 0; n < mnPadCount && n < MAX_PADS; ++n) {
        delete mpPads[n];
        mpPads[n] = nullptr;
    }
    mnPadCount = 0;
}

String MeasurementSimulation::FileName() { return AppDir::GetDataFile(String("SimuSpec.dat")); }

unsigned char MeasurementSimulation::ReadSpectrumLine(FILE* pFile, Spectrum& rSpectrum, String& rName)
{
    if (!pFile)
        return 0;
    char aLine[LINE_LIMIT];
    if (!std::fgets(aLine, LINE_LIMIT, pFile))
        return 0;

    // The line end belongs to no field: without it a TAB before the end of
    // the line is an empty field, and a line without values has none.
    size_t nLen = std::strlen(aLine);
    while (nLen > 0 && (aLine[nLen - 1] == '\n' || aLine[nLen - 1] == '\r'))
        --nLen;
    const char* p = aLine;
    const char* pEnd = aLine + nLen;

    // The name is the text before the first TAB. A line without a TAB is a
    // name alone: it keeps the values the caller initialised.
    const char* pTab = static_cast<const char*>(std::memchr(p, '\t', nLen));
    if (!pTab) {
        rName = String(std::string(p, pEnd));
        return 1;
    }
    rName = String(std::string(p, pTab));

    int nValues = 0;
    int nFields = 0;
    const char* pField = pTab + 1;
    while (nValues < Spectrum::COUNT && nFields < MAX_FIELDS) {
        const char* pNext = static_cast<const char*>(std::memchr(pField, '\t', static_cast<size_t>(pEnd - pField)));
        const char* pFieldEnd = pNext ? pNext : pEnd;
        ++nFields;
        if (pFieldEnd > pField)
            rSpectrum[nValues++] = static_cast<float>(ParseNumber(pField, pFieldEnd));
        if (!pNext)
            break;
        pField = pNext + 1;
    }
    return 1;
}

unsigned char MeasurementSimulation::LoadPads()
{
    FILE* pFile = std::fopen(FileName().GetStr(), "rt");
    if (!pFile)
        return 0;
    char aHeader[LINE_LIMIT];
    if (!std::fgets(aHeader, LINE_LIMIT, pFile)) {
        std::fclose(pFile);
        return 0;
    }

    DestroyPads();
    int x = GRID_LEFT, y = GRID_TOP;
    for (int n = 0; n < MAX_PADS; ++n) {
        Spectrum aSpec;
        aSpec.Init(1.0f);
        String aName;
        if (!ReadSpectrumLine(pFile, aSpec, aName)) {
            // At the end of the file: no pad here, nor after.
            mpPads[n] = nullptr;
            continue;
        }
        auto* pPad = new ColorPadWindow(this, Point(x, y), static_cast<unsigned short>(n + 1));
        mpPads[n] = pPad;
        // A spectrum of zeros stands for a gap in the grid: its place and its
        // line number are kept, but it cannot be seen nor picked by name.
        if (aSpec.Summe() != 0.0) {
            pPad->SetName(aName);
            pPad->ChangeBackgroundBrush(Brush(ColorConverter::ConvertSpectrumToColor(aSpec), BRUSH_SOLID));
            pPad->Show();
        }
        x += PAD_STEP;
        if ((n + 1) % PADS_PER_ROW == 0) {
            y += PAD_STEP;
            x = GRID_LEFT;
        }
        ++mnPadCount;
    }
    std::fclose(pFile);

    ArrangeControls();

    if (mnPadCount > 0) {
        // A random pad is preselected so that OK alone gives a measurement.
        // The pick takes 15 random bits, whatever the runtime's RAND_MAX.
        int k = static_cast<int>((static_cast<long>(std::rand() & 0x7FFF) * mnPadCount) / 32768);
        if (mpPads[k])
            mpPads[k]->MouseButtonDown(MouseEvent());
    }
    return 1;
}

void MeasurementSimulation::ArrangeControls()
{
    int nRows = (mnPadCount + PADS_PER_ROW - 1) / PADS_PER_ROW;
    int nHeight = DIALOG_BASE_HEIGHT + PAD_STEP * nRows;
    if (nHeight < DIALOG_MIN_HEIGHT)
        nHeight = DIALOG_MIN_HEIGHT;
    SetSizePixel(Size(DIALOG_WIDTH, nHeight));

    WindowPlacer(GetParent(), this, 1);

    maOK.SetPosSizePixel(Point(BUTTON_X, 15), Size(BUTTON_WIDTH, BUTTON_HEIGHT));
    maCancel.SetPosSizePixel(Point(BUTTON_X, 55), Size(BUTTON_WIDTH, BUTTON_HEIGHT));
    maOK.Show();
    maCancel.Show();

    maStatusBar.InsertItem(ITEM_HOVER, STATUS_ITEM_WIDTH, 0, STATUS_ITEM_STYLE, 0xFFFF);
    maStatusBar.InsertItem(ITEM_SELECTED, STATUS_ITEM_WIDTH, 0, STATUS_ITEM_STYLE, 0xFFFF);
    maStatusBar.SetPosSizePixel(Point(0, nHeight - STATUSBAR_FROM_BOTTOM), Size(DIALOG_WIDTH, STATUSBAR_HEIGHT));
}

void MeasurementSimulation::PadClicked(ColorPadWindow* pPad, const MouseEvent& rEvt)
{
    if (mpSelected)
        mpSelected->Invalidate();
    mpSelected = pPad;
    pPad->Invalidate();
    maStatusBar.SetItemText(ITEM_SELECTED, Texts().GetText(TXT_SELECTED) + pPad->GetName());
    if (rEvt.GetClicks() >= 2)
        EndDialog(1);
}

void MeasurementSimulation::PadHovered(ColorPadWindow* pPad)
{
    maStatusBar.SetItemText(ITEM_HOVER, Texts().GetText(TXT_HOVER) + pPad->GetName());
}

void MeasurementSimulation::MouseMove(const MouseEvent&) { maStatusBar.SetItemText(ITEM_HOVER, String()); }

unsigned char MeasurementSimulation::SelectSpectrum(float* pValues)
{
    if (!pValues || !LoadPads())
        return 0;
    if (Execute() == 0)
        return 0;
    if (!mpSelected || mpSelected->GetIndex() == 0)
        return 0;

    FILE* pFile = std::fopen(FileName().GetStr(), "rt");
    if (!pFile)
        return 0;
    // Skip the header and the data lines before the chosen one.
    char aLine[LINE_LIMIT];
    for (unsigned n = 0; n < mpSelected->GetIndex(); ++n)
        if (!std::fgets(aLine, LINE_LIMIT, pFile))
            break;

    Spectrum aSpec;
    aSpec.Init(1.0f);
    String aName;
    unsigned char nResult = ReadSpectrumLine(pFile, aSpec, aName);
    for (int i = 0; i < Spectrum::COUNT; ++i)
        pValues[i] = aSpec[i];
    std::fclose(pFile);
    return nResult;
}

void MeasurementSimulation::SimulateMeasurement(Window* pParent, Spectrum& rSpectrum)
{
    float aValues[Spectrum::COUNT];
    for (int i = 0; i < Spectrum::COUNT; ++i)
        aValues[i] = rSpectrum[i];
    {
        // Whatever the dialog ends with, the values left in the array are the
        // measurement: the chosen pad's, or the old ones after Cancel.
        MeasurementSimulation aDialog(pParent);
        aDialog.SelectSpectrum(aValues);
    }
    rSpectrum = Spectrum(CMetry::GetMeasuringConditions().GetPhysicalConditions(), aValues);
}

// ---------------------------------------------------------------------------
// Use without a mouse

std::vector<DialogChoice> MeasurementSimulation::GetChoices()
{
    // Every pad that can be seen, in the order of the grid, picked as with a
    // double-click; its label is the colour's name, so that a terminal user
    // can type the name or the number. Then OK (the preselected pad) and
    // Cancel.
    std::vector<DialogChoice> out;
    for (int n = 0; n < mnPadCount; ++n) {
        ColorPadWindow* pPad = mpPads[n];
        if (!pPad || !pPad->IsVisible())
            continue;
        String aLabel = pPad->GetName();
        if (aLabel.IsEmpty())
            aLabel = String("#") + String(static_cast<int>(pPad->GetIndex()));
        out.push_back({aLabel, [this, pPad] { PadClicked(pPad, MouseEvent(Point(), 2, MOUSE_LEFT)); }, false});
    }
    for (DialogChoice& c : ModalDialog::GetChoices())
        out.push_back(std::move(c));
    return out;
}

String MeasurementSimulation::GetDescription()
{
    String s = GetText();
    String aSelected = maStatusBar.GetItemText(ITEM_SELECTED);
    if (!aSelected.IsEmpty())
        s += String("\n") + aSelected;
    return s;
}

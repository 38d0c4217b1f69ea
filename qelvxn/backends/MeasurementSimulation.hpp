// The measurement simulator: stands in for an instrument. While the library's
// simulator switch is on, every measurement opens this dialog, which shows a
// grid of colour pads, one for each spectrum stored in "SimuSpec.dat" (in the
// application's data folder). The user picks a pad (click and OK, or
// double-click); its spectrum becomes the measured spectrum.
//
// SimuSpec.dat: line 1 a header; lines 2 to 241 one colour each: the name, a
// TAB, then the spectrum values separated by TABs (empty fields skipped,
// missing values left at 1.0, values after the 36th ignored). A line without
// a TAB is a name alone and keeps the values 1.0 (a white pad); a line whose
// values are all 0 leaves an invisible gap in the grid.
#pragma once

#include "qel/Spectrum.hpp"
#include "sv/ModalDialog.hpp"
#include "sv/PushButton.hpp"
#include "sv/StatusBar.hpp"
#include "sv/Window.hpp"

#include <cstdio>

class MeasurementSimulation;

// One pad: a 20 x 20 window in the colour of its spectrum. Only the selected
// pad draws a frame.
class ColorPadWindow : public Window {
public:
    ColorPadWindow(Window* pParent, Point aPos, unsigned short nIndex);

    unsigned short GetIndex() const { return mnIndex; }
    const String& GetName() const { return maName; }
    void SetName(const String& r) { maName = r; }

    void MouseMove(const MouseEvent& rEvt) override;
    void MouseButtonDown(const MouseEvent& rEvt) override;
    void Paint(const Rectangle& rRect) override;

private:
    MeasurementSimulation* Dialog() const;

    unsigned short mnIndex;  // 1-based number of its data line
    String maName;           // empty for a pad whose spectrum sums to 0
};

class MeasurementSimulation : public ModalDialog {
public:
    static constexpr int MAX_PADS = 240;

    explicit MeasurementSimulation(Window* pParent);
    ~MeasurementSimulation() override;

    // Reads the file and builds, colours and places the pads; 0 when the file
    // cannot be opened or has no first line.
    unsigned char LoadPads();
    // Sizes the dialog and places buttons and status bar.
    void ArrangeControls();
    // Runs the dialog and writes the chosen spectrum's 36 values.
    unsigned char SelectSpectrum(float* pValues);
    // Parses the next data line of the file into the spectrum and the name.
    static unsigned char ReadSpectrumLine(FILE* pFile, Spectrum& rSpectrum, String& rName);
    // The measurement that the library performs in simulator mode: the
    // spectrum gets the chosen values (its old ones after Cancel) on the
    // current physical conditions of the colour mathematics.
    static void SimulateMeasurement(Window* pParent, Spectrum& rSpectrum);

    void MouseMove(const MouseEvent& rEvt) override;

    // Without a mouse (terminal, --yes): every visible pad is a choice named
    // after its colour (picking it acts as a double-click), then OK and
    // Cancel; the description names the selected pad.
    std::vector<DialogChoice> GetChoices() override;
    String GetDescription() override;

    // What the pads report (used by ColorPadWindow).
    void PadClicked(ColorPadWindow* pPad, const MouseEvent& rEvt);
    void PadHovered(ColorPadWindow* pPad);

    short GetPadCount() const { return mnPadCount; }
    ColorPadWindow* GetPad(int n) const { return n >= 0 && n < MAX_PADS ? mpPads[n] : nullptr; }
    ColorPadWindow* GetSelectedPad() const { return mpSelected; }
    StatusBar& GetStatusBar() { return maStatusBar; }
    OKButton& GetOKButton() { return maOK; }
    CancelButton& GetCancelButton() { return maCancel; }

    // The file the simulator reads: SimuSpec.dat in the data folder.
    static String FileName();

private:
    void DestroyPads();

    OKButton maOK;
    CancelButton maCancel;
    StatusBar maStatusBar;
    short mnPadCount = 0;
    ColorPadWindow* mpPads[MAX_PADS] = {};
    ColorPadWindow* mpSelected = nullptr;
};

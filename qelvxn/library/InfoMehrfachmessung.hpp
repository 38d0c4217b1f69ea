// InfoMehrfachmessung: the dialog in which VXNLib::Mehrfachmessung averages
// several measurements of one sample.
//
// It counts the measurements, says which of how many comes next, and shows
// the latest single measurement (against the running mean) and the mean as
// two colour swatches. Measurements come from three sources:
//  - the instrument itself, when measuring is triggered at the unit
//    ("VXN"/"MeasAtUnit"): it sends each value unasked as message 43, a
//    MeasValue text of version 2;
//  - the instrument key reported through the scanning table (message 81),
//    switched on with message 82 while the dialog lives and off with 83;
//  - the dialog's Measure button and the key F2, each one SingleMeasure.
// When "VXN"/"MEAN" measurements are in, the dialog closes itself with 1
// and the mean spectrum is the result; OK ends early with the mean so far,
// Cancel or a failed measurement ends with 0.
//
// The handlers of messages 43 and 81 that the dialog replaces are kept and
// put back when it goes, so such dialogs nest. Busy flags drop a
// measurement that arrives while another is being taken or received.
//
// Without a mouse (the terminal, a program's --yes) the dialog offers
// Measure (the default), OK once something is measured, and Cancel, and
// reports each measurement as one line to the responder (DialogNote): which
// of how many, its L*a*b*, the running mean and the spread so far.
#pragma once

#include "qel/GRBitmapButtonBar.hpp"
#include "qel/RegisterTopWindow.hpp"
#include "qel/Spectrum.hpp"
#include "qel/Text.hpp"
#include "qelvxn/library/ModalDialogMEHRFACHMESSUNG.hpp"
#include "qelvxn/widgets/Farbmuster.hpp"
#include "sv/Accelerator.hpp"
#include "sv/Link.hpp"

#include <vector>

class MyMemoryBlock;

class InfoMehrfachmessung : public ModalDialogMEHRFACHMESSUNG, public RegisterTopWindow, public LinkHdl {
public:
    // Ids of the button bar's buttons.
    static constexpr unsigned short BTN_OK = 0x800;
    static constexpr unsigned short BTN_CANCEL = 4;
    static constexpr unsigned short BTN_MEASURE = 0x4000;
    // The accelerator item (and key code, F2) that measures.
    static constexpr unsigned short ACCEL_MEASURE = 0x301;
    // Unsolicited messages: a measured value, the instrument key; the
    // switches of the key report.
    static constexpr unsigned int MSG_MEASURED_VALUE = 43;
    static constexpr unsigned int MSG_KEY = 81;
    static constexpr int MSG_KEY_REPORT_ON = 82;
    static constexpr int MSG_KEY_REPORT_OFF = 83;

    explicit InfoMehrfachmessung(Window* pParent);
    ~InfoMehrfachmessung() override;

    // Adds one measurement to the running mean; the N-th ends the dialog.
    void AddMeasurement(Spectrum& rSpectrum);
    // The mean of the measurements so far, on the physical conditions of
    // the latest one.
    const Spectrum& GetMeanSpectrum() const { return maMean; }
    // The single measurements in the order they came.
    const std::vector<Spectrum>& GetSingles() const { return maSingles; }
    int GetCount() const { return mnCount; }
    int GetMeanCount() const { return mnMeanCount; }

    virtual void HandleAccel(Accelerator* pAccel);

    std::vector<DialogChoice> GetChoices() override;
    String GetDescription() override;

    // ---- for tests and the desktop ------------------------------------------
    GRBitmapButtonBar& GetButtonBar() { return maButtons; }
    Accelerator& GetAccelerator() { return maAccel; }
    const FixedText& GetCounterLine() const { return maCounter; }
    const FixedText& GetHint() const { return maHint; }
    Farbmuster& GetLatestSwatch() { return maLatest; }
    Farbmuster& GetMeanSwatch() { return maMeanSwatch; }

    long OKHdl(void*);
    long CancelHdl(void*);
    long MeasureHdl(void*);
    long MeasValueHdl(MyMemoryBlock* pBlock);
    long AccelSelectHdl(Accelerator* pAccel);

private:
    void ShowCounter();
    // One line for a terminal: measurement k of N, its L*a*b*, the mean and
    // the spread (largest dE*ab of a single measurement from the mean).
    String MeasurementLine() const;
    bool HasTable() const;
    bool MeasuresAtUnit() const;

    TextSegment maTexts;
    Spectrum maSum;
    Spectrum maMean;
    int mnCount = 0;
    int mnMeanCount = 1;
    unsigned char mbBusy = 0;
    Accelerator maAccel;
    unsigned char mbInAccel = 0;
    Link maOldMeasValueHdl;
    Link maOldKeyHdl;
    bool mbOwnsMeasValueHdl = false;
    bool mbOwnsKeyHdl = false;
    bool mbTable = false;  // asked once: the table stays attached while the dialog runs
    GRBitmapButtonBar maButtons;
    Farbmuster maLatest;
    Farbmuster maMeanSwatch;
    std::vector<Spectrum> maSingles;
};

// Farbmuster: a colour swatch inside an application's window. A bitmap
// window painted in the measured colour, a title above it and, to its
// right, up to five lines: the colour difference to a reference, three
// colour values in the chosen formula and the illuminant and observer they
// hold under.
//
// The colour comes as a spectrum (ZeigeSpektrum) or as an L*a*b* value
// (ZeigeLAB). A reference spectrum (ReferenzSpektrum) turns the value lines
// into differences against it from the next refresh on. Four flags, fixed
// at construction, choose the lines: the values, the condition, whether the
// difference is computed, and whether its line is laid out and shown.
//
// The user can drag the colour out of the swatch: the drag carries the
// sample as the text of a "MeasValue" section (file version 2), as plain
// text and under MEASVALUE_MIME_TYPE, so a text editor, another swatch or
// another program of the suite can take it. An application may replace
// that payload with a start-drag handler, and react to a click on a swatch
// it lets the swatch create.
//
// The swatch never owns the parent window; it owns the swatch bitmap only
// when it created it (the constructor with position and size).
#pragma once

#include "qel/ColorVector.hpp"
#include "qel/ConditionTypes.hpp"
#include "qel/MeasuringCondition.hpp"
#include "qel/Spectrum.hpp"
#include "sv/FixedText.hpp"
#include "sv/Link.hpp"

#include <memory>

class ClickableFixedBitmap;
class DragServer;
class DropAction;
class FixedBitmap;

class Farbmuster {
public:
    // The MIME type under which a dragged value travels beside text/plain.
    static constexpr const char* MEASVALUE_MIME_TYPE = "application/x-qelvxn-measvalue";

    // Around a swatch bitmap of the caller's; everything stays hidden.
    Farbmuster(const String& rTitel, FixedBitmap* pSwatch, unsigned char bValues, unsigned char bCondition,
               unsigned char bDifference, unsigned char bDifferenceLine);
    // Shows the spectrum.
    Farbmuster(const String& rTitel, FixedBitmap* pSwatch, const Spectrum& rSpectrum, unsigned char bValues,
               unsigned char bCondition, unsigned char bDifference, unsigned char bDifferenceLine);
    // Shows the L*a*b* value.
    Farbmuster(const String& rTitel, FixedBitmap* pSwatch, const LABVector& rLab, unsigned char bValues,
               unsigned char bCondition, unsigned char bDifference, unsigned char bDifferenceLine);
    // Creates its own clickable swatch under pParent at that place and size
    // (shown and enabled); everything else stays hidden.
    Farbmuster(const String& rTitel, Window* pParent, const Point& rPos, const Size& rSize, unsigned char bValues,
               unsigned char bCondition, unsigned char bDifference, unsigned char bDifferenceLine);
    // A copy has labels of its own and shows what the original shows, on
    // the same swatch bitmap; it owns neither that bitmap nor a drag server,
    // so it must not outlive an original that created its swatch.
    Farbmuster(const Farbmuster& r);
    Farbmuster& operator=(const Farbmuster& r);
    ~Farbmuster();

    void ZeigeSpektrum(const Spectrum& rSpectrum);
    void ZeigeLAB(const LABVector& rLab);
    // Takes effect with the next refresh (ZeigeSpektrum, ZeigeLAB, SetFormel).
    void ReferenzSpektrum(const Spectrum& rReference);
    // Chooses the colour formula (CType) of the value lines and takes the
    // current measuring conditions (CMetry); redraws when either changed.
    void SetFormel(CType eFormel);
    void SetTitel(const String& rTitel);

    void Show();
    void Hide();
    // Moves the swatch with its lines; returns the previous position.
    Point ChangePosPixel(const Point& rPos);
    // No colour: only title and swatch stay, the swatch white; with bMark a
    // short dash is drawn through its middle before it is repainted.
    void SetToInvalid(bool bMark);
    // The handler of a left click on a swatch the Farbmuster created itself.
    void ChangeClickHdl(const Link& rLink);

    // ---- state, for applications and tests --------------------------------
    CType GetFormel() const { return meFormel; }
    const MeasuringCondition& GetCondition() const { return maCondition; }
    bool HasSpectrum() const { return mbHasSpectrum; }
    bool HasLab() const { return mbHasLab; }
    bool HasReference() const { return mbHasReference; }
    FixedBitmap* GetSwatch() const { return mpSwatch; }
    // Line 0 to 2 the values, 3 the condition, 4 the difference, 5 the title.
    const FixedText& GetLine(int nLine) const;

private:
    // The multiple-measurement dialog hands out its averaged value through
    // the start-drag handler; tests reach it the same way.
    friend class InfoMehrfachmessung;
    friend struct FarbmusterProbe;

    void Init(Window* pWindow);
    void Layout();
    void Refresh();
    void SetStartDragActionHdl(const Link& rLink) { maStartDragHdl = rLink; }
    long StartDragAction(unsigned short* pAction);
    long EndDragAction(DropAction* pAction);
    void CopyFrom(const Farbmuster& r);

    FixedText maWert1;
    FixedText maWert2;
    FixedText maWert3;
    FixedText maBedingung;
    FixedText maDifferenz;
    FixedText maTitel;
    MeasuringCondition maCondition;
    CType meFormel = CTYPE_LAB;
    Spectrum maReference;
    bool mbHasReference = false;
    Spectrum maSample;
    bool mbHasSpectrum = false;
    LABVector maLab;
    bool mbHasLab = false;
    FixedBitmap* mpSwatch = nullptr;
    std::unique_ptr<ClickableFixedBitmap> mpOwnSwatch;
    unsigned char mbValues = 0;
    unsigned char mbCondition = 0;
    unsigned char mbDifference = 0;
    unsigned char mbDifferenceLine = 0;
    std::unique_ptr<DragServer> mpDragServer;
    Link maStartDragHdl;
};

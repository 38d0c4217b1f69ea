// FarbmusterText: what the lines of a colour swatch say, apart from the
// painting, so the wording can be checked without pixels.
//
// A swatch shows up to five lines beside the colour: three value lines in a
// colour formula (CType), a condition line naming illuminant and observer,
// and a colour-difference line. With a reference every value line becomes a
// difference against it (its label gains a leading "d") and the difference
// line gives ΔE*ab. The colour mathematics is the utility library's; this
// class decides which conversions are chained per formula, which label goes
// with which component, and how wide each number is.
#pragma once

#include "qel/ConditionTypes.hpp"
#include "qel/MeasuringCondition.hpp"
#include "sv/String.hpp"

class LABVector;
class Spectrum;

class FarbmusterText {
public:
    // The colour a swatch shows and the reference it compares with. At most
    // one of pSample and pLab is set (the spectrum wins when both are);
    // pReference may be null.
    struct Farbe {
        const Spectrum* pSample = nullptr;
        const LABVector* pLab = nullptr;
        const Spectrum* pReference = nullptr;
    };

    // The three value lines and the condition they were computed under.
    struct Werte {
        bool bWritten = false;        // false: the formula has no value lines, keep the old texts
        String aZeile[3];
        MeasuringCondition aCondition;  // default-constructed when not written
    };

    // Whether the formula has value lines (1 Lab, 2 LCh, 11 DIN99 Lab, 12
    // DIN99 LCh).
    static bool IsSupported(CType eFormel);

    // The text every value line is sized to, the widest a line can become:
    // "Lmg= -100.0", with the difference prefix when there is a reference.
    static String WerteMass(bool bReference);
    static Werte WerteZeilen(CType eFormel, const Farbe& rFarbe);

    // The text the condition line is sized to unless it holds custom names.
    static String BedingungsMass();
    // "[illuminant,observer]" of the condition. For an illuminant the
    // instrument cannot describe ("Custom") or an observer without a name,
    // the names stored under ("Illumination", "IlluminantName" /
    // "ObserverName") in the application's configuration; rbCustom tells
    // the caller to size the line to this text.
    static String BedingungsZeile(const MeasuringCondition& rCond, bool& rbCustom);

    // The text the difference line is sized to.
    static String DifferenzMass();
    // "dE=" and ΔE*ab of sample and reference, 0 without a reference.
    static String DifferenzZeile(const Farbe& rFarbe);
};

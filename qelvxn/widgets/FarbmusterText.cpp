// The texts of a colour swatch's lines. Each formula chains the utility
// library's conversions in a fixed order (the DIN99 vectors are reached
// through L*a*b*, the polar ones through their rectangular partner), so a
// swatch shows exactly what the rest of the application computes for the
// same value.
#include "qelvxn/widgets/FarbmusterText.hpp"

#include "qel/AppConfig.hpp"
#include "qel/ColorVector.hpp"
#include "qel/DeltaE.hpp"
#include "qel/GString.hpp"
#include "qel/Spectrum.hpp"
#include "qel/Text.hpp"

namespace {

// Numbers are right-aligned to 6 places, 5 when the "d" of a difference takes
// one, so the columns of a swatch line up either way.
int Width(bool bReference) { return bReference ? 5 : 6; }

String Prefix(bool bReference) { return bReference ? String("d") : String(); }

void Fill(FarbmusterText::Werte& r, const ColorVector& rShown, const MeasuringCondition& rCond, const char* const aLabel[3],
          bool bReference)
{
    for (int i = 0; i < 3; ++i)
        r.aZeile[i] = Prefix(bReference) + aLabel[i] + GString(rShown[i], Width(bReference), 1);
    r.aCondition = rCond;
    r.bWritten = true;
}

LABVector SampleLab(const FarbmusterText::Farbe& r) { return r.pSample ? LABVector(*r.pSample) : *r.pLab; }

} // namespace

bool FarbmusterText::IsSupported(CType eFormel)
{
    return eFormel == CTYPE_LAB || eFormel == CTYPE_LCH || eFormel == CTYPE_LABMG || eFormel == CTYPE_LCHMG;
}

String FarbmusterText::WerteMass(bool bReference) { return Prefix(bReference) + "Lmg= " + GString(-100.0, 6, 1); }

FarbmusterText::Werte FarbmusterText::WerteZeilen(CType eFormel, const Farbe& rFarbe)
{
    Werte r;
    if (!rFarbe.pSample && !rFarbe.pLab)
        return r;
    const bool bRef = rFarbe.pReference != nullptr;
    switch (eFormel) {
    case CTYPE_LAB: {
        static const char* const labels[3] = {"L=", "a=", "b="};
        LABVector v = SampleLab(rFarbe);
        if (bRef)
            v -= LABVector(*rFarbe.pReference);
        Fill(r, v, v.GetCondition(), labels, bRef);
        break;
    }
    case CTYPE_LCH: {
        LChVector v = rFarbe.pSample ? LChVector(*rFarbe.pSample) : LChVector(*rFarbe.pLab);
        if (bRef) {
            // The hue difference is the metric ΔH*, not a difference of
            // angles, hence the upper-case label.
            static const char* const labels[3] = {"L=", "C=", "H="};
            dLCHVector d(LABVector(v), LABVector(LChVector(*rFarbe.pReference)));
            Fill(r, d, v.GetCondition(), labels, true);
        } else {
            static const char* const labels[3] = {"L=", "C=", "h="};
            Fill(r, v, v.GetCondition(), labels, false);
        }
        break;
    }
    case CTYPE_LABMG: {
        static const char* const labels[3] = {"Lmg=", "Amg=", "Bmg="};
        LABmgVector v = rFarbe.pSample ? LABmgVector(LCHmgVector(LABVector(*rFarbe.pSample)))
                                       : LABmgVector(LCHmgVector(*rFarbe.pLab));
        if (bRef)
            v -= LABmgVector(LCHmgVector(LABVector(*rFarbe.pReference)));
        Fill(r, v, v.GetCondition(), labels, bRef);
        break;
    }
    case CTYPE_LCHMG: {
        static const char* const labels[3] = {"Lmg=", "Cmg=", "Hmg="};
        LCHmgVector v = rFarbe.pSample ? LCHmgVector(LABVector(LChVector(*rFarbe.pSample)))
                                       : LCHmgVector(LABVector(LChVector(*rFarbe.pLab)));
        if (bRef)
            v -= LCHmgVector(LABVector(*rFarbe.pReference));
        Fill(r, v, v.GetCondition(), labels, bRef);
        break;
    }
    }
    return r;
}

String FarbmusterText::BedingungsMass() { return String("[D65,10\xC2\xB0] "); }

String FarbmusterText::BedingungsZeile(const MeasuringCondition& rCond, bool& rbCustom)
{
    String aIllum = rCond.GetIllum().GetText();
    String aObserver = rCond.GetObserver().GetText();
    // The German texts may one day name the user-defined illuminant
    // differently; its entry in the text group is recognised as well.
    rbCustom = aIllum == "Custom" || aIllum == TextSegment(String("IllumStrings"))[ILLUM_CUSTOM] || aObserver.IsEmpty();
    if (!rbCustom)
        return "[" + aIllum + "," + aObserver + "]";
    String aText;
    if (AppConfig* pConfig = AppConfig::Instance())
        aText = "[" + pConfig->ReadKey(String("Illumination"), String("IlluminantName"), String()) + "," +
                pConfig->ReadKey(String("Illumination"), String("ObserverName"), String()) + "]";
    return aText;
}

String FarbmusterText::DifferenzMass() { return String("dE=123.4"); }

String FarbmusterText::DifferenzZeile(const Farbe& rFarbe)
{
    float dE = 0.0f;
    if ((rFarbe.pSample || rFarbe.pLab) && rFarbe.pReference)
        dE = DeltaE::CIELAB(SampleLab(rFarbe), LABVector(*rFarbe.pReference));
    return "dE=" + GString(dE, 5, 1);
}

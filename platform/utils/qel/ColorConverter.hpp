// ColorConverter: display colours and colour names of measured values.
//
// A colour value becomes an 8-bit sRGB colour through Little CMS: its
// L*a*b* (relative to the perfect reflector under its own illuminant and
// observer) is turned into XYZ, adapted from that white to D50 with the
// Bradford transform, and converted by the sRGB profile (relative
// colorimetric); components outside the sRGB gamut are clamped to 0..255.
// Spectra are taken under CMetry's current measuring conditions.
#pragma once

#include "sv/Brush.hpp"
#include "sv/Color.hpp"
#include "sv/Size.hpp"
#include "sv/String.hpp"

class Bitmap;
class Spectrum;
class LABVector;

class ColorConverter {
public:
    static Color ConvertSpectrumToColor(const Spectrum& rSpec);
    static Color LabToColor(const LABVector& rLab);
    // sRGB components 0..1 before clamping (outside 0..1 when the colour lies
    // outside the gamut); true when all three are inside.
    static bool LabToRGB(const LABVector& rLab, double aRGB[3]);
    // The 8-bit colour of LabToRGB's components (clamped to 0..1).
    static Color RGBToColor(const double aRGB[3]);
    // L*a*b* (D50) of the display colour, as the colour names are compared in.
    static void LabToDisplayLab(const LABVector& rLab, double aLabD50[3]);

    // Solid brushes of the display colour.
    static Brush SpectrumToBrush(const Spectrum& rSpec);
    static Brush LabToBrush(const LABVector& rLab);

    // A bitmap of that size filled with the display colour (empty bitmap for
    // a size below 1 pixel).
    static Bitmap SpectrumToBitmap(const Spectrum& rSpec, const Size& rSize);
    static Bitmap SpectrumToBitmap(const Spectrum& rSpec, int nWidth, int nHeight);
    static Bitmap LabToBitmap(const LABVector& rLab, const Size& rSize);
    static Bitmap LabToBitmap(const LABVector& rLab, int nWidth, int nHeight);

    // Name of the colour: the entry of the named-colour table
    // (data/colors/named_colors_css.csv) nearest by ΔE*ab to the display
    // colour. An empty text when the table cannot be read.
    static String Farbzuordnung(const Spectrum& rSpec);
    static String Farbzuordnung(const LABVector& rLab);
};

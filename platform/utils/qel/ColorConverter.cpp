#include "qel/ColorConverter.hpp"

#include "qel/AppDir.hpp"
#include "qel/CMetry.hpp"
#include "qel/ColorVector.hpp"
#include "qel/Spectrum.hpp"
#include "sv/Bitmap.hpp"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Little CMS transforms between L*a*b* (D50) and sRGB, made once. Float
// transforms keep no cache, so they may be shared between threads.
struct Transforms {
    cmsHTRANSFORM toRGB = nullptr;
    cmsHTRANSFORM toLab = nullptr;

    Transforms()
    {
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        if (lab && srgb) {
            toRGB = cmsCreateTransform(lab, TYPE_Lab_DBL, srgb, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC,
                                       cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
            toLab = cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC,
                                       cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
        }
        if (lab)
            cmsCloseProfile(lab);
        if (srgb)
            cmsCloseProfile(srgb);
    }
    ~Transforms()
    {
        if (toRGB)
            cmsDeleteTransform(toRGB);
        if (toLab)
            cmsDeleteTransform(toLab);
    }
};

const Transforms& Lcms()
{
    static Transforms t;
    return t;
}

uint8_t To8Bit(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

struct NamedColor {
    std::string name;
    double lab[3];
};

// The named-colour table with the D50 L*a*b* of each entry, read once.
const std::vector<NamedColor>& Names()
{
    static std::vector<NamedColor> names;
    static std::once_flag once;
    std::call_once(once, [] {
        std::ifstream in(AppDir::GetDataFile("colors/named_colors_css.csv").str());
        std::string line;
        std::getline(in, line);   // header
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::stringstream ss(line);
            std::string name, r, g, b;
            if (!std::getline(ss, name, ',') || !std::getline(ss, r, ',') || !std::getline(ss, g, ',') ||
                !std::getline(ss, b, ','))
                continue;
            double rgb[3];
            try {
                rgb[0] = std::stoi(r) / 255.0;
                rgb[1] = std::stoi(g) / 255.0;
                rgb[2] = std::stoi(b) / 255.0;
            } catch (...) {
                continue;
            }
            NamedColor nc{name, {0, 0, 0}};
            if (Lcms().toLab)
                cmsDoTransform(Lcms().toLab, rgb, nc.lab, 1);
            names.push_back(nc);
        }
    });
    return names;
}

} // namespace

void ColorConverter::LabToDisplayLab(const LABVector& rLab, double aLabD50[3])
{
    double w[3];
    CMetry::WhitePoint(rLab.GetCondition(), w);
    cmsCIEXYZ white{w[0] / 100.0, w[1] / 100.0, w[2] / 100.0};
    cmsCIELab lab{rLab.GetL(), rLab.GetA(), rLab.GetB()};
    cmsCIEXYZ xyz, adapted;
    cmsLab2XYZ(&white, &xyz, &lab);
    if (!cmsAdaptToIlluminant(&adapted, &white, cmsD50_XYZ(), &xyz))
        adapted = xyz;
    cmsCIELab out;
    cmsXYZ2Lab(cmsD50_XYZ(), &out, &adapted);
    aLabD50[0] = out.L;
    aLabD50[1] = out.a;
    aLabD50[2] = out.b;
}

bool ColorConverter::LabToRGB(const LABVector& rLab, double aRGB[3])
{
    double lab[3];
    LabToDisplayLab(rLab, lab);
    aRGB[0] = aRGB[1] = aRGB[2] = 0.0;
    for (double v : lab)
        if (!std::isfinite(v))
            return false;
    if (!Lcms().toRGB)
        return false;
    cmsCIELab in{lab[0], lab[1], lab[2]};
    cmsDoTransform(Lcms().toRGB, &in, aRGB, 1);
    bool inside = true;
    for (int i = 0; i < 3; ++i)
        inside = inside && aRGB[i] >= -1e-6 && aRGB[i] <= 1.0 + 1e-6;
    return inside;
}

Color ColorConverter::LabToColor(const LABVector& rLab)
{
    double rgb[3];
    LabToRGB(rLab, rgb);
    return RGBToColor(rgb);
}

Color ColorConverter::RGBToColor(const double aRGB[3])
{
    return Color(To8Bit(aRGB[0]), To8Bit(aRGB[1]), To8Bit(aRGB[2]));
}

Color ColorConverter::ConvertSpectrumToColor(const Spectrum& rSpec) { return LabToColor(LABVector(rSpec)); }

Brush ColorConverter::SpectrumToBrush(const Spectrum& rSpec) { return Brush(ConvertSpectrumToColor(rSpec), BRUSH_SOLID); }

Brush ColorConverter::LabToBrush(const LABVector& rLab) { return Brush(LabToColor(rLab), BRUSH_SOLID); }

Bitmap ColorConverter::LabToBitmap(const LABVector& rLab, int nWidth, int nHeight)
{
    if (nWidth < 1 || nHeight < 1)
        return Bitmap();
    Color c = LabToColor(rLab);
    QImage img(nWidth, nHeight, QImage::Format_RGB32);
    img.fill(QColor(c.GetRed(), c.GetGreen(), c.GetBlue()));
    return Bitmap(img);
}

Bitmap ColorConverter::LabToBitmap(const LABVector& rLab, const Size& rSize)
{
    return LabToBitmap(rLab, rSize.Width(), rSize.Height());
}

Bitmap ColorConverter::SpectrumToBitmap(const Spectrum& rSpec, int nWidth, int nHeight)
{
    return LabToBitmap(LABVector(rSpec), nWidth, nHeight);
}

Bitmap ColorConverter::SpectrumToBitmap(const Spectrum& rSpec, const Size& rSize)
{
    return SpectrumToBitmap(rSpec, rSize.Width(), rSize.Height());
}

String ColorConverter::Farbzuordnung(const LABVector& rLab)
{
    double lab[3];
    LabToDisplayLab(rLab, lab);
    const NamedColor* best = nullptr;
    double bestD = std::numeric_limits<double>::infinity();
    for (const NamedColor& nc : Names()) {
        double d = std::pow(nc.lab[0] - lab[0], 2) + std::pow(nc.lab[1] - lab[1], 2) + std::pow(nc.lab[2] - lab[2], 2);
        if (d < bestD) {
            bestD = d;
            best = &nc;
        }
    }
    return best ? String(best->name) : String();
}

String ColorConverter::Farbzuordnung(const Spectrum& rSpec) { return Farbzuordnung(LABVector(rSpec)); }

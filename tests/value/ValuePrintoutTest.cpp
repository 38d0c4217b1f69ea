// A measured value on paper and as a list icon: the printout's lines (also
// read back from the PDF with pdftotext) and the icon's colour.
#include "qel/AppConfig.hpp"
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/ColorVector.hpp"
#include "qel/MyPrinter.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "sv/Bitmap.hpp"
#include "sv/ScriptedResponder.hpp"
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

namespace {

// Words separated by single blanks, as pdftotext gives a line back.
std::string Words(const std::string& s)
{
    std::istringstream in(s);
    std::string w, out;
    while (in >> w)
        out += (out.empty() ? "" : " ") + w;
    return out;
}

GPtMesswert SpectralValue(StoredWBaseType eWBase)
{
    Spectrum s{PhysicalConditions(ActualFilterClass(FILTER_D65), WBaseClass(eWBase))};
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s[i] = 0.1f + 0.6f * static_cast<float>(i) / Spectrum::COUNT;  // an orange-ish rising curve
    GPtMesswert v;
    v.SetMeasuringCondition(MeasuringCondition(PhysicalConditions(ActualFilterClass(FILTER_D65), WBaseClass(eWBase)),
                                               IllumClass(ILLUM_D50, 50), ObserverClass(OBSERVER_10)));
    v.SetSpectrum(s, 0);
    v.SetBezeichnung(String("Proof 7"));
    return v;
}

TEST(ValuePrintout, ColourLineByColourSystemAndThePdfText)
{
    ScriptedResponder boxes;
    ScopedResponder use(boxes);
    // A spectrum's L*a*b* is computed under the colour mathematics' current
    // conditions; the printout names them.
    const MeasuringCondition before = CMetry::GetMeasuringConditions();
    CMetry::SetMeasuringConditions(MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_D50, 50), ObserverClass(OBSERVER_10)));
    struct Case {
        const char* colorSystem;
        StoredWBaseType wbase;
        const char* label;
    } cases[] = {{"1", WBASE_ABSOLUTE, "LAB:"}, {"2", WBASE_PAPER, "LCh:"}, {"11", WBASE_ABSOLUTE, "LCh:"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colorSystem);
        AppConfig::Instance()->SetRunValue(String("Settings"), String("ColorSystem"), String(c.colorSystem));
        GPtMesswert v = SpectralValue(c.wbase);
        LABVector lab;
        v.GetLab(lab);
        std::string pdf = testenv::OutputDir() + "/printout-" + c.colorSystem + ".pdf";
        std::string line;
        {
            MyPrinter printer{String(pdf)};
            v.Print(printer, 0);
            const auto& items = printer.GetItems();
            ASSERT_EQ(items.size(), 4u);
            EXPECT_EQ(items[0].aText, String("Proof 7"));  // the designation and its date
            EXPECT_EQ(items[2].aText, String(c.label));
            EXPECT_EQ(items[2].nX, 0);
            EXPECT_EQ(items[3].nX, 700);
            EXPECT_EQ(items[3].nY, items[2].nY);
            line = items[3].aText.str();
            ASSERT_TRUE(printer.End());
        }
        // The values first, then the conditions; the white base is "Abs"
        // whatever the value's.
        std::string values = (c.label == std::string("LAB:") ? lab.GetText() : LChVector(lab).GetText()).str();
        EXPECT_EQ(line, values + "  (D65,Abs,D50,10°)");
        auto text = testenv::RunProgram("/usr/bin/pdftotext", {pdf, "-"});
        ASSERT_EQ(text.status, 0) << text.err;
        for (const std::string& s : {std::string("Proof 7"), std::string(c.label), values, std::string("(D65,Abs,D50,10°)")})
            EXPECT_NE(Words(text.out).find(Words(s)), std::string::npos) << s << " in\n" << text.out;
    }
    CMetry::SetMeasuringConditions(before);
    AppConfig::Instance()->SetRunValue(String("Settings"), String("ColorSystem"), String());
}

TEST(ValuePrintout, IconShowsTheValuesColourOrAnEmptyBox)
{
    ScriptedResponder boxes;
    ScopedResponder use(boxes);
    GPtMesswert spectral = SpectralValue(WBASE_ABSOLUTE);
    LABVector lab;
    spectral.GetLab(lab);
    GPtMesswert labValue;
    labValue.SetLab(LABVector(52.0, 30.0, -20.0, MeasuringCondition()));
    LABVector labOfLabValue;
    labValue.GetLab(labOfLabValue);
    for (auto [value, wanted] : {std::pair{&spectral, lab}, std::pair{&labValue, labOfLabValue}}) {
        Bitmap icon;
        ASSERT_EQ(value->GetIcon(icon, 0), 1);
        ASSERT_EQ(icon.GetWidth(), 24);
        ASSERT_EQ(icon.GetHeight(), 12);
        double rgb[3];
        ColorConverter::LabToRGB(wanted, rgb);
        QColor px = icon.GetImage().pixelColor(12, 6);
        EXPECT_NEAR(px.red(), std::lround(rgb[0] * 255), 1);
        EXPECT_NEAR(px.green(), std::lround(rgb[1] * 255), 1);
        EXPECT_NEAR(px.blue(), std::lround(rgb[2] * 255), 1);
    }
    GPtMesswert empty;
    Bitmap icon;
    ASSERT_EQ(empty.GetIcon(icon, 0), 1);
    const QImage& img = icon.GetImage();
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::black));    // the outline
    EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::white));    // its inside
    EXPECT_EQ(img.pixelColor(12, 6), QColor(Qt::black));   // the dash
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::white));    // outside the box
    icon.GetImage().save(QString::fromStdString(testenv::OutputDir() + "/icon-empty.png"));
}

} // namespace

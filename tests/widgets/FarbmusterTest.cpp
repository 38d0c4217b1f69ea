// The colour swatch headless: the texts of its lines per formula, with and
// without a reference; which lines its flags show; where the lines sit;
// the invalid state; clicks; the dragged value read back; and pictures of
// the swatch for a reviewer (build/test-output/swatch-*.png).
#include "qelvxn/widgets/Farbmuster.hpp"

#include "qelvxn/value/GPtMesswert.hpp"
#include "qelvxn/widgets/ClickableFixedBitmap.hpp"
#include "qelvxn/widgets/FarbmusterText.hpp"
#include "support/TestEnv.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/AppConfig.hpp"
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/Text.hpp"
#include "sv/DragServer.hpp"
#include "sv/FixedBitmap.hpp"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

// Reaches the swatch's private start-drag handler, as the dialog that owns
// swatches does.
struct FarbmusterProbe {
    static void SetStartDragHdl(Farbmuster& r, const Link& rLink) { r.SetStartDragActionHdl(rLink); }
};

namespace {

enum Line { L1 = 0, L2 = 1, L3 = 2, COND = 3, DIFF = 4, TITLE = 5 };

// A flat spectrum: neutral under every illuminant, L* = 116·v^(1/3) − 16.
Spectrum Flat(float v)
{
    Spectrum s;
    s.Init(v);
    return s;
}

// A blue-ish sample with a real hue.
Spectrum Blue()
{
    Spectrum s;
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s[i] = 0.08f + 0.5f * std::exp(-std::pow((380 + 10 * i - 460) / 45.0, 2));
    return s;
}

MeasuringCondition D50Ten()
{
    return MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_D50), ObserverClass(OBSERVER_10));
}

class FarbmusterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Language::Set(String("en"));
        parent.SetSizePixel(Size(320, 170));
        swatch.SetPosSizePixel(Point(14, 34), Size(80, 80));
        parent.Show();
        swatch.Show();
    }
    void TearDown() override
    {
        CMetry::SetMeasuringConditions(MeasuringCondition());
        Language::Set(String());
    }

    static std::string Text(const Farbmuster& f, Line n) { return f.GetLine(n).GetText().str(); }
    static std::vector<std::string> Values(const Farbmuster& f)
    {
        return {Text(f, L1), Text(f, L2), Text(f, L3)};
    }
    static std::vector<bool> Visible(const Farbmuster& f)
    {
        std::vector<bool> v;
        for (int n = 0; n < 6; ++n)
            v.push_back(f.GetLine(n).IsVisible());
        return v;
    }

    Window parent{nullptr};
    FixedBitmap swatch{&parent, WB_BORDER};
};

// Lab 52.3/10.4/−20.7 (D50, 10°) against the flat reference 0.4, whose
// L*a*b* is (69.47, 0, 0) under any illuminant. Expected numbers worked out
// by hand (DIN99 with its published constants).
TEST_F(FarbmusterTest, ValueLinesOfAnLabValuePerFormulaWithAndWithoutReference)
{
    struct Case {
        CType formula;
        bool reference;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {CTYPE_LAB, false, {"L=  52.3", "a=  10.4", "b= -20.7"}},
        {CTYPE_LAB, true, {"dL=-17.2", "da= 10.4", "db=-20.7"}},
        {CTYPE_LCH, false, {"L=  52.3", "C=  23.2", "h= 296.7"}},
        // The neutral reference has no chroma, so the metric ΔH* is 0.
        {CTYPE_LCH, true, {"dL=-17.2", "dC= 23.2", "dH=  0.0"}},
        {CTYPE_LABMG, false, {"Lmg=  63.5", "Amg=   3.2", "Bmg= -11.9"}},
        {CTYPE_LABMG, true, {"dLmg=-14.6", "dAmg=  3.2", "dBmg=-11.9"}},
        {CTYPE_LCHMG, false, {"Lmg=  63.5", "Cmg=  12.3", "Hmg= 285.1"}},
        // The reference's DIN99 hue is that of a colour without chroma;
        // only its label is certain.
        {CTYPE_LCHMG, true, {"dLmg=-14.6", "dCmg= 12.3", "dHmg="}},
    };
    const LABVector lab(52.3, 10.4, -20.7, D50Ten());
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "formula " << c.formula << (c.reference ? " with reference" : ""));
        Farbmuster f(String("Sample"), &swatch, 1, 1, 1, 1);
        if (c.reference)
            f.ReferenzSpektrum(Flat(0.4f));
        f.SetFormel(c.formula);
        f.ZeigeLAB(lab);
        std::vector<std::string> got = Values(f);
        if (c.formula == CTYPE_LCHMG && c.reference)
            got[2] = got[2].substr(0, 5);
        EXPECT_EQ(got, c.lines);
        EXPECT_EQ(Text(f, COND), "[D50,10°]") << "the condition the value carries, not the global one";
        EXPECT_EQ(Text(f, DIFF), c.reference ? "dE= 28.8" : "dE=  0.0");
    }
}

// A spectrum goes through the same chain as its L*a*b*: for every formula a
// swatch of the spectrum and one of the L*a*b* computed from it say the
// same. The flat spectrum fixes the numbers themselves.
TEST_F(FarbmusterTest, ASpectrumShowsWhatItsLabShows)
{
    FixedBitmap other(&parent, 0);
    for (CType formula : {CTYPE_LAB, CTYPE_LCH, CTYPE_LABMG, CTYPE_LCHMG})
        for (bool reference : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "formula " << formula << (reference ? " with reference" : ""));
            Farbmuster bySpectrum(String("S"), &swatch, 1, 1, 1, 1), byLab(String("L"), &other, 1, 1, 1, 1);
            for (Farbmuster* f : {&bySpectrum, &byLab}) {
                if (reference)
                    f->ReferenzSpektrum(Flat(0.3f));
                f->SetFormel(formula);
            }
            bySpectrum.ZeigeSpektrum(Blue());
            byLab.ZeigeLAB(LABVector(Blue()));
            for (Line n : {L1, L2, L3, COND, DIFF})
                EXPECT_EQ(Text(bySpectrum, n), Text(byLab, n)) << "line " << n;
        }

    Farbmuster f(String("Grey"), &swatch, Flat(0.2f), 1, 1, 1, 1);
    EXPECT_EQ(Values(f), (std::vector<std::string>{"L=  51.8", "a=   0.0", "b=   0.0"}));
    EXPECT_EQ(Text(f, COND), "[D65,2°]") << "a spectrum holds under the global conditions";
    f.ReferenzSpektrum(Flat(0.4f));
    f.SetFormel(CTYPE_LABMG);
    EXPECT_EQ(Values(f), (std::vector<std::string>{"dLmg=-15.0", "dAmg=  0.0", "dBmg=  0.0"}));
    EXPECT_EQ(Text(f, DIFF), "dE= 17.6");
}

// Each flag off in turn (and all off): what is written and what is shown.
TEST_F(FarbmusterTest, FlagsChooseTheLines)
{
    struct Case {
        unsigned char values, condition, difference, differenceLine;
        std::vector<bool> visible;  // L1 L2 L3 COND DIFF TITLE
        bool valuesWritten, conditionWritten, differenceWritten;
    };
    const Case cases[] = {
        {1, 1, 1, 1, {1, 1, 1, 1, 1, 1}, true, true, true},
        {0, 1, 1, 1, {0, 0, 0, 1, 1, 1}, false, false, true},  // condition shown, but never written
        {1, 0, 1, 1, {1, 1, 1, 0, 1, 1}, true, false, true},
        {1, 1, 0, 1, {1, 1, 1, 1, 0, 1}, true, true, false},
        {1, 1, 1, 0, {1, 1, 1, 1, 0, 1}, true, true, true},   // computed, never shown
        {0, 0, 0, 0, {0, 0, 0, 0, 0, 1}, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.values) << int(c.condition) << int(c.difference)
                                          << int(c.differenceLine));
        Farbmuster f(String("Sample"), &swatch, c.values, c.condition, c.difference, c.differenceLine);
        EXPECT_EQ(Visible(f), std::vector<bool>(6, false)) << "the constructor without colour shows nothing";
        f.ReferenzSpektrum(Flat(0.4f));
        f.ZeigeSpektrum(Blue());
        EXPECT_EQ(Visible(f), c.visible);
        EXPECT_TRUE(swatch.IsVisible());
        EXPECT_EQ(!Text(f, L1).empty(), c.valuesWritten);
        EXPECT_EQ(!Text(f, COND).empty(), c.conditionWritten);
        EXPECT_EQ(!Text(f, DIFF).empty(), c.differenceWritten);
        f.Hide();
        EXPECT_EQ(Visible(f), std::vector<bool>(6, false));
        EXPECT_FALSE(swatch.IsVisible());
        f.Show();
        EXPECT_EQ(Visible(f), c.visible);
    }
}

// The column 10 pixels right of the swatch, lines 16 apart, 4 more after
// the values; lines whose flags are off are not placed; the title its text
// height plus 5 above the swatch.
TEST_F(FarbmusterTest, LayoutAndMove)
{
    const std::optional<Point> stays;  // not placed: where a fresh label is
    struct Case {
        unsigned char values, condition, difference, differenceLine;
        std::optional<Point> at[5];  // L1 L2 L3 COND DIFF, from the column's top
    };
    const Case cases[] = {
        {1, 1, 1, 1, {Point(0, 16), Point(0, 32), Point(0, 48), Point(0, 68), Point(0, 0)}},
        {1, 1, 0, 1, {Point(0, 0), Point(0, 16), Point(0, 32), Point(0, 52), stays}},
        {1, 1, 1, 0, {Point(0, 0), Point(0, 16), Point(0, 32), Point(0, 52), stays}},
        {0, 1, 1, 1, {stays, stays, stays, Point(0, 16), Point(0, 0)}},
        {1, 0, 0, 0, {Point(0, 0), Point(0, 16), Point(0, 32), stays, stays}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.values) << int(c.condition) << int(c.difference)
                                          << int(c.differenceLine));
        swatch.SetPosPixel(Point(14, 34));
        Farbmuster f(String("Sample"), &swatch, Blue(), c.values, c.condition, c.difference, c.differenceLine);
        const Point fresh = FixedText(&parent).GetPosPixel();
        auto check = [&](Point swatchAt) {
            const Point column(swatchAt.X() + 80 + 10, swatchAt.Y());
            for (int n = 0; n < 5; ++n)
                EXPECT_EQ(f.GetLine(n).GetPosPixel(), c.at[n] ? column + *c.at[n] : fresh) << "line " << n;
            int h = f.GetLine(TITLE).GetTextSize(String("Titel")).Height();
            EXPECT_EQ(f.GetLine(TITLE).GetPosPixel(), Point(swatchAt.X(), swatchAt.Y() - (h + 5)));
        };
        check(Point(14, 34));
        EXPECT_EQ(f.ChangePosPixel(Point(40, 60)), Point(14, 34)) << "the previous position";
        EXPECT_EQ(swatch.GetPosPixel(), Point(40, 60));
        check(Point(40, 60));
    }
}

// Every value line is as wide as the widest it can become, so the column
// does not jump from one colour to the next; the others as their samples.
TEST_F(FarbmusterTest, LineSizes)
{
    Farbmuster f(String("A title"), &swatch, 1, 1, 1, 1);
    EXPECT_EQ(f.GetLine(TITLE).GetSizePixel(), f.GetLine(TITLE).GetTextSize(String("A title")));
    for (bool reference : {false, true}) {
        if (reference)
            f.ReferenzSpektrum(Flat(0.5f));
        f.ZeigeSpektrum(Blue());
        for (int n = 0; n < 3; ++n)
            EXPECT_EQ(f.GetLine(n).GetSizePixel(),
                      f.GetLine(n).GetTextSize(String(reference ? "dLmg= -100.0" : "Lmg= -100.0")));
        EXPECT_EQ(f.GetLine(COND).GetSizePixel(), f.GetLine(COND).GetTextSize(String("[D65,10°] ")));
        EXPECT_EQ(f.GetLine(DIFF).GetSizePixel(), f.GetLine(DIFF).GetTextSize(String("dE=123.4")));
        for (int n = 0; n < 5; ++n)
            EXPECT_GE(f.GetLine(n).GetSizePixel().Width(), f.GetLine(n).GetTextSize(f.GetLine(n).GetText()).Width())
                << "line " << n << " is not clipped";
    }
}

// A formula without value lines leaves them as they were and names the
// default condition; the unchanged formula and conditions do not redraw.
TEST_F(FarbmusterTest, FormulaChangesAndRedraws)
{
    Farbmuster f(String("Sample"), &swatch, Blue(), 1, 1, 1, 1);
    std::vector<std::string> before = Values(f);
    ASSERT_EQ(before[0].substr(0, 2), "L=");

    f.ReferenzSpektrum(Flat(0.4f));
    EXPECT_EQ(Values(f), before) << "a reference alone redraws nothing";
    f.SetFormel(CTYPE_LAB);
    EXPECT_EQ(Values(f), before) << "same formula, same conditions: no redraw";

    CMetry::SetMeasuringConditions(D50Ten());
    f.SetFormel(CTYPE_LAB);
    EXPECT_EQ(Text(f, L1).substr(0, 3), "dL=") << "new global conditions redraw with the same formula";
    EXPECT_EQ(Text(f, COND), "[D50,10°]");

    std::vector<std::string> lab = Values(f);
    Size width = f.GetLine(L1).GetSizePixel();
    f.SetFormel(static_cast<CType>(3));
    EXPECT_EQ(f.GetFormel(), 3);
    EXPECT_EQ(Values(f), lab);
    EXPECT_EQ(f.GetLine(L1).GetSizePixel(), width);
    EXPECT_EQ(Text(f, COND), "[D65,2°]") << "the default condition";
    EXPECT_TRUE(f.GetLine(L1).IsVisible());
}

// An illuminant the instrument cannot name shows the names the application
// keeps under "Illumination".
TEST_F(FarbmusterTest, CustomIlluminantNamesFromTheConfiguration)
{
    AppConfig* config = AppConfig::Instance();
    auto keep = [&](const char* key) { return config->ReadKey(String("Illumination"), String(key), String()); };
    String oldIllum = keep("IlluminantName"), oldObserver = keep("ObserverName");
    const MeasuringCondition custom{PhysicalConditions{}, IllumClass(ILLUM_CUSTOM), ObserverClass(OBSERVER_2)};

    Farbmuster f(String("Sample"), &swatch, 1, 1, 1, 1);
    if (oldIllum.IsEmpty() && oldObserver.IsEmpty()) {
        f.ZeigeLAB(LABVector(50, 0, 0, custom));
        EXPECT_EQ(Text(f, COND), "[,]");
    }
    ASSERT_TRUE(config->WriteKey(String("Illumination"), String("IlluminantName"), String("Studio lamp 4700 K")));
    ASSERT_TRUE(config->WriteKey(String("Illumination"), String("ObserverName"), String("10°")));
    f.ZeigeLAB(LABVector(50, 0, 0, custom));
    EXPECT_EQ(Text(f, COND), "[Studio lamp 4700 K,10°]");
    EXPECT_EQ(f.GetLine(COND).GetSizePixel(), f.GetLine(COND).GetTextSize(String("[Studio lamp 4700 K,10°]")))
        << "sized to the names, which may be longer than a standard condition";
    config->WriteKey(String("Illumination"), String("IlluminantName"), oldIllum);
    config->WriteKey(String("Illumination"), String("ObserverName"), oldObserver);
}

TEST_F(FarbmusterTest, InvalidKeepsTitleAndWhiteSwatch)
{
    for (bool mark : {false, true}) {
        Farbmuster f(String("Sample"), &swatch, Blue(), 1, 1, 1, 1);
        f.ReferenzSpektrum(Flat(0.4f));
        std::vector<std::string> before = Values(f);
        f.SetToInvalid(mark);
        EXPECT_EQ(Visible(f), (std::vector<bool>{0, 0, 0, 0, 0, 1}));
        EXPECT_TRUE(swatch.IsVisible());
        EXPECT_EQ(swatch.GetBackgroundBrush().GetColor(), Color(COL_WHITE));
        EXPECT_FALSE(f.HasSpectrum());
        EXPECT_FALSE(f.HasLab());
        EXPECT_TRUE(f.HasReference()) << "the reference stays";
        f.SetFormel(CTYPE_LCH);
        EXPECT_EQ(Values(f), before) << "without colour no text changes";
        f.Show();
        EXPECT_EQ(Visible(f), (std::vector<bool>{0, 0, 0, 0, 0, 1}));
    }
}

TEST_F(FarbmusterTest, SwatchIsPaintedInTheDisplayColour)
{
    Farbmuster f(String("Sample"), &swatch, Blue(), 1, 1, 1, 1);
    EXPECT_EQ(swatch.GetBackgroundBrush(), ColorConverter::SpectrumToBrush(Blue()));
    const LABVector red(48, 60, 35, D50Ten());
    f.ZeigeLAB(red);
    EXPECT_EQ(swatch.GetBackgroundBrush(), ColorConverter::LabToBrush(red));
    QImage shot = swatch.GetWidget()->grab().toImage();
    Color expected = ColorConverter::LabToColor(red);
    EXPECT_EQ(QColor(shot.pixel(40, 40)), QColor(expected.GetRed(), expected.GetGreen(), expected.GetBlue()));
}

struct Clicks : LinkHdl {
    int count = 0;
    void* arg = nullptr;
    long Hdl(void* p)
    {
        ++count;
        arg = p;
        return 0;
    }
};

TEST_F(FarbmusterTest, OwnSwatchReportsClicks)
{
    Farbmuster f(String("Sample"), &parent, Point(20, 30), Size(50, 40), 1, 1, 1, 1);
    ASSERT_NE(f.GetSwatch(), nullptr);
    EXPECT_EQ(f.GetSwatch()->GetPosPixel(), Point(20, 30));
    EXPECT_EQ(f.GetSwatch()->GetSizePixel(), Size(50, 40));
    EXPECT_TRUE(f.GetSwatch()->IsVisible());
    EXPECT_FALSE(f.GetLine(TITLE).IsVisible());
    Clicks clicks;
    f.ChangeClickHdl(LINK(&clicks, Clicks, Hdl));
    QWidget* w = f.GetSwatch()->GetWidget();
    QPoint at(10, 10);
    QMouseEvent down(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &up);
    EXPECT_EQ(clicks.count, 1);
    EXPECT_EQ(clicks.arg, f.GetSwatch());
}

// A window that takes drops and keeps what arrived.
class DropTarget : public Window {
public:
    DropTarget() : Window(nullptr) { EnableDrop(true); }
    bool Drop(const DropEvent&) override
    {
        text = DragServer::PasteString(0).str();
        data = DragServer::PasteData(String(Farbmuster::MEASVALUE_MIME_TYPE)).str();
        return true;
    }
    std::string text, data;
};

TEST_F(FarbmusterTest, DraggedValueReadsBackAsTheSample)
{
    Spectrum sample = Blue();
    sample.SetPhysicalConditions(PhysicalConditions(ActualFilterClass(FILTER_UV), WBaseClass(WBASE_PAPER)));
    CMetry::SetMeasuringConditions(D50Ten());
    Farbmuster f(String("Sample"), &swatch, 1, 1, 1, 1);
    f.SetFormel(CTYPE_LCH);
    f.ZeigeSpektrum(sample);

    DropTarget target;
    ASSERT_TRUE(swatch.ExecuteDrag(&target));
    EXPECT_EQ(target.data, target.text) << "the same text under both types";
    EXPECT_EQ(target.text.rfind("Version=2\n", 0), 0u) << target.text;
    EXPECT_EQ(DragServer::GetItemCount(), 0) << "the drag's end clears it";

    ASCIIFile file(target.text);
    ASSERT_EQ(file.CheckVersion(2), 1);
    GPtMesswert value;
    ASSERT_EQ(value.read(file), 1);
    ASSERT_EQ(value.IsA(), GPtMesswert::TYPE_SPECTRUM);
    EXPECT_EQ(value.GetFilter(), FILTER_UV);
    EXPECT_EQ(value.GetWBase(), WBASE_PAPER);
    for (int i = 0; i < Spectrum::COUNT; ++i)
        EXPECT_EQ(value.GetValues()[i], sample[i]) << "value " << i;

    // An L*a*b* swatch still hands out its sample spectrum.
    f.ZeigeLAB(LABVector(40, 1, 2, D50Ten()));
    DropTarget again;
    ASSERT_TRUE(swatch.ExecuteDrag(&again));
    EXPECT_EQ(again.text, target.text);
}

struct DragAnswer : LinkHdl {
    long answer = 0;
    int calls = 0;
    long Hdl(void*)
    {
        ++calls;
        DragServer::CopyString(String("replaced"));
        return answer;
    }
};

TEST_F(FarbmusterTest, AStartDragHandlerDecides)
{
    Farbmuster f(String("Sample"), &swatch, Blue(), 1, 1, 1, 1);
    DragAnswer handler;
    FarbmusterProbe::SetStartDragHdl(f, LINK(&handler, DragAnswer, Hdl));
    const std::pair<long, bool> cases[] = {{1, true}, {0, false}, {0x100, false}, {0x101, true}};
    for (auto [answer, starts] : cases) {
        handler.answer = answer;
        DropTarget target;
        EXPECT_EQ(swatch.ExecuteDrag(&target), starts) << "answer " << answer << ": only its low byte counts";
        if (starts) {
            EXPECT_EQ(target.text, "replaced");
        }
    }
    EXPECT_EQ(handler.calls, 4);
}

TEST_F(FarbmusterTest, CopiesShowTheSameAndOwnNothing)
{
    Farbmuster original(String("Sample"), &parent, Point(20, 30), Size(50, 40), 1, 1, 1, 1);
    original.ZeigeLAB(LABVector(60, -20, 30, D50Ten()));
    {
        Farbmuster copy(original);
        EXPECT_EQ(copy.GetSwatch(), original.GetSwatch());
        for (int n = 0; n < 6; ++n)
            EXPECT_EQ(copy.GetLine(n).GetText(), original.GetLine(n).GetText());
        copy.SetFormel(CTYPE_LCH);
        EXPECT_NE(Text(copy, L3), Text(original, L3));
    }
    // The copy is gone; the original's swatch must still be alive.
    EXPECT_TRUE(original.GetSwatch()->IsVisible());
    Farbmuster assigned(String("Other"), &swatch, 1, 1, 1, 1);
    assigned = original;
    EXPECT_EQ(assigned.GetSwatch(), original.GetSwatch());
    EXPECT_TRUE(assigned.HasLab());
}

// Pictures for a reviewer: three formulas, a difference against a reference
// and the invalid state, each a 320 × 140 window as an application would
// hold it.
TEST_F(FarbmusterTest, RendersForReview)
{
    struct Picture {
        const char* file;
        const char* title;
        CType formula;
        bool reference;
        bool invalid;
    };
    const Picture pictures[] = {
        {"swatch-lab.png", "Blue patch", CTYPE_LAB, false, false},
        {"swatch-lch.png", "Blue patch", CTYPE_LCH, false, false},
        {"swatch-din99.png", "Blue patch", CTYPE_LABMG, false, false},
        {"swatch-reference.png", "Blue patch against grey", CTYPE_LAB, true, false},
        {"swatch-invalid.png", "No measurement", CTYPE_LAB, false, true},
    };
    for (const Picture& p : pictures) {
        Window window(nullptr);
        window.SetSizePixel(Size(300, 130));
        window.ChangeBackgroundBrush(Brush(Color(240, 240, 240)));
        Farbmuster f(String(p.title), &window, Point(12, 32), Size(80, 80), 1, 1, p.reference, p.reference);
        if (p.reference)
            f.ReferenzSpektrum(Flat(0.45f));
        f.SetFormel(p.formula);
        f.ZeigeSpektrum(Blue());
        if (p.invalid)
            f.SetToInvalid(true);
        window.Show();
        QApplication::processEvents();
        std::string path = testenv::OutputDir() + "/" + p.file;
        EXPECT_TRUE(window.SaveAsPng(String(path))) << path;
    }
}

} // namespace

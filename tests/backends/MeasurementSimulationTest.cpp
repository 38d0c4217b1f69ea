// The measurement simulator: reading SimuSpec.dat, the pad grid and the
// dialog's size, picking a pad (mouse, double-click, terminal), and what a
// simulated measurement leaves in the spectrum.
#include "qelvxn/backends/MeasurementSimulation.hpp"

#include "support/TestEnv.hpp"

#include "qel/AppDir.hpp"
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/Text.hpp"
#include "sv/ScriptedResponder.hpp"
#include "support/PipedTerminal.hpp"
#include "sv/TerminalResponder.hpp"

#include <QApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A spectrum line: name, TAB, the 36 values level + i/1000 (distinct per line).
std::string Line(const std::string& name, double level)
{
    std::string s = name;
    for (int i = 0; i < Spectrum::COUNT; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "\t%.4f", level + i / 1000.0);
        s += buf;
    }
    return s + "\n";
}

std::string ZeroLine(const std::string& name)
{
    std::string s = name;
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s += "\t0";
    return s + "\n";
}

// A file of n coloured lines named C1, C2, ... after a header.
std::string Lines(int n)
{
    std::string s = "Name\tvalues\n";
    for (int i = 1; i <= n; ++i)
        s += Line("C" + std::to_string(i), 0.1 + (i % 50) / 100.0);
    return s;
}

// Points the data folder at a private folder for the test (the text groups
// are loaded from the real data folder first); dialogs meet a script.
class Simulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        maOldDir = AppDir::GetDataDir();
        ASSERT_FALSE(TextSegment(String("MeasurementSimulation")).GetText(0).IsEmpty());
        maDir = fs::temp_directory_path() / ("vxn-simu-" + std::to_string(getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(maDir);
        AppDir::SetDataDir(String(maDir.string()));
    }
    void TearDown() override
    {
        AppDir::SetDataDir(maOldDir);
        std::error_code ec;
        fs::remove_all(maDir, ec);
    }
    void Write(const std::string& content)
    {
        std::ofstream(maDir / "SimuSpec.dat", std::ios::binary) << content;
    }
    // A file holding the text, at its start.
    static std::FILE* Open(const std::string& text)
    {
        std::FILE* f = std::tmpfile();
        std::fwrite(text.data(), 1, text.size(), f);
        std::rewind(f);
        return f;
    }
    // Reads one line of the given text through ReadSpectrumLine.
    static unsigned char Parse(const std::string& text, Spectrum& spectrum, String& name)
    {
        std::FILE* f = Open(text);
        unsigned char r = MeasurementSimulation::ReadSpectrumLine(f, spectrum, name);
        std::fclose(f);
        return r;
    }

    String maOldDir;
    fs::path maDir;
    ScriptedResponder r;
    ScopedResponder use{r};
};

String Txt(USHORT n) { return TextSegment(String("MeasurementSimulation")).GetText(n); }

// ---- Parsing one line ------------------------------------------------------

struct ParseCase {
    const char* what;
    std::string line;
    const char* name;
    std::vector<float> values;  // the first values; the rest must be 1.0
};

TEST_F(Simulator, ReadSpectrumLineFieldsAndLimits)
{
    std::string many = "Many";
    std::vector<float> first36;
    for (int i = 0; i < 40; ++i) {
        many += "\t" + std::to_string(i);
        if (i < 36)
            first36.push_back(static_cast<float>(i));
    }
    const ParseCase cases[] = {
        {"empty fields skipped", "Red\t0.1\t\t0.2\n", "Red", {0.1f, 0.2f}},
        {"atof rules per field", "Mix\t 0.5x\tabc\t-0.25\t1e-1\t+0.75\n", "Mix", {0.5f, 0.0f, -0.25f, 0.1f, 0.75f}},
        {"CR LF line end", "Green\t0.3\t0.4\r\n", "Green", {0.3f, 0.4f}},
        {"trailing TAB is no value", "Grey\t0.3\t\n", "Grey", {0.3f}},
        {"no line end at end of file", "Last\t0.6", "Last", {0.6f}},
        {"values after the 36th ignored", many + "\n", "Many", first36},
        {"line without TAB is a name alone", "Lonely name\n", "Lonely name", {}},
        {"empty name", "\t0.2\n", "", {0.2f}},
        {"100th field still read", "Far" + std::string(100, '\t') + "0.7\n", "Far", {0.7f}},
        {"101st field not read", "Too far" + std::string(101, '\t') + "0.7\n", "Too far", {}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.what);
        Spectrum spectrum;
        spectrum.Init(1.0f);
        String name("old");
        ASSERT_EQ(Parse(c.line, spectrum, name), 1);
        EXPECT_EQ(name, String(c.name));
        for (int i = 0; i < Spectrum::COUNT; ++i) {
            float want = i < static_cast<int>(c.values.size()) ? c.values[static_cast<size_t>(i)] : 1.0f;
            EXPECT_FLOAT_EQ(spectrum[i], want) << "index " << i;
        }
    }

    Spectrum spectrum;
    String name("kept");
    EXPECT_EQ(Parse("", spectrum, name), 0) << "end of file";
    EXPECT_EQ(name, String("kept"));
    EXPECT_EQ(MeasurementSimulation::ReadSpectrumLine(nullptr, spectrum, name), 0);
}

TEST_F(Simulator, LongLineIsReadAsTwoLines)
{
    std::string longLine = "Long";
    for (int i = 0; i < Spectrum::COUNT; ++i)
        longLine += "\t0.12345678901234";  // 17 characters a field: 616 in all
    std::FILE* f = Open(longLine + "\n" + Line("Next", 0.5));
    Spectrum spectrum;
    String name;
    spectrum.Init(1.0f);
    ASSERT_EQ(MeasurementSimulation::ReadSpectrumLine(f, spectrum, name), 1);
    EXPECT_EQ(name, String("Long"));
    EXPECT_FLOAT_EQ(spectrum[0], 0.12345678901234f);
    EXPECT_FLOAT_EQ(spectrum[35], 1.0f) << "the last fields lie beyond the first piece";
    spectrum.Init(1.0f);
    ASSERT_EQ(MeasurementSimulation::ReadSpectrumLine(f, spectrum, name), 1);
    EXPECT_NE(name, String("Next")) << "the rest of the long line comes as a line of its own";
    spectrum.Init(1.0f);
    ASSERT_EQ(MeasurementSimulation::ReadSpectrumLine(f, spectrum, name), 1);
    EXPECT_EQ(name, String("Next"));
    EXPECT_EQ(MeasurementSimulation::ReadSpectrumLine(f, spectrum, name), 0);
    std::fclose(f);
}

// ---- Pad grid and dialog size ----------------------------------------------

struct LayoutCase {
    int lines;
    int pads;
    int height;
};

TEST_F(Simulator, PadGridAndDialogSize)
{
    const LayoutCase cases[] = {
        {0, 0, 150}, {1, 1, 150}, {16, 16, 150}, {17, 17, 150}, {48, 48, 160},
        {49, 49, 185}, {240, 240, 460}, {241, 240, 460}, {300, 240, 460},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE("data lines: " + std::to_string(c.lines));
        Write(Lines(c.lines));
        MeasurementSimulation dlg(nullptr);
        ASSERT_EQ(dlg.LoadPads(), 1);
        ASSERT_EQ(dlg.GetPadCount(), c.pads);
        EXPECT_EQ(dlg.GetSizePixel(), Size(595, c.height));
        for (int n = 0; n < MeasurementSimulation::MAX_PADS; ++n) {
            ColorPadWindow* pad = dlg.GetPad(n);
            if (n >= c.pads) {
                EXPECT_EQ(pad, nullptr) << "pad " << n;
                continue;
            }
            ASSERT_NE(pad, nullptr) << "pad " << n;
            EXPECT_EQ(pad->GetPosPixel(), Point(15 + 25 * (n % 16), 15 + 25 * (n / 16))) << "pad " << n;
            EXPECT_EQ(pad->GetSizePixel(), Size(20, 20));
            EXPECT_EQ(pad->GetIndex(), n + 1);
            EXPECT_EQ(pad->GetName(), String("C" + std::to_string(n + 1)));
            EXPECT_TRUE(pad->IsVisible());
        }
        EXPECT_EQ(dlg.GetOKButton().GetPosPixel(), Point(445, 15));
        EXPECT_EQ(dlg.GetCancelButton().GetPosPixel(), Point(445, 55));
        EXPECT_EQ(dlg.GetOKButton().GetSizePixel(), Size(130, 30));
        EXPECT_EQ(dlg.GetCancelButton().GetSizePixel(), Size(130, 30));
        EXPECT_TRUE(dlg.GetOKButton().IsVisible() && dlg.GetCancelButton().IsVisible());
        StatusBar& bar = dlg.GetStatusBar();
        EXPECT_EQ(bar.GetPosPixel(), Point(0, c.height - 55));
        EXPECT_EQ(bar.GetSizePixel(), Size(595, 30));
        EXPECT_EQ(bar.GetItemWidth(1), 285);
        EXPECT_EQ(bar.GetItemWidth(2), 285);
        // Some pad is preselected, and says so; a file without pads has none.
        ColorPadWindow* sel = dlg.GetSelectedPad();
        if (c.pads == 0) {
            EXPECT_EQ(sel, nullptr);
            EXPECT_EQ(bar.GetItemText(2), String());
        } else {
            ASSERT_NE(sel, nullptr);
            EXPECT_EQ(bar.GetItemText(2), Txt(1) + sel->GetName());
        }
    }
}

TEST_F(Simulator, PreselectionIsRandom)
{
    Write(Lines(17));
    std::set<int> picked;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::srand(seed);
        MeasurementSimulation dlg(nullptr);
        ASSERT_EQ(dlg.LoadPads(), 1);
        ColorPadWindow* sel = dlg.GetSelectedPad();
        ASSERT_NE(sel, nullptr);
        picked.insert(sel->GetIndex());
    }
    EXPECT_GT(picked.size(), 5u) << "the preselection should vary";
}

// ---- Picking a pad ---------------------------------------------------------

TEST_F(Simulator, ZeroPadIsHiddenButKeepsItsPlaceAndLineNumber)
{
    Write("header\n" + Line("A", 0.2) + ZeroLine("Gap") + Line("B", 0.6));
    MeasurementSimulation dlg(nullptr);
    r.QueueDialogAction([&](ModalDialog&) {
        ASSERT_EQ(dlg.GetPadCount(), 3);
        ColorPadWindow* gap = dlg.GetPad(1);
        ASSERT_NE(gap, nullptr);
        EXPECT_FALSE(gap->IsVisible());
        EXPECT_EQ(gap->GetName(), String());
        EXPECT_EQ(gap->GetIndex(), 2);
        EXPECT_EQ(dlg.GetPad(2)->GetPosPixel(), Point(65, 15));
        // The choices without a mouse leave the gap out.
        std::vector<String> labels;
        for (const DialogChoice& c : dlg.GetChoices())
            labels.push_back(c.aLabel);
        EXPECT_EQ(labels, (std::vector<String>{String("A"), String("B"), String("OK"), String("Cancel")}));
        dlg.GetPad(2)->MouseButtonDown(MouseEvent(Point(5, 5), 2, MOUSE_LEFT));
    });
    float values[Spectrum::COUNT] = {};
    ASSERT_EQ(dlg.SelectSpectrum(values), 1);
    EXPECT_EQ(dlg.GetSelectedPad(), dlg.GetPad(2));
    for (int i = 0; i < Spectrum::COUNT; ++i)
        EXPECT_NEAR(values[i], 0.6 + i / 1000.0, 1e-6) << "B's values, index " << i;
}

TEST_F(Simulator, DoubleClickEndsAsOKSingleClickWaitsForOK)
{
    Write(Lines(20));
    {
        MeasurementSimulation dlg(nullptr);
        r.QueueDialogAction([&](ModalDialog&) { dlg.GetPad(18)->MouseButtonDown(MouseEvent(Point(3, 3), 2, MOUSE_LEFT)); });
        float values[Spectrum::COUNT] = {};
        ASSERT_EQ(dlg.SelectSpectrum(values), 1);
        ASSERT_EQ(r.Dialogs().size(), 1u);
        EXPECT_EQ(r.Dialogs()[0].nResult, 1);
        EXPECT_EQ(dlg.GetSelectedPad(), dlg.GetPad(18));
        EXPECT_NEAR(values[0], 0.1 + 19 / 100.0, 1e-6) << "line 19";
        EXPECT_NEAR(values[35], 0.1 + 19 / 100.0 + 0.035, 1e-6);
    }
    {
        MeasurementSimulation dlg(nullptr);
        bool stillRunning = false;
        String selectedText;
        r.QueueDialogAction([&](ModalDialog&) {
            dlg.GetPad(4)->MouseButtonDown(MouseEvent(Point(3, 3), 1, MOUSE_LEFT));
            stillRunning = dlg.IsInExecute();
            selectedText = dlg.GetStatusBar().GetItemText(2);
            dlg.GetOKButton().Click();
        });
        float values[Spectrum::COUNT] = {};
        ASSERT_EQ(dlg.SelectSpectrum(values), 1);
        EXPECT_TRUE(stillRunning);
        EXPECT_EQ(selectedText, Txt(1) + String("C5"));
        EXPECT_NEAR(values[0], 0.15, 1e-6);
    }
}

TEST_F(Simulator, StatusBarFollowsTheMouse)
{
    Write(Lines(3));
    MeasurementSimulation dlg(nullptr);
    ASSERT_EQ(dlg.LoadPads(), 1);
    StatusBar& bar = dlg.GetStatusBar();
    dlg.GetPad(1)->MouseMove(MouseEvent(Point(2, 2), 0, 0));
    EXPECT_EQ(bar.GetItemText(1), Txt(2) + String("C2"));
    dlg.GetPad(2)->MouseButtonDown(MouseEvent(Point(2, 2), 1, MOUSE_LEFT));
    EXPECT_EQ(bar.GetItemText(2), Txt(1) + String("C3"));
    EXPECT_EQ(bar.GetItemText(1), Txt(2) + String("C2")) << "a click leaves the hover text";
    dlg.MouseMove(MouseEvent(Point(300, 10), 0, 0));
    EXPECT_EQ(bar.GetItemText(1), String());
    EXPECT_EQ(bar.GetItemText(2), Txt(1) + String("C3"));
}

TEST_F(Simulator, OnlyTheSelectedPadIsFramed)
{
    Write(Lines(2));
    MeasurementSimulation dlg(nullptr);
    ASSERT_EQ(dlg.LoadPads(), 1);
    dlg.Show();
    dlg.GetPad(0)->MouseButtonDown(MouseEvent(Point(2, 2), 1, MOUSE_LEFT));
    QApplication::processEvents();
    for (int n = 0; n < 2; ++n) {
        ColorPadWindow* pad = dlg.GetPad(n);
        QImage img = pad->GetSnapshot().GetImage();
        ASSERT_FALSE(img.isNull());
        QColor back(pad->GetBackgroundBrush().GetColor().GetRed(), pad->GetBackgroundBrush().GetColor().GetGreen(),
                    pad->GetBackgroundBrush().GetColor().GetBlue());
        EXPECT_EQ(QColor(img.pixel(10, 10)), back) << "inside of pad " << n;
        bool framed = QColor(img.pixel(1, 1)) != back;
        EXPECT_EQ(framed, n == 0) << "frame of pad " << n;
    }
}

// ---- Files that give no pads -----------------------------------------------

// A missing or empty file shows no dialog; a header alone shows OK and Cancel,
// and OK gives nothing.
TEST_F(Simulator, FilesThatGiveNoPads)
{
    const std::pair<const char*, const char*> cases[] = {
        {"missing", nullptr}, {"empty", ""}, {"header only", "Name\t380\t390\n"}};
    for (const auto& [what, content] : cases) {
        SCOPED_TRACE(what);
        r.Clear();
        fs::remove(maDir / "SimuSpec.dat");
        if (content)
            Write(content);
        bool dialog = content && *content;
        MeasurementSimulation dlg(nullptr);
        size_t choices = 0;
        if (dialog) {
            r.QueueDialogAction([&](ModalDialog&) {
                choices = dlg.GetChoices().size();
                dlg.GetOKButton().Click();
            });
        } else {
            EXPECT_EQ(dlg.LoadPads(), 0);
        }
        float values[Spectrum::COUNT];
        std::fill(std::begin(values), std::end(values), 0.25f);
        EXPECT_EQ(dlg.SelectSpectrum(values), 0);
        ASSERT_EQ(r.Dialogs().size(), dialog ? 1u : 0u);
        if (dialog) {
            EXPECT_EQ(r.Dialogs()[0].nResult, 1);
            EXPECT_EQ(choices, 2u) << "OK and Cancel only";
        }
        EXPECT_EQ(dlg.GetPadCount(), 0);
        EXPECT_EQ(dlg.GetSelectedPad(), nullptr);
        EXPECT_FLOAT_EQ(values[7], 0.25f);
    }
}

// ---- The simulated measurement ---------------------------------------------

class SimulatedMeasurement : public Simulator {
protected:
    void SetUp() override
    {
        Simulator::SetUp();
        maOldCond = CMetry::GetMeasuringConditions();
        MeasuringCondition c = maOldCond;
        c.SetPhysicalConditions(PhysicalConditions(ActualFilterClass(FILTER_UV), WBaseClass(WBASE_PAPER)));
        CMetry::SetMeasuringConditions(c);
    }
    void TearDown() override
    {
        CMetry::SetMeasuringConditions(maOldCond);
        Simulator::TearDown();
    }
    static Spectrum OldSpectrum()
    {
        Spectrum s{PhysicalConditions(ActualFilterClass(FILTER_POL), WBaseClass(WBASE_ABSOLUTE))};
        for (int i = 0; i < Spectrum::COUNT; ++i)
            s[i] = 0.4f + i / 100.0f;
        return s;
    }
    MeasuringCondition maOldCond;
};

// A chosen pad becomes the measurement; cancelled, or without a file, the
// values stay. Either way the spectrum is under the current conditions.
TEST_F(SimulatedMeasurement, ChosenPadOrTheOldValuesUnderCurrentConditions)
{
    struct Case {
        const char* what;
        bool file;
        std::function<void(MeasurementSimulation&)> choose;
        double level;  // of the chosen line; < 0: the old values
    } cases[] = {
        {"chosen",
         true,
         [](MeasurementSimulation& sim) {
             sim.GetPad(1)->MouseButtonDown(MouseEvent(Point(1, 1), 1, MOUSE_LEFT));
             sim.GetOKButton().Click();
         },
         0.7},
        {"cancelled", true, [](MeasurementSimulation& sim) { sim.GetCancelButton().Click(); }, -1},
        {"no file", false, nullptr, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        r.Clear();
        fs::remove(maDir / "SimuSpec.dat");
        if (c.file)
            Write("h\n" + Line("One", 0.3) + Line("Two", 0.7));
        if (c.choose)
            r.QueueDialogAction([&c](ModalDialog& d) { c.choose(static_cast<MeasurementSimulation&>(d)); });
        Spectrum spectrum = OldSpectrum();
        MeasurementSimulation::SimulateMeasurement(nullptr, spectrum);
        ASSERT_EQ(r.Dialogs().size(), c.file ? 1u : 0u);
        if (c.file) {
            EXPECT_EQ(r.Dialogs()[0].nResult, c.level >= 0 ? 1 : 0);
        }
        Spectrum old = OldSpectrum();
        for (int i = 0; i < Spectrum::COUNT; ++i)
            EXPECT_NEAR(spectrum[i], c.level >= 0 ? c.level + i / 1000.0 : old[i], 1e-6) << i;
        EXPECT_EQ(spectrum.GetPhysicalConditions(),
                  PhysicalConditions(ActualFilterClass(FILTER_UV), WBaseClass(WBASE_PAPER)));
    }
}

// ---- The shipped colours, at a terminal and as a picture -------------------

// These tests read the dialog's English wording.
class ShippedColours : public ::testing::Test {
protected:
    void SetUp() override { Language::Set(String("en")); }
    void TearDown() override { Language::Set(String()); }
};

using Terminal = testenv::PipedTerminal;

struct TerminalCase {
    const char* input;
    short result;
    const char* pad;  // selected afterwards, null: not checked
};

TEST_F(ShippedColours, TerminalUserPicksByNameOrNumber)
{
    const TerminalCase cases[] = {
        {"Blue Sky\n", 1, "blue sky"},
        {"3\n", 1, "blue sky"},
        {"26\n", 0, nullptr},  // the 24 pads, OK, then Cancel
        {"nonsense\n0\n", 0, nullptr},
    };
    for (const TerminalCase& c : cases) {
        SCOPED_TRACE(c.input);
        Terminal t(c.input);
        ScopedResponder use(t.Responder());
        MeasurementSimulation dlg(nullptr);
        ASSERT_EQ(dlg.LoadPads(), 1);
        EXPECT_EQ(dlg.Execute(), c.result);
        if (c.pad) {
            ASSERT_NE(dlg.GetSelectedPad(), nullptr);
            EXPECT_EQ(dlg.GetSelectedPad()->GetName(), String(c.pad));
        }
        std::string out = t.Output();
        EXPECT_NE(out.find("Measurement simulation"), std::string::npos);
        EXPECT_NE(out.find("1) dark skin"), std::string::npos) << out;
        EXPECT_NE(out.find("25) OK (default)"), std::string::npos);
        EXPECT_NE(out.find(Txt(1).str()), std::string::npos) << "the preselected pad is named";
    }
}

TEST_F(ShippedColours, DefaultsModeTakesThePreselectedPad)
{
    Terminal t("");
    t.Responder().SetMode(TerminalResponder::Mode::Defaults);
    ScopedResponder use(t.Responder());
    float values[Spectrum::COUNT] = {};
    MeasurementSimulation dlg(nullptr);
    EXPECT_EQ(dlg.SelectSpectrum(values), 1);
    EXPECT_GT(values[20], 0.0f);
    // The responder looks at the dialog once more from the loop; let it do so
    // while it still exists.
    QApplication::processEvents();
}

// The chart is shipped whole and in order; a picture of the dialog shows the
// pads in their colours.
TEST_F(ShippedColours, ChartAndPictureOfTheDialog)
{
    MeasurementSimulation dlg(nullptr);
    ASSERT_EQ(dlg.LoadPads(), 1);
    ASSERT_EQ(dlg.GetPadCount(), 24);
    EXPECT_EQ(dlg.GetPad(0)->GetName(), String("dark skin"));
    EXPECT_EQ(dlg.GetPad(23)->GetName(), String("black 2 (1.5 D)"));
    for (int n = 0; n < 24; ++n)
        EXPECT_TRUE(dlg.GetPad(n)->IsVisible()) << n;
    dlg.GetPad(14)->MouseButtonDown(MouseEvent(Point(4, 4), 1, MOUSE_LEFT));
    dlg.GetPad(2)->MouseMove(MouseEvent(Point(4, 4), 0, 0));
    dlg.Show();
    QApplication::processEvents();
    QImage img = dlg.GetSnapshot().GetImage();
    ASSERT_EQ(img.size(), QSize(595, 150));
    // The pads show their colours: "dark skin" at the first place, "black" last.
    for (int n : {0, 18, 23}) {
        ColorPadWindow* pad = dlg.GetPad(n);
        Color c = pad->GetBackgroundBrush().GetColor();
        EXPECT_EQ(QColor(img.pixel(pad->GetPosPixel().X() + 10, pad->GetPosPixel().Y() + 10)),
                  QColor(c.GetRed(), c.GetGreen(), c.GetBlue()))
            << "pad " << n;
    }
    Color white = dlg.GetPad(18)->GetBackgroundBrush().GetColor();
    EXPECT_GT(white.GetRed() + white.GetGreen() + white.GetBlue(), 3 * 200) << "white 9.5 looks white";
    std::string path = testenv::OutputDir() + "/simulator.png";
    ASSERT_TRUE(dlg.SaveAsPng(String(path)));
    EXPECT_GT(fs::file_size(path), 1000u);
}

} // namespace

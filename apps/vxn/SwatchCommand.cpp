// vxn swatch: the colour swatch of the library (Farbmuster) as a picture:
// a value of the value store (see `vxn values`) or a fresh measurement,
// with its values in a colour formula and, against a reference value of the
// store, the differences and ΔE*ab. The swatch is built in an off-screen
// window exactly as an application shows it, and that window is written to
// a PNG file.
#include "Commands.hpp"
#include "InstrumentRun.hpp"
#include "Session.hpp"
#include "ValueFiles.hpp"
#include "ValueStore.hpp"

#include "qel/AppConfig.hpp"
#include "qel/CMetry.hpp"
#include "qel/ColorVector.hpp"
#include "qel/PostOffice.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/conditions/VxnSet.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "qelvxn/widgets/Farbmuster.hpp"
#include "sv/FixedBitmap.hpp"

#include <CLI/CLI.hpp>

#include <QApplication>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <map>

namespace vxn {

namespace {

struct SwatchOptions {
    long valueId = 0;
    bool measure = false;
    std::string formula;
    long referenceId = 0;
    std::string png;
};

// Formula names as the user types them, and the numbers of the colour
// systems ("settings set colorsystem=N").
bool ParseFormula(const std::string& rText, CType& rFormula)
{
    static const std::map<std::string, CType> names = {
        {"1", CTYPE_LAB},     {"lab", CTYPE_LAB},     {"2", CTYPE_LCH},        {"lch", CTYPE_LCH},
        {"11", CTYPE_LABMG},  {"din99", CTYPE_LABMG}, {"12", CTYPE_LCHMG},     {"din99lch", CTYPE_LCHMG},
    };
    std::string lower = rText;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    auto it = names.find(lower);
    if (it == names.end())
        return false;
    rFormula = it->second;
    return true;
}

// Without --formula: the colour system of the settings, when the swatch has
// lines for it, else L*a*b*.
CType ConfiguredFormula()
{
    CType e{};
    String text = AppConfig::Instance()->ReadKey(String("Settings"), String("ColorSystem"), String("1"));
    return ParseFormula(text.str(), e) ? e : CTYPE_LAB;
}

// Reads value nId of the store; says why not.
bool LoadValue(ObjectStore& rStore, long nId, GPtMesswert& rValue)
{
    if (rStore.Load(nId, rValue) != PT_OK) {
        Error("the value store holds no value " + std::to_string(nId));
        return false;
    }
    if (rValue.IsA() != GPtMesswert::TYPE_SPECTRUM && rValue.IsA() != GPtMesswert::TYPE_LAB) {
        Error("value " + std::to_string(nId) + " holds neither a spectrum nor an L*a*b* value");
        return false;
    }
    return true;
}

// A fresh measurement under the stored conditions, through the library's
// whole chain (conditions downloaded, filter, calibration), as vxn measure
// takes it.
bool MeasureNow(InstrumentRun& run, GPtMesswert& rValue, MeasuringCondition& rCond)
{
    if (!run.Connect())
        return false;
    VXNLib& lib = run.Lib();
    VxnSet set(AppConfig::Instance()->GetConfig(), run.DeviceType());
    rCond = set.GetData();
    run.Responder().SetWantedFilter(rCond.GetFilter().GetType());
    CMetry::SetMeasuringConditions(rCond);
    Spectrum s;
    s.Init(std::numeric_limits<float>::quiet_NaN());
    if (!lib.Measure(static_cast<Window*>(nullptr), s, rCond) || std::isnan(s[0])) {
        Error("the measurement failed: " + run.WhyItFailed());
        return false;
    }
    rCond.SetPhysicalConditions(s.GetPhysicalConditions());
    rValue.SetMeasuringCondition(rCond);
    rValue.SetSpectrum(s, 1);
    return true;
}

// The swatch in a window of its own, sized to what it shows, as a PNG.
bool Render(GPtMesswert& rValue, const MeasuringCondition& rCond, CType eFormula, GPtMesswert* pReference,
            const std::string& rTitle, const std::string& rPath)
{
    constexpr int MARGIN = 12, SIDE = 80;
    CMetry::SetMeasuringConditions(rCond);
    Window window(nullptr);
    window.ChangeBackgroundBrush(Brush(Color(240, 240, 240)));
    window.SetSizePixel(Size(800, 400));
    const bool bRef = pReference != nullptr;
    Farbmuster swatch(String(rTitle), &window, Point(MARGIN, MARGIN), Size(SIDE, SIDE), 1, 1, bRef, bRef);
    // The title stands above the swatch: move both down by its height.
    int title = swatch.GetLine(5).GetSizePixel().Height() + 5;
    swatch.ChangePosPixel(Point(MARGIN, MARGIN + title));
    swatch.SetFormel(eFormula);
    if (pReference) {
        Spectrum ref;
        pReference->GetSpectrum(ref);
        swatch.ReferenzSpektrum(ref);
    }
    if (rValue.IsA() == GPtMesswert::TYPE_SPECTRUM) {
        Spectrum s;
        rValue.GetSpectrum(s);
        swatch.ZeigeSpektrum(s);
    } else {
        LABVector lab;
        rValue.GetLab(lab);
        swatch.ZeigeLAB(lab);
    }
    int right = 0, bottom = 0;
    auto extend = [&](const Window& w) {
        if (!w.IsVisible())
            return;
        right = std::max(right, w.GetPosPixel().X() + w.GetSizePixel().Width());
        bottom = std::max(bottom, w.GetPosPixel().Y() + w.GetSizePixel().Height());
    };
    for (int n = 0; n < 6; ++n)
        extend(swatch.GetLine(n));
    extend(*swatch.GetSwatch());
    window.SetSizePixel(Size(right + MARGIN, bottom + MARGIN));
    window.Show();
    QApplication::processEvents();
    if (!window.SaveAsPng(String(rPath))) {
        Error("cannot write " + rPath);
        return false;
    }
    return true;
}

int RunSwatch(const Globals& g, const SwatchOptions& o)
{
    if ((o.valueId > 0) == o.measure) {
        Error("give a value ID or --measure (one of them)");
        return EXIT_USAGE;
    }
    CType formula = CTYPE_LAB;
    if (!o.formula.empty() && !ParseFormula(o.formula, formula)) {
        Error("unknown formula '" + o.formula + "' (lab or 1, lch or 2, din99 or 11, din99lch or 12)");
        return EXIT_USAGE;
    }
    // The stored values are read before an instrument is touched.
    GPtMesswert value, reference;
    if (o.valueId > 0 || o.referenceId > 0) {
        std::string storeError;
        std::unique_ptr<ObjectStore> store = OpenStoreOfGivenValues(g.store, storeError);
        if (!store) {
            Error(storeError);
            return EXIT_USAGE;
        }
        if (o.valueId > 0 && !LoadValue(*store, o.valueId, value))
            return EXIT_USAGE;
        if (o.referenceId > 0) {
            if (!LoadValue(*store, o.referenceId, reference))
                return EXIT_USAGE;
            if (reference.IsA() != GPtMesswert::TYPE_SPECTRUM) {
                Error("value " + std::to_string(o.referenceId) + " is an L*a*b* value; a reference must be a spectrum");
                return EXIT_USAGE;
            }
        }
    }

    MeasuringCondition cond;
    std::string title;
    if (o.measure) {
        // Against the virtual instrument vxn plays the operator, who turns
        // the filter wheel when asked.
        InstrumentRun run(g, true, true);
        if (!MeasureNow(run, value, cond))
            return run.HasLibrary() ? EXIT_FAILED : EXIT_USAGE;
        title = value.GetBezeichnung().str();
        if (o.formula.empty())
            formula = ConfiguredFormula();
        return Render(value, cond, formula, o.referenceId > 0 ? &reference : nullptr, title, o.png) ? EXIT_DONE
                                                                                                    : EXIT_FAILED;
    }
    Session session(g);
    VxnSet set(AppConfig::Instance()->GetConfig(), 0);
    cond = ConditionOf(value, set.GetData());
    if (o.formula.empty())
        formula = ConfiguredFormula();
    title = value.GetBezeichnung().IsEmpty() ? "Value " + std::to_string(o.valueId) : value.GetBezeichnung().str();
    return Render(value, cond, formula, o.referenceId > 0 ? &reference : nullptr, title, o.png) ? EXIT_DONE
                                                                                                : EXIT_FAILED;
}

} // namespace

Command AddSwatchCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("swatch", "the colour swatch of a stored value or a fresh measurement, as a PNG");
    auto o = std::make_shared<SwatchOptions>();
    c.sub->add_option("ID", o->valueId, "a value of the value store (vxn values)")->check(CLI::Range(1L, 2147483647L));
    c.sub->add_flag("--measure", o->measure, "measure a sample under the stored conditions instead");
    c.sub->add_option("--formula", o->formula, "lab (1), lch (2), din99 (11) or din99lch (12); default: the colour system of the settings");
    c.sub->add_option("--reference", o->referenceId, "a spectrum of the value store to show differences against")
        ->check(CLI::Range(1L, 2147483647L));
    c.sub->add_option("--png", o->png, "the picture to write")->required();
    c.run = [&g, o] { return RunSwatch(g, *o); };
    return c;
}

} // namespace vxn

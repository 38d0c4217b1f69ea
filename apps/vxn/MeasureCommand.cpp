// vxn measure, vxn calibrate, vxn simulate: the library's measuring chain at
// the terminal. Besides what the library sends, these commands only ask the
// instrument questions (device type, identity) and, against a virtual
// instrument, act as its operator out of band.
#include "Commands.hpp"
#include "Interrupt.hpp"
#include "CgatsFile.hpp"
#include "Results.hpp"
#include "Texts.hpp"
#include "ConditionArgs.hpp"
#include "ConsoleResponder.hpp"
#include "InstrumentRun.hpp"
#include "Session.hpp"
#include "ValueFiles.hpp"
#include "ValueStore.hpp"

#include "qel/AppConfig.hpp"
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/ColorVector.hpp"
#include "qel/GString.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/conditions/VxnSet.hpp"
#include "qelvxn/library/LibraryTexts.hpp"
#include "qelvxn/library/ScanLib.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <limits>
#include <cstdlib>
#include <iostream>

namespace vxn {

namespace {

struct MeasureOptions {
    std::string filter, illuminant, observer, whitebase;
    std::string cgats;
    std::string name;  // --name: designation of saved values
    int count = 1;
    int mean = 0;  // --mean: measurements averaged into each result (0: the stored setting)
    int sample = -1;
    bool json = false;
    bool simulate = false;
    bool yes = false;
    bool noOperator = false;
    bool save = false;  // --save: keep each measurement in the value store
    // Which options were given at all: an empty value is an error, not the
    // stored default.
    struct {
        bool filter = false, illuminant = false, observer = false, whitebase = false, cgats = false, name = false;
    } given;
};

// The coordinates of the colour system the user chose in the settings
// ("Settings"/"ColorSystem"): DIN99 systems get a line of their own.
void PrintText(const Result& r, int nIndex, int nCount, int nColorSystem)
{
    if (nCount > 1)
        std::cout << text::Format(text::MEASUREMENT_K_OF_N, {std::to_string(nIndex + 1), std::to_string(nCount)})
                  << "\n";
    std::cout << text::Label(text::CONDITIONS)
              << text::Format(text::CONDITION_LIST,
                              {r.condition.GetIllum().GetText().str(), r.condition.GetObserver().GetText().str(),
                               r.condition.GetFilter().GetText().str(), r.condition.GetWBase().GetText().str()})
              << "\n";
    std::string spectrum = text::Label(text::SPECTRUM);
    std::cout << spectrum.substr(0, spectrum.size() - 1);
    for (int i = 0; i < Spectrum::COUNT; ++i) {
        if (i % 9 == 0)
            std::cout << (i ? "\n           " : " ") << Spectrum::FIRST_NM + 10 * i << ":";
        std::cout << GString(r.spectrum[i], 7, 4).str();
    }
    std::cout << "\nL*a*b*      L*=" << GString(r.lab.GetL(), 7, 2).str() << "  a*=" << GString(r.lab.GetA(), 7, 2).str()
              << "  b*=" << GString(r.lab.GetB(), 7, 2).str() << "\n";
    std::cout << "LCh         L*=" << GString(r.lch.GetL(), 7, 2).str() << "  C*=" << GString(r.lch.GetC(), 7, 2).str()
              << "  h=" << GString(r.lch.GetH(), 7, 2).str() << "\n";
    if (nColorSystem == CTYPE_LABMG) {
        LABmgVector v(r.lab);
        std::cout << "DIN99       L99=" << GString(v.GetL(), 7, 2).str() << " a99=" << GString(v.GetA(), 7, 2).str()
                  << " b99=" << GString(v.GetB(), 7, 2).str() << "\n";
    } else if (nColorSystem == CTYPE_LCHMG) {
        LCHmgVector v(r.lab);
        std::cout << "DIN99 LCh   L99=" << GString(v.GetL(), 7, 2).str() << " C99=" << GString(v.GetC(), 7, 2).str()
                  << " h99=" << GString(v.GetH(), 7, 2).str() << "\n";
    }
    if (!r.name.empty())
        std::cout << text::Label(text::COLOUR) << r.name << "\n";
}

// An averaged result with the measurements it is the mean of.
nlohmann::json MeanJson(const Result& rMean, const std::vector<Result>& rSingles, int nColorSystem)
{
    nlohmann::json j = ResultJson(rMean, nColorSystem);
    j["mean_of"] = rSingles.size();
    j["singles"] = nlohmann::json::array();
    for (const Result& r : rSingles)
        j["singles"].push_back(ResultJson(r, nColorSystem));
    return j;
}

// Whether the instrument can be set to the illuminant: "Custom" names no
// table an instrument holds, and the alternative-table variants (4 to 7)
// exist only where the library asks for them (device type 65536 from
// software version 199 on).
bool InstrumentIlluminant(VXNLib& rLib, long nDeviceType, IllumType e)
{
    if (e == 11)
        return false;
    if (e >= 4 && e <= 7)
        return nDeviceType == 65536 && rLib.GetSWVersion() >= 199;
    return true;
}

// The stored conditions with the changes of this run, checked against what
// the instrument offers; exit status EXIT_USAGE with a reason otherwise.
int CheckFilterOffered(const VxnSet& rSet, ValueFilterType eFilter)
{
    if (rSet.GetPossibleFilter(rSet.GetFilterEntry(eFilter)) == eFilter)
        return EXIT_DONE;
    std::string offered;
    for (int i = 0; rSet.GetPossibleFilter(i) != FILTER_NOT_SET; ++i)
        offered += (offered.empty() ? "" : ", ") + ActualFilterClass(rSet.GetPossibleFilter(i)).GetText().str();
    Error("this instrument offers no filter " + ActualFilterClass(eFilter).GetText().str() + " (it offers " + offered +
          ")");
    return EXIT_USAGE;
}

int RunMeasure(const Globals& g, const MeasureOptions& o)
{
    // Everything the user typed is checked before the instrument is touched.
    std::string err;
    IllumType illum{};
    short dxx = 0;
    ObserverType observer{};
    StoredWBaseType wbase{};
    ValueFilterType filter{};
    if ((o.given.filter && !ParseFilter(o.filter, filter, err)) ||
        (o.given.illuminant && !ParseIlluminant(o.illuminant, illum, dxx, err)) ||
        (o.given.observer && !ParseObserver(o.observer, observer, err)) ||
        (o.given.whitebase && !ParseWhiteBase(o.whitebase, wbase, err))) {
        Error(err);
        return EXIT_USAGE;
    }
    if (o.given.cgats && o.cgats.empty()) {
        Error("--cgats needs a file name");
        return EXIT_USAGE;
    }
    for (const auto& p : StoredSettingProblems())
        Warning(p);
    CgatsFile cgats(o.cgats);
    if (o.given.cgats && !cgats.Check(err)) {
        Error(err);
        return EXIT_USAGE;
    }
    // Like the CGATS file, the value store is known to be usable before
    // anything is measured.
    if (o.given.name && (!o.save || o.name.empty())) {
        Error(o.save ? "--name needs a name" : "--name names saved values; give --save too");
        return EXIT_USAGE;
    }
    std::unique_ptr<ObjectStore> store;
    if (o.save && !(store = OpenValueStore(g.store, true, err))) {
        Error(err);
        return EXIT_USAGE;
    }

    InstrumentRun run(g, o.yes, !o.noOperator);
    if (o.simulate ? !run.HasLibrary() : !run.Connect())
        return run.ConnectFailure();
    VXNLib* lib = &run.Lib();
    VXNLib::Simulator(o.simulate);
    // Each saved value names its station and the instrument that measured it.
    Origin origin{StationName(g.station), ""};
    if (store && !o.simulate) {
        origin.instrument = lib->GetSerieNr().str();
        InstrumentRun::ClearFailures();
    }
    if (o.given.illuminant && !o.simulate && !InstrumentIlluminant(*lib, run.DeviceType(), illum)) {
        Error("this instrument cannot be set to illuminant " + o.illuminant +
              " (A, C, D50, D65, D55, D75, E, F1 to F12 or D and a temperature number)");
        return EXIT_USAGE;
    }

    // The stored condition set for this instrument, with the one-run changes.
    VxnSet set(AppConfig::Instance()->GetConfig(), run.DeviceType());
    MeasuringCondition cond = set.GetData();
    bool bConditionForm = !o.given.filter || o.given.illuminant || o.given.observer || o.given.whitebase;
    if (o.given.filter) {
        if (!o.simulate && CheckFilterOffered(set, filter) != EXIT_DONE)
            return EXIT_USAGE;
        cond.SetFilter(ActualFilterClass(filter));
    }
    if (o.given.illuminant)
        cond.SetIllum(IllumClass(illum, IsDxx(illum) ? dxx : set.GetDxxTempNr()));
    if (o.given.observer)
        cond.SetObserver(ObserverClass(observer));
    if (o.given.whitebase)
        cond.SetWBase(WBaseClass(wbase));
    run.Responder().SetWantedFilter(cond.GetFilter().GetType());
    if (o.sample >= 0 && !o.simulate) {
        if (lib->HasaTableWalker()) {
            Error("--sample lays a patch under a hand-held instrument; on the table the sheet decides what is measured");
            return EXIT_USAGE;
        }
        run.Responder().SetSample(o.sample);
        String answer;
        if (PostOffice::Instance()->Control(String("sample " + std::to_string(o.sample)), answer) != 0) {
            Error("--sample needs the virtual instrument: " + (answer.IsEmpty() ? std::string("no answer") : answer.str()));
            return EXIT_USAGE;
        }
    }
    // The file's conditions are known now: a file of other measurements is
    // found out before anything is measured.
    if (o.given.cgats) {
        SetConditionKeywords(cgats, cond);
        if (!cgats.Check(err)) {
            Error(err);
            return EXIT_USAGE;
        }
    }
    CMetry::SetMeasuringConditions(cond);
    int nColorSystem = lib->GetColorSystem();
    // The library reads the count at every measurement; --mean changes it
    // for this run without touching the stored setting.
    if (o.mean > 0)
        AppConfig::Instance()->SetRunValue(String("VXN"), String("MEAN"), String(o.mean));

    // Each finished measurement is shown and written at once, so that a
    // failure later in the series loses nothing that was measured.
    nlohmann::json all = nlohmann::json::array();
    int rc = EXIT_DONE;
    int nDone = 0;
    for (int i = 0; i < o.count; ++i) {
        if (Interrupted()) {
            rc = EXIT_INTERRUPTED;
            break;
        }
        PostOffice::Instance()->ClearLastRefusal();
        PostOffice::Instance()->ClearLastFailure();
        // The simulator leaves the values it was given when the user cancels
        // it; values no measurement gives tell that case apart.
        Spectrum s;
        s.Init(std::numeric_limits<float>::quiet_NaN());
        unsigned char ok = bConditionForm ? lib->Measure(static_cast<Window*>(nullptr), s, cond)
                                          : lib->Measure(static_cast<Window*>(nullptr), s, cond.GetFilter().GetType());
        if (ok && std::isnan(s[0]))
            ok = 0;
        if (!ok) {
            if (Interrupted()) {
                rc = EXIT_INTERRUPTED;
                break;
            }
            std::string why = o.simulate ? text::Get(text::SIMULATOR_CLOSED) : run.WhyItFailed();
            Error(o.count > 1 ? text::Format(text::MEASUREMENT_K_FAILED,
                                             {std::to_string(i + 1), std::to_string(o.count), why})
                              : text::Format(text::MEASUREMENT_FAILED, {why}));
            rc = EXIT_FAILED;
            break;
        }
        Result r = Evaluate(s, cond);
        std::vector<Result> singles;
        for (const Spectrum& single : run.Responder().TakeSeries())
            singles.push_back(Evaluate(single, cond));
        if (o.given.cgats) {
            SetConditionKeywords(cgats, r.condition);
            if (!cgats.Append({RowOf(r)}, err)) {
                Error(err);
                rc = EXIT_FAILED;
            }
        }
        long nValueId = 0;
        if (store && !SaveMeasurement(*store, r.spectrum, r.condition, o.given.name ? o.name : r.name, origin, nValueId,
                                        err)) {
            Error(err);
            rc = EXIT_FAILED;
        }
        // Shown even when the file refused it: the user still has the values.
        if (o.json) {
            all.push_back(singles.empty() ? ResultJson(r, nColorSystem) : MeanJson(r, singles, nColorSystem));
            if (nValueId)
                all.back()["value_id"] = nValueId;
        } else {
            if (!singles.empty())
                std::cout << text::Format(text::MEAN_OF, {std::to_string(singles.size())}) << "\n";
            PrintText(r, i, o.count, nColorSystem);
            if (nValueId)
                std::cout << text::Label(text::SAVED) << text::Format(text::SAVED_VALUE, {std::to_string(nValueId)})
                          << "\n";
        }
        std::cout.flush();
        ++nDone;
        if (rc != EXIT_DONE)
            break;
    }
    if (o.json && (!all.empty() || rc == EXIT_DONE))
        std::cout << all.dump(2) << std::endl;
    if (rc == EXIT_INTERRUPTED)
        Error(text::Format(text::INTERRUPTED_MEASUREMENTS, {std::to_string(nDone), std::to_string(o.count)}));
    return rc;
}

int RunCalibrate(const Globals& g, const std::string& rFilter, bool bYes, bool bNoOperator, bool bJson)
{
    std::string err;
    ValueFilterType filter{};
    if (!ParseFilter(rFilter, filter, err)) {
        Error(err);
        return EXIT_USAGE;
    }
    InstrumentRun run(g, bYes, !bNoOperator);
    if (!run.Connect())
        return run.ConnectFailure();
    VXNLib* lib = &run.Lib();
    VxnSet set(AppConfig::Instance()->GetConfig(), run.DeviceType());
    if (CheckFilterOffered(set, filter) != EXIT_DONE)
        return EXIT_USAGE;
    // Instruments the library never white-calibrates: the call succeeds
    // without measuring anything, which is no calibration to report.
    if (lib->IsaHuepointer() || run.DeviceType() == 2) {
        Error(text::Get(text::NO_WHITE_CALIBRATION));
        return EXIT_FAILED;
    }
    run.Responder().SetWantedFilter(filter);
    PostOffice::Instance()->ClearLastRefusal();
    PostOffice::Instance()->ClearLastFailure();
    if (!lib->WhiteCalibration(filter, 1, 0, 1, 0, 1)) {
        Error(text::Format(text::CALIBRATION_FAILED, {run.WhyItFailed()}));
        return Interrupted() ? EXIT_INTERRUPTED : EXIT_FAILED;
    }
    bool bDeviates = run.Responder().Showed(vxntext::Get(vxntext::WHITE_REFERENCE_DEVIATES));
    std::string name = ActualFilterClass(filter).GetText().str();
    if (bJson) {
        nlohmann::json j = {{"calibrated", true}, {"filter", name}, {"white_reference_deviates", bDeviates}};
        std::cout << j.dump(2) << std::endl;
    } else {
        std::cout << text::Format(text::CALIBRATED, {name});
        if (bDeviates)
            std::cout << text::Get(text::CALIBRATED_DEVIATES);
        std::cout << "\n";
    }
    return EXIT_DONE;
}

} // namespace

Command AddMeasureCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("measure", "measure a sample under the stored conditions");
    auto o = std::make_shared<MeasureOptions>();
    auto* filter =
        c.sub->add_option("--filter", o->filter, "measure under this filter (the filter form: no condition download)");
    auto* illuminant = c.sub->add_option("--illuminant", o->illuminant, "illuminant for this run (D65, D50, A, F11, D93 ...)");
    auto* observer = c.sub->add_option("--observer", o->observer, "observer for this run: 2 or 10");
    auto* whitebase = c.sub->add_option("--whitebase", o->whitebase, "white base for this run: Pap or Abs");
    c.sub->add_option("--count", o->count, "measure N times with the same library object")
        ->check(CLI::Range(1, 10000));
    c.sub->add_option("--mean", o->mean, "average N measurements into each result (this run; settings mean=N stores it)")
        ->check(CLI::Range(1, 1000));
    auto* cgats = c.sub->add_option("--cgats", o->cgats, "append each measurement to this CGATS.17 file as it is taken");
    c.sub->add_flag("--save", o->save, "keep each measurement in the value store as it is taken (see vxn values)");
    auto* name = c.sub->add_option("--name", o->name, "designation of the saved values (default: the colour's name)");
    c.sub->add_option("--sample", o->sample, "virtual instrument: lay chart patch N (1-24) under the head")
        ->check(CLI::Range(1, 24));
    c.sub->add_flag("--json", o->json, "machine-readable output");
    c.sub->add_flag("--simulate", o->simulate, "take the spectrum from the simulator instead of an instrument");
    c.sub->add_flag("--yes,-y", o->yes, "answer every question with its default button");
    c.sub->add_flag("--no-operator", o->noOperator, "do not act as the virtual instrument's operator");
    c.run = [&g, o, filter, illuminant, observer, whitebase, cgats, name] {
        o->given.filter = filter->count() > 0;
        o->given.illuminant = illuminant->count() > 0;
        o->given.observer = observer->count() > 0;
        o->given.whitebase = whitebase->count() > 0;
        o->given.cgats = cgats->count() > 0;
        o->given.name = name->count() > 0;
        return RunMeasure(g, *o);
    };
    return c;
}

Command AddCalibrateCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("calibrate", "white-calibrate the instrument under a filter");
    auto filter = std::make_shared<std::string>();
    auto yes = std::make_shared<bool>(false);
    auto noOperator = std::make_shared<bool>(false);
    auto json = std::make_shared<bool>(false);
    c.sub->add_option("--filter", *filter, "the filter to calibrate under")->required();
    c.sub->add_flag("--yes,-y", *yes, "answer every question with its default button");
    c.sub->add_flag("--no-operator", *noOperator, "do not act as the virtual instrument's operator");
    c.sub->add_flag("--json", *json, "machine-readable output");
    c.run = [&g, filter, yes, noOperator, json] { return RunCalibrate(g, *filter, *yes, *noOperator, *json); };
    return c;
}

Command AddSimulateCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("simulate", "pick a spectrum in the measurement simulator");
    auto o = std::make_shared<MeasureOptions>();
    o->simulate = true;
    c.sub->add_flag("--json", o->json, "machine-readable output");
    c.sub->add_flag("--yes,-y", o->yes, "take the simulator's preselected pad");
    c.run = [&g, o] { return RunMeasure(g, *o); };
    return c;
}

} // namespace vxn

// vxn measure, vxn calibrate, vxn simulate: the library's measuring chain at
// the terminal. Besides what the library sends, these commands only ask the
// instrument questions (device type, identity) and, against a virtual
// instrument, act as its operator out of band.
#include "Commands.hpp"
#include "CgatsFile.hpp"
#include "ConditionArgs.hpp"
#include "ConsoleResponder.hpp"
#include "Session.hpp"

#include "qel/AppConfig.hpp"
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/ColorVector.hpp"
#include "qel/GString.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/conditions/VxnSet.hpp"
#include "qelvxn/library/ScanLib.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdlib>
#include <iostream>

namespace vxn {

namespace {

// A float as the double of its shortest decimal text, so that files and
// JSON show 0.069 rather than the binary float's 0.0689999982714653 and read
// back to the same float.
double Shortest(float f)
{
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, f);
    return ec == std::errc() ? std::strtod(std::string(buf, end).c_str(), nullptr) : static_cast<double>(f);
}

struct MeasureOptions {
    std::string filter, illuminant, observer, whitebase;
    std::string cgats;
    int count = 1;
    int sample = -1;
    bool json = false;
    bool simulate = false;
    bool yes = false;
    bool noOperator = false;
};

// What a failed library call tells the user, from what the transport saw.
std::string WhyItFailed(const ConsoleResponder& rResponder)
{
    PostOffice* po = PostOffice::Instance();
    if (!rResponder.GivenUp().empty())
        return "gave up after the same question kept coming back: " + rResponder.GivenUp();
    if (!rResponder.Unanswered().empty())
        return "a question needs an answer and there is no terminal (use --yes for the default answers): " +
               rResponder.Unanswered();
    if (!po->GetLastError().IsEmpty())
        return "the instrument stopped answering: " + po->GetLastError().str();
    if (po->GetLastRefusal().nMessage)
        return "the instrument refused command " + std::to_string(po->GetLastRefusal().nMessage) + " (status " +
               std::to_string(po->GetLastRefusal().nStatus) + ")";
    return "the measurement was cancelled";
}

nlohmann::json ConditionJson(const MeasuringCondition& c)
{
    return {{"illuminant", c.GetIllum().GetText().str()},
            {"observer", c.GetObserver().GetText().str()},
            {"density_standard", c.GetDStd().GetText().str()},
            {"white_base", c.GetWBase().GetText().str()},
            {"filter", c.GetFilter().GetText().str()}};
}

struct Result {
    Spectrum spectrum;
    MeasuringCondition condition;  // the spectrum's physical conditions, the run's illuminant and observer
    LABVector lab;
    LChVector lch;
    std::string name;
};

Result Evaluate(const Spectrum& rSpectrum, const MeasuringCondition& rRun)
{
    Result r;
    r.spectrum = rSpectrum;
    r.condition = rRun;
    r.condition.SetPhysicalConditions(rSpectrum.GetPhysicalConditions());
    r.lab = LABVector(rSpectrum, r.condition);
    r.lch = LChVector(r.lab);
    r.name = ColorConverter::Farbzuordnung(r.lab).str();
    return r;
}

void PrintText(const Result& r, int nIndex, int nCount)
{
    if (nCount > 1)
        std::cout << "Measurement " << nIndex + 1 << " of " << nCount << "\n";
    std::cout << "Conditions  illuminant " << r.condition.GetIllum().GetText().str() << ", observer "
              << r.condition.GetObserver().GetText().str() << ", filter " << r.condition.GetFilter().GetText().str()
              << ", white base " << r.condition.GetWBase().GetText().str() << "\n";
    std::cout << "Spectrum   ";
    for (int i = 0; i < Spectrum::COUNT; ++i) {
        if (i % 9 == 0)
            std::cout << (i ? "\n           " : " ") << Spectrum::FIRST_NM + 10 * i << ":";
        std::cout << GString(r.spectrum[i], 7, 4).str();
    }
    std::cout << "\nL*a*b*      L*=" << GString(r.lab.GetL(), 7, 2).str() << "  a*=" << GString(r.lab.GetA(), 7, 2).str()
              << "  b*=" << GString(r.lab.GetB(), 7, 2).str() << "\n";
    std::cout << "LCh         L*=" << GString(r.lch.GetL(), 7, 2).str() << "  C*=" << GString(r.lch.GetC(), 7, 2).str()
              << "  h=" << GString(r.lch.GetH(), 7, 2).str() << "\n";
    if (!r.name.empty())
        std::cout << "Colour      " << r.name << "\n";
}

nlohmann::json ResultJson(const Result& r)
{
    std::vector<double> values;
    for (int i = 0; i < Spectrum::COUNT; ++i)
        values.push_back(Shortest(r.spectrum[i]));
    return {{"name", r.name},
            {"conditions", ConditionJson(r.condition)},
            {"spectrum", {{"start_nm", 380}, {"step_nm", 10}, {"values", values}}},
            {"lab", {{"L", r.lab.GetL()}, {"a", r.lab.GetA()}, {"b", r.lab.GetB()}}},
            {"lch", {{"L", r.lch.GetL()}, {"C", r.lch.GetC()}, {"h", r.lch.GetH()}}}};
}

// What every instrument command shares: the session, the responder, the
// library object, the link and the device type.
class Run {
public:
    Run(const Globals& g, bool bYes, bool bNoOperator, bool bNeedsInstrument)
        : maSession(g), maResponder(bYes, false), maUse(maResponder)
    {
        mpLib = VXNLib::CreateVXNLib(0);
        if (!bNeedsInstrument) {
            mbOk = true;
            return;
        }
        if (!maSession.Connect())
            return;
        mnDeviceType = mpLib->GetDeviceType();
        if (!PostOffice::Instance()->GetLastError().IsEmpty()) {
            Error("no instrument answers at " + maSession.Endpoint() + ": " +
                  PostOffice::Instance()->GetLastError().str());
            return;
        }
        if (!bNoOperator && maSession.IsVirtualInstrument())
            maResponder.SetOperator(true);
        mbOk = true;
    }
    ~Run()
    {
        if (VXNLib::mpInstance) {
            VXNLib* p = VXNLib::mpInstance;
            QelSingleton::Remove(p);
            delete p;
        }
    }
    bool Ok() const { return mbOk; }
    VXNLib* Lib() { return mpLib; }
    long DeviceType() const { return mnDeviceType; }
    ConsoleResponder& Responder() { return maResponder; }

private:
    Session maSession;
    ConsoleResponder maResponder;
    ScopedResponder maUse;
    VXNLib* mpLib = nullptr;
    long mnDeviceType = 0;
    bool mbOk = false;
};

int RunMeasure(const Globals& g, const MeasureOptions& o)
{
    // Everything the user typed is checked before the instrument is touched.
    std::string err;
    IllumType illum{};
    short dxx = 0;
    ObserverType observer{};
    StoredWBaseType wbase{};
    ValueFilterType filter{};
    if ((!o.filter.empty() && !ParseFilter(o.filter, filter, err)) ||
        (!o.illuminant.empty() && !ParseIlluminant(o.illuminant, illum, dxx, err)) ||
        (!o.observer.empty() && !ParseObserver(o.observer, observer, err)) ||
        (!o.whitebase.empty() && !ParseWhiteBase(o.whitebase, wbase, err))) {
        Error(err);
        return 2;
    }
    if (!g.config.empty())
        AppConfig::SetPathName(String(g.config));
    CgatsFile cgats(o.cgats);
    if (!o.cgats.empty() && !cgats.CheckWritable(err)) {
        Error(err);
        return 1;
    }

    Run run(g, o.yes, o.noOperator, !o.simulate);
    if (!run.Ok())
        return 1;
    VXNLib* lib = run.Lib();
    VXNLib::Simulator(o.simulate);

    // The stored condition set for this instrument, with the one-run changes.
    VxnSet set(AppConfig::Instance()->GetConfig(), run.DeviceType());
    MeasuringCondition cond = set.GetData();
    bool bConditionForm = o.filter.empty() || !o.illuminant.empty() || !o.observer.empty() || !o.whitebase.empty();
    if (!o.filter.empty())
        cond.SetFilter(ActualFilterClass(filter));
    if (!o.illuminant.empty())
        cond.SetIllum(IllumClass(illum, IsDxx(illum) ? dxx : set.GetDxxTempNr()));
    if (!o.observer.empty())
        cond.SetObserver(ObserverClass(observer));
    if (!o.whitebase.empty())
        cond.SetWBase(WBaseClass(wbase));
    run.Responder().SetWantedFilter(cond.GetFilter().GetType());
    if (o.sample >= 0 && !o.simulate) {
        run.Responder().SetSample(o.sample);
        String answer;
        if (PostOffice::Instance()->Control(String("sample " + std::to_string(o.sample)), answer) != 0) {
            Error("--sample needs the virtual instrument: " + (answer.IsEmpty() ? std::string("no answer") : answer.str()));
            return 2;
        }
    }
    CMetry::SetMeasuringConditions(cond);

    std::vector<Result> results;
    for (int i = 0; i < o.count; ++i) {
        PostOffice::Instance()->ClearLastRefusal();
        Spectrum s;
        unsigned char ok = bConditionForm ? lib->Measure(static_cast<Window*>(nullptr), s, cond)
                                          : lib->Measure(static_cast<Window*>(nullptr), s, cond.GetFilter().GetType());
        if (!ok) {
            Error("measurement " + std::to_string(i + 1) + " failed: " + WhyItFailed(run.Responder()));
            return 1;
        }
        results.push_back(Evaluate(s, cond));
    }

    if (!o.cgats.empty()) {
        const MeasuringCondition& c = results.front().condition;
        cgats.SetKeyword("ILLUMINANT", c.GetIllum().GetText().str());
        cgats.SetKeyword("OBSERVER", c.GetObserver().GetText().str());
        cgats.SetKeyword("FILTER", c.GetFilter().GetText().str());
        cgats.SetKeyword("WHITE_BASE", c.GetWBase().GetText().str());
        std::vector<CgatsRow> rows;
        for (const auto& r : results) {
            CgatsRow row;
            row.name = r.name;
            for (int i = 0; i < Spectrum::COUNT; ++i)
                row.spectrum[i] = Shortest(r.spectrum[i]);
            row.lab[0] = r.lab.GetL();
            row.lab[1] = r.lab.GetA();
            row.lab[2] = r.lab.GetB();
            rows.push_back(row);
        }
        if (!cgats.Append(rows, err)) {
            Error(err);
            return 1;
        }
    }

    if (o.json) {
        nlohmann::json j = nlohmann::json::array();
        for (const auto& r : results)
            j.push_back(ResultJson(r));
        std::cout << (o.count == 1 ? j[0] : j).dump(2) << std::endl;
    } else {
        for (size_t i = 0; i < results.size(); ++i)
            PrintText(results[i], static_cast<int>(i), o.count);
    }
    return 0;
}

int RunCalibrate(const Globals& g, const std::string& rFilter, bool bYes, bool bNoOperator)
{
    std::string err;
    ValueFilterType filter{};
    if (!ParseFilter(rFilter, filter, err)) {
        Error(err);
        return 2;
    }
    if (!g.config.empty())
        AppConfig::SetPathName(String(g.config));
    Run run(g, bYes, bNoOperator, true);
    if (!run.Ok())
        return 1;
    run.Responder().SetWantedFilter(filter);
    PostOffice::Instance()->ClearLastRefusal();
    if (!run.Lib()->WhiteCalibration(filter, 1, 0, 1, 0, 1)) {
        Error("the white calibration failed: " + WhyItFailed(run.Responder()));
        return 1;
    }
    std::cout << "White-calibrated under filter " << ActualFilterClass(filter).GetText().str() << "\n";
    return 0;
}

} // namespace

Command AddMeasureCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("measure", "measure a sample under the stored conditions");
    auto o = std::make_shared<MeasureOptions>();
    c.sub->add_option("--filter", o->filter, "measure under this filter (the filter form: no condition download)");
    c.sub->add_option("--illuminant", o->illuminant, "illuminant for this run (D65, D50, A, F11, D93 ...)");
    c.sub->add_option("--observer", o->observer, "observer for this run: 2 or 10");
    c.sub->add_option("--whitebase", o->whitebase, "white base for this run: Pap or Abs");
    c.sub->add_option("--count", o->count, "measure N times with the same library object")
        ->check(CLI::Range(1, 10000));
    c.sub->add_option("--cgats", o->cgats, "append the measurements to this CGATS.17 file");
    c.sub->add_option("--sample", o->sample, "virtual instrument: lay chart patch N (1-24) under the head")
        ->check(CLI::Range(1, 24));
    c.sub->add_flag("--json", o->json, "machine-readable output");
    c.sub->add_flag("--simulate", o->simulate, "take the spectrum from the simulator instead of an instrument");
    c.sub->add_flag("--yes,-y", o->yes, "answer every question with its default button");
    c.sub->add_flag("--no-operator", o->noOperator, "do not act as the virtual instrument's operator");
    c.run = [&g, o] { return RunMeasure(g, *o); };
    return c;
}

Command AddCalibrateCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("calibrate", "white-calibrate the instrument under a filter");
    auto filter = std::make_shared<std::string>();
    auto yes = std::make_shared<bool>(false);
    auto noOperator = std::make_shared<bool>(false);
    c.sub->add_option("--filter", *filter, "the filter to calibrate under")->required();
    c.sub->add_flag("--yes,-y", *yes, "answer every question with its default button");
    c.sub->add_flag("--no-operator", *noOperator, "do not act as the virtual instrument's operator");
    c.run = [&g, filter, yes, noOperator] { return RunCalibrate(g, *filter, *yes, *noOperator); };
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

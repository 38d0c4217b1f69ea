// vxn values list | show | export | import | delete | copy: the measured
// values kept in the value store (ValueStore.hpp) by `vxn measure --save`
// or an import. These commands touch no instrument.
//
// Several stations may share one store; --station (global) and --since
// choose the values of one station or of a time on for list and copy. copy
// brings an offline station's values into the shared store (or back):
// values keep their universal identity, so copying again adds nothing.
#include "Commands.hpp"
#include "ConditionArgs.hpp"
#include "Interrupt.hpp"
#include "Progress.hpp"
#include "ValueFiles.hpp"
#include "ValueStore.hpp"

#include "qel/GString.hpp"
#include "qel/Spectrum.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <iostream>

namespace vxn {

namespace {

struct Options {
    bool json = false;
    std::vector<std::string> ids;
    std::string cgats, measvalue, file;
    std::string since;     // --since DATE of list and copy
    std::string from, to;  // the stores of copy
};

// Values copied per transaction: a copy that is stopped keeps what it
// finished, and the progress moves.
constexpr long COPY_BLOCK = 500;

// --since as the store compares it: "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS"
// (a T between date and time is taken too); false for anything else.
bool ParseSince(const std::string& rText, std::string& rSince)
{
    std::string t = rText;
    if (t.size() > 10 && t[10] == 'T')
        t[10] = ' ';
    if (t.size() == 16)
        t += ":00";
    long date = 0, time = 0;
    if (!objectId::ParseDateTime(String(t.size() == 10 ? t + " 00:00:00" : t), date, time))
        return false;
    rSince = t;
    return true;
}

// Which values the options choose; false after saying why.
bool SelectionOf(const Globals& g, const Options& o, ObjectStore::Selection& rWhich)
{
    rWhich.station = g.station;
    if (!o.since.empty() && !ParseSince(o.since, rWhich.since)) {
        Error("--since '" + o.since + "' is not a date (YYYY-MM-DD, or YYYY-MM-DD HH:MM:SS)");
        return false;
    }
    return true;
}

bool ParseIds(const std::vector<std::string>& rTexts, std::vector<long>& rIds)
{
    for (const auto& t : rTexts) {
        long id = 0;
        if (!ParseInt(t, 1, 0x7FFFFFFF, id)) {
            Error("'" + t + "' is not a value ID (a number from 1 on, see vxn values list)");
            return false;
        }
        rIds.push_back(id);
    }
    return true;
}

std::string NoValue(const Globals& g, long nId)
{
    return "no value " + std::to_string(nId) + " in " + StorePath(g.store);
}

// The store for a command on one value; null after saying why.
std::unique_ptr<ObjectStore> OpenStoreOf(const Globals& g, long nId)
{
    std::string err;
    bool missing = false;
    auto store = OpenValueStore(g.store, false, err, &missing);
    if (!store)
        Error(missing ? NoValue(g, nId) + " (there is no store yet)" : err);
    return store;
}

// Every stored value (rWhich selects); an absent store holds none.
int LoadAll(const Globals& g, ValueSet& rValues, const ObjectStore::Selection& rWhich = {})
{
    std::string err;
    bool missing = false;
    auto store = OpenValueStore(g.store, false, err, &missing);
    if (!store) {
        if (missing)
            return EXIT_DONE;
        Error(err);
        return EXIT_FAILED;
    }
    if (store->Load(rValues, rWhich) != PT_OK) {
        Error(store->GetLastError().str());
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

// The characters of UTF-8 text (not its bytes: "2°" is two).
size_t Characters(const std::string& s)
{
    size_t chars = 0;
    for (unsigned char c : s)
        chars += (c & 0xC0) != 0x80 ? 1 : 0;
    return chars;
}

// Text padded with blanks to a width in characters.
std::string Pad(const std::string& s, size_t nWidth)
{
    size_t chars = Characters(s);
    return s + std::string(chars < nWidth ? nWidth - chars : 0, ' ');
}

std::string Or(const std::string& s, const char* pElse)
{
    return s.empty() ? pElse : s;
}

nlohmann::json Nullable(const std::string& s)
{
    return s.empty() ? nlohmann::json(nullptr) : nlohmann::json(s);
}

nlohmann::json ValueJson(GPtMesswert& v, bool bDetails)
{
    ConditionTexts c = ConditionsOf(v);
    nlohmann::json j = {{"id", v.GetId()},
                        {"uid", v.GetUid()},
                        {"name", v.GetBezeichnung().str()},
                        {"created", v.GetDateTimeText().str()},
                        {"station", Nullable(v.GetStation())},
                        {"instrument", Nullable(v.GetInstrument())},
                        {"kind", KindOf(v)},
                        {"conditions",
                         {{"illuminant", Nullable(c.illuminant)},
                          {"observer", Nullable(c.observer)},
                          {"filter", Nullable(c.filter)},
                          {"white_base", Nullable(c.whiteBase)}}}};
    LABVector lab;
    bool bLab = LabOf(v, lab);
    j["lab"] = bLab ? nlohmann::json{{"L", lab.GetL()}, {"a", lab.GetA()}, {"b", lab.GetB()}} : nlohmann::json(nullptr);
    if (bDetails) {
        LChVector lch(lab);
        j["lch"] = bLab ? nlohmann::json{{"L", lch.GetL()}, {"C", lch.GetC()}, {"h", lch.GetH()}} : nlohmann::json(nullptr);
        if (v.IsA() == GPtMesswert::TYPE_SPECTRUM) {
            std::vector<double> values;
            for (int i = 0; i < GPtMesswert::VALUE_COUNT; ++i)
                values.push_back(Shortest(v.GetValues()[i]));
            j["spectrum"] = {{"start_nm", Spectrum::FIRST_NM}, {"step_nm", Spectrum::STEP_NM}, {"values", values}};
        } else {
            j["spectrum"] = nullptr;
        }
    }
    return j;
}

void PrintJson(const nlohmann::json& j)
{
    // Designations are the user's bytes: what is not UTF-8 is replaced.
    std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

std::string LabColumns(GPtMesswert& v)
{
    LABVector lab;
    if (!LabOf(v, lab))
        return "      -       -       -";
    return GString(lab.GetL(), 7, 2).str() + " " + GString(lab.GetA(), 7, 2).str() + " " +
           GString(lab.GetB(), 7, 2).str();
}

std::string ConditionColumn(GPtMesswert& v)
{
    ConditionTexts c = ConditionsOf(v);
    return Or(c.illuminant, "-") + "/" + Or(c.observer, "-") + " " + Or(c.filter, "-") + " " + Or(c.whiteBase, "-");
}

// The width of a column in characters: its title or its widest text.
size_t Width(ValueSet& rValues, const char* pTitle, const std::string& (objectId::*pText)() const)
{
    size_t w = std::strlen(pTitle);
    for (long i = 0; i < rValues.Count(); ++i)
        w = std::max(w, Characters((rValues.At(i)->*pText)()));
    return w;
}

int List(const Globals& g, const Options& o)
{
    ObjectStore::Selection which;
    if (!SelectionOf(g, o, which))
        return EXIT_USAGE;
    ValueSet values;
    if (int rc = LoadAll(g, values, which); rc != EXIT_DONE)
        return rc;
    if (o.json) {
        nlohmann::json all = nlohmann::json::array();
        for (long i = 0; i < values.Count(); ++i)
            all.push_back(ValueJson(*values.At(i), false));
        PrintJson(all);
        return EXIT_DONE;
    }
    if (values.Count() == 0) {
        std::cout << "No values" << (which.station.empty() ? "" : " of station " + which.station)
                  << (which.since.empty() ? "" : " since " + which.since) << " in " << StorePath(g.store) << "\n";
        return EXIT_DONE;
    }
    size_t station = Width(values, "Station", &objectId::GetStation);
    size_t instrument = Width(values, "Instrument", &objectId::GetInstrument);
    std::cout << "   ID  Created              " << Pad("Station", station) << "  " << Pad("Instrument", instrument)
              << "  Kind      Conditions           L*      a*      b*  Name\n";
    for (long i = 0; i < values.Count(); ++i) {
        GPtMesswert& v = *values.At(i);
        std::string id = std::to_string(v.GetId());
        std::cout << std::string(id.size() < 5 ? 5 - id.size() : 0, ' ') << id << "  " << v.GetDateTimeText().str()
                  << "  " << Pad(Or(v.GetStation(), "-"), station) << "  " << Pad(Or(v.GetInstrument(), "-"), instrument)
                  << "  " << Pad(KindOf(v), 8) << "  " << Pad(ConditionColumn(v), 16) << " " << LabColumns(v) << "  "
                  << v.GetBezeichnung().str() << "\n";
    }
    return EXIT_DONE;
}

int Show(const Globals& g, const Options& o)
{
    std::vector<long> ids;
    if (!ParseIds(o.ids, ids))
        return EXIT_USAGE;
    auto store = OpenStoreOf(g, ids[0]);
    if (!store)
        return EXIT_FAILED;
    GPtMesswert v;
    if (PtErrorCode e = store->Load(ids[0], v); e != PT_OK) {
        Error(e == PT_NOT_FOUND ? NoValue(g, ids[0]) : store->GetLastError().str());
        return EXIT_FAILED;
    }
    if (o.json) {
        PrintJson(ValueJson(v, true));
        return EXIT_DONE;
    }
    ConditionTexts c = ConditionsOf(v);
    std::cout << "Value       " << v.GetId() << "\n"
              << "Name        " << v.GetBezeichnung().str() << "\n"
              << "Created     " << v.GetDateTimeText().str() << "\n"
              << "Station     " << Or(v.GetStation(), "-") << "\n"
              << "Instrument  " << Or(v.GetInstrument(), "-") << "\n"
              << "Identity    " << v.GetUid() << "\n"
              << "Kind        " << KindOf(v) << "\n"
              << "Conditions  illuminant " << Or(c.illuminant, "-") << ", observer " << Or(c.observer, "-")
              << ", filter " << Or(c.filter, "-") << ", white base " << Or(c.whiteBase, "-") << "\n";
    if (v.IsA() == GPtMesswert::TYPE_SPECTRUM) {
        std::cout << "Spectrum   ";
        for (int i = 0; i < Spectrum::COUNT; ++i) {
            if (i % 9 == 0)
                std::cout << (i ? "\n           " : " ") << Spectrum::FIRST_NM + Spectrum::STEP_NM * i << ":";
            std::cout << GString(v.GetValues()[i], 7, 4).str();
        }
        std::cout << "\n";
    }
    LABVector lab;
    if (LabOf(v, lab)) {
        LChVector lch(lab);
        std::cout << "L*a*b*      L*=" << GString(lab.GetL(), 7, 2).str() << "  a*=" << GString(lab.GetA(), 7, 2).str()
                  << "  b*=" << GString(lab.GetB(), 7, 2).str() << "\n"
                  << "LCh         L*=" << GString(lch.GetL(), 7, 2).str() << "  C*=" << GString(lch.GetC(), 7, 2).str()
                  << "  h=" << GString(lch.GetH(), 7, 2).str() << "\n";
    }
    return EXIT_DONE;
}

int Export(const Globals& g, const Options& o, bool bCgats)
{
    const std::string& path = bCgats ? o.cgats : o.measvalue;
    if (path.empty()) {
        Error(std::string(bCgats ? "--cgats" : "--measvalue") + " needs a file name");
        return EXIT_USAGE;
    }
    std::vector<long> ids;
    if (!ParseIds(o.ids, ids))
        return EXIT_USAGE;
    ValueSet all;
    if (int rc = LoadAll(g, all); rc != EXIT_DONE)
        return rc;
    // The values named, in the order named; all of them without names.
    ValueSet chosen;
    for (long id : ids) {
        GPtMesswert* v = all.Find(id);
        if (!v) {
            Error(NoValue(g, id));
            return EXIT_FAILED;
        }
        auto copy = std::make_unique<GPtMesswert>(*v);
        chosen.Append(copy.release());
    }
    ValueSet& out = ids.empty() ? all : chosen;
    if (out.Count() == 0) {
        Error("no values to export in " + StorePath(g.store));
        return EXIT_FAILED;
    }
    std::string err;
    if (!(bCgats ? WriteCgatsFile(path, out, err) : WriteMeasValueFile(path, out, err))) {
        Error(err);
        return EXIT_FAILED;
    }
    std::cout << "Exported " << out.Count() << (out.Count() == 1 ? " value" : " values") << " to " << path << "\n";
    return EXIT_DONE;
}

int Import(const Globals& g, const Options& o)
{
    ValueSet values;
    std::vector<std::string> warnings;
    std::string err;
    bool ok = ReadValueFile(o.file, values, warnings, err);
    for (const auto& w : warnings)
        Warning(w);
    if (!ok) {
        Error(err + "; nothing was imported");
        return EXIT_FAILED;
    }
    if (values.Count() == 0) {
        Error(o.file + " holds no measured value; nothing was imported");
        return EXIT_FAILED;
    }
    auto store = OpenValueStore(g.store, true, err);
    if (!store) {
        Error(err);
        return EXIT_FAILED;
    }
    // Brought in at this station; no instrument of ours measured them.
    const std::string station = StationName(g.station);
    for (long i = 0; i < values.Count(); ++i)
        values.At(i)->SetOrigin(station, "");
    if (store->Save(values) != PT_OK) {
        Error(store->GetLastError().str() + "; nothing was imported");
        return EXIT_FAILED;
    }
    std::cout << "Imported " << values.Count() << (values.Count() == 1 ? " value" : " values") << " as "
              << values.At(0)->GetId();
    if (values.Count() > 1)
        std::cout << " to " << values.At(values.Count() - 1)->GetId();
    std::cout << "\n";
    return EXIT_DONE;
}

int Delete(const Globals& g, const Options& o)
{
    std::vector<long> ids;
    if (!ParseIds(o.ids, ids))
        return EXIT_USAGE;
    auto store = OpenStoreOf(g, ids[0]);
    if (!store)
        return EXIT_FAILED;
    if (PtErrorCode e = store->Remove(ids[0], GPtMesswert::CLASS_ID); e != PT_OK) {
        Error(e == PT_NOT_FOUND ? NoValue(g, ids[0]) : store->GetLastError().str());
        return EXIT_FAILED;
    }
    std::cout << "Deleted value " << ids[0] << "\n";
    return EXIT_DONE;
}

int Copy(const Globals& g, const Options& o)
{
    if (o.from.empty() && o.to.empty()) {
        Error("copy needs --from STORE or --to STORE (the other one is this station's store)");
        return EXIT_USAGE;
    }
    ObjectStore::Selection which;
    if (!SelectionOf(g, o, which))
        return EXIT_USAGE;
    const std::string from = o.from.empty() ? g.store : o.from, to = o.to.empty() ? g.store : o.to;
    if (SameStore(from, to)) {
        Error("--from and --to name the same store (" + StorePath(from) + ")");
        return EXIT_USAGE;
    }
    std::string err;
    bool missing = false;
    auto source = OpenValueStore(from, false, err, &missing);
    if (!source) {
        Error(missing ? "there is no store at " + StorePath(from) : err);
        return EXIT_FAILED;
    }
    ValueSet values;
    if (source->Load(values, which) != PT_OK) {
        Error(source->GetLastError().str());
        return EXIT_FAILED;
    }
    auto target = OpenValueStore(to, true, err);
    if (!target) {
        Error(err);
        return EXIT_FAILED;
    }
    const long total = values.Count();
    const std::string src = source->GetLocation().str(), dst = target->GetLocation().str();
    long added = 0, done = 0;
    int rc = EXIT_DONE;
    {
        std::unique_ptr<Progress> progress;
        if (total > COPY_BLOCK)
            progress = std::make_unique<Progress>(static_cast<size_t>(total));
        while (done < total) {
            if (Interrupted()) {
                rc = EXIT_INTERRUPTED;
                break;
            }
            ValueSet block;
            for (long i = done; i < std::min(total, done + COPY_BLOCK); ++i)
                block.Append(new GPtMesswert(*values.At(i)));
            long n = 0;
            if (target->Adopt(block, n) != PT_OK) {
                if (progress)
                    progress->Break();
                Error(target->GetLastError().str());
                rc = EXIT_FAILED;
                break;
            }
            added += n;
            done += block.Count();
            if (progress)
                progress->Show(static_cast<size_t>(done), std::to_string(done) + " of " + std::to_string(total) +
                                                              " values, " + Clock(progress->Elapsed()) + " (" +
                                                              progress->Remaining(static_cast<size_t>(done)) + " left)");
        }
    }
    std::cout << "Copied " << added << (added == 1 ? " value" : " values") << " from " << src << " to " << dst;
    if (done - added > 0)
        std::cout << "; " << done - added << " " << (done - added == 1 ? "was" : "were") << " there already";
    if (done < total)
        std::cout << "; " << total - done << " not copied";
    std::cout << "\n";
    return rc;
}

} // namespace

Command AddValuesCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("values",
                               "the measured values kept by measure --save: list, show, export, import, delete, copy");
    c.sub->require_subcommand(1);
    auto o = std::make_shared<Options>();
    auto* list = c.sub->add_subcommand("list", "list the stored values (--station NAME: one station's)");
    list->add_flag("--json", o->json, "machine-readable output");
    auto* show = c.sub->add_subcommand("show", "one value with its spectrum and colour");
    show->add_option("ID", o->ids, "the value's ID (see list)")->required()->expected(1);
    show->add_flag("--json", o->json, "machine-readable output");
    auto* exp = c.sub->add_subcommand("export", "write values to a file (all values without IDs)");
    auto* cgats = exp->add_option("--cgats", o->cgats, "as a CGATS.17 file");
    auto* measvalue = exp->add_option("--measvalue", o->measvalue, "as MeasValue sections");
    cgats->excludes(measvalue);
    exp->add_option("ID", o->ids, "the values to export, in this order");
    auto* imp = c.sub->add_subcommand("import", "store the values of a MeasValue or CGATS file");
    imp->add_option("FILE", o->file, "MeasValue sections, or CGATS with SPECTRAL_380..730 or LAB_L/A/B fields")
        ->required();
    auto* del = c.sub->add_subcommand("delete", "remove a stored value");
    del->add_option("ID", o->ids, "the value's ID")->required()->expected(1);
    auto* copy = c.sub->add_subcommand(
        "copy", "copy values between two stores (--station NAME: one station's); values already there are skipped");
    copy->add_option("--from", o->from, "the store to copy from (default: this station's store)")->option_text("STORE");
    copy->add_option("--to", o->to, "the store to copy to, created when missing (default: this station's store)")
        ->option_text("STORE");
    for (CLI::App* sub : {list, copy})
        sub->add_option("--since", o->since, "only values created on or after DATE (YYYY-MM-DD[ HH:MM:SS])")
            ->option_text("DATE");
    c.run = [&g, o, list, show, exp, imp, cgats, measvalue, copy] {
        if (list->parsed())
            return List(g, *o);
        if (show->parsed())
            return Show(g, *o);
        if (exp->parsed()) {
            if (cgats->count() + measvalue->count() == 0) {
                Error("export needs --cgats FILE or --measvalue FILE");
                return static_cast<int>(EXIT_USAGE);
            }
            return Export(g, *o, cgats->count() > 0);
        }
        if (imp->parsed())
            return Import(g, *o);
        if (copy->parsed())
            return Copy(g, *o);
        return Delete(g, *o);
    };
    return c;
}

} // namespace vxn

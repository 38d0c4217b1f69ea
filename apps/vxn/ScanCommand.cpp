// vxn scan: measuring on the scanning table. The table carries the
// instrument to each position of a positions file, lowers it and measures
// (once, or several times at points spread around the position and
// averaged); or the operator shows positions with the sight and the
// instrument's key, and they are written to a positions file.
//
// Positions files are described in Positions.hpp;
// data/chart24-positions.csv lays out the virtual table's chart.
//
// Every finished position is printed and appended to the CGATS file at
// once, so that a failure or Ctrl-C later in the scan loses nothing that was
// measured.
#include "CgatsFile.hpp"
#include "Commands.hpp"
#include "InstrumentRun.hpp"
#include "Positions.hpp"
#include "Progress.hpp"
#include "Interrupt.hpp"
#include "Results.hpp"
#include "Texts.hpp"

#include "qel/AppConfig.hpp"
#include "qel/CMetry.hpp"
#include "qel/GString.hpp"
#include "qel/PostOffice.hpp"
#include "qel/SafeFile.hpp"
#include "qelvxn/conditions/VxnSet.hpp"
#include "qelvxn/library/ScanLib.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>

namespace vxn {

namespace {

struct ScanOptions {
    std::string positions;
    int repeat = 1;
    long spread = 0;
    std::string cgats;
    bool json = false;
    bool yes = false;
    bool noOperator = false;
    unsigned seed = 0;
    bool seedGiven = false;
    bool cgatsGiven = false;
    int pick = 0;
    std::string out;
    std::string pickFrom;
};

std::string PositionsText(const std::vector<TablePosition>& rPositions)
{
    std::string s = "name,x,y\n";
    for (const auto& p : rPositions)
        s += p.name + "," + std::to_string(p.x) + "," + std::to_string(p.y) + "\n";
    return s;
}

// The progress of a scan: which position is measured, how long it took
// and how long the rest will take.
void ShowPosition(Progress& rProgress, size_t k, const std::string& rName)
{
    rProgress.Show(k, text::Format(text::SCAN_PROGRESS, {std::to_string(k + 1), std::to_string(rProgress.Total()),
                                                         rName, Clock(rProgress.Elapsed()), rProgress.Remaining(k)}));
}

// The scanning side of the run's library object; null, after saying why,
// when the instrument has no table.
ScanLib* Table(InstrumentRun& rRun)
{
    auto* scan = dynamic_cast<ScanLib*>(&rRun.Lib());
    if (!scan || !rRun.Lib().HasaTableWalker()) {
        Error(text::Get(text::NO_TABLE));
        return nullptr;
    }
    return scan;
}

int RunScan(const Globals& g, const ScanOptions& o)
{
    std::string err;
    std::vector<TablePosition> positions;
    if (!ReadPositions(o.positions, positions, err)) {
        Error(err);
        return EXIT_USAGE;
    }
    if (o.spread > 0 && o.repeat < 2) {
        Error("--spread places repeated measurements around each position; give --repeat 2 or more");
        return EXIT_USAGE;
    }
    if (o.cgatsGiven && o.cgats.empty()) {
        Error("--cgats needs a file name");
        return EXIT_USAGE;
    }
    CgatsFile cgats(o.cgats, true);
    if (o.cgatsGiven && !cgats.Check(err)) {
        Error(err);
        return EXIT_USAGE;
    }

    InstrumentRun run(g, o.yes, !o.noOperator);
    if (!run.Connect())
        return run.ConnectFailure();
    ScanLib* table = Table(run);
    if (!table)
        return EXIT_USAGE;
    VxnSet set(AppConfig::Instance()->GetConfig(), run.DeviceType());
    MeasuringCondition cond = set.GetData();
    if (o.cgatsGiven) {
        SetConditionKeywords(cgats, cond);
        if (!cgats.Check(err)) {
            Error(err);
            return EXIT_USAGE;
        }
    }
    run.Responder().SetWantedFilter(cond.GetFilter().GetType());
    CMetry::SetMeasuringConditions(cond);
    // The spread's random points repeat for a given seed.
    std::srand(o.seedGiven ? o.seed : static_cast<unsigned>(std::time(nullptr)));
    int nColorSystem = run.Lib().GetColorSystem();

    Progress progress(positions.size());
    nlohmann::json all = nlohmann::json::array();
    int rc = EXIT_DONE;
    size_t nDone = 0;
    for (const TablePosition& p : positions) {
        if (Interrupted()) {
            rc = EXIT_INTERRUPTED;
            break;
        }
        ShowPosition(progress, nDone, p.name);
        InstrumentRun::ClearFailures();
        Spectrum s;
        Point at(p.x, p.y);
        unsigned char ok = o.repeat > 1 ? table->MultiMeasurementAtPos(nullptr, s, o.repeat, at,
                                                                       Size(o.spread, o.spread), cond)
                                        : table->MeasureAtPos(nullptr, s, at, cond);
        if (!ok) {
            progress.Break();
            if (Interrupted()) {
                rc = EXIT_INTERRUPTED;
                break;
            }
            Error(text::Format(text::SCAN_POSITION_FAILED,
                               {p.name, std::to_string(nDone + 1), std::to_string(positions.size()),
                                std::to_string(p.x) + "," + std::to_string(p.y), run.WhyItFailed()}));
            rc = EXIT_FAILED;
            break;
        }
        Result r = Evaluate(s, cond);
        if (o.cgatsGiven) {
            SetConditionKeywords(cgats, r.condition);
            CgatsRow row = RowOf(r);
            row.name = p.name;
            row.x = p.x;
            row.y = p.y;
            if (!cgats.Append({row}, err)) {
                progress.Break();
                Error(err);
                rc = EXIT_FAILED;
            }
        }
        // Shown even when the file refused it: the user still has the values.
        if (o.json) {
            nlohmann::json j = ResultJson(r, nColorSystem);
            j["sample"] = p.name;
            j["position"] = {{"x", p.x}, {"y", p.y}};
            if (o.repeat > 1)
                j["mean_of"] = o.repeat;
            all.push_back(j);
        } else {
            std::cout << p.name << "\t" << p.x << "," << p.y << "\tL*=" << GString(r.lab.GetL(), 7, 2).str()
                      << "  a*=" << GString(r.lab.GetA(), 7, 2).str() << "  b*=" << GString(r.lab.GetB(), 7, 2).str()
                      << std::endl;
        }
        ++nDone;
        if (rc != EXIT_DONE)
            break;
    }
    progress.Break();
    if (o.json && (!all.empty() || rc == EXIT_DONE))
        std::cout << all.dump(2) << std::endl;
    if (rc == EXIT_INTERRUPTED)
        Error(text::Format(text::INTERRUPTED_POSITIONS, {std::to_string(nDone), std::to_string(positions.size())}));
    if (rc != EXIT_DONE && o.cgatsGiven && nDone)
        Error(text::Format(text::FINISHED_POSITIONS_KEPT, {o.cgats}));
    return rc;
}

int RunPick(const Globals& g, const ScanOptions& o)
{
    std::string err;
    if (o.out.empty()) {
        Error("--pick writes the positions to a file: give --out FILE");
        return EXIT_USAGE;
    }
    if (!o.positions.empty()) {
        Error("--pick takes no positions file (it makes one with --out)");
        return EXIT_USAGE;
    }
    std::vector<TablePosition> script;
    if (!o.pickFrom.empty()) {
        if (!ReadPositions(o.pickFrom, script, err)) {
            Error(err);
            return EXIT_USAGE;
        }
        if (script.size() < static_cast<size_t>(o.pick)) {
            Error(o.pickFrom + " holds " + std::to_string(script.size()) + " positions; --pick asks for " +
                  std::to_string(o.pick));
            return EXIT_USAGE;
        }
    }
    // The file is known to be writable before the operator starts.
    if (!qel::WriteFileAtomically(o.out, PositionsText({}), err)) {
        Error(err);
        return EXIT_USAGE;
    }

    InstrumentRun run(g, o.yes, false);
    if (!run.Connect())
        return run.ConnectFailure();
    ScanLib* table = Table(run);
    if (!table)
        return EXIT_USAGE;
    if (!script.empty()) {
        String state;
        if (PostOffice::Instance()->Control(String("state"), state) != 0) {
            Error("--pick-from plays the operator of the virtual table; this instrument has a real one");
            return EXIT_USAGE;
        }
        std::vector<std::pair<long, long>> moves;
        for (const auto& p : script)
            moves.emplace_back(p.x, p.y);
        run.Responder().SetPicks(moves);
    }

    // The sight starts where it is; each pick starts from the one before.
    unsigned short x0 = 0, y0 = 0;
    ZKoordTYPE z{};
    if (!table->OutputActualPosition(REFERENCE_SHEET, x0, y0, z)) {
        Error("the table does not say where the sight is: " + run.WhyItFailed());
        return EXIT_FAILED;
    }
    Point at(x0, y0);
    std::vector<TablePosition> picked;
    for (int k = 0; k < o.pick; ++k) {
        if (Interrupted())
            break;
        std::string name = script.empty() ? "P" + std::to_string(k + 1) : script[static_cast<size_t>(k)].name;
        std::string count = std::to_string(k + 1) + " of " + std::to_string(o.pick);
        InstrumentRun::ClearFailures();
        if (!table->ScanPosition(nullptr, String(text::Format(text::PICK_TITLE, {count})),
                                 String(text::Format(text::PICK_INSTRUCTION, {count, name})), at)) {
            if (Interrupted())
                break;
            std::string why = InstrumentRun::LastFailure();
            Error("position " + count + " was not taken: " + (why.empty() ? "cancelled" : why));
            return EXIT_FAILED;
        }
        picked.push_back({name, at.X(), at.Y()});
        if (!qel::WriteFileAtomically(o.out, PositionsText(picked), err)) {
            Error(err);
            return EXIT_FAILED;
        }
        std::cout << name << "\t" << at.X() << "," << at.Y() << std::endl;
    }
    if (Interrupted()) {
        Error("interrupted after " + std::to_string(picked.size()) + " of " + std::to_string(o.pick) +
              " positions; they are in " + o.out);
        return EXIT_INTERRUPTED;
    }
    return EXIT_DONE;
}

} // namespace

Command AddScanCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("scan", "measure the positions of a file on the scanning table, or pick positions");
    auto o = std::make_shared<ScanOptions>();
    c.sub->add_option("positions", o->positions, "positions file: lines name,x,y in table units (0.1 mm)");
    c.sub->add_option("--repeat", o->repeat, "average N measurements at each position")->check(CLI::Range(1, 100));
    c.sub->add_option("--spread", o->spread, "with --repeat: spread the measurements over S table units around it")
        ->check(CLI::Range(0L, MAX_COORDINATE));
    auto* seed = c.sub->add_option("--seed", o->seed, "seed of the spread's random points (repeatable runs)");
    auto* cgats = c.sub->add_option("--cgats", o->cgats, "append each position's measurement to this CGATS.17 file");
    c.sub->add_flag("--json", o->json, "machine-readable output");
    c.sub->add_flag("--yes,-y", o->yes, "answer every question with its default button");
    c.sub->add_flag("--no-operator", o->noOperator, "do not act as the virtual instrument's operator");
    c.sub->add_option("--pick", o->pick, "let the operator show N positions with the sight and the key")
        ->check(CLI::Range(1, 1000));
    c.sub->add_option("--out", o->out, "with --pick: the positions file to write");
    c.sub->add_option("--pick-from", o->pickFrom,
                      "with --pick against the virtual table: the positions the operator shows (a positions file)");
    c.run = [&g, o, seed, cgats] {
        o->seedGiven = seed->count() > 0;
        o->cgatsGiven = cgats->count() > 0;
        if (o->pick > 0)
            return RunPick(g, *o);
        if (!o->out.empty() || !o->pickFrom.empty()) {
            Error("--out and --pick-from go with --pick N");
            return static_cast<int>(EXIT_USAGE);
        }
        if (o->positions.empty()) {
            Error("scan needs a positions file (or --pick N --out FILE)");
            return static_cast<int>(EXIT_USAGE);
        }
        return RunScan(g, *o);
    };
    return c;
}

} // namespace vxn

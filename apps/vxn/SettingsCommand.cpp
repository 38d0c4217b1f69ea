// vxn settings show | set KEY=VALUE ...: the stored measuring conditions
// (group "VXNSettings") and the measuring preferences (groups "VXN" and
// "Settings") of the configuration file.
#include "Commands.hpp"
#include "ConditionArgs.hpp"
#include "Session.hpp"

#include "qel/AppConfig.hpp"
#include "qel/ConditionClasses.hpp"
#include "qel/ConditionText.hpp"
#include "qelvxn/conditions/VxnSet.hpp"
#include "qelvxn/library/ScanLib.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iostream>
#include <map>

namespace vxn {

namespace {

struct Options {
    std::vector<std::string> assignments;
    long deviceType = 0;
    bool json = false;
    bool quiet = false;  // stored-setting warnings already given
};

const char* ColorSystemName(int n)
{
    switch (n) {
    case CTYPE_LAB: return "L*a*b*";
    case CTYPE_LCH: return "LCh";
    case CTYPE_LABMG: return "DIN99 a b";
    case CTYPE_LCHMG: return "DIN99 C h";
    default: return "unknown";
    }
}

// The library object reads and writes the preferences; it asks the
// instrument nothing while doing so (calibration excepted, read directly).
VXNLib* Library()
{
    if (!VXNLib::mpInstance)
        VXNLib::CreateVXNLib(0);
    return VXNLib::mpInstance;
}

void WarnAboutStoredSettings()
{
    for (const auto& p : StoredSettingProblems())
        Warning(p);
}

int Show(const Options& o)
{
    if (!o.quiet)
        WarnAboutStoredSettings();
    Config* cfg = AppConfig::Instance()->GetConfig();
    VxnSet set(cfg, o.deviceType);
    VXNLib* lib = Library();
    String cal = AppConfig::Instance()->ReadKey("VXN", "Calibration", "1");
    IllumClass illum(set.GetIllumination(), set.GetDxxTempNr());
    int cs = lib->GetColorSystem();
    std::vector<std::pair<std::string, std::string>> rows = {
        {"illuminant", illum.GetText().str()},
        {"dxx", std::to_string(set.GetDxxTempNr())},
        {"observer", ObserverClass(set.GetObserver()).GetText().str()},
        {"density", DStdClass(set.GetDStd()).GetText().str()},
        {"whitebase", WBaseClass(set.GetWhiteBase()).GetText().str()},
        {"filter", ActualFilterClass(set.GetFilter()).GetText().str()},
        {"mean", std::to_string(lib->GetVXNMeanCount())},
        {"calibration", std::to_string(cal.ToInt())},
        {"meas-at-unit", std::to_string(lib->GetMessenAmVXN())},
        {"colorsystem", std::to_string(cs)},
    };
    if (o.json) {
        nlohmann::json j;
        j["configuration"] = AppConfig::Instance()->GetPathName().str();
        j["device_class"] = set.GetDeviceClass();
        for (auto& [k, v] : rows)
            j["settings"][k] = v;
        std::cout << j.dump(2) << std::endl;
        return 0;
    }
    std::cout << "configuration  " << AppConfig::Instance()->GetPathName().str() << "\n";
    for (auto& [k, v] : rows) {
        std::cout << k << std::string(15 - k.size(), ' ') << v;
        if (k == "colorsystem")
            std::cout << " (" << ColorSystemName(cs) << "; vxn measure adds DIN99 for 11 and 12)";
        else if (k == "mean")
            std::cout << " (measurements averaged into one result; vxn measure --mean N for one run)";
        else if (k == "meas-at-unit")
            std::cout << " (1: while averaging, measurements triggered at the instrument count too)";
        else if (k == "calibration")
            std::cout << " (0: vxn measure does not ask to white-calibrate)";
        std::cout << "\n";
    }
    std::cout << "(filters offered by device class " << set.GetDeviceClass() << ":";
    for (int i = 0; set.GetPossibleFilter(i) != FILTER_NOT_SET; ++i)
        std::cout << " " << ActualFilterClass(set.GetPossibleFilter(i)).GetText().str();
    std::cout << ")\n";
    return 0;
}

int Set(const Options& o)
{
    WarnAboutStoredSettings();
    Config* cfg = AppConfig::Instance()->GetConfig();
    VxnSet set(cfg, o.deviceType);
    IllumType illum = set.GetIllumination();
    short dxx = set.GetDxxTempNr();
    ObserverType observer = set.GetObserver();
    DStdType dstd = set.GetDStd();
    StoredWBaseType wbase = set.GetWhiteBase();
    ValueFilterType filter = set.GetFilter();
    std::map<std::string, long> prefs;

    // Everything is checked before anything is written.
    for (const auto& a : o.assignments) {
        size_t eq = a.find('=');
        if (eq == std::string::npos || eq == 0) {
            Error("'" + a + "' is not KEY=VALUE");
            return 2;
        }
        std::string key = a.substr(0, eq), value = a.substr(eq + 1);
        long n = 0;
        std::string err;
        bool ok = true;
        if (key == "illuminant") {
            ok = ParseIlluminant(value, illum, dxx, err);
        } else if (key == "dxx") {
            ok = ParseInt(value, 30, 300, n);
            if (ok)
                dxx = static_cast<short>(n);
            else
                err = "dxx must be a temperature number from 30 to 300, not '" + value + "'";
        } else if (key == "observer") {
            ok = ParseObserver(value, observer, err);
        } else if (key == "density") {
            ok = ParseDensity(value, dstd, err);
        } else if (key == "whitebase") {
            ok = ParseWhiteBase(value, wbase, err);
        } else if (key == "filter") {
            ValueFilterType f{};
            ok = ParseFilter(value, f, err);
            if (ok && f != set.GetPossibleFilter(set.GetFilterEntry(f))) {
                ok = false;
                err = "filter " + value + " is not offered by device class " + std::to_string(set.GetDeviceClass()) +
                      " (give the instrument's --device-type)";
            }
            if (ok)
                filter = f;
        } else if (key == "mean" || key == "calibration" || key == "meas-at-unit" || key == "colorsystem") {
            ok = key == "mean"          ? ParseInt(value, 1, 1000, n)
                 : key == "colorsystem" ? ParseInt(value, 1, 12, n) && (n == 1 || n == 2 || n == 11 || n == 12)
                                        : ParseInt(value, 0, 1, n);
            if (ok)
                prefs[key] = n;
            else
                err = "invalid value '" + value + "' for " + key +
                      (key == "mean"          ? " (a count from 1 to 1000)"
                       : key == "colorsystem" ? " (1 L*a*b*, 2 LCh, 11 DIN99 a b, 12 DIN99 C h)"
                                              : " (0 or 1)");
        } else {
            ok = false;
            err = "unknown setting '" + key +
                  "' (illuminant, dxx, observer, density, whitebase, filter, mean, calibration, meas-at-unit, "
                  "colorsystem)";
        }
        if (!ok) {
            Error(err);
            return 2;
        }
    }

    VxnSet updated(illum, dxx, observer, dstd, wbase, filter, o.deviceType);
    VxnSet target(cfg, o.deviceType);
    target.SetData(updated.GetData());
    target.WriteDataToConfig();
    VXNLib* lib = Library();
    for (auto& [k, v] : prefs) {
        if (k == "mean")
            lib->SetVXNMeanCount(static_cast<int>(v));
        else if (k == "calibration")
            lib->SetCalibration(static_cast<int>(v));
        else if (k == "meas-at-unit")
            lib->SetMessenAmVXN(static_cast<unsigned char>(v));
        else if (k == "colorsystem")
            lib->SetColorSystem(static_cast<CType>(v));
    }
    // The library's writers report nothing; the configuration remembers
    // why a write failed.
    if (!AppConfig::Instance()->GetLastError().IsEmpty()) {
        Error("the settings were not stored: " + AppConfig::Instance()->GetLastError().str());
        return EXIT_FAILED;
    }
    return Show(Options{{}, o.deviceType, o.json, true});
}

} // namespace

Command AddSettingsCommand(CLI::App& app, const Globals&)
{
    Command c;
    c.sub = app.add_subcommand("settings", "show or change the stored measuring conditions and preferences");
    c.sub->require_subcommand(1);
    auto o = std::make_shared<Options>();
    auto* show = c.sub->add_subcommand("show", "show the stored settings");
    auto* set = c.sub->add_subcommand("set", "change settings: KEY=VALUE ...");
    for (auto* s : {show, set}) {
        s->add_option("--device-type", o->deviceType,
                      "the instrument's device type, which decides the filters offered (default 0)");
        s->add_flag("--json", o->json, "machine-readable output");
    }
    set->add_option("assignments", o->assignments,
                    "illuminant=D50|Dxx|D93..., dxx=30..300, observer=2|10, density=DIN..., whitebase=Pap|Abs, "
                    "filter=No|Pol|..., mean=N, calibration=0|1, meas-at-unit=0|1, colorsystem=1|2|11|12")
        ->required();
    c.run = [o, set] { return set->parsed() ? Set(*o) : Show(*o); };
    return c;
}

} // namespace vxn

// vxn: measuring and instrument tasks from the command line.
//
// Global options (--port, --config, --lang, --store, --station, ...) may stand before or after the
// subcommand, as users know it from git or cmake. Exit statuses are those of
// ExitCode (Commands.hpp); a result that could not be written to standard
// output is a failure like any other.
#include "Commands.hpp"
#include "Interrupt.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

namespace {

// The first word of the command line that is neither an option nor the value
// of a global option: the subcommand the user meant.
std::string FirstCommandWord(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--")
            return i + 1 < argc ? argv[i + 1] : "";
        if (a == "--port" || a == "--config" || a == "--lang" || a == "--store" || a == "--station" || a == "--driver" ||
            a == "--driver-port") {
            ++i;
            continue;
        }
        if (!a.empty() && a[0] != '-')
            return a;
    }
    return "";
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"vxn - drive VXN spectrophotometers, the scanning table and the virtual instrument"};
    app.require_subcommand(1);
    // Subcommands hand options they do not know to the program, so the
    // global options work after the subcommand too.
    app.fallthrough();
    vxn::Globals g;
    app.add_option("--port", g.port,
                   "instrument endpoint: emulator:, tcp:HOST:PORT or serial:/dev/PATH[?baud=N] "
                   "(default: (PostOffice, Endpoint) of the configuration, else emulator:)");
    app.add_option("--config", g.config, "configuration file (default: $VXN_CONFIG, else $XDG_CONFIG_HOME/QelVXN/QelVXN.ini)");
    app.add_option("--lang", g.lang, "language of the texts: en, de (default: LC_ALL, LC_MESSAGES, LANG)");
    app.add_option("--store", g.store,
                   "value store of measure --save and values: a file, sqlite:FILE or postgresql://... "
                   "(default: [Store] Location= of the configuration, else $XDG_DATA_HOME/QelVXN/values.db)");
    app.add_option("--station", g.station,
                   "the station measure --save marks values with (default: [Store] Station=, else the host name); "
                   "values list and copy: only that station's values");
    app.add_option("--driver", g.driver,
                   "measure with a plug-in instrument through this driver module (info, measure, calibrate)");
    app.add_option("--driver-port", g.driverPort, "serial port of the plug-in instrument: COM1 to COM4 ([Ports] maps them)");

    std::vector<vxn::Command> commands = {
        vxn::AddMeasureCommand(app, g),
        vxn::AddCalibrateCommand(app, g),
        vxn::AddSimulateCommand(app, g),
        vxn::AddInfoCommand(app, g),
        vxn::AddConvertCommand(app, g),
        vxn::AddSettingsCommand(app, g),
        vxn::AddRefsCommand(app, g),
        vxn::AddGuidesCommand(app, g),
        vxn::AddMemoryCommand(app, g),
        vxn::AddFsCommand(app, g),
        vxn::AddValuesCommand(app, g),
        vxn::AddSwatchCommand(app, g),
        vxn::AddScanCommand(app, g),
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::string word = FirstCommandWord(argc, argv);
        bool known = word.empty();
        std::string names;
        for (auto& c : commands) {
            known = known || c.sub->check_name(word);
            names += (names.empty() ? "" : ", ") + c.sub->get_name();
        }
        std::string what = e.what();
        if (!known)
            vxn::Error("unknown command " + word + " (" + names + ")");
        else if (e.get_name() == "ExtrasError")
            vxn::Error("unknown option or argument:" + what.substr(what.find(':') + 1));
        else
            vxn::Error(what);
        std::cerr << "Run 'vxn --help' for the commands and options." << std::endl;
        return vxn::EXIT_USAGE;
    }
    if (!vxn::ApplyGlobals(g))
        return vxn::EXIT_USAGE;
    vxn::CatchInterrupt();
    int rc = vxn::EXIT_FAILED;
    for (auto& c : commands)
        if (c.sub && c.sub->parsed()) {
            rc = c.run();
            break;
        }
    // A result that never reached its reader (a full disk, a closed pipe) is
    // no result.
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        vxn::Error(std::string("cannot write the output: ") + std::strerror(errno ? errno : EIO));
        return rc == vxn::EXIT_DONE ? vxn::EXIT_FAILED : rc;
    }
    return rc;
}

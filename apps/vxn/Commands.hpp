// The subcommands of vxn. Each lives in its own file and adds itself to the
// command line with one Add...Command function; main.cpp calls them all and
// runs the one the user chose.
#pragma once

#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace vxn {

// Exit statuses, the same for every subcommand.
enum ExitCode {
    EXIT_DONE = 0,          // the work was done
    EXIT_FAILED = 1,        // the instrument, the measurement or a file failed
    EXIT_USAGE = 2,         // a wrong option or value; nothing was done
    EXIT_INTERRUPTED = 130  // stopped by Ctrl-C; what was finished is kept
};

// The global options every subcommand sees.
struct Globals {
    std::string port;    // --port ENDPOINT ("" = the configured one)
    std::string config;  // --config FILE ("" = the default)
    std::string lang;    // --lang LANGUAGE ("" = from the environment)
    std::string store;   // --store FILE, the value store ("" = the default, see ValueStore.hpp)
    std::string station; // --station NAME: saved values' station; for values list/copy, the station chosen
    std::string driver;     // --driver PATH, a plug-in instrument's driver module ("" = none, see DriverLibrary.hpp)
    std::string driverPort; // --driver-port COMn, its serial port ("" = ("VXN", "PORT"))
};

// Puts the global options into effect (configuration file, language) before
// a subcommand runs; false, after saying why, for an unusable value.
bool ApplyGlobals(const Globals& g);

// Prints "vxn: <text>" to stderr.
void Error(const std::string& rText);
// Prints "vxn: warning: <text>" to stderr.
void Warning(const std::string& rText);

struct Command {
    CLI::App* sub = nullptr;
    std::function<int()> run;  // the exit status
};

Command AddInfoCommand(CLI::App& app, const Globals& g);
Command AddConvertCommand(CLI::App& app, const Globals& g);
Command AddSettingsCommand(CLI::App& app, const Globals& g);
Command AddMeasureCommand(CLI::App& app, const Globals& g);
Command AddCalibrateCommand(CLI::App& app, const Globals& g);
Command AddSimulateCommand(CLI::App& app, const Globals& g);
Command AddRefsCommand(CLI::App& app, const Globals& g);
Command AddGuidesCommand(CLI::App& app, const Globals& g);
Command AddMemoryCommand(CLI::App& app, const Globals& g);
Command AddFsCommand(CLI::App& app, const Globals& g);
Command AddValuesCommand(CLI::App& app, const Globals& g);
Command AddSwatchCommand(CLI::App& app, const Globals& g);
Command AddScanCommand(CLI::App& app, const Globals& g);

} // namespace vxn

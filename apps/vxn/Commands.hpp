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

// The global options every subcommand sees.
struct Globals {
    std::string port;    // --port ENDPOINT ("" = the configured one)
    std::string config;  // --config FILE ("" = the default)
};

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

} // namespace vxn

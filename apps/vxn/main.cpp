// vxn: measuring and instrument tasks from the command line.
#include "Commands.hpp"

#include <CLI/CLI.hpp>

#include <iostream>
#include <vector>

int main(int argc, char** argv)
{
    CLI::App app{"vxn - drive VXN spectrophotometers, the scanning table and the virtual instrument"};
    app.require_subcommand(1);
    vxn::Globals g;
    app.add_option("--port", g.port,
                   "instrument endpoint: emulator:, tcp:HOST:PORT or serial:/dev/PATH[?baud=N] "
                   "(default: (PostOffice, Endpoint) of the configuration, else emulator:)");
    app.add_option("--config", g.config, "configuration file (default: $VXN_CONFIG, else $XDG_CONFIG_HOME/QelVXN/QelVXN.ini)");

    std::vector<vxn::Command> commands = {
        vxn::AddMeasureCommand(app, g),
        vxn::AddCalibrateCommand(app, g),
        vxn::AddSimulateCommand(app, g),
        vxn::AddInfoCommand(app, g),
        vxn::AddConvertCommand(app, g),
        vxn::AddSettingsCommand(app, g),
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);
        return rc == 0 ? 0 : 2;
    }
    for (auto& c : commands)
        if (c.sub && c.sub->parsed())
            return c.run();
    return 1;
}

// vxn info: identifies the instrument.
#include "Commands.hpp"

#include <CLI/CLI.hpp>

namespace vxn {

Command AddInfoCommand(CLI::App& app, const Globals&)
{
    Command c;
    c.sub = app.add_subcommand("info", "identify the instrument");
    c.run = [] { return 1; };
    return c;
}

} // namespace vxn

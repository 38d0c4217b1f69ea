// vxn convert: spectra from CSV to colour values.
#include "Commands.hpp"

#include <CLI/CLI.hpp>

namespace vxn {

Command AddConvertCommand(CLI::App& app, const Globals&)
{
    Command c;
    c.sub = app.add_subcommand("convert", "convert spectra (CSV) to XYZ, L*a*b*, LCh, DIN99 and sRGB");
    c.run = [] { return 1; };
    return c;
}

} // namespace vxn

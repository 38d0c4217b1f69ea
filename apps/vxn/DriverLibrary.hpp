// vxn over a plug-in instrument's driver module (--driver PATH): the
// library object for the run (see DriverModule.hpp for the module itself)
// and the info command for it.
#pragma once

#include "Commands.hpp"
#include "DriverModule.hpp"

class VXNLib;

namespace vxn {

inline bool DriverMode(const Globals& g) { return !g.driver.empty(); }

// The library object for the run: over the driver module with --driver (null
// after saying why when the module cannot be used), else the VXN library.
VXNLib* CreateLibrary(const Globals& g);

// vxn info over the driver module.
int RunDriverInfo(const Globals& g, bool bJson);

} // namespace vxn

// vxn over a plug-in instrument's driver module (--driver PATH): loading the
// module, building the driver-module library over it, and the info command
// for it. The module must be an ELF shared object exporting every entry
// point of qelvxn/backends/DriverEntryPoints.hpp; the driver type
// ("VXN", "Type") must be letters, digits, '_' and '-'.
#pragma once

#include "Commands.hpp"

class VXNLib;

namespace vxn {

inline bool DriverMode(const Globals& g) { return !g.driver.empty(); }

// Checks --driver-port (COM1 to COM4); false after saying why.
bool CheckDriverPort(const std::string& rPort, std::string& rError);

// The library object for the run: over the driver module with --driver (null
// after saying why when the module cannot be used), else the VXN library.
VXNLib* CreateLibrary(const Globals& g);

// vxn info over the driver module.
int RunDriverInfo(const Globals& g, bool bJson);

} // namespace vxn

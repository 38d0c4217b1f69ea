// A plug-in instrument's driver module as the programs load it: an ELF
// shared object exporting every entry point of
// qelvxn/backends/DriverEntryPoints.hpp, over which the driver-module
// library (NWVXNLib) measures. The driver type ("VXN", "Type") must be
// letters, digits, '_' and '-'.
#pragma once

#include <string>

class VXNLib;

namespace vxn {

// A serial port a driver module can be given: COM1 to COM4. False with
// rError saying why.
bool CheckDriverPort(const std::string& rPort, std::string& rError);

// The library object over the module at rPath (loaded once per process; a
// bare file name means the file in the current folder). rPort (COMn, or ""
// for the stored ("VXN", "PORT")) is the module's port for this run only:
// the configuration is left alone. Null with rError when the module or the
// configured driver type cannot be used.
VXNLib* CreateDriverLibrary(const std::string& rPath, const std::string& rPort, std::string& rError);

} // namespace vxn

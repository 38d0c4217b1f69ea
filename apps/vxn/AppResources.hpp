// The resources vxn provides as the application: pictures the library asks
// the application's resource manager for (the instrument key of the key
// dialog, bitmap 2238).
#pragma once

namespace vxn {

// Registers them once; later calls do nothing. Needs the GUI toolkit running.
void RegisterAppResources();

} // namespace vxn

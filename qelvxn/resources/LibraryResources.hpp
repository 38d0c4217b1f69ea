// The library's own numbered resources: dialog 517 (averaging of several
// measurements) with its controls, and controls 800 to 811 of the
// measuring-condition panel.
//
// The library's load hook calls RegisterLibraryResources() and then
// ResMgr::AttachDetachDll(1); its unload hook calls
// UnregisterLibraryResources() and ResMgr::AttachDetachDll(0). Registering
// twice is harmless.
#pragma once

namespace qelvxn {

void RegisterLibraryResources();
void UnregisterLibraryResources();

} // namespace qelvxn

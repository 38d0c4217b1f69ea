// What happens when the library module is loaded and unloaded: it announces
// itself to the toolkit's resource manager with its own numbered resources,
// and withdraws them again. Nothing else runs at load time.
#include "qelvxn/resources/LibraryResources.hpp"
#include "sv/ResMgr.hpp"

namespace {

struct LibraryModule {
    LibraryModule()
    {
        qelvxn::RegisterLibraryResources();
        ResMgr::AttachDetachDll(1);
    }
    ~LibraryModule()
    {
        qelvxn::UnregisterLibraryResources();
        ResMgr::AttachDetachDll(0);
    }
};

const LibraryModule gModule;

} // namespace

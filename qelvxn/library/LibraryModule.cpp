// What happens when the library module is loaded and unloaded: it announces
// itself to the toolkit's resource manager with its own numbered resources,
// and withdraws them again; the one wrapper of driver-module entry points
// lives from load to unload. Nothing else runs at load time.
#include "qelvxn/backends/CInstrumentWrapper.hpp"
#include "qelvxn/resources/LibraryResources.hpp"
#include "sv/ResMgr.hpp"

namespace {

struct LibraryModule {
    LibraryModule()
    {
        qelvxn::RegisterLibraryResources();
        ResMgr::AttachDetachDll(1);
        CInstrumentWrapper::CreateInstance();
    }
    ~LibraryModule()
    {
        qelvxn::UnregisterLibraryResources();
        ResMgr::AttachDetachDll(0);
        CInstrumentWrapper::DestroyInstance();
    }
};

const LibraryModule gModule;

} // namespace

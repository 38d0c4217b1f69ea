#include "DriverModule.hpp"

#include "qel/AppConfig.hpp"
#include "qelvxn/backends/CInstrumentWrapper.hpp"
#include "qelvxn/backends/Corvane.hpp"
#include "qelvxn/backends/NWVXNLib.hpp"

#include <dlfcn.h>
#include <vector>

namespace vxn {

namespace {

// The handle of the module this process loaded (kept: the library never frees it).
HINSTANCE gModule = nullptr;

HINSTANCE LoadModule(const std::string& rPath, std::string& rError)
{
    if (gModule)
        return gModule;
    // A bare file name means the file here, not a search of the library path.
    std::string path = rPath.find('/') == std::string::npos ? "./" + rPath : rPath;
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* why = dlerror();
        rError = "cannot load the driver module " + rPath + ": " + (why ? why : "not a shared object");
        return nullptr;
    }
    std::vector<std::string> missing = CInstrumentWrapper::MissingEntryPoints(static_cast<HINSTANCE>(h));
    if (!missing.empty()) {
        std::string names;
        for (const std::string& n : missing)
            names += (names.empty() ? "" : ", ") + n;
        rError = "the driver module " + rPath + " lacks the entry point" + (missing.size() > 1 ? "s " : " ") + names;
        dlclose(h);
        return nullptr;
    }
    gModule = static_cast<HINSTANCE>(h);
    return gModule;
}

} // namespace

bool CheckDriverPort(const std::string& rPort, std::string& rError)
{
    if (rPort.size() == 4 && rPort.rfind("COM", 0) == 0 && rPort[3] >= '1' && rPort[3] <= '4')
        return true;
    rError = "--driver-port '" + rPort + "' is not COM1, COM2, COM3 or COM4";
    return false;
}

VXNLib* CreateDriverLibrary(const std::string& rPath, const std::string& rPort, std::string& rError)
{
    String type = AppConfig::Instance()->ReadKey(String("VXN"), String("Type"), String(""));
    if (!type.IsEmpty() && !Corvane::IsValidType(type)) {
        rError = "the driver type '" + type.str() + "' (VXN, Type) is not letters, digits, '_' and '-'";
        return nullptr;
    }
    // The library opens the configured port; the option names it for this
    // run only and leaves the stored port alone.
    if (!rPort.empty())
        AppConfig::Instance()->SetRunValue(String("VXN"), String("PORT"), String(long(rPort[3] - '1')));
    HINSTANCE h = LoadModule(rPath, rError);
    if (!h)
        return nullptr;
    NWVXNLib* lib = NWVXNLib::CreateNWVXNLib(h);
    if (!lib)
        rError = "out of memory";
    return lib;
}

} // namespace vxn

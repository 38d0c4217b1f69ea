#include "DriverLibrary.hpp"

#include "qel/AppConfig.hpp"
#include "qel/ConditionClasses.hpp"
#include "qelvxn/backends/CInstrumentWrapper.hpp"
#include "qelvxn/backends/Corvane.hpp"
#include "qelvxn/backends/NWVXNLib.hpp"
#include "qelvxn/backends/SpectralPhotometer.hpp"

#include <nlohmann/json.hpp>

#include <dlfcn.h>
#include <iostream>

namespace vxn {

namespace {

// The handle of the module this run loaded (kept: the library never frees it).
HINSTANCE gModule = nullptr;

HINSTANCE LoadModule(const std::string& rPath)
{
    if (gModule)
        return gModule;
    // A bare file name means the file here, not a search of the library path.
    std::string path = rPath.find('/') == std::string::npos ? "./" + rPath : rPath;
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* why = dlerror();
        Error("cannot load the driver module " + rPath + ": " + (why ? why : "not a shared object"));
        return nullptr;
    }
    std::vector<std::string> missing = CInstrumentWrapper::MissingEntryPoints(static_cast<HINSTANCE>(h));
    if (!missing.empty()) {
        std::string names;
        for (const std::string& n : missing)
            names += (names.empty() ? "" : ", ") + n;
        Error("the driver module " + rPath + " lacks the entry point" + (missing.size() > 1 ? "s " : " ") + names);
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

VXNLib* CreateLibrary(const Globals& g)
{
    if (!DriverMode(g))
        return VXNLib::CreateVXNLib(0);
    String type = AppConfig::Instance()->ReadKey(String("VXN"), String("Type"), String(""));
    if (!type.IsEmpty() && !Corvane::IsValidType(type)) {
        Error("the driver type '" + type.str() + "' (VXN, Type) is not letters, digits, '_' and '-'");
        return nullptr;
    }
    // The library opens the configured port; the option names it for this
    // run only and leaves the stored port alone.
    if (!g.driverPort.empty())
        AppConfig::Instance()->SetRunValue(String("VXN"), String("PORT"), String(long(g.driverPort[3] - '1')));
    HINSTANCE h = LoadModule(g.driver);
    if (!h)
        return nullptr;
    NWVXNLib* lib = NWVXNLib::CreateNWVXNLib(h);
    if (!lib)
        Error("out of memory");
    return lib;
}

int RunDriverInfo(const Globals& g, bool bJson)
{
    VXNLib* lib = CreateLibrary(g);
    if (!lib)
        return EXIT_USAGE;
    NWVXNLib* nw = NWVXNLib::Instance();
    int rc = EXIT_DONE;
    if (!lib->DeviceReady()) {
        Error("the instrument behind " + g.driver + " is not ready");
        rc = EXIT_FAILED;
    } else {
        nw->GetDriver()->SerieNrRequest();
        DStdType dstd = DStdType(0);
        StoredWBaseType wbase{};
        IllumType illum{};
        ObserverType observer{};
        ValueFilterType filter{};
        lib->ParameterRequest(dstd, wbase, illum, observer, filter);
        std::string illumText = IllumClass(illum, 65).GetText().str();
        if (bJson) {
            nlohmann::json j = {
                {"driver", g.driver},
                {"library", lib->GetVXNLibType().str()},
                {"device_type", lib->GetDeviceType()},
                {"software_version", lib->GetSWVersion()},
                {"serial_number", lib->GetSerieNr().str()},
                {"device_name", lib->GetDeviceName().str()},
                {"conditions",
                 {{"illuminant", {{"code", int(illum)}, {"text", illumText}}},
                  {"observer", {{"code", int(observer)}, {"text", ObserverClass(observer).GetText().str()}}},
                  {"white_base", {{"code", int(wbase)}, {"text", WBaseClass(wbase).GetText().str()}}},
                  {"filter", {{"code", int(filter)}, {"text", ActualFilterClass(filter).GetText().str()}}}}}};
            std::cout << j.dump(2) << std::endl;
        } else {
            std::cout << "Driver module     " << g.driver << "\n"
                      << "Device name       " << lib->GetDeviceName().str() << "\n"
                      << "Serial number     " << lib->GetSerieNr().str() << "\n"
                      << "Device type       " << lib->GetDeviceType() << "\n"
                      << "Software version  " << lib->GetSWVersion() << "\n"
                      << "Conditions        illuminant " << illumText << ", observer "
                      << ObserverClass(observer).GetText().str() << ", white base "
                      << WBaseClass(wbase).GetText().str() << ", filter " << ActualFilterClass(filter).GetText().str()
                      << "\n";
        }
    }
    NWVXNLib::DestroyNWVXNLib();
    return rc;
}

} // namespace vxn

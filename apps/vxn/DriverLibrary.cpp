#include "DriverLibrary.hpp"
#include "DriverModule.hpp"

#include "qel/AppConfig.hpp"
#include "qel/ConditionClasses.hpp"
#include "qelvxn/backends/NWVXNLib.hpp"
#include "qelvxn/backends/SpectralPhotometer.hpp"

#include <nlohmann/json.hpp>

#include <iostream>

namespace vxn {

VXNLib* CreateLibrary(const Globals& g)
{
    if (!DriverMode(g))
        return VXNLib::CreateVXNLib(0);
    std::string err;
    VXNLib* lib = CreateDriverLibrary(g.driver, g.driverPort, err);
    if (!lib)
        Error(err);
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

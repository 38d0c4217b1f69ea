#include "Instrument.hpp"

#include "DriverModule.hpp"
#include "Endpoint.hpp"

#include "qel/PostOffice.hpp"
#include "qelvxn/backends/NWVXNLib.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "vxnemu/EmulatorEndpoint.hpp"

namespace studio {

bool EndpointOf(const LinkChoice& rChoice, std::string& rEndpoint, std::string& rError)
{
    switch (rChoice.eKind) {
    case LinkKind::Virtual:
        rEndpoint = rChoice.aTarget.empty() ? "emulator:" : "emulator:profile=" + rChoice.aTarget;
        break;
    case LinkKind::Tcp:
        rEndpoint = "tcp:" + rChoice.aTarget;
        break;
    case LinkKind::Serial:
        rEndpoint = "serial:" + rChoice.aTarget;
        break;
    case LinkKind::Driver:
        rError = "a driver module is reached without a link";
        return false;
    }
    return vxn::CheckEndpoint(rEndpoint, rError);
}

LinkChoice ChoiceOf(const std::string& rEndpoint)
{
    LinkChoice c;
    auto rest = [&](size_t n) { return rEndpoint.substr(n); };
    if (rEndpoint.rfind("tcp:", 0) == 0) {
        c.eKind = LinkKind::Tcp;
        c.aTarget = rest(4);
    } else if (rEndpoint.rfind("serial:", 0) == 0) {
        c.eKind = LinkKind::Serial;
        c.aTarget = rest(7);
    } else if (rEndpoint.rfind("emulator:profile=", 0) == 0) {
        c.aTarget = rest(17);
    }
    return c;
}

Instrument::Instrument()
{
    vxnemu::RegisterEmulatorEndpoint();
}

Instrument::~Instrument()
{
    Disconnect();
}

bool Instrument::Connect(const LinkChoice& rChoice, std::string& rError)
{
    Disconnect();
    std::string endpoint;
    const bool bDriver = rChoice.eKind == LinkKind::Driver;
    if (bDriver) {
        if (!rChoice.aDriverPort.empty() && !vxn::CheckDriverPort(rChoice.aDriverPort, rError))
            return false;
    } else if (!EndpointOf(rChoice, endpoint, rError)) {
        return false;
    }
    VXNLib* lib = bDriver ? vxn::CreateDriverLibrary(rChoice.aTarget, rChoice.aDriverPort, rError)
                          : VXNLib::CreateVXNLib(0);
    if (!lib)
        return false;
    mpLib = dynamic_cast<ScanLib*>(lib);
    mbDriver = bDriver;
    if (!mpLib) {
        // Every library object CreateVXNLib or a driver module gives is a
        // ScanLib; anything else cannot serve the program.
        rError = "the library object has no table procedures";
        Disconnect();
        return false;
    }
    PostOffice* po = PostOffice::Instance();
    if (!bDriver) {
        po->SetEndpoint(String(endpoint));
        if (!po->Open()) {
            rError = "cannot reach the instrument at " + endpoint + ": " + po->GetLastError().str();
            Disconnect();
            return false;
        }
    } else if (!lib->DeviceReady()) {
        rError = "the instrument behind " + rChoice.aTarget + " is not ready";
        Disconnect();
        return false;
    }
    mnDeviceType = lib->GetDeviceType();
    if (!bDriver && !po->GetLastError().IsEmpty()) {
        rError = "no instrument answers at " + endpoint + ": " + po->GetLastError().str();
        Disconnect();
        return false;
    }
    maSerial = lib->GetSerieNr().str();
    String answer;
    mbVirtual = !bDriver && po->Control(String("state"), answer) == 0;
    mbTable = !bDriver && lib->HasaTableWalker();
    maChoice = rChoice;
    maEndpoint = bDriver ? rChoice.aTarget : endpoint;
    po->ClearLastRefusal();
    po->ClearLastFailure();
    return true;
}

void Instrument::Disconnect()
{
    if (mbDriver) {
        NWVXNLib::DestroyNWVXNLib();
    } else if (VXNLib::mpInstance) {
        VXNLib* p = VXNLib::mpInstance;
        QelSingleton::Remove(p);
        delete p;
    }
    if (PostOffice::Exists())
        PostOffice::Instance()->Close();
    mpLib = nullptr;
    mbDriver = mbTable = mbVirtual = false;
    mnDeviceType = 0;
    maSerial.clear();
}

std::string Instrument::Description() const
{
    if (!mpLib)
        return "Not connected";
    std::string s = "Connected to " + maEndpoint + " (device type " + std::to_string(mnDeviceType);
    if (mbTable)
        s += ", scanning table";
    return s + ")";
}

std::string Instrument::LastFailure()
{
    PostOffice* po = PostOffice::Instance();
    if (!po->GetLastError().IsEmpty())
        return "the instrument stopped answering: " + po->GetLastError().str();
    if (po->GetLastFailure().nMessage)
        return po->GetLastFailure().aReason.str() + " (command " + std::to_string(po->GetLastFailure().nMessage) + ")";
    if (po->GetLastRefusal().nMessage)
        return "the instrument refused command " + std::to_string(po->GetLastRefusal().nMessage) + " (status " +
               std::to_string(po->GetLastRefusal().nStatus) + ")";
    return "";
}

} // namespace studio

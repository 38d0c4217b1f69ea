// The driver-module library: creation over a module handle, and the
// overrides that answer from the photometer object.
#include "qelvxn/backends/NWVXNLib.hpp"

#include "qel/AppConfig.hpp"
#include "qel/ConditionClasses.hpp"
#include "qelvxn/backends/CInstrumentWrapper.hpp"
#include "qelvxn/backends/CSerialPort.hpp"
#include "qelvxn/backends/SpectralPhotometer.hpp"

#include <cstdlib>
#include <new>

namespace {
String Read(const char* pGroup, const char* pKey, const char* pDefault)
{
    return AppConfig::Instance()->ReadKey(String(pGroup), String(pKey), String(pDefault));
}

void DestroyInstance()
{
    VXNLib* pOld = VXNLib::mpInstance;
    QelSingleton::Remove(pOld);
    delete pOld; // clears the instance pointer (VXNLib's destructor)
    VXNLib::mpInstance = nullptr;
}
} // namespace

NWVXNLib::NWVXNLib() : ScanLib(0) {}

NWVXNLib::~NWVXNLib()
{
    delete mpDriver;
    mpDriver = nullptr;
    delete mpPort; // closes the port
    mpPort = nullptr;
}

NWVXNLib* NWVXNLib::CreateNWVXNLib(HINSTANCE hModule)
{
    const bool bNoHandle = hModule == nullptr;
    if (hModule)
        CInstrumentWrapper::SetDriverHandle(hModule);
    // One library object per process, whichever kind the old one was.
    if (mpInstance)
        DestroyInstance();

    NWVXNLib* pLib = new (std::nothrow) NWVXNLib;
    if (!pLib)
        return nullptr;
    mpInstance = pLib;
    pLib->mpPort = new (std::nothrow) CSerialPort(2048);
    if (pLib->mpPort) {
        pLib->mpPort->Open(Read("VXN", "PORT", "0").ToInt(), false);
        pLib->mpPort->Setup(Read("VXN", "NormalSpeed", "9600").ToLong(), 8, 0, 0, true);
    }
    pLib->mpDriver = CreatePhotometer(pLib->mpPort, Read("VXN", "Type", ""), hModule);
    if (bNoHandle && pLib->mpDriver)
        pLib->mpDriver->Open();
    QelSingleton::Insert(static_cast<VXNLib*>(pLib));
    pLib->GetDeviceType();
    return pLib;
}

NWVXNLib* NWVXNLib::Instance()
{
    VXNLib* p = mpInstance;
    return p && p->GetVXNLibType() == String("NWVXNLib") ? static_cast<NWVXNLib*>(mpInstance) : nullptr;
}

void NWVXNLib::DestroyNWVXNLib()
{
    if (Instance())
        DestroyInstance();
}

void NWVXNLib::SetDriverHandle(HINSTANCE hModule)
{
    CInstrumentWrapper::SetDriverHandle(hModule);
}

unsigned int NWVXNLib::GetSWVersion()
{
    return mpDriver ? static_cast<unsigned int>(std::strtoul(mpDriver->GetSWVersion().str().c_str(), nullptr, 10)) : 0;
}

String NWVXNLib::GetSerieNr() { return mpDriver ? mpDriver->GetSerieNr() : String(); }
bool NWVXNLib::DeviceReady() { return mpDriver && mpDriver->DeviceReady(); }
long NWVXNLib::GetDeviceType() { return mpDriver ? mpDriver->GetDeviceType() : 2; }
String NWVXNLib::GetDeviceName() { return mpDriver ? mpDriver->GetDeviceName() : String(); }

unsigned char NWVXNLib::FilterDownload(ValueFilterType eFilter)
{
    return mpDriver ? mpDriver->FilterDownload(eFilter) : 0;
}

unsigned char NWVXNLib::ParameterRequest(DStdType&, StoredWBaseType& rWBase, IllumType& rIllum,
                                         ObserverType& rObserver, ValueFilterType& rFilter)
{
    if (!mpDriver)
        return 1;
    rFilter = static_cast<ValueFilterType>(mpDriver->GetFilter());
    rIllum = static_cast<IllumType>(mpDriver->GetIllumination());
    rObserver = static_cast<ObserverType>(mpDriver->GetObserver());
    rWBase = static_cast<StoredWBaseType>(mpDriver->GetWhiteBase());
    return 1;
}

unsigned char NWVXNLib::SpectrumRequestNew(ValueType, SpectType, float* const pValues, unsigned char&)
{
    return mpDriver ? mpDriver->SpectrumRequest(pValues) : 0;
}

unsigned char NWVXNLib::ParameterDownloadNew(DStdType, StoredWBaseType eWBase, IllumType eIllum,
                                             ObserverType eObserver)
{
    if (mpDriver)
        mpDriver->ParameterDownload(eIllum, eObserver, eWBase);
    return 1;
}

unsigned char NWVXNLib::ExecuteMeasurement() { return mpDriver ? mpDriver->ExecuteMeasurement() : 0; }
unsigned char NWVXNLib::ExecuteWhiteMeasurement() { return mpDriver ? mpDriver->ExecuteWhiteMeasurement() : 0; }

bool NWVXNLib::GetCurrentFilter(ActualFilterClass& rFilter)
{
    return mpDriver && mpDriver->GetCurrentFilter(rFilter) != 0;
}

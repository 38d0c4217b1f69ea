#include "qelvxn/library/VXNLib.hpp"

#include "qel/AppConfig.hpp"
#include "qel/CMetry.hpp"
#include "qelvxn/conditions/VxnSet.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "sv/MessBox.hpp"

#include <new>

ScanLib* VXNLib::mpInstance = nullptr;
bool VXNLib::mbSimulator = false;

namespace {
String Read(const char* pGroup, const char* pKey, const char* pDefault)
{
    return AppConfig::Instance()->ReadKey(String(pGroup), String(pKey), String(pDefault));
}

void Write(const char* pGroup, const char* pKey, long nValue)
{
    AppConfig::Instance()->WriteKey(String(pGroup), String(pKey), String(nValue));
}
} // namespace

VXNLib::VXNLib(unsigned char nByte) : VXNProtokoll(nByte)
{
    meColorSystem = GetColorSystem();
}

VXNLib::~VXNLib()
{
    // Only the instance itself leaves the slot empty; a copy does not.
    if (mpInstance && static_cast<VXNLib*>(mpInstance) == this)
        mpInstance = nullptr;
}

VXNLib* VXNLib::CreateVXNLib(unsigned char nByte)
{
    if (mpInstance) {
        VXNLib* pOld = mpInstance;
        QelSingleton::Remove(pOld);
        delete pOld;
        mpInstance = nullptr;
    }
    mpInstance = new (std::nothrow) ScanLib(nByte);
    if (mpInstance)
        QelSingleton::Insert(static_cast<VXNLib*>(mpInstance));
    return mpInstance;
}

ScanLib* VXNLib::Instance()
{
    if (!mpInstance)
        ErrorBox(nullptr, 16, String("Please create the VXNLib-Singleton first !")).Execute();
    return mpInstance;
}

// ---- preferences ---------------------------------------------------------------

int VXNLib::GetVXNPort() { return Read("VXN", "PORT", "-1").ToInt(); }
void VXNLib::SetVXNPort(int n) { Write("VXN", "PORT", n); }
int VXNLib::GetVXNMeanCount() { return Read("VXN", "MEAN", "1").ToInt(); }
void VXNLib::SetVXNMeanCount(int n) { Write("VXN", "MEAN", n); }

int VXNLib::GetCalibration()
{
    if (GetDeviceType() == 2)
        return 0;
    return Read("VXN", "Calibration", "1").ToInt();
}

void VXNLib::SetCalibration(int n) { Write("VXN", "Calibration", n); }
unsigned char VXNLib::GetMessenAmVXN() { return static_cast<unsigned char>(Read("VXN", "MeasAtUnit", "1").ToLong()); }
void VXNLib::SetMessenAmVXN(unsigned char n) { Write("VXN", "MeasAtUnit", n); }
unsigned char VXNLib::GetAutoZuordnung() { return static_cast<unsigned char>(Read("VXN", "AutoSelect", "1").ToLong()); }
void VXNLib::SetAutoZuordnung(unsigned char n) { Write("VXN", "AutoSelect", n); }

CType VXNLib::GetColorSystem()
{
    meColorSystem = static_cast<CType>(Read("Settings", "ColorSystem", "1").ToInt());
    return meColorSystem;
}

void VXNLib::SetColorSystem(CType eSystem)
{
    meColorSystem = eSystem;
    Write("Settings", "ColorSystem", eSystem);
}

// ---- instrument access ------------------------------------------------------------

unsigned char VXNLib::ParameterRequest(DStdType& rDStd, StoredWBaseType& rWBase, IllumType& rIllum,
                                       ObserverType& rObserver, ValueFilterType& rFilter)
{
    unsigned int nSW = GetSWVersion();
    if (nSW == 0)
        return 0;
    if (!VXNProtokoll::ParameterRequest(rDStd, rWBase, rIllum, rObserver, rFilter))
        return 0;
    if (GetDeviceType() == 65536 && nSW >= 199) {
        // Instruments with alternative tables report the standard code and a
        // flag per illuminant 0..3 saying that its alternative table is active.
        unsigned char nFirst = 0, aFlags[4] = {}, nThird = 0;
        if (!AltTabActivRequest(nFirst, aFlags, nThird))
            return 0;
        if (rIllum >= 0 && rIllum <= 3 && aFlags[rIllum])
            rIllum = static_cast<IllumType>(rIllum + 4);
        if (rDStd == 0 && nFirst)
            rDStd = static_cast<DStdType>(8);
    }
    return 1;
}

unsigned char VXNLib::ParameterRequest(MeasuringCondition& rCondition)
{
    DStdType eDStd = DSTD_DIN;
    StoredWBaseType eWBase = WBASE_ABSOLUTE;
    IllumType eIllum = ILLUM_D65;
    ObserverType eObserver = OBSERVER_2;
    ValueFilterType eFilter = FILTER_NONE;
    short nTempNr = 65;
    unsigned char nResult = ParameterRequest(eDStd, eWBase, eIllum, eObserver, eFilter);
    if (nResult && IsDxx(eIllum))
        nResult = GetValNr(static_cast<TabValueType>(eIllum + 80), nTempNr);
    rCondition = MeasuringCondition(PhysicalConditions(ActualFilterClass(eFilter), WBaseClass(eWBase)),
                                    IllumClass(eIllum, nTempNr), ObserverClass(eObserver), DStdClass(eDStd));
    return nResult;
}

String VXNLib::GetVXNLibType()
{
    return String("VXNLib");
}

unsigned char VXNLib::SpectrumRequestNew(ValueType eValue, SpectType eSpect, float* const pValues,
                                         unsigned char& rFlag)
{
    return SpectrumRequest(eValue, eSpect, pValues, rFlag);
}

unsigned char VXNLib::ParameterDownloadNew(DStdType eDStd, StoredWBaseType eWBase, IllumType eIllum,
                                           ObserverType eObserver)
{
    return ParameterDownload(eDStd, eWBase, eIllum, eObserver);
}

unsigned char VXNLib::ExecuteMeasurement() { return ExecMeasurement(); }
unsigned char VXNLib::ExecuteWhiteMeasurement() { return ExecWhiteMeasurement(); }

unsigned char VXNLib::MeasureControlRequest(ControlType eControl, ControlType& rAnswer)
{
    return MeasControlRequest(eControl, rAnswer);
}

unsigned char VXNLib::SendAndReceive(int nDevice, int nMessage, MyMemoryBlock& rRequest, MyMemoryBlock& rReply,
                                     DisEnable eDisEnable)
{
    return PostOffice::Instance()->SendAndReceive(nDevice, nMessage, rRequest, rReply, eDisEnable);
}

Link VXNLib::ChangeMessageHdl(unsigned int nMessage, Link& rHdl, unsigned char nFlag)
{
    return PostOffice::Instance()->ChangeMessageHdl(nMessage, rHdl, nFlag);
}

void VXNLib::AdaptCMetry(ActualFilterClass* pFilter)
{
    // The set is read for device class 0, which asks the instrument nothing;
    // only its filter depends on the class, and a given filter replaces it.
    VxnSet aSet(AppConfig::Instance()->GetConfig(), 0);
    PhysicalConditions aPhys(pFilter ? *pFilter : ActualFilterClass(aSet.GetFilter()), WBaseClass(WBASE_ABSOLUTE));
    IllumClass aIllum(aSet.GetIllumination(), aSet.GetDxxTempNr());
    ObserverClass aObserver(aSet.GetObserver());
    CMetry::SetMeasuringConditions(MeasuringCondition(aPhys, aIllum, aObserver));
}

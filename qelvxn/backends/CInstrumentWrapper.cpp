// The calls into a driver module: each looks its entry point up by name on
// the process-wide handle (GetProcAddress, dlsym on POSIX).
#include "qelvxn/backends/CInstrumentWrapper.hpp"

#include "qelvxn/backends/DriverEntryPoints.hpp"
#include "win32/Win32Api.hpp"

#include <new>

namespace {

HINSTANCE gDriverHandle = nullptr;
CInstrumentWrapper* gpWrapper = nullptr;

template <typename Fn>
Fn Lookup(const char* pName)
{
    return reinterpret_cast<Fn>(GetProcAddress(gDriverHandle, pName));
}

int CallCount(const char* pName)
{
    auto fn = Lookup<corvane::CountFn>(pName);
    return fn ? fn() : -1;
}

} // namespace

CInstrumentWrapper* CInstrumentWrapper::Instance()
{
    return gpWrapper;
}

void CInstrumentWrapper::CreateInstance()
{
    if (!gpWrapper)
        gpWrapper = new (std::nothrow) CInstrumentWrapper;
}

void CInstrumentWrapper::DestroyInstance()
{
    delete gpWrapper;
    gpWrapper = nullptr;
}

HINSTANCE CInstrumentWrapper::GetDriverHandle()
{
    return gDriverHandle;
}

void CInstrumentWrapper::SetDriverHandle(HINSTANCE h)
{
    gDriverHandle = h;
}

std::vector<std::string> CInstrumentWrapper::MissingEntryPoints(HINSTANCE h)
{
    static const char* const names[] = {"ReadHead", "GetReferenceCount", "DecrementReferenceCount",
                                        "GetInstrumentName", "GetStartingWavelength", "GetEndingWavelength",
                                        "GetWavelengthInterval", "Calibrated", "PerformMeasurement"};
    std::vector<std::string> missing;
    for (const char* n : names)
        if (!GetProcAddress(h, n))
            missing.emplace_back(n);
    if (!GetProcAddress(h, "GetGeomtry") && !GetProcAddress(h, "GetGeometry"))
        missing.emplace_back("GetGeometry");
    return missing;
}

int CInstrumentWrapper::ReadHead(int nCommand, std::intptr_t nA, std::intptr_t nB, char* pBuffer)
{
    auto fn = Lookup<corvane::ReadHeadFn>("ReadHead");
    return fn ? fn(nCommand, nA, nB, pBuffer) : -1;
}

int CInstrumentWrapper::GetReferenceCount() { return CallCount("GetReferenceCount"); }
int CInstrumentWrapper::DecrementReferenceCount() { return CallCount("DecrementReferenceCount"); }

int CInstrumentWrapper::GetInstrumentName(char* pBuffer)
{
    auto fn = Lookup<corvane::NameFn>("GetInstrumentName");
    if (!fn) {
        if (pBuffer)
            pBuffer[0] = '\0';
        return -1;
    }
    return fn(pBuffer);
}

int CInstrumentWrapper::GetStartingWavelength() { return CallCount("GetStartingWavelength"); }
int CInstrumentWrapper::GetEndingWavelength() { return CallCount("GetEndingWavelength"); }
int CInstrumentWrapper::GetWavelengthInterval() { return CallCount("GetWavelengthInterval"); }
int CInstrumentWrapper::Calibrated() { return CallCount("Calibrated"); }

int CInstrumentWrapper::PerformMeasurement(double* pValues)
{
    auto fn = Lookup<corvane::MeasureFn>("PerformMeasurement");
    return fn ? fn(pValues) : -1;
}

int CInstrumentWrapper::GetGeometry()
{
    auto fn = Lookup<corvane::CountFn>("GetGeomtry");
    if (!fn)
        fn = Lookup<corvane::CountFn>("GetGeometry");
    return fn ? fn() : -1;
}

int CInstrumentWrapper::Release()
{
    int n = GetReferenceCount();
    if (n > 0) {
        DecrementReferenceCount();
        --n;
    }
    if (n == 0 && gDriverHandle) {
        ReadHead(corvane::HEAD_END, 0, 0, nullptr);
        FreeLibrary(gDriverHandle);
        gDriverHandle = nullptr;
    }
    return 0;
}

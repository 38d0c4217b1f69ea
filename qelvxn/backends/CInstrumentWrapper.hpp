// CInstrumentWrapper: calls the named entry points of the driver module whose
// handle the process holds (see DriverEntryPoints.hpp). Every call looks its
// entry point up anew, so a handle set or cleared meanwhile takes effect at
// once; a missing handle or entry point gives -1 without calling anything.
//
// The one wrapper exists from the library's load to its unload; it holds no
// data, and destroying it does not free the module.
#pragma once

#include "qelvxn/backends/ModuleHandle.hpp"

#include <cstdint>
#include <string>
#include <vector>

class CInstrumentWrapper {
public:
    // The one wrapper (made when the library is loaded).
    static CInstrumentWrapper* Instance();
    static void CreateInstance();
    static void DestroyInstance();

    // The process-wide driver module handle (null until the application gives one).
    static HINSTANCE GetDriverHandle();
    static void SetDriverHandle(HINSTANCE h);

    // The entry points a working driver module exports (the geometry one in
    // either spelling); the names missing from the module, in this order.
    static std::vector<std::string> MissingEntryPoints(HINSTANCE h);

    int ReadHead(int nCommand, std::intptr_t nA, std::intptr_t nB, char* pBuffer);
    int GetReferenceCount();
    int DecrementReferenceCount();
    // Without the entry point the buffer becomes the empty text.
    int GetInstrumentName(char* pBuffer);
    int GetStartingWavelength();
    int GetEndingWavelength();
    int GetWavelengthInterval();
    int Calibrated();
    int PerformMeasurement(double* pValues);
    // "GetGeomtry" as the modules spell it, else "GetGeometry".
    int GetGeometry();
    // Gives up the library's use of the module: decrements its use count and,
    // when no use is left, ends the head (command 19), frees the module and
    // clears the handle. Returns 0.
    int Release();
};

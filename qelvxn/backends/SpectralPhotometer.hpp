// SpectralPhotometer: what the driver-module library (NWVXNLib) asks of a
// plug-in instrument. The base answers the defaults a photometer without
// the feature would give; Corvane and CvGeDr talk to a driver module.
#pragma once

#include "qel/ConditionTypes.hpp"
#include "qelvxn/backends/ModuleHandle.hpp"
#include "sv/String.hpp"

class ActualFilterClass;
class CSerialPort;

class SpectralPhotometer {
public:
    SpectralPhotometer() = default;
    SpectralPhotometer(const SpectralPhotometer&) = delete;
    SpectralPhotometer& operator=(const SpectralPhotometer&) = delete;
    virtual ~SpectralPhotometer() = default;

    virtual unsigned char Reconnect() { return 0; }
    virtual unsigned char DeviceReady() { return 1; }
    virtual unsigned char Configure(String) { return 0; }
    virtual unsigned char Open() { return 0; }
    virtual String GetSWVersion() = 0;
    virtual String GetSerieNr() = 0;
    virtual String GetDeviceName() = 0;
    virtual long GetDeviceType() = 0;
    virtual long GetFilter() { return 1; }
    virtual long GetIllumination() { return 3; }
    virtual long GetObserver() { return 0; }
    virtual long GetWhiteBase() { return 1; }
    virtual void ParameterDownload(IllumType, ObserverType, StoredWBaseType) {}
    // Reserved slot: an operation with two arguments that no caller uses.
    virtual unsigned char Reserved2(long, long) = 0;
    virtual unsigned char ExecuteMeasurement() = 0;
    virtual unsigned char ExecuteWhiteMeasurement() = 0;
    // The 36 values (380 to 730 nm, 10 nm steps) of the last measurement.
    virtual unsigned char SpectrumRequest(float* pValues) = 0;
    // Reserved slot: an operation with one argument that no caller uses.
    virtual unsigned char Reserved1(long) = 0;
    virtual void ShowDriverDialog() {}
    virtual unsigned char SerieNrRequest() = 0;
    virtual unsigned char FilterDownload(ValueFilterType eFilter) = 0;
    virtual unsigned char GetCurrentFilter(ActualFilterClass& rFilter) = 0;

    // Why the last measurement failed ("" when it did not); for the user.
    const String& GetLastError() const { return maLastError; }

protected:
    String maLastError;
};

// A new CvGeDr for the driver type (upper-cased), working on the process-wide
// module handle; null when memory runs out. The handle is not kept.
SpectralPhotometer* CreatePhotometer(CSerialPort* pPort, String aType, HINSTANCE hModule);

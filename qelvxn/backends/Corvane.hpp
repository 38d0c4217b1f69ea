// Corvane: a plug-in photometer of the Corvane family behind a driver module.
// It holds the library's serial port only to hand the line to the module
// (closed at construction, reopened at destruction when it was open), the
// instrument type, the last serial number and the last measured spectrum.
// Illuminant and observer come from the configuration group "Corvane".
#pragma once

#include "qel/Text.hpp"
#include "qelvxn/backends/SpectralPhotometer.hpp"

#include <cstdint>

class Corvane : public SpectralPhotometer {
public:
    ~Corvane() override;

    unsigned char Reconnect() override = 0;
    unsigned char DeviceReady() override;
    unsigned char Open() override;
    long GetIllumination() override;
    long GetObserver() override;
    long GetWhiteBase() override { return 1; }
    void ParameterDownload(IllumType, ObserverType, StoredWBaseType) override {}
    unsigned char Reserved2(long, long) override { return 0; }
    unsigned char SpectrumRequest(float* pValues) override;
    unsigned char Reserved1(long) override { return 0; }
    // Starts the driver's dialog program with the module path and the baud rate.
    void ShowDriverDialog() override;

    // Where the module of the type lies: the configuration file's folder,
    // then Drivers/<type>/<type>.dll; "" for a type that is no driver name.
    const String& GetDriverPath() const { return maDriverPath; }
    // The dialog program's command line (as ShowDriverDialog starts it).
    String DriverDialogCommandLine() const;

    // A driver type name is letters, digits, '_' and '-' (it becomes a folder
    // and a file name).
    static bool IsValidType(const String& rType);

protected:
    Corvane(CSerialPort* pPort, const String& rType);

    CSerialPort* mpPort;
    String maName;
    String maSerieNr;
    float maSpectrum[36] = {};
    TextSegment maTexts;
    String maDriverPath;
    unsigned char mbModuleAcquired = 0;
    unsigned char mbOnline = 0;
    // Whether Open starts the head in a language; set for the modules that
    // need the start command.
    std::int32_t mnLanguageStart = 1;
    char maDialogParameter[30] = {};
};

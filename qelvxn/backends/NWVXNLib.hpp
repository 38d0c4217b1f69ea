// NWVXNLib: the instrument library over a plug-in instrument's driver module
// instead of a VXN instrument on the message transport. It offers the whole
// VXNLib interface; the operations through which VXNLib's procedures reach
// the instrument answer from a SpectralPhotometer (in practice a CvGeDr), or
// with fixed values where a plug-in instrument has nothing to say. No
// override sends an instrument message.
//
// It shares VXNLib's one instance pointer: the process holds either a
// VXNLib/ScanLib or an NWVXNLib. CreateNWVXNLib replaces an existing
// NWVXNLib, and also a ScanLib made by CreateVXNLib (the application has
// switched to a plug-in instrument; two library objects must never coexist).
#pragma once

#include "qelvxn/backends/ModuleHandle.hpp"
#include "qelvxn/library/ScanLib.hpp"

class CSerialPort;
class SpectralPhotometer;

class NWVXNLib : public ScanLib {
public:
    // Builds (or rebuilds) the one library object over the driver module;
    // null when memory runs out.
    static NWVXNLib* CreateNWVXNLib(HINSTANCE hModule);
    // The instance when it is an NWVXNLib, else null; shows no message.
    static NWVXNLib* Instance();
    static void DestroyNWVXNLib();

    ~NWVXNLib() override;
    NWVXNLib(const NWVXNLib&) = delete;
    NWVXNLib& operator=(const NWVXNLib&) = delete;

    void SetDriverHandle(HINSTANCE hModule);

    unsigned int GetSWVersion() override;
    String GetSerieNr() override;
    bool DeviceReady() override;
    unsigned char IsaVXN() override { return 1; }
    unsigned char IsaDensitometer() override { return 0; }
    unsigned char IsaChromalette() override { return 0; }
    unsigned char IsaLumovista() override { return 0; }
    unsigned char IsaHuepointer() override { return 0; }
    unsigned char HasaTableWalker() override { return 0; }
    unsigned char HasaTableWalkerT() override { return 0; }
    long GetDeviceType() override;
    String GetDeviceName() override;
    unsigned char FilterDownload(ValueFilterType eFilter) override;

    // A plug-in instrument has no file store: each answers 0 and touches nothing.
    unsigned char FileActDriveRequest(char (&)[129]) override { return 0; }
    unsigned char FileChangeDrive(const char (&)[129]) override { return 0; }
    unsigned char FileActDirRequest(char (&)[129]) override { return 0; }
    unsigned char FileChangeDir(const char (&)[129]) override { return 0; }
    unsigned char FileDOSStatusRequest(const char (&)[13], unsigned long&, unsigned char (&)[4],
                                       unsigned char (&)[3], unsigned char&) override
    {
        return 0;
    }
    unsigned char FileEntryCount(unsigned short&) override { return 0; }
    unsigned char FileDOSEntryRequest(const unsigned short&, char (&)[13], FileTypeType&) override { return 0; }
    unsigned char FileCreateDOSFile(const char (&)[13], FileWriteType, unsigned long) override { return 0; }
    unsigned char FileDOSAccessStart(const char (&)[13], FileAccessType) override { return 0; }
    unsigned char FileDOSAccessEnd(const char (&)[13]) override { return 0; }
    unsigned char FileWriteToDOSFile(const char (&)[13], unsigned long, const unsigned char* const) override
    {
        return 0;
    }
    unsigned char FileReadFromDOSFile(const char (&)[13], unsigned long, unsigned char (&)[512],
                                      unsigned char&) override
    {
        return 0;
    }

    // Filter, illuminant, observer and white base from the driver; the
    // density standard stays as the caller passed it. Always 1.
    unsigned char ParameterRequest(DStdType& rDStd, StoredWBaseType& rWBase, IllumType& rIllum,
                                   ObserverType& rObserver, ValueFilterType& rFilter) override;
    using VXNLib::ParameterRequest;
    String GetVXNLibType() override { return String("NWVXNLib"); }
    // The driver's 36 values of the last measurement; value type, spectrum
    // type and flag are not used.
    unsigned char SpectrumRequestNew(ValueType eValue, SpectType eSpect, float* const pValues,
                                     unsigned char& rFlag) override;
    // A plug-in instrument takes its conditions from the "Corvane" group;
    // the download is accepted and passed on (without density standard).
    unsigned char ParameterDownloadNew(DStdType eDStd, StoredWBaseType eWBase, IllumType eIllum,
                                       ObserverType eObserver) override;
    unsigned char ExecuteMeasurement() override;
    unsigned char ExecuteWhiteMeasurement() override;
    unsigned char MeasureControlRequest(ControlType, ControlType&) override { return 0; }
    virtual bool GetCurrentFilter(ActualFilterClass& rFilter);

    SpectralPhotometer* GetDriver() const { return mpDriver; }
    CSerialPort* GetPort() const { return mpPort; }

private:
    NWVXNLib();

    CSerialPort* mpPort = nullptr;
    SpectralPhotometer* mpDriver = nullptr;
};

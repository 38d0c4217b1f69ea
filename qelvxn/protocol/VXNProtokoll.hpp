// VXNProtokoll: one operation per command of a VXN instrument. Each builds a
// request block, exchanges it through the message transport and decodes the
// reply; the class keeps no state between commands.
//
// Results: 1 on success, 0 when the exchange failed or the instrument refused
// the command (nonzero status). Out-parameters are written only on success.
// Enumerations and shorts travel as 4-byte ints, received ints are narrowed to
// the caller's type; float data travels as raw 4-byte IEEE values.
#pragma once

#include "qel/ConditionTypes.hpp"
#include "qel/PostOffice.hpp"
#include "sv/String.hpp"

class MyMemoryBlock;

// Serial number of an instrument or a table: two 16-bit fields.
struct SerialNumberType {
    unsigned short nHigh = 0;
    unsigned short nLow = 0;
};

// File-store enumerations; their codes belong to the instrument.
enum FileTypeType : int {};
enum FileWriteType : int {};
enum FileAccessType : int {};

class VXNProtokoll {
public:
    VXNProtokoll() : VXNProtokoll(0) {}
    explicit VXNProtokoll(unsigned char nByte);
    VXNProtokoll(const VXNProtokoll&) = default;
    VXNProtokoll& operator=(const VXNProtokoll&) = default;

    // Model, identity and filter (virtual so that the driver-module library
    // can answer them itself).
    virtual unsigned int GetSWVersion();
    virtual String GetSerieNr();
    virtual String GetDisplayString();
    virtual bool DeviceReady();
    virtual unsigned char IsaVXN();
    virtual unsigned char IsaDensitometer();
    virtual unsigned char IsaChromalette();
    virtual unsigned char IsaLumovista();
    virtual unsigned char IsaHuepointer();
    virtual unsigned char HasaTableWalker();
    virtual unsigned char HasaTableWalkerT();
    virtual long GetDeviceType();
    virtual String GetDeviceName();
    virtual unsigned char FilterDownload(ValueFilterType eFilter);

    // The instrument's file store.
    virtual unsigned char FileActDriveRequest(char (&rDrive)[129]);
    virtual unsigned char FileChangeDrive(const char (&rDrive)[129]);
    virtual unsigned char FileActDirRequest(char (&rDir)[129]);
    virtual unsigned char FileChangeDir(const char (&rDir)[129]);
    virtual unsigned char FileDOSStatusRequest(const char (&rName)[13], unsigned long& rSize,
                                               unsigned char (&rStatus4)[4], unsigned char (&rStatus3)[3],
                                               unsigned char& rLast);
    virtual unsigned char FileEntryCount(unsigned short& rCount);
    virtual unsigned char FileDOSEntryRequest(const unsigned short& rIndex, char (&rName)[13], FileTypeType& rType);
    virtual unsigned char FileCreateDOSFile(const char (&rName)[13], FileWriteType eWrite, unsigned long nSize);
    virtual unsigned char FileDOSAccessStart(const char (&rName)[13], FileAccessType eAccess);
    virtual unsigned char FileDOSAccessEnd(const char (&rName)[13]);
    virtual unsigned char FileWriteToDOSFile(const char (&rName)[13], unsigned long nBlock,
                                             const unsigned char* const pData);
    virtual unsigned char FileReadFromDOSFile(const char (&rName)[13], unsigned long nBlock,
                                              unsigned char (&rData)[512], unsigned char& rLast);
    unsigned char FileRenameDir(const char (&rOld)[129], const char (&rNew)[129]);

    // Values, names, times.
    unsigned char SpectrumRequest(ValueType eValue, SpectType eSpect, float* const pValues, unsigned char& rFlag);
    unsigned char IndexValueRequest(ValueType eValue, IndexType eIndex, float& rValue, unsigned char& rFlag);
    unsigned char TimeRequest(ValueType eValue, short* const pTime);
    unsigned char TimeDownload(ValueType eValue, const short* const pTime);
    unsigned char StdNameDownload(ValueType eValue, const char* const pName);
    unsigned char GetValNr(ValueType eValue, short& rNr);
    unsigned char StdNameRequest(LibValueType eValue, char* const pName);
    unsigned char Name18Request(LibValueType eValue, char* const pName);
    unsigned char DelValNr(LibValueType eValue);
    unsigned char GetValNr(LibValueType eValue, short& rNr);
    unsigned char SetValNr(LibValueType eValue, short nNr);
    unsigned char ParameterRequest(DStdType& rDStd, StoredWBaseType& rWBase, IllumType& rIllum,
                                   ObserverType& rObserver, ValueFilterType& rFilter);
    unsigned char ParameterDownload(DStdType eDStd, StoredWBaseType eWBase, IllumType eIllum, ObserverType eObserver);
    unsigned char ExecMeasurement();
    unsigned char ExecWhiteMeasurement();
    unsigned char ExecRefMeasurement(ValueType eValue, MeasurementModeType eMode);
    unsigned char WhiteRefRequest(float* const pValues);
    unsigned char AltTabActivRequest(unsigned char& rFirst, unsigned char* const pFlags, unsigned char& rThird);
    unsigned char GetValNr(TabValueType eValue, short& rNr);
    unsigned char SetValNr(TabValueType eValue, short nNr);
    unsigned char NewMeasureRequest(NewMeasurementType& rNew, ValueType& rValue);
    unsigned char MeasControlDownload(ControlType eControl, int nValue);
    unsigned char MeasControlRequest(ControlType eControl, ControlType& rAnswer);
    unsigned char NewUserGuideRequest(short nGuide, const short* const pHeader, unsigned char* const pBuffer,
                                      short& rShort, unsigned short& rUShort);
    unsigned char UserGuideDownload(short nGuide, const short* const pHeader, const unsigned char* const pBlock,
                                    unsigned short& rStatus);
    unsigned char SetValNr(ValueType eValue, short nNr);
    unsigned char CDownload(ValueType eValue, CType eC, const float* const pLab);
    unsigned char SpectrumDownload(ValueType eValue, SpectType eSpect, const float* const pValues);

    // Sends nothing: no device data travel in this protocol; returns 0.
    unsigned char DeviceDataRequest(char (&rName)[19], short& rShort, char (&rArticle)[10],
                                    SerialNumberType& rSerial, char (&rDate)[13]);
    // Sends nothing; returns 1.
    unsigned char SoftwareDownload();

protected:
    // One exchange through the transport: nonzero when it worked; the reply
    // block then starts with the status char.
    unsigned char Exchange(int nMessage, MyMemoryBlock& rBlock, DisEnable eDisEnable = DE_NORMAL);

private:
    void ClearTargetTech() { mnTargetTech = 255; }
    unsigned char AnswerByte(int nMessage);
    unsigned char ValNrRequest(int nMessage, int nValue, short& rNr);
    unsigned char FileCommand(int nMessage, MyMemoryBlock& rBlock, unsigned char& rResult);

    unsigned char mnByte;
    char maDeviceName[19] = {};
    short maDeviceShorts[7] = {};
    long mnTargetTech = 0;
    short maDeviceShorts2[3] = {};
    long mnDeviceLong = 0;
    short mnDeviceShort = 0;
};

// VXNLib: the object through which an application measures. There is one per
// process, created by CreateVXNLib (always as a ScanLib, so that the table
// procedures are there whether or not a table is attached) and reached from
// everywhere through Instance().
//
// Besides the instrument's command set it keeps the application's measuring
// preferences (configuration groups "VXN" and "Settings"), a process-wide
// simulator switch, and seven virtual operations through which the measuring
// procedures reach the instrument, so that a driver-module variant can answer
// them instead of instrument messages.
#pragma once

#include "qel/MeasuringCondition.hpp"
#include "qel/QelSingleton.hpp"
#include "qelvxn/protocol/VXNProtokoll.hpp"
#include "sv/Link.hpp"

class ScanLib;
class MyMemoryBlock;

class VXNLib : public VXNProtokoll, public QelSingleton {
public:
    // Replaces any existing instance by a new ScanLib built with the byte,
    // registers it with the singleton registry and returns it; null when
    // memory runs out.
    static VXNLib* CreateVXNLib(unsigned char nByte);
    // The instance; without one, shows an error box and returns null.
    static ScanLib* Instance();

    ~VXNLib() override;
    VXNLib(const VXNLib&) = default;
    VXNLib& operator=(const VXNLib&) = default;

    // ---- preferences (AppConfig; values as decimal text) -------------------
    int GetVXNPort();
    void SetVXNPort(int nPort);
    int GetVXNMeanCount();
    void SetVXNMeanCount(int nCount);
    // 0 for device type 2 (asks the instrument first), else ("VXN", "Calibration").
    int GetCalibration();
    void SetCalibration(int nOn);
    unsigned char GetMessenAmVXN();
    void SetMessenAmVXN(unsigned char nOn);
    unsigned char GetAutoZuordnung();
    void SetAutoZuordnung(unsigned char nOn);
    // Read from the configuration every time (and cached).
    CType GetColorSystem();
    void SetColorSystem(CType eSystem);

    // ---- instrument access --------------------------------------------------
    // The instrument's conditions, with the alternative-table adjustment for
    // device type 65536 from software version 199 on.
    virtual unsigned char ParameterRequest(DStdType& rDStd, StoredWBaseType& rWBase, IllumType& rIllum,
                                           ObserverType& rObserver, ValueFilterType& rFilter);
    virtual String GetVXNLibType();
    virtual unsigned char SpectrumRequestNew(ValueType eValue, SpectType eSpect, float* const pValues,
                                             unsigned char& rFlag);
    virtual unsigned char ParameterDownloadNew(DStdType eDStd, StoredWBaseType eWBase, IllumType eIllum,
                                               ObserverType eObserver);
    virtual unsigned char ExecuteMeasurement();
    virtual unsigned char ExecuteWhiteMeasurement();
    virtual unsigned char MeasureControlRequest(ControlType eControl, ControlType& rAnswer);

    // The instrument's conditions as one value; a Dxx illuminant carries the
    // instrument's temperature number (65 for other illuminants). The
    // argument is written whatever the result; use it only when it is 1.
    unsigned char ParameterRequest(MeasuringCondition& rCondition);

    unsigned char SendAndReceive(int nDevice, int nMessage, MyMemoryBlock& rRequest, MyMemoryBlock& rReply,
                                 DisEnable eDisEnable);
    Link ChangeMessageHdl(unsigned int nMessage, Link& rHdl, unsigned char nFlag);

    // While on, measurements come from the simulator and no calibration or
    // filter check runs.
    static void Simulator(bool bOn) { mbSimulator = bOn; }
    static bool IsSimulator() { return mbSimulator; }

    // Hands the stored condition set to the colour mathematics: with the given
    // filter, or the set's filter when none is given; white base always 1.
    void AdaptCMetry(ActualFilterClass* pFilter);

    int GetCalFilter() const { return mnCalFilter; }
    const MeasuringCondition& GetLastCondition() const { return maLastCondition; }

    static ScanLib* mpInstance;

protected:
    explicit VXNLib(unsigned char nByte = 0);

    unsigned char mnFlag = 1;
    int mnCalFilter = -1;
    ValueFilterType meMeasFilter = FILTER_NOT_SET;
    CType meColorSystem = CTYPE_LAB;
    MeasuringCondition maLastCondition;
    unsigned char mbAskCondition = 1;

    static bool mbSimulator;
};

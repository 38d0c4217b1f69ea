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

class GPtMesswert;
class ScanLib;
class MyMemoryBlock;
class MessBox;
class Spectrum;
class VxnSet;
class Window;

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

    // ---- measuring ------------------------------------------------------------
    // The instrument lock (messages 2 and 3) around command sequences that
    // must not be interleaved.
    unsigned char LockVXN();
    void UnlockVXN();

    // Measures under the filter after the caller's prompt box has been
    // answered: Cancel stops, OK and Yes measure, No returns 36 values of
    // -1.0 without measuring, any other answer returns 1 with the spectrum
    // untouched. In simulator mode the simulator opens over the box's parent.
    unsigned char Measure(MessBox* pBox, Spectrum& rSpectrum, ValueFilterType eFilter);
    // Measures under the filter (calibrating first where needed).
    unsigned char Measure(Window* pParent, Spectrum& rSpectrum, ValueFilterType eFilter);
    // Measures under the conditions, downloading them first where the
    // instrument differs (device type 2: the filter only).
    unsigned char Measure(Window* pParent, Spectrum& rSpectrum, const MeasuringCondition& rCondition);
    // One measurement or an averaged series, by the configured mean count
    // ("VXN"/"MEAN", read at every call): up to 1 one SingleMeasure (a given
    // first measurement is replaced), above 1 the mean of that many in the
    // dialog InfoMehrfachmessung; with bFirstGiven the spectrum is its first
    // measurement. On Cancel or a failed measurement the result is 0 and the
    // spectrum stays as it was.
    unsigned char Mehrfachmessung(Window* pParent, Spectrum& rSpectrum, unsigned char bFirstGiven);
    // Exactly one measurement on the instrument; the spectrum carries the
    // instrument's filter and white base. The spectrum is rebuilt even when
    // the measurement failed: look at the result first.
    unsigned char SingleMeasure(Spectrum& rSpectrum);

    // Compares the wanted conditions with the instrument's, brings the filter
    // into place and downloads illuminant, observer and white base where they
    // differ (the instrument's density standard is kept).
    unsigned char CheckSettings(IllumType eIllum, short nDxxTempNr, ObserverType eObserver, StoredWBaseType eWBase,
                                ValueFilterType eFilter);
    unsigned char CheckSettings(const MeasuringCondition& rCondition);
    unsigned char CheckSettings(VxnSet& rSet);

    // White calibration under the filter: optionally waits for the filter,
    // asks the user (unless told not to), compares the stored white
    // reference with a fresh measurement, moves the table to the white
    // reference position and back, and measures white.
    unsigned char WhiteCalibration(const ValueFilterType& rFilter, unsigned char bWaitFilter, unsigned char bExtraText,
                                   unsigned char bNoQuestion, int nWhiteRefPos, unsigned char bMoveBack);

    // ---- references, guides and device memory ---------------------------------
    // Reference slots count from 0: slots 0 to 8 are the value types of the
    // download commands, slot n from 9 on is selected as value number n + 1
    // of value type 68 and written through value type 64. Guides are numbered
    // by the instrument (the selected guide is its value 120). Instruments
    // below software version 355 give fixed answers to most queries.

    // Downloads a spectrum or Lab value into the slot, then (from 355 on) its
    // date and (unless the language or device type 65536 forbids) its
    // designation as the 16-character name. No lock is taken.
    unsigned char ReferenzDownload(long nSlot, GPtMesswert& rValue);
    unsigned char GetAnzahlGuides(short& rCount);
    unsigned char GetAnzahlROMGuides(short& rCount);
    // The name as the instrument sends it (16 characters below 355, else 18).
    unsigned char GetGuideName(String& rName, unsigned long nGuide);
    // The name is padded with blanks to 16 characters and cut at 16.
    unsigned char SetGuideName(String aName, unsigned long nGuide);
    // Seven values: 0, second, minute, hour, day, month, year.
    unsigned char GetGuideDate(int nGuide, short* const pTime);
    unsigned char GetGuideSize(int nGuide, float& rSize);
    unsigned char GetSelectedGuide(short& rGuide);
    unsigned char SetSelectedGuide(short nGuide);
    unsigned char DeleteGuide(short nGuide);
    unsigned char NewGuide(short nGuide, short* const pHeader, unsigned char* const pBuffer, short& rShort,
                           unsigned short& rUShort);
    // Sends the open file (from its current position; not closed here) to
    // the guide in 512-byte blocks under the instrument lock, with a progress
    // dialog whose abort button stops the transfer after the current block.
    unsigned char GuideDownload(Window* pParent, short nGuide, int nFile);
    unsigned char GetFreeMemorySize(float& rSize);
    // Free memory plus memory in use.
    unsigned char GetTotalRAMSize(float& rSize);
    unsigned char GetMemorySizeOfRefAndSpl(float& rSize);
    // Sends nothing and returns 0: the serial number is GetSerieNr's text.
    unsigned char GetSerialNumberOfDevice(long& rSerial);

    int GetCalFilter() const { return mnCalFilter; }
    const MeasuringCondition& GetLastCondition() const { return maLastCondition; }

    static ScanLib* mpInstance;

protected:
    explicit VXNLib(unsigned char nByte = 0);

    // Calibrates when the filter differs from the one of the last
    // calibration; quiet: no question and no closing note.
    unsigned char CheckCalOK(ValueFilterType eFilter, unsigned char bQuiet);

    unsigned char mnFlag = 1;
    int mnCalFilter = -1;
    ValueFilterType meMeasFilter = FILTER_NOT_SET;
    CType meColorSystem = CTYPE_LAB;
    MeasuringCondition maLastCondition;
    unsigned char mbAskCondition = 1;

    static bool mbSimulator;

private:
    // Brings the filter into place: by command where the instrument allows
    // it, else by asking the user; 0 when the user gives up.
    unsigned char WaitFilterrad(ValueFilterType eFilter);
    // Compares the stored white reference of the filter with a measurement
    // of what lies under the head and warns above dE*ab 0.5.
    unsigned char WhiteRefOk(ValueFilterType eFilter);
    // ExecuteMeasurement, then the spectrum of the measured sample.
    unsigned char MeasureSpectrum(float* pValues);
};

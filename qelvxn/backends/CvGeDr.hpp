// CvGeDr: the generic driver-module photometer that CreatePhotometer builds.
// Filters (device type 2 only): M0 (code 7), M1 (8) and M2 (9), switched and
// read through the head's status reply.
#pragma once

#include "qelvxn/backends/Corvane.hpp"

class CvGeDr : public Corvane {
public:
    CvGeDr(CSerialPort* pPort, const String& rType) : Corvane(pPort, rType) {}

    unsigned char Reconnect() override;
    unsigned char Open() override;
    String GetSWVersion() override { return String("100"); }
    String GetSerieNr() override { return maSerieNr; }
    String GetDeviceName() override { return maName; }
    // 4 when the module reports geometry 0, else 2.
    long GetDeviceType() override;
    long GetFilter() override;
    // Measures (calibrating first when the module asks for it) and converts
    // the module's values to the 36 values of the library.
    unsigned char ExecuteMeasurement() override;
    unsigned char ExecuteWhiteMeasurement() override;
    unsigned char SerieNrRequest() override;
    unsigned char FilterDownload(ValueFilterType eFilter) override;
    unsigned char GetCurrentFilter(ActualFilterClass& rFilter) override;

    // How often ExecuteMeasurement calibrates and starts again for a module
    // that keeps reporting "not calibrated" (then it measures as it is).
    static constexpr int MAX_CALIBRATION_ROUNDS = 3;

private:
    unsigned char Measure(int nRound);
    // The filter the status reply shows (9, 8 or 7).
    static long FilterFromStatus(const char* pReply);

    std::int32_t mnExtendedStart = 0;
};

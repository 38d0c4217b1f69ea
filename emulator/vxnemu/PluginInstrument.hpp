// PluginInstrument: a simulated plug-in instrument of the Corvane family, as
// the sample driver modules (drivers/) talk to it over a serial line. It
// measures the patches of the same chart as the VXN virtual instrument, so
// that a patch gives the same colour through either.
//
// Line protocol: one ASCII request line, one reply line, '\n'-terminated.
// A reply starts with "OK" (then the answer) or "ERR" (then why).
//
//   HELLO                 OK <model> <serial number>
//   STATUS                OK <R|B><T|-><E|->   ready, filter T on, filter E on
//   FILTER T|E|-T|-E      OK                   filter T or E on or off
//   WHITE                 OK                   white calibration on the tile
//   CAL?                  OK 1|0               calibrated since the start
//   MEASURE S E I         OK v1 v2 ...         remission of the current sample
//                                              at S, S+I, ... E nm (10 nm
//                                              multiples from 380 to 730)
//   SAMPLE N|NAME         OK <patch name>      the operator lays another patch
//
// Operator lines on the program's standard input: "sample N", "uncalibrate",
// "state", "quit".
#pragma once

#include "vxnemu/Chart.hpp"

#include <string>

namespace vxnemu {

class PluginInstrument {
public:
    explicit PluginInstrument(const Chart& rChart = Chart::Default()) : mrChart(rChart) {}

    // The reply line (without '\n') to one request line.
    std::string Answer(const std::string& rRequest);
    // The answer to an operator line; false for an unknown one.
    bool Operator(const std::string& rLine, std::string& rAnswer);

    int Sample() const { return mnSample; }
    bool Calibrated() const { return mbCalibrated; }

private:
    const Chart& mrChart;
    int mnSample = 1;
    bool mbCalibrated = false;
    bool mbFilterT = false;
    bool mbFilterE = false;
};

// Serves the instrument on a new pseudo-terminal (its slave path printed
// first on standard output) until killed, or until standard input ends with
// bExitOnEof. Returns the exit status.
int ServePluginInstrumentPty(bool bExitOnEof);

} // namespace vxnemu

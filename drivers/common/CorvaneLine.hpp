// CorvaneLine: the serial line from a sample driver module to its plug-in
// instrument (the simulated one: vxn-emulator --pty --plugin-instrument),
// and the requests of its line protocol (see vxnemu/PluginInstrument.hpp).
//
// The line is the one the library holds for the instrument and closes for
// the module: the port index ("VXN", "PORT"), its device ([Ports] COMn) and
// the baud rate ("VXN", "NormalSpeed") from the application's configuration.
// It is opened at the first request and closed by End().
#pragma once

#include <string>
#include <vector>

namespace corvane {

class Line {
public:
    ~Line() { End(); }

    // Sends one request and waits (up to 2 s) for its reply; true for "OK",
    // with the rest of the reply in rAnswer. A failed line is opened anew at
    // the next request.
    bool Request(const std::string& rRequest, std::string& rAnswer);
    void End();

    // The measured values of "MEASURE start end step", one per step.
    bool Measure(int nStart, int nEnd, int nStep, std::vector<double>& rValues);

    const std::string& LastError() const { return maError; }

private:
    bool Open();

    int mnFd = -1;
    std::string maError;
};

// The one line of the module.
Line& TheLine();

// Copies a text into a head buffer of nSize bytes, always terminated.
void CopyText(char* pBuffer, int nSize, const std::string& rText);

} // namespace corvane

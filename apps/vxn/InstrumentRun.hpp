// What every instrument command of vxn shares: the session with the library
// object (over a driver module with --driver), a responder that answers the
// library's boxes at the terminal or with their defaults (--yes) and shows
// progress on standard error, where Ctrl-C works like the progress dialog's
// abort button; why the last library call failed; and the instrument's rules
// for names, checked before anything is sent.
#pragma once

#include "Commands.hpp"
#include "ConsoleResponder.hpp"
#include "Session.hpp"

#include <string>

class VXNLib;

namespace vxn {

// A console responder whose progress dialog reports an abort once the user
// pressed Ctrl-C.
class InterruptibleResponder : public ConsoleResponder {
public:
    explicit InterruptibleResponder(bool bDefaults) : ConsoleResponder(bDefaults, false) {}
    void ProgressBegin(ProgressState& r) override;
    void ProgressUpdate(ProgressState& r) override;
    void ProgressEnd(ProgressState& r) override;
    // Marks the open progress dialog aborted when Ctrl-C came (called from
    // the event loop while the library keeps the GUI alive).
    void Poll();

private:
    ProgressState* mpState = nullptr;
};

class InstrumentRun {
public:
    // bDefaults: every box takes its default answer (the commands that ask
    // nothing, and --yes); bOperator: against a virtual instrument, act as
    // its operator (turn the filter wheel, lay the white tile).
    explicit InstrumentRun(const Globals& g, bool bDefaults = true, bool bOperator = false);
    ~InstrumentRun();
    InstrumentRun(const InstrumentRun&) = delete;
    InstrumentRun& operator=(const InstrumentRun&) = delete;

    // Whether the library object exists (a driver module may be unusable;
    // the reason has been said). Enough for the simulator.
    bool HasLibrary() const { return mpLib != nullptr; }
    // Opens the link and checks that an instrument answers; says why not.
    bool Connect();
    // The exit status after Connect (or HasLibrary) failed: a driver module
    // that cannot be used is a wrong option, an instrument that does not
    // answer a failure.
    int ConnectFailure() const { return mpLib ? EXIT_FAILED : EXIT_USAGE; }
    VXNLib& Lib() { return *mpLib; }
    // The device type read by Connect.
    long DeviceType() const { return mnDeviceType; }
    InterruptibleResponder& Responder() { return maResponder; }
    // Why the last library call failed, for the user: a question nobody
    // could answer, the link, a refusal; "the measurement was cancelled"
    // when nothing else is known.
    std::string WhyItFailed() const;

    // "the instrument refused command N (status S)" or why the last failed
    // exchange failed; "" when none failed since ClearFailures.
    static void ClearFailures();
    static std::string LastFailure();

private:
    Session maSession;
    InterruptibleResponder maResponder;
    ScopedResponder maUse;
    VXNLib* mpLib = nullptr;
    long mnDeviceType = 0;
    bool mbOperator;
};

// The instrument's rules; each returns "" for a good value, else the rule.
// A file name: 8.3 (up to 8 characters, optionally a dot and up to 3), of
// letters, digits and _ - ~ $.
std::string CheckFileName(const std::string& rName);
// A drive or directory path: up to 128 characters.
std::string CheckPath(const std::string& rPath);
// A reference or guide name: up to 16 characters.
std::string CheckName16(const std::string& rName);

} // namespace vxn

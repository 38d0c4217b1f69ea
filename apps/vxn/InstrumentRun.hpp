// What the memory, reference, guide and file-store commands of vxn share: the
// session with the library object and a responder that answers with the
// defaults (these commands ask nothing) and shows progress on standard
// error, where Ctrl-C works like the progress dialog's abort button; and the
// instrument's rules for names, checked before anything is sent.
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
    InterruptibleResponder() : ConsoleResponder(true, false) {}
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
    explicit InstrumentRun(const Globals& g);
    ~InstrumentRun();
    InstrumentRun(const InstrumentRun&) = delete;
    InstrumentRun& operator=(const InstrumentRun&) = delete;

    // Opens the link and checks that an instrument answers; says why not.
    bool Connect();
    VXNLib& Lib() { return *mpLib; }
    InterruptibleResponder& Responder() { return maResponder; }
    // "the instrument refused command N (status S)" or why the last failed
    // exchange failed; "" when none failed since ClearFailures.
    static void ClearFailures();
    static std::string LastFailure();

private:
    Session maSession;
    InterruptibleResponder maResponder;
    ScopedResponder maUse;
    VXNLib* mpLib = nullptr;
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

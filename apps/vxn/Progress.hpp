// Progress of long work on standard error: a bar redrawn in place on a
// terminal, a line per step otherwise (a log keeps every step). The text of
// a step is the caller's; Progress adds the bar and the elapsed and
// remaining time.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace vxn {

// "m:ss"
std::string Clock(double dSeconds);

class Progress {
public:
    explicit Progress(size_t nTotal);
    ~Progress() { Break(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    size_t Total() const { return mnTotal; }
    // Seconds since the work began, and the estimate of what is left after
    // nDone of the steps ("?" before the first is done).
    double Elapsed() const;
    std::string Remaining(size_t nDone) const;
    // Shows rLine with a bar filled for nDone of the steps.
    void Show(size_t nDone, const std::string& rLine);
    // Ends the bar's line before something else is said.
    void Break();

private:
    size_t mnTotal;
    bool mbTerminal;
    bool mbDrawn = false;
    std::chrono::steady_clock::time_point maStart = std::chrono::steady_clock::now();
};

} // namespace vxn

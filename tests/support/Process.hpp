// Runs a program built beside the tests and collects what it printed.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testenv {

struct ProcessResult {
    int status = -1;  // exit status; -1 when it did not end normally
    std::string out, err;
};

// Runs the program with the arguments, feeding sInput on standard input
// (closed afterwards). Standard input is not a terminal. rEnv adds to the
// test's environment: "NAME=VALUE" sets NAME, "-NAME" removes it.
// Called with the program's process id and all it has printed so far each
// time more arrives on its standard output (to act on it while it runs).
using OutputWatcher = std::function<void(int nPid, const std::string& rOut)>;

ProcessResult RunProgram(const std::string& rProgram, const std::vector<std::string>& rArgs, const std::string& rInput = "",
                  const std::vector<std::string>& rEnv = {}, const OutputWatcher& rWatch = {});

// Runs vxn with English texts (the tests compare its wording); aEnv as for
// RunProgram, and may choose another language.
ProcessResult RunVxn(const std::vector<std::string>& rArgs, const std::string& rInput = "",
                     std::vector<std::string> aEnv = {});

// A program left running in the background (vxn-emulator): its first line of
// output is read at start (the port or pseudo-terminal path).
class BackgroundProcess {
public:
    BackgroundProcess(const std::string& rProgram, const std::vector<std::string>& rArgs);
    ~BackgroundProcess();
    const std::string& FirstLine() const { return maFirstLine; }
    // Sends a line to its standard input.
    void Send(const std::string& rLine);
    // Sends a line and returns the next line the program prints (its answer).
    std::string Command(const std::string& rLine);
    bool Running() const { return mnPid > 0; }

private:
    int mnPid = -1;
    int mnIn = -1, mnOut = -1;
    std::string maFirstLine;
};

} // namespace testenv

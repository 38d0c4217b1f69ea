// A terminal responder for tests: it reads the given input from a pipe and
// writes its prompts into memory.
#pragma once

#include "sv/TerminalResponder.hpp"

#include <cstdio>
#include <string>

namespace testenv {

class PipedTerminal {
public:
    explicit PipedTerminal(const std::string& rInput, bool bInteractive = true);
    ~PipedTerminal();
    PipedTerminal(const PipedTerminal&) = delete;
    PipedTerminal& operator=(const PipedTerminal&) = delete;

    TerminalResponder& Responder() { return *mpResponder; }
    // What the responder printed so far.
    std::string Output();

private:
    int mnReadFd = -1;
    char* mpOut = nullptr;
    size_t mnOutLen = 0;
    std::FILE* mpOutFile = nullptr;
    TerminalResponder* mpResponder = nullptr;
};

} // namespace testenv

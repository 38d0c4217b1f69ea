#include "support/PipedTerminal.hpp"

#include <cstdlib>
#include <unistd.h>

namespace testenv {

PipedTerminal::PipedTerminal(const std::string& rInput, bool bInteractive)
{
    int fds[2] = {-1, -1};
    if (::pipe(fds) != 0)
        std::abort();
    // Test inputs are short: they fit into the pipe before anyone reads.
    if (::write(fds[1], rInput.data(), rInput.size()) != static_cast<ssize_t>(rInput.size()))
        std::abort();
    ::close(fds[1]);
    mnReadFd = fds[0];
    mpOutFile = open_memstream(&mpOut, &mnOutLen);
    mpResponder = new TerminalResponder(mnReadFd, mpOutFile);
    mpResponder->SetInteractive(bInteractive);
}

PipedTerminal::~PipedTerminal()
{
    delete mpResponder;
    std::fclose(mpOutFile);
    std::free(mpOut);
    ::close(mnReadFd);
}

std::string PipedTerminal::Output()
{
    std::fflush(mpOutFile);
    return std::string(mpOut, mnOutLen);
}

} // namespace testenv

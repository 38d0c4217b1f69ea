#include "Interrupt.hpp"

#include <cstring>
#include <unistd.h>

namespace vxn {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int)
{
    if (gInterrupted) {
        // Asked twice: the user does not want to wait.
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
        return;
    }
    gInterrupted = 1;
    static const char note[] = "\nvxn: interrupted; stopping after the exchange in progress (Ctrl-C again to quit now)\n";
    ssize_t ignored = ::write(2, note, sizeof note - 1);
    (void)ignored;
}

} // namespace

void CatchInterrupt()
{
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a read waiting at a prompt returns, so the prompt can
    // be answered Cancel.
    sa.sa_flags = 0;
    sigaction(SIGINT, &sa, nullptr);
}

bool Interrupted()
{
    return gInterrupted != 0;
}

const volatile std::sig_atomic_t* InterruptFlag()
{
    return &gInterrupted;
}

} // namespace vxn

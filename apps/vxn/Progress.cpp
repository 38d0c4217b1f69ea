#include "Progress.hpp"

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace vxn {

std::string Clock(double dSeconds)
{
    long s = std::lround(dSeconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

Progress::Progress(size_t nTotal) : mnTotal(nTotal), mbTerminal(::isatty(STDERR_FILENO) == 1) {}

double Progress::Elapsed() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - maStart).count();
}

std::string Progress::Remaining(size_t nDone) const
{
    if (nDone == 0)
        return "?";
    return Clock(Elapsed() / static_cast<double>(nDone) * static_cast<double>(mnTotal - nDone));
}

void Progress::Show(size_t nDone, const std::string& rLine)
{
    if (mbTerminal) {
        constexpr size_t WIDTH = 20;
        size_t filled = mnTotal ? nDone * WIDTH / mnTotal : 0;
        std::fprintf(stderr, "\r[%s%s] %s\033[K", std::string(filled, '#').c_str(),
                     std::string(WIDTH - filled, '-').c_str(), rLine.c_str());
        mbDrawn = true;
    } else {
        std::fprintf(stderr, "%s\n", rLine.c_str());
    }
    std::fflush(stderr);
}

void Progress::Break()
{
    if (mbTerminal && mbDrawn)
        std::fputc('\n', stderr);
    mbDrawn = false;
}

} // namespace vxn

#include "CorvaneLine.hpp"

#include "qel/AppConfig.hpp"
#include "qel/SerialSpeed.hpp"
#include "win32/Win32Api.hpp"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <termios.h>
#include <unistd.h>

namespace corvane {

namespace {

String Read(const char* pGroup, const char* pKey, const char* pDefault)
{
    return AppConfig::Instance()->ReadKey(String(pGroup), String(pKey), String(pDefault));
}

} // namespace

Line& TheLine()
{
    static Line aLine;
    return aLine;
}

void CopyText(char* pBuffer, int nSize, const std::string& rText)
{
    if (!pBuffer || nSize <= 0)
        return;
    std::strncpy(pBuffer, rText.c_str(), static_cast<size_t>(nSize - 1));
    pBuffer[nSize - 1] = '\0';
}

bool Line::Open()
{
    if (mnFd >= 0)
        return true;
    int index = Read("VXN", "PORT", "0").ToInt();
    std::string path = CommDevicePath("COM" + std::to_string(index + 1));
    if (path.empty()) {
        maError = "no serial port for index " + std::to_string(index);
        return false;
    }
    mnFd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (mnFd < 0) {
        maError = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    termios t{};
    if (tcgetattr(mnFd, &t) != 0) {
        maError = path + " is not a serial line";
        End();
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    // A rate the line cannot take falls back to the instrument's own 9600.
    speed_t sp = SerialSpeed(Read("VXN", "NormalSpeed", "9600").ToLong());
    if (!sp)
        sp = B9600;
    cfsetispeed(&t, sp);
    cfsetospeed(&t, sp);
    tcsetattr(mnFd, TCSANOW, &t);
    tcflush(mnFd, TCIOFLUSH);
    return true;
}

void Line::End()
{
    if (mnFd >= 0)
        ::close(mnFd);
    mnFd = -1;
}

bool Line::Request(const std::string& rRequest, std::string& rAnswer)
{
    if (!Open())
        return false;
    std::string out = rRequest + "\n";
    for (size_t done = 0; done < out.size();) {
        ssize_t w = ::write(mnFd, out.data() + done, out.size() - done);
        if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{mnFd, POLLOUT, 0};
            poll(&p, 1, 100);
            continue;
        }
        if (w <= 0) {
            maError = std::string("cannot write to the instrument: ") + std::strerror(errno);
            End();
            return false;
        }
        done += static_cast<size_t>(w);
    }
    std::string reply;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            maError = "the instrument does not answer " + rRequest;
            End();
            return false;
        }
        pollfd p{mnFd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char c;
        ssize_t n = ::read(mnFd, &c, 1);
        if (n <= 0)
            continue;
        if (c == '\r')
            continue;
        if (c == '\n')
            break;
        if (reply.size() > 8192) {
            maError = "the instrument's reply is too long";
            End();
            return false;
        }
        reply += c;
    }
    if (reply.rfind("OK", 0) != 0) {
        maError = "the instrument refused " + rRequest + ": " + reply;
        return false;
    }
    rAnswer = reply.size() > 3 ? reply.substr(3) : "";
    return true;
}

bool Line::Measure(int nStart, int nEnd, int nStep, std::vector<double>& rValues)
{
    std::string answer;
    if (!Request("MEASURE " + std::to_string(nStart) + " " + std::to_string(nEnd) + " " + std::to_string(nStep),
                 answer))
        return false;
    std::istringstream in(answer);
    std::vector<double> v;
    for (std::string w; in >> w;) {
        char* end = nullptr;
        double d = std::strtod(w.c_str(), &end);
        if (*end) {
            maError = "the instrument sent '" + w + "' as a value";
            return false;
        }
        v.push_back(d);
    }
    if (static_cast<int>(v.size()) != (nEnd - nStart) / nStep + 1) {
        maError = "the instrument sent " + std::to_string(v.size()) + " values";
        return false;
    }
    rValues = std::move(v);
    return true;
}

} // namespace corvane

// The simulated plug-in instrument: its line protocol and its pseudo-terminal.
#include "vxnemu/PluginInstrument.hpp"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace vxnemu {

namespace {

std::vector<std::string> Words(const std::string& s)
{
    std::istringstream in(s);
    std::vector<std::string> w;
    for (std::string x; in >> x;)
        w.push_back(x);
    return w;
}

bool ParseInt(const std::string& s, int& r)
{
    if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    r = std::atoi(s.c_str());
    return true;
}

} // namespace

std::string PluginInstrument::Answer(const std::string& rRequest)
{
    std::vector<std::string> w = Words(rRequest);
    if (w.empty())
        return "ERR empty request";
    const std::string& cmd = w[0];
    if (cmd == "HELLO")
        return "OK CV-SIM 2026-0042";
    if (cmd == "STATUS")
        return std::string("OK R") + (mbFilterT ? 'T' : '-') + (mbFilterE ? 'E' : '-');
    if (cmd == "FILTER" && w.size() == 2) {
        if (w[1] == "T")
            mbFilterT = true;
        else if (w[1] == "-T")
            mbFilterT = false;
        else if (w[1] == "E")
            mbFilterE = true;
        else if (w[1] == "-E")
            mbFilterE = false;
        else
            return "ERR unknown filter " + w[1];
        return "OK";
    }
    if (cmd == "WHITE") {
        mbCalibrated = true;
        return "OK";
    }
    if (cmd == "CAL?")
        return mbCalibrated ? "OK 1" : "OK 0";
    if (cmd == "SAMPLE" && w.size() >= 2) {
        std::string key = rRequest.substr(rRequest.find(w[1]));
        int n = mrChart.Find(key);
        if (n <= 0)
            return "ERR no chart patch " + key;
        mnSample = n;
        return "OK " + mrChart.Name(n);
    }
    if (cmd == "MEASURE" && w.size() == 4) {
        int s = 0, e = 0, step = 0;
        if (!ParseInt(w[1], s) || !ParseInt(w[2], e) || !ParseInt(w[3], step) || step <= 0 || step % 10 ||
            s % 10 || s < 380 || e > 730 || e < s)
            return "ERR grid from 380 to 730 nm in tens expected";
        if (!mbCalibrated)
            return "ERR not calibrated";
        const Spectrum36& v = mrChart.Patch(mnSample);
        std::string out = "OK";
        char buf[32];
        for (int nm = s; nm <= e; nm += step) {
            std::snprintf(buf, sizeof buf, " %.9g", static_cast<double>(v[(nm - 380) / 10]));
            out += buf;
        }
        return out;
    }
    return "ERR unknown request " + cmd;
}

bool PluginInstrument::Operator(const std::string& rLine, std::string& rAnswer)
{
    std::vector<std::string> w = Words(rLine);
    if (w.size() >= 2 && w[0] == "sample") {
        rAnswer = Answer("SAMPLE " + rLine.substr(rLine.find(w[1])));
        return true;
    }
    if (w.size() == 1 && w[0] == "uncalibrate") {
        mbCalibrated = false;
        rAnswer = "OK";
        return true;
    }
    if (w.size() == 1 && w[0] == "state") {
        rAnswer = "OK sample " + std::to_string(mnSample) + " (" + mrChart.Name(mnSample) + ")" +
                  (mbCalibrated ? " calibrated" : " not calibrated");
        return true;
    }
    return false;
}

namespace {
volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }
} // namespace

int ServePluginInstrumentPty(bool bExitOnEof)
{
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m < 0 || grantpt(m) != 0 || unlockpt(m) != 0 || !ptsname(m)) {
        std::fprintf(stderr, "vxn-emulator: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    std::string path = ptsname(m);
    // Kept open so that the master never sees a hang-up between clients.
    int s = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (s >= 0 && tcgetattr(s, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(s, TCSANOW, &t);
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    PluginInstrument instrument;
    std::string line, opLine;
    bool stdinOpen = true;
    while (!gStop) {
        pollfd fds[2] = {{m, POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
        if (poll(fds, 2, 200) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents & POLLIN) {
            char buf[512];
            ssize_t n = ::read(m, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] == '\r')
                    continue;
                if (buf[i] != '\n') {
                    if (line.size() < 4096)
                        line += buf[i];
                    continue;
                }
                std::string reply = instrument.Answer(line) + "\n";
                line.clear();
                for (size_t done = 0; done < reply.size();) {
                    ssize_t w = ::write(m, reply.data() + done, reply.size() - done);
                    if (w <= 0)
                        break;
                    done += static_cast<size_t>(w);
                }
            }
        }
        if (stdinOpen && (fds[1].revents & (POLLIN | POLLHUP))) {
            char c;
            ssize_t n = ::read(0, &c, 1);
            if (n <= 0) {
                stdinOpen = false;
                if (bExitOnEof)
                    break;
            } else if (c != '\n') {
                opLine += c;
            } else {
                std::string answer;
                if (opLine == "quit")
                    break;
                if (!instrument.Operator(opLine, answer))
                    answer = "ERR unknown operator command " + opLine;
                std::printf("%s\n", answer.c_str());
                std::fflush(stdout);
                opLine.clear();
            }
        }
    }
    if (s >= 0)
        ::close(s);
    ::close(m);
    return 0;
}

} // namespace vxnemu

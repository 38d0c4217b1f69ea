// vxn-emulator: the virtual instrument as a program, on TCP or on a
// pseudo-terminal.
//
//   vxn-emulator --tcp 127.0.0.1:0 [--profile NAME] [--realistic] [--sw-version N] [--exit-on-eof]
//   vxn-emulator --pty [...]
//   vxn-emulator --pty --plugin-instrument [--exit-on-eof]   (see vxnemu/PluginInstrument.hpp)
//
// The first line on standard output is where to connect: "tcp:HOST:PORT"
// (an endpoint text the library accepts; port 0 asks for a free port) or the
// slave path of the pseudo-terminal. Standard input takes operator command
// lines (the same as control frames: filter N, key, measure-at-unit, ...);
// each is answered by one line "<status> <text>". "quit" ends the program.
// TCP clients are served one at a time; after "disconnect" the TCP client
// is dropped, and on a pseudo-terminal a new pair is opened and its slave
// path printed as "pty PATH".
#include "vxnemu/Instrument.hpp"
#include "vxnemu/PluginInstrument.hpp"
#include "vxnemu/Profile.hpp"
#include "vxnemu/Session.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <iostream>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using namespace vxnemu;

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int)
{
    gStop = 1;
}

class Server {
public:
    explicit Server(std::shared_ptr<Instrument> p) : mpInstrument(std::move(p)) {}
    ~Server()
    {
        CloseClient();
        if (mnListen >= 0)
            ::close(mnListen);
    }

    bool ListenTcp(const std::string& rHostPort, std::string& rError);
    bool OpenPty(std::string& rPath, std::string& rError);
    int Run(bool bExitOnEof);

private:
    void CloseClient();
    void HandleStdin();
    void Enqueue(std::vector<Output> outputs);
    void FlushDue();
    int PollTimeout() const;

    std::shared_ptr<Instrument> mpInstrument;
    std::unique_ptr<Session> mpSession;
    std::deque<Output> maPending;
    int mnListen = -1;
    int mnClient = -1; // TCP client, or the pty master
    int mnSlave = -1;  // kept open so the master never sees a hang-up
    bool mbPty = false;
    bool mbStdin = true;
    bool mbQuit = false;
    std::string maLine;
};

bool Server::ListenTcp(const std::string& rHostPort, std::string& rError)
{
    size_t colon = rHostPort.rfind(':');
    if (colon == std::string::npos || colon + 1 == rHostPort.size()) {
        rError = "--tcp needs HOST:PORT";
        return false;
    }
    std::string host = rHostPort.substr(0, colon), port = rHostPort.substr(colon + 1);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* res = nullptr;
    int rc = getaddrinfo(host.empty() ? nullptr : host.c_str(), port.c_str(), &hints, &res);
    if (rc != 0) {
        rError = "cannot resolve " + rHostPort + ": " + gai_strerror(rc);
        return false;
    }
    for (addrinfo* ai = res; ai; ai = ai->ai_next) {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0)
            continue;
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd, ai->ai_addr, ai->ai_addrlen) == 0 && ::listen(fd, 4) == 0) {
            sockaddr_storage sa{};
            socklen_t len = sizeof sa;
            getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
            int actual = sa.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&sa)->sin6_port)
                                                  : ntohs(reinterpret_cast<sockaddr_in*>(&sa)->sin_port);
            mnListen = fd;
            freeaddrinfo(res);
            // An endpoint vxn accepts: a listener on every address is
            // reached through the loopback address.
            std::string shown = host.empty() || host == "0.0.0.0" ? "127.0.0.1"
                                : host == "::"                     ? "[::1]"
                                : host.find(':') != std::string::npos ? "[" + host + "]"
                                                                     : host;
            std::printf("tcp:%s:%d\n", shown.c_str(), actual);
            std::fflush(stdout);
            return true;
        }
        rError = std::string("cannot listen on ") + rHostPort + ": " + std::strerror(errno);
        ::close(fd);
    }
    freeaddrinfo(res);
    if (rError.empty())
        rError = "no address to listen on for " + rHostPort;
    return false;
}

bool Server::OpenPty(std::string& rPath, std::string& rError)
{
    mbPty = true;
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m < 0 || grantpt(m) != 0 || unlockpt(m) != 0) {
        rError = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        if (m >= 0)
            ::close(m);
        return false;
    }
    const char* name = ptsname(m);
    if (!name) {
        rError = "no slave name for the pseudo-terminal";
        ::close(m);
        return false;
    }
    rPath = name;
    int s = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s < 0) {
        rError = "cannot open " + rPath + ": " + std::strerror(errno);
        ::close(m);
        return false;
    }
    // Binary frames: no echo, no line editing, no newline translation on
    // either side, whatever the client does with the line.
    termios t{};
    if (tcgetattr(s, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(s, TCSANOW, &t);
    }
    if (tcgetattr(m, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(m, TCSANOW, &t);
    }
    mnClient = m;
    mnSlave = s;
    mpSession = std::make_unique<Session>(mpInstrument);
    return true;
}

void Server::CloseClient()
{
    if (mnClient >= 0)
        ::close(mnClient);
    if (mnSlave >= 0)
        ::close(mnSlave);
    mnClient = mnSlave = -1;
    mpSession.reset();
    maPending.clear();
}

void Server::Enqueue(std::vector<Output> outputs)
{
    // A disconnect closes the link now: the replies still on their way are
    // lost, what this batch holds before the close (the control's answer)
    // goes out first.
    bool bClose = std::any_of(outputs.begin(), outputs.end(), [](const Output& o) { return o.close; });
    if (bClose)
        maPending.clear();
    for (Output& o : outputs) {
        if (bClose)
            o.due = Clock::now();
        maPending.push_back(std::move(o));
    }
}

void Server::FlushDue()
{
    Clock::time_point now = Clock::now();
    while (!maPending.empty() && maPending.front().due <= now) {
        Output o = std::move(maPending.front());
        maPending.pop_front();
        size_t done = 0;
        while (mnClient >= 0 && done < o.bytes.size()) {
            ssize_t w = mbPty ? ::write(mnClient, o.bytes.data() + done, o.bytes.size() - done)
                              : ::send(mnClient, o.bytes.data() + done, o.bytes.size() - done, MSG_NOSIGNAL);
            if (w > 0)
                done += static_cast<size_t>(w);
            else if (w < 0 && errno == EINTR)
                continue;
            else if (w < 0 && errno == EAGAIN) {
                pollfd p{mnClient, POLLOUT, 0};
                if (::poll(&p, 1, 1000) <= 0)
                    break;
            } else {
                CloseClient();
                return;
            }
        }
        if (o.close) {
            CloseClient();
            if (mbPty) {
                std::string path, err;
                if (OpenPty(path, err))
                    std::printf("pty %s\n", path.c_str());
                else
                    std::printf("error %s\n", err.c_str());
                std::fflush(stdout);
            }
            return;
        }
    }
}

int Server::PollTimeout() const
{
    // Bounded even when nothing is due: a signal that arrives between the
    // stop check and poll() must not leave the program waiting for input.
    if (maPending.empty())
        return 200;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(maPending.front().due - Clock::now()).count();
    return ms < 0 ? 0 : static_cast<int>(ms + 1);
}

void Server::HandleStdin()
{
    char buf[1024];
    ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
        if (n < 0 && errno == EINTR)
            return;
        mbStdin = false;
        return;
    }
    maLine.append(buf, static_cast<size_t>(n));
    if (maLine.size() > 4096 && maLine.find('\n') == std::string::npos)
        maLine.clear(); // an endless line is no command
    size_t nl;
    while ((nl = maLine.find('\n')) != std::string::npos) {
        std::string line = maLine.substr(0, nl);
        maLine.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (line == "quit") {
            mbQuit = true;
            std::printf("0 bye\n");
            std::fflush(stdout);
            return;
        }
        ControlAnswer a = mpInstrument->Control(line);
        std::printf("%d %s\n", a.status, a.text.c_str());
        std::fflush(stdout);
        if (mpSession)
            Enqueue(mpSession->Drain());
        else {
            mpInstrument->TakeUnsolicited();
            mpInstrument->TakeDisconnect();
        }
    }
}

int Server::Run(bool bExitOnEof)
{
    while (!gStop && !mbQuit) {
        FlushDue();
        pollfd fds[3];
        nfds_t nfds = 0;
        int iStdin = -1, iListen = -1, iClient = -1;
        if (mbStdin) {
            iStdin = static_cast<int>(nfds);
            fds[nfds++] = {STDIN_FILENO, POLLIN, 0};
        }
        if (mnListen >= 0 && mnClient < 0) {
            iListen = static_cast<int>(nfds);
            fds[nfds++] = {mnListen, POLLIN, 0};
        }
        if (mnClient >= 0) {
            iClient = static_cast<int>(nfds);
            fds[nfds++] = {mnClient, POLLIN, 0};
        }
        int rc = ::poll(fds, nfds, PollTimeout());
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            std::perror("poll");
            return 1;
        }
        if (iStdin >= 0 && (fds[iStdin].revents & (POLLIN | POLLHUP | POLLERR))) {
            HandleStdin();
            if (!mbStdin && bExitOnEof)
                return 0;
        }
        if (iListen >= 0 && (fds[iListen].revents & POLLIN)) {
            int c = ::accept4(mnListen, nullptr, nullptr, SOCK_CLOEXEC);
            if (c >= 0) {
                int one = 1;
                setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                mnClient = c;
                mpSession = std::make_unique<Session>(mpInstrument);
            }
        }
        if (iClient >= 0 && mnClient >= 0 && (fds[iClient].revents & (POLLIN | POLLHUP | POLLERR))) {
            uint8_t buf[4096];
            ssize_t n = mbPty ? ::read(mnClient, buf, sizeof buf) : ::recv(mnClient, buf, sizeof buf, 0);
            if (n > 0) {
                Enqueue(mpSession->Feed(buf, static_cast<size_t>(n)));
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                if (mbPty) {
                    // Keep serving the same pseudo-terminal.
                    if (n < 0)
                        usleep(10000);
                } else {
                    CloseClient();
                }
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Virtual VXN instrument (and TableWalker table) on TCP or a pseudo-terminal"};
    std::string tcp, profileName = "vxn";
    bool pty = false, realistic = false, exitOnEof = false;
    int sw = -1;
    auto* optTcp = app.add_option("--tcp", tcp, "serve TCP clients on HOST:PORT (port 0: any free port)");
    auto* optPty = app.add_flag("--pty", pty, "serve a new pseudo-terminal; its slave path is printed first");
    optTcp->excludes(optPty);
    std::string names;
    for (const Profile& p : Profiles())
        names += (names.empty() ? "" : ", ") + p.name;
    app.add_option("--profile", profileName, "instrument profile: " + names);
    app.add_flag("--realistic", realistic, "take the time of a real instrument (measurement 300 ms, white 500 ms, moves 200 ms)");
    app.add_option("--sw-version", sw, "software version to report instead of the profile's")->check(CLI::Range(0, 100000));
    double noise = 0.0;
    std::string chart;
    app.add_option("--chart", chart, "table profiles: where the chart lies on the sheet, X,Y,PITCH in table units "
                                     "(default 700,600,400)");
    app.add_option("--noise", noise, "relative spread of each measured value, so that repeated measurements differ (e.g. 0.002)")
        ->check(CLI::Range(0.0, 0.5));
    app.add_flag("--exit-on-eof", exitOnEof, "end when standard input ends (default: serve until killed)");
    bool plugin = false;
    app.add_flag("--plugin-instrument", plugin,
                 "with --pty: serve a plug-in instrument for the sample driver modules (line protocol of drivers/)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help is no error; every wrong option exits 2, like vxn's.
        return app.exit(e) == 0 ? 0 : 2;
    }

    if (plugin) {
        if (!pty) {
            std::fprintf(stderr, "vxn-emulator: --plugin-instrument runs on --pty\n");
            return 2;
        }
        return ServePluginInstrumentPty(exitOnEof);
    }
    if (tcp.empty() && !pty) {
        std::fprintf(stderr, "vxn-emulator: choose --tcp HOST:PORT or --pty\n");
        return 2;
    }
    const Profile* profile = FindProfile(profileName);
    if (!profile) {
        std::fprintf(stderr, "vxn-emulator: unknown profile '%s' (%s)\n", profileName.c_str(), names.c_str());
        return 2;
    }

    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    auto instrument = std::make_shared<Instrument>(*profile);
    if (sw >= 0)
        instrument->SetSwVersion(sw);
    instrument->SetRealistic(realistic);
    instrument->SetNoise(noise);
    vxnemu::ChartLayout layout;
    if (!chart.empty() && (!vxnemu::ParseChartLayout(chart, layout) || !instrument->SetChartLayout(layout))) {
        std::fprintf(stderr, "vxn-emulator: --chart %s: a table profile and X,Y,PITCH that keep the chart on the sheet\n",
                     chart.c_str());
        return 2;
    }
    if (!instrument->GetChart().Loaded())
        std::fprintf(stderr, "vxn-emulator: chart data not found; samples are flat grey\n");

    Server server(instrument);
    std::string err;
    if (pty) {
        std::string path;
        if (!server.OpenPty(path, err)) {
            std::fprintf(stderr, "vxn-emulator: %s\n", err.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
    } else if (!server.ListenTcp(tcp, err)) {
        std::fprintf(stderr, "vxn-emulator: %s\n", err.c_str());
        return 1;
    }
    return server.Run(exitOnEof);
}

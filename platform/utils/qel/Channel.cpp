#include "qel/Channel.hpp"
#include "qel/SerialSpeed.hpp"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <map>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::map<std::string, ChannelFactory>& Factories()
{
    static std::map<std::string, ChannelFactory> f;
    return f;
}

// A program that links the library but not the virtual instrument still
// reaches it with "emulator:": the instrument's module is loaded from the
// folder of this library (where the build and the installation put it), else
// from the loader's search path, and registers its scheme. It stays loaded
// for the rest of the process, since its channels run code of it.
bool LoadEmulatorModule(String& rError)
{
    static const char ENTRY[] = "vxnemu_RegisterEmulatorEndpoint";
    static const char MODULE[] = "libvxnemu.so";
    using Entry = void (*)();
    // Linked in already (vxn, vxn-emulator, tests): nothing to load.
    if (auto entry = reinterpret_cast<Entry>(::dlsym(RTLD_DEFAULT, ENTRY))) {
        entry();
        return true;
    }
    std::string here;
    Dl_info info;
    if (::dladdr(reinterpret_cast<void*>(&RegisterChannelFactory), &info) && info.dli_fname) {
        here = info.dli_fname;
        here = here.substr(0, here.find_last_of('/') == std::string::npos ? 0 : here.find_last_of('/') + 1);
    }
    void* handle = here.empty() ? nullptr : ::dlopen((here + MODULE).c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle)
        handle = ::dlopen(MODULE, RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
        rError = String(std::string("the built-in virtual instrument (") + MODULE + ") was not found in " +
                        (here.empty() ? std::string("the library's folder") : here) +
                        " nor on the library path; install it beside the library, or start vxn-emulator and "
                        "use the endpoint tcp:HOST:PORT it prints");
        return false;
    }
    auto entry = reinterpret_cast<Entry>(::dlsym(handle, ENTRY));
    if (!entry) {
        rError = String(std::string(MODULE) + " has no entry point " + ENTRY);
        return false;
    }
    entry();
    return true;
}

String Errno(const std::string& what)
{
    return String(what + ": " + std::strerror(errno));
}

std::unique_ptr<Channel> OpenTcp(const std::string& rest, int nTimeoutMs, String& rError)
{
    size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == rest.size()) {
        rError = String("endpoint tcp:" + rest + " needs HOST:PORT");
        return nullptr;
    }
    std::string host = rest.substr(0, colon), port = rest.substr(colon + 1);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    int rc = getaddrinfo(host.c_str(), port.c_str(), &hints, &res);
    if (rc != 0) {
        rError = String("cannot resolve " + host + ":" + port + ": " + gai_strerror(rc));
        return nullptr;
    }
    std::string last = "no address";
    for (addrinfo* ai = res; ai; ai = ai->ai_next) {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0)
            continue;
        int fl = fcntl(fd, F_GETFL);
        fcntl(fd, F_SETFL, fl | O_NONBLOCK);
        rc = ::connect(fd, ai->ai_addr, ai->ai_addrlen);
        if (rc < 0 && errno == EINPROGRESS) {
            pollfd pfd{fd, POLLOUT, 0};
            rc = ::poll(&pfd, 1, nTimeoutMs);
            if (rc == 1) {
                int err = 0;
                socklen_t len = sizeof err;
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
                rc = err == 0 ? 0 : -1;
                errno = err;
            } else {
                if (rc == 0)
                    errno = ETIMEDOUT;
                rc = -1;
            }
        }
        if (rc == 0) {
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            freeaddrinfo(res);
            return std::make_unique<FdChannel>(fd, "tcp:" + rest);
        }
        last = std::strerror(errno);
        ::close(fd);
    }
    freeaddrinfo(res);
    rError = String("cannot connect to " + rest + ": " + last);
    return nullptr;
}

std::unique_ptr<Channel> OpenSerial(const std::string& rest, String& rError)
{
    std::string path = rest;
    long baud = 115200;
    size_t q = rest.find('?');
    if (q != std::string::npos) {
        path = rest.substr(0, q);
        std::string opt = rest.substr(q + 1);
        if (opt.rfind("baud=", 0) != 0) {
            rError = String("unknown serial option '" + opt + "' (only baud=N)");
            return nullptr;
        }
        baud = std::atol(opt.c_str() + 5);
    }
    speed_t sp = SerialSpeed(baud);
    if (!sp) {
        rError = String("unsupported baud rate " + std::to_string(baud));
        return nullptr;
    }
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        rError = Errno("cannot open " + path);
        return nullptr;
    }
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        cfsetispeed(&t, sp);
        cfsetospeed(&t, sp);
        tcsetattr(fd, TCSANOW, &t);
        tcflush(fd, TCIOFLUSH);
    } else {
        rError = Errno(path + " is not a serial line");
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FdChannel>(fd, "serial:" + rest);
}

} // namespace

FdChannel::~FdChannel()
{
    if (mnFd >= 0)
        ::close(mnFd);
}

bool FdChannel::Write(const uint8_t* p, size_t n)
{
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(mnFd, p + done, n - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfd{mnFd, POLLOUT, 0};
            if (::poll(&pfd, 1, 5000) <= 0)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

long FdChannel::Read(uint8_t* p, size_t n, int nTimeoutMs)
{
    pollfd pfd{mnFd, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&pfd, 1, nTimeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return -1;
    if (rc == 0)
        return 0;
    ssize_t r;
    do {
        r = ::read(mnFd, p, n);
    } while (r < 0 && errno == EINTR);
    if (r > 0)
        return static_cast<long>(r);
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return 0;
    // 0 bytes after readiness: the other side closed. A pseudo-terminal whose
    // other side is gone reports EIO.
    return -1;
}

void RegisterChannelFactory(const std::string& rScheme, ChannelFactory aFactory)
{
    Factories()[rScheme] = std::move(aFactory);
}

std::unique_ptr<Channel> OpenChannel(const String& rEndpoint, int nTimeoutMs, String& rError)
{
    const std::string& e = rEndpoint.str();
    size_t colon = e.find(':');
    if (colon == std::string::npos) {
        rError = String("endpoint '" + e + "' has no scheme (tcp:HOST:PORT, serial:/dev/PATH or emulator:)");
        return nullptr;
    }
    std::string scheme = e.substr(0, colon), rest = e.substr(colon + 1);
    if (scheme == "tcp")
        return OpenTcp(rest, nTimeoutMs, rError);
    if (scheme == "serial")
        return OpenSerial(rest, rError);
    if (scheme == "emulator" && !Factories().count(scheme) && !LoadEmulatorModule(rError))
        return nullptr;
    auto it = Factories().find(scheme);
    if (it != Factories().end())
        return it->second(rest, rError);
    rError = String("unknown endpoint scheme '" + scheme + "'");
    return nullptr;
}

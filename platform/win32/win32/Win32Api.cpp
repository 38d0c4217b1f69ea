// The Windows functions over POSIX; see Win32Api.hpp for the mapping.
#include "win32/Win32Api.hpp"

#include "qel/AppConfig.hpp"
#include "qel/SerialSpeed.hpp"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Event handles are heap cells of their own, so CloseHandle tells them from
// port handles (descriptor + 1, small numbers).
std::mutex gEventMutex;
std::set<HANDLE> gEvents;

int Fd(HANDLE h)
{
    auto v = reinterpret_cast<std::intptr_t>(h);
    if (v <= 0 || v > 65536)
        return -1;
    return static_cast<int>(v - 1);
}

// "COM3:" or "COM3" (any case) → 3; 0 for anything else.
int ComNumber(const std::string& rName)
{
    std::string s = rName;
    if (!s.empty() && s.back() == ':')
        s.pop_back();
    if (s.size() < 4 || std::toupper(static_cast<unsigned char>(s[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(s[1])) != 'O' || std::toupper(static_cast<unsigned char>(s[2])) != 'M')
        return 0;
    std::string digits = s.substr(3);
    if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::atoi(digits.c_str());
}

std::string gLoadError;

} // namespace

HANDLE CreateEventA(void*, BOOL, BOOL, LPCSTR)
{
    auto* p = new char(0);
    std::lock_guard lock(gEventMutex);
    gEvents.insert(p);
    return p;
}

BOOL CloseHandle(HANDLE h)
{
    {
        std::lock_guard lock(gEventMutex);
        if (gEvents.erase(h)) {
            delete static_cast<char*>(h);
            return 1;
        }
    }
    int fd = Fd(h);
    return fd >= 0 && ::close(fd) == 0;
}

std::string CommDevicePath(const std::string& rPortName)
{
    int n = ComNumber(rPortName);
    if (n <= 0)
        return "";
    std::string key = "COM" + std::to_string(n);
    std::string fallback = "/dev/ttyS" + std::to_string(n - 1);
    return AppConfig::Instance()->ReadKey(String("Ports"), String(key), String(fallback)).str();
}

HANDLE CreateFileA(LPCSTR pName, DWORD nAccess, DWORD, void*, DWORD, DWORD, HANDLE)
{
    if (!pName)
        return INVALID_HANDLE_VALUE;
    std::string path = CommDevicePath(pName);
    if (path.empty())
        return INVALID_HANDLE_VALUE;
    int mode = (nAccess & GENERIC_WRITE) ? ((nAccess & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    int fd = ::open(path.c_str(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    termios t{};
    if (tcgetattr(fd, &t) != 0) { // not a serial line
        ::close(fd);
        return INVALID_HANDLE_VALUE;
    }
    // A port carries bytes, not lines: raw from the start, as on Windows.
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &t);
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd) + 1);
}

int CommFileDescriptor(HANDLE h)
{
    {
        std::lock_guard lock(gEventMutex);
        if (gEvents.count(h))
            return -1;
    }
    return Fd(h);
}

BOOL SetupComm(HANDLE h, DWORD, DWORD)
{
    // The kernel sizes its own queues.
    return CommFileDescriptor(h) >= 0;
}

BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS*)
{
    return CommFileDescriptor(h) >= 0;
}

BOOL GetCommState(HANDLE h, DCB* pDcb)
{
    int fd = CommFileDescriptor(h);
    termios t{};
    if (fd < 0 || !pDcb || tcgetattr(fd, &t) != 0)
        return 0;
    pDcb->BaudRate = static_cast<DWORD>(SerialBaud(cfgetospeed(&t)));
    switch (t.c_cflag & CSIZE) {
    case CS5: pDcb->ByteSize = 5; break;
    case CS6: pDcb->ByteSize = 6; break;
    case CS7: pDcb->ByteSize = 7; break;
    default: pDcb->ByteSize = 8; break;
    }
    pDcb->Parity = !(t.c_cflag & PARENB) ? NOPARITY : (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    pDcb->fParity = (t.c_cflag & PARENB) ? 1 : 0;
    pDcb->StopBits = (t.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
    pDcb->fOutX = (t.c_iflag & IXON) ? 1 : 0;
    pDcb->fInX = (t.c_iflag & IXOFF) ? 1 : 0;
    return 1;
}

BOOL SetCommState(HANDLE h, DCB* pDcb)
{
    int fd = CommFileDescriptor(h);
    termios t{};
    if (fd < 0 || !pDcb || tcgetattr(fd, &t) != 0)
        return 0;
    speed_t sp = SerialSpeed(pDcb->BaudRate);
    if (!sp || pDcb->ByteSize < 5 || pDcb->ByteSize > 8 || pDcb->Parity > EVENPARITY)
        return 0;
    cfsetispeed(&t, sp);
    cfsetospeed(&t, sp);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag = (t.c_cflag & ~CSIZE) | sizes[pDcb->ByteSize - 5];
    t.c_cflag &= ~(PARENB | PARODD | CSTOPB);
    if (pDcb->Parity == ODDPARITY)
        t.c_cflag |= PARENB | PARODD;
    else if (pDcb->Parity == EVENPARITY)
        t.c_cflag |= PARENB;
    if (pDcb->StopBits == TWOSTOPBITS)
        t.c_cflag |= CSTOPB;
    t.c_iflag &= ~(IXON | IXOFF);
    if (pDcb->fOutX)
        t.c_iflag |= IXON;
    if (pDcb->fInX)
        t.c_iflag |= IXOFF;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

BOOL BuildCommDCBA(LPCSTR pDef, DCB* pDcb)
{
    if (!pDef || !pDcb)
        return 0;
    std::string s = pDef;
    size_t colon = s.find(':');
    if (colon == std::string::npos || ComNumber(s.substr(0, colon)) <= 0)
        return 0;
    std::vector<std::string> parts;
    std::string rest = s.substr(colon + 1), cur;
    for (char c : rest) {
        if (c == ',') {
            parts.push_back(cur);
            cur.clear();
        } else if (c != ' ') {
            cur += c;
        }
    }
    parts.push_back(cur);
    if (parts.size() != 4)
        return 0;
    char* end = nullptr;
    long baud = std::strtol(parts[0].c_str(), &end, 10);
    if (parts[0].empty() || *end || baud <= 0)
        return 0;
    BYTE parity;
    if (parts[1] == "n" || parts[1] == "N")
        parity = NOPARITY;
    else if (parts[1] == "o" || parts[1] == "O")
        parity = ODDPARITY;
    else if (parts[1] == "e" || parts[1] == "E")
        parity = EVENPARITY;
    else
        return 0;
    if (parts[2].size() != 1 || parts[2][0] < '5' || parts[2][0] > '8')
        return 0;
    if (parts[3] != "1" && parts[3] != "2")
        return 0;
    pDcb->BaudRate = static_cast<DWORD>(baud);
    pDcb->Parity = parity;
    pDcb->fParity = parity != NOPARITY;
    pDcb->ByteSize = static_cast<BYTE>(parts[2][0] - '0');
    pDcb->StopBits = parts[3] == "2" ? TWOSTOPBITS : ONESTOPBIT;
    pDcb->fOutX = 0;
    pDcb->fInX = 0;
    return 1;
}

BOOL SetCommMask(HANDLE h, DWORD)
{
    return CommFileDescriptor(h) >= 0;
}

BOOL EscapeCommFunction(HANDLE h, DWORD nFunction)
{
    int fd = CommFileDescriptor(h);
    if (fd < 0)
        return 0;
    int bit = TIOCM_DTR;
    if (nFunction == CLRDTR)
        return ioctl(fd, TIOCMBIC, &bit) == 0 || errno == ENOTTY || errno == EINVAL; // a pty has no modem lines
    if (nFunction == SETDTR)
        return ioctl(fd, TIOCMBIS, &bit) == 0 || errno == ENOTTY || errno == EINVAL;
    return 0;
}

BOOL PurgeComm(HANDLE h, DWORD nFlags)
{
    int fd = CommFileDescriptor(h);
    if (fd < 0)
        return 0;
    bool in = nFlags & (PURGE_RXABORT | PURGE_RXCLEAR), out = nFlags & (PURGE_TXABORT | PURGE_TXCLEAR);
    if (in || out)
        tcflush(fd, in && out ? TCIOFLUSH : in ? TCIFLUSH : TCOFLUSH);
    return 1;
}

HINSTANCE LoadLibraryA(LPCSTR pPath)
{
    if (!pPath)
        return nullptr;
    void* h = dlopen(pPath, RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* e = dlerror();
        gLoadError = e ? e : "cannot load";
    }
    return static_cast<HINSTANCE>(h);
}

FARPROC GetProcAddress(HINSTANCE h, LPCSTR pName)
{
    if (!h || !pName)
        return nullptr;
    return reinterpret_cast<FARPROC>(dlsym(h, pName));
}

BOOL FreeLibrary(HINSTANCE h)
{
    return h && dlclose(h) == 0;
}

std::string LastLoadError()
{
    return gLoadError;
}

UINT WinExec(LPCSTR pCommandLine, UINT)
{
    if (!pCommandLine)
        return 0;
    std::vector<std::string> words;
    std::string cur;
    for (const char* p = pCommandLine; *p; ++p) {
        if (*p == ' ' || *p == '\t') {
            if (!cur.empty())
                words.push_back(cur);
            cur.clear();
        } else {
            cur += *p;
        }
    }
    if (!cur.empty())
        words.push_back(cur);
    if (words.empty())
        return 2; // ERROR_FILE_NOT_FOUND
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return 2;
    // The program runs on its own, as on Windows; its exit status is
    // collected when it ends so that it leaves no zombie behind.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 33;
}

LPSTR lstrcpyA(LPSTR pTo, LPCSTR pFrom)
{
    if (!pTo || !pFrom)
        return nullptr;
    return std::strcpy(pTo, pFrom);
}

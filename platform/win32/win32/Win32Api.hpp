// The Windows API functions the library calls, mapped onto POSIX.
//
// Serial communication: a port name "COMn:" is looked up in the application's
// configuration ([Ports] COMn=/dev/...; default /dev/ttyS<n-1>) and opened with
// termios, so real ports and pseudo-terminals work alike. A HANDLE is the file
// descriptor plus one. The DCB carries only the fields the library sets.
//
// Modules: HINSTANCE is a dlopen handle; GetProcAddress is dlsym, FreeLibrary
// dlclose. Driver modules are ELF shared objects whatever their file name.
//
// WinExec splits the command line at blanks and starts the program with
// posix_spawnp, without a shell, and does not wait for it.
#pragma once

#include <cstdint>
#include <string>

using DWORD = std::uint32_t;
using BOOL = int;
using BYTE = unsigned char;
using HANDLE = void*;
using LPCSTR = const char*;
using LPSTR = char*;
using UINT = unsigned int;
using FARPROC = void (*)();

struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

constexpr DWORD CLRDTR = 6;
constexpr DWORD SETDTR = 5;
constexpr DWORD PURGE_TXABORT = 0x1;
constexpr DWORD PURGE_RXABORT = 0x2;
constexpr DWORD PURGE_TXCLEAR = 0x4;
constexpr DWORD PURGE_RXCLEAR = 0x8;
constexpr DWORD EV_TXEMPTY = 0x4;

constexpr BYTE NOPARITY = 0;
constexpr BYTE ODDPARITY = 1;
constexpr BYTE EVENPARITY = 2;
constexpr BYTE ONESTOPBIT = 0;
constexpr BYTE TWOSTOPBITS = 2;

constexpr int SW_SHOW = 5;

struct OVERLAPPED {
    DWORD Internal = 0;
    DWORD InternalHigh = 0;
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = nullptr;
};

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
};

struct DCB {
    DWORD DCBlength = 0;
    DWORD BaudRate = 0;
    unsigned fBinary : 1 = 1;
    unsigned fParity : 1 = 0;
    unsigned fOutX : 1 = 0;
    unsigned fInX : 1 = 0;
    BYTE ByteSize = 8;
    BYTE Parity = NOPARITY;
    BYTE StopBits = ONESTOPBIT;
};

// ---- events (unnamed, not waited on by anything here) ------------------------
HANDLE CreateEventA(void* pSecurity, BOOL bManualReset, BOOL bInitialState, LPCSTR pName);
BOOL CloseHandle(HANDLE h);

// ---- serial ports --------------------------------------------------------------
// The device path a port name ("COM2:" or "COM2") stands for; "" for a name
// that is no COM port.
std::string CommDevicePath(const std::string& rPortName);
HANDLE CreateFileA(LPCSTR pName, DWORD nAccess, DWORD nShare, void* pSecurity, DWORD nCreation, DWORD nFlags,
                   HANDLE hTemplate);
BOOL SetupComm(HANDLE h, DWORD nInQueue, DWORD nOutQueue);
BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* pTimeouts);
BOOL GetCommState(HANDLE h, DCB* pDcb);
BOOL SetCommState(HANDLE h, DCB* pDcb);
// Parses "COMn:baud,parity,databits,stopbits" (parity n/o/e) into the DCB.
BOOL BuildCommDCBA(LPCSTR pDef, DCB* pDcb);
BOOL SetCommMask(HANDLE h, DWORD nMask);
BOOL EscapeCommFunction(HANDLE h, DWORD nFunction);
BOOL PurgeComm(HANDLE h, DWORD nFlags);
// The file descriptor behind a handle from CreateFileA, -1 for anything else.
int CommFileDescriptor(HANDLE h);

// ---- modules ---------------------------------------------------------------------
HINSTANCE LoadLibraryA(LPCSTR pPath);
FARPROC GetProcAddress(HINSTANCE h, LPCSTR pName);
BOOL FreeLibrary(HINSTANCE h);
// Why the last LoadLibraryA failed (the loader's text).
std::string LastLoadError();

// ---- programs ----------------------------------------------------------------------
// Above 31 when the program was started.
UINT WinExec(LPCSTR pCommandLine, UINT nShow);

LPSTR lstrcpyA(LPSTR pTo, LPCSTR pFrom);

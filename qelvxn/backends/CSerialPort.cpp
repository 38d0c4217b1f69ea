// The serial port of the driver-module library, over the platform's Windows
// serial functions (termios on POSIX; COMn: mapped by the configuration).
#include "qelvxn/backends/CSerialPort.hpp"

#include "qel/RegisterTopWindow.hpp"
#include "qel/Text.hpp"
#include "sv/MessBox.hpp"
#include "win32/Win32Api.hpp"

#include <string>

CSerialPort::CSerialPort(std::uint32_t nQueueSize) : mnQueueSize(nQueueSize)
{
    maRead.hEvent = CreateEventA(nullptr, 1, 0, nullptr);
    maWrite.hEvent = CreateEventA(nullptr, 1, 0, nullptr);
}

CSerialPort::~CSerialPort()
{
    CloseOpenPort();
    CloseHandle(maRead.hEvent);
    CloseHandle(maWrite.hEvent);
}

bool CSerialPort::IsOpen() const
{
    return ValidIndex(mnIndex) && mhPort != nullptr;
}

void CSerialPort::CloseOpenPort()
{
    if (!IsOpen())
        return;
    SetCommMask(mhPort, 0);
    EscapeCommFunction(mhPort, CLRDTR);
    PurgeComm(mhPort, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    CloseHandle(mhPort);
    mhPort = nullptr;
}

unsigned char CSerialPort::Open(int nIndex, bool bReport)
{
    CloseOpenPort();
    std::string name = "COMx:";
    name[3] = static_cast<char>('1' + nIndex);
    // An index outside COM1..COM4 is refused: nothing else would treat it as a port.
    HANDLE h = ValidIndex(nIndex)
                   ? CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr)
                   : INVALID_HANDLE_VALUE;
    if (h != INVALID_HANDLE_VALUE && h != nullptr) {
        mhPort = h;
        mnIndex = nIndex;
        return 1;
    }
    if (bReport) {
        String text = String(name) + TextSegment(String("VXNDeviceTexte")).GetText(0);
        InfoBox(RegisterTopWindow::GetActiveTopWindow(), text).Execute();
    }
    return 0;
}

unsigned char CSerialPort::Setup(long nBaud, int nDataBits, int nParity, int nStopBits, bool bXonXoff)
{
    SetupComm(mhPort, mnQueueSize, mnQueueSize);
    COMMTIMEOUTS timeouts{};
    SetCommTimeouts(mhPort, &timeouts);
    DCB dcb{};
    dcb.DCBlength = 28;
    GetCommState(mhPort, &dcb);
    if (!ValidIndex(mnIndex))
        return 0;
    std::string def = "COMx";
    def[3] = static_cast<char>('1' + mnIndex);
    def += ":9600,n,8,1";
    if (!BuildCommDCBA(def.c_str(), &dcb))
        return 0;
    dcb.BaudRate = static_cast<DWORD>(nBaud);
    dcb.ByteSize = static_cast<BYTE>(nDataBits & 0xFF);
    dcb.Parity = (nParity == 1 || nParity == 2) ? static_cast<BYTE>(nParity) : NOPARITY;
    dcb.StopBits = nStopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fOutX = bXonXoff ? 1 : 0;
    dcb.fInX = bXonXoff ? 1 : 0;
    if (!SetCommState(mhPort, &dcb))
        return 0;
    SetCommMask(mhPort, EV_TXEMPTY);
    mnBaud = nBaud;
    mnDataBits = nDataBits;
    mnParity = nParity;
    mnStopBits = nStopBits;
    mnXonXoff = bXonXoff ? 1 : 0;
    return 1;
}

unsigned char CSerialPort::Close()
{
    CloseOpenPort();
    return 1;
}

unsigned char CSerialPort::Reopen()
{
    if (!Open(mnIndex, true))
        return 0;
    return Setup(mnBaud, mnDataBits, mnParity, mnStopBits, mnXonXoff != 0);
}

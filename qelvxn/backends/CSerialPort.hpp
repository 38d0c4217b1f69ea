// CSerialPort: the serial port that the driver-module library holds for a
// plug-in instrument. It opens COM1..COM4 (index 0..3), applies the line
// settings and remembers both, so that the port can be closed while the
// driver module uses the line itself and be opened again with the same
// settings afterwards. It never reads or writes the line.
#pragma once

#include <cstdint>

class CSerialPort {
public:
    static constexpr int PortCount = 4;

    explicit CSerialPort(std::uint32_t nQueueSize);
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens COM(index+1): after closing the port if it is open. When the port
    // cannot be opened and bReport is set, an info box names the port; the
    // index stays as it was either way.
    unsigned char Open(int nIndex, bool bReport);
    // Applies baud rate, data bits, parity (0 none, 1 odd, 2 even, anything
    // else none), stop bits (2 two, else one) and XON/XOFF to the open port
    // and remembers the arguments as given.
    unsigned char Setup(long nBaud, int nDataBits, int nParity, int nStopBits, bool bXonXoff);
    // Drops DTR, purges both queues and closes; index and settings are kept.
    unsigned char Close();
    bool IsOpen() const;
    // Opens the remembered port (with report) and applies the remembered settings.
    unsigned char Reopen();

    int GetIndex() const { return mnIndex; }
    long GetBaudRate() const { return mnBaud; }
    int GetDataBits() const { return mnDataBits; }
    int GetParity() const { return mnParity; }
    int GetStopBits() const { return mnStopBits; }
    bool GetXonXoff() const { return mnXonXoff != 0; }

private:
    // The Windows overlapped record; nothing here reads or writes through
    // it, but each holds an event of its own as the platform expects.
    struct Overlapped {
        std::uint32_t aWords[4] = {};
        void* hEvent = nullptr;
    };

    static bool ValidIndex(int n) { return n >= 0 && n < PortCount; }
    void CloseOpenPort();

    Overlapped maRead;
    Overlapped maWrite;
    void* mhPort = nullptr;
    int mnIndex = -1;
    std::uint32_t mnQueueSize;
    int mnDataBits = 8;
    int mnParity = 0;
    int mnStopBits = 1;
    unsigned char mnXonXoff = 0;
    long mnBaud = 0;
};

// Channel: a byte stream to an instrument (TCP socket, serial line or
// pseudo-terminal, or the virtual instrument in the same process). The
// message transport frames its messages on top of it.
#pragma once

#include "sv/String.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class Channel {
public:
    virtual ~Channel() = default;
    // Writes all n bytes; false when the link is closed or broken.
    virtual bool Write(const uint8_t* p, size_t n) = 0;
    // Waits up to nTimeoutMs for bytes. Returns the number read (> 0), 0 when
    // nothing came within the time, -1 when the link is closed or broken.
    virtual long Read(uint8_t* p, size_t n, int nTimeoutMs) = 0;
    // A descriptor that becomes readable when bytes wait (for the event loop);
    // -1 when there is none.
    virtual int Fd() const = 0;
    virtual std::string Describe() const = 0;
};

// Opens the channel an endpoint text names:
//   tcp:HOST:PORT
//   serial:/dev/PATH[?baud=N]    (termios; real ports and pseudo-terminals; default 115200 baud)
//   emulator:[ARGS]              (the virtual instrument in this process, once registered)
// nTimeoutMs bounds a TCP connect. On failure returns null and says why in rError.
std::unique_ptr<Channel> OpenChannel(const String& rEndpoint, int nTimeoutMs, String& rError);

// Lets another component serve a scheme (the virtual instrument serves
// "emulator"). The factory gets what follows the colon.
using ChannelFactory = std::function<std::unique_ptr<Channel>(const std::string& rArgs, String& rError)>;
void RegisterChannelFactory(const std::string& rScheme, ChannelFactory aFactory);

// A channel over a file descriptor (socket, serial line, pipe end); owns it.
class FdChannel : public Channel {
public:
    FdChannel(int fd, std::string aDescription) : mnFd(fd), maDescription(std::move(aDescription)) {}
    ~FdChannel() override;
    bool Write(const uint8_t* p, size_t n) override;
    long Read(uint8_t* p, size_t n, int nTimeoutMs) override;
    int Fd() const override { return mnFd; }
    std::string Describe() const override { return maDescription; }

private:
    int mnFd;
    std::string maDescription;
};

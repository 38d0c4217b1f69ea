// What every instrument command of vxn does first: choose the configuration
// file, start the GUI toolkit (offscreen: vxn talks to the user on the
// terminal), make the built-in virtual instrument available and open the link
// to the instrument the user named.
#pragma once

#include "Commands.hpp"

#include <memory>
#include <string>

class QApplication;

namespace vxn {

class Session {
public:
    explicit Session(const Globals& g);
    ~Session();

    // Opens the link; on failure prints one line to stderr and returns false.
    bool Connect();
    // Whether the link leads to a virtual instrument (built in or
    // vxn-emulator), which answers out-of-band operator commands.
    bool IsVirtualInstrument();
    const std::string& Endpoint() const { return maEndpoint; }

private:
    std::unique_ptr<QApplication> mpApp;
    std::string maEndpoint;
    bool mbDriver = false;
};

} // namespace vxn

// The instrument vxn-studio works with: how the user chose to reach it
// (the built-in virtual instrument with one of its profiles, a link over TCP
// or a serial line, or a plug-in instrument's driver module), and the
// library object over it. There is one library object per process (VXNLib
// is a singleton), so there is one Instrument; connecting again replaces
// the library object.
#pragma once

#include <string>

class ScanLib;

namespace studio {

enum class LinkKind { Virtual, Tcp, Serial, Driver };

struct LinkChoice {
    LinkKind eKind = LinkKind::Virtual;
    // Virtual: the profile ("" = the default one); Tcp: HOST:PORT; Serial:
    // the device path, optionally with ?baud=N; Driver: the module's path.
    std::string aTarget;
    std::string aDriverPort;  // Driver: COM1 to COM4 ("" = the stored port)
};

// The endpoint the transport opens for a link choice ("emulator:",
// "emulator:profile=vxn-table", "tcp:HOST:PORT", "serial:/dev/..."), in the
// form vxn's --port takes; false with the reason for a choice that names no
// usable endpoint. A driver module has no endpoint (false).
bool EndpointOf(const LinkChoice& rChoice, std::string& rEndpoint, std::string& rError);
// The reverse for the start: the choice an endpoint text stands for.
LinkChoice ChoiceOf(const std::string& rEndpoint);

class Instrument {
public:
    Instrument();
    ~Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // Builds the library object, opens the link and asks the device type;
    // false with the reason (nothing stays connected then).
    bool Connect(const LinkChoice& rChoice, std::string& rError);
    void Disconnect();

    bool IsConnected() const { return mpLib != nullptr; }
    // Null while not connected. The library's table procedures are there
    // whatever is attached; HasTable says whether a table answers.
    ScanLib* Lib() const { return mpLib; }
    long DeviceType() const { return mnDeviceType; }
    // The serial number read when connecting ("" when it gave none); kept
    // with each stored value.
    const std::string& Serial() const { return maSerial; }
    bool HasTable() const { return mbTable; }
    // The virtual instrument (built in or vxn-emulator), which takes the
    // operator's out-of-band commands.
    bool IsVirtual() const { return mbVirtual; }
    const LinkChoice& Choice() const { return maChoice; }
    // One line for the status bar: what is connected, or why not.
    std::string Description() const;
    // Why the last library call failed, for a message: the link, a
    // refusal; "" when nothing is known.
    static std::string LastFailure();

private:
    ScanLib* mpLib = nullptr;
    bool mbDriver = false;
    long mnDeviceType = 0;
    bool mbTable = false;
    bool mbVirtual = false;
    LinkChoice maChoice;
    std::string maEndpoint;
    std::string maSerial;
};

} // namespace studio

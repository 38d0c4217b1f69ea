// The "emulator" endpoint: a virtual instrument inside this process.
//
// After RegisterEmulatorEndpoint(), the PostOffice endpoints
//   emulator:
//   emulator:profile=NAME[,sw=N][,realistic=1][,noise=X][,chart=X:Y:PITCH]
// open a link to the process's instrument of that profile ("vxn" by
// default). The link is a socket pair: what the library writes is handed to
// the instrument at once, and its answers (and the frames it sends unasked)
// become readable on the channel's descriptor, so an event loop can watch it.
// The instrument outlives its links: after "disconnect" closes a link, the
// next exchange opens a new one to the same instrument in the same state.
#pragma once

#include "vxnemu/Instrument.hpp"

#include "qel/Channel.hpp"

#include <memory>
#include <string>

namespace vxnemu {

// Registers the scheme "emulator" with RegisterChannelFactory (idempotent).
void RegisterEmulatorEndpoint();

// Forgets every instrument of the process and closes their open links: the
// next link starts from a freshly switched-on instrument.
void ResetEmulators();

// The process's instrument of a profile, created on first use; null for an
// unknown profile.
std::shared_ptr<Instrument> EmulatorInstance(const std::string& rProfile = "vxn");

// Runs an operator command on that instrument and sends what it produces
// unasked (key, measured value) over its open link, if any.
ControlAnswer EmulatorControl(const std::string& rProfile, const std::string& rLine);

// Whether what follows "emulator:" names a profile and options the endpoint
// takes; false with the reason otherwise.
bool CheckEmulatorArgs(const std::string& rArgs, std::string& rError);

// The channel factory behind the scheme (args: what follows "emulator:").
std::unique_ptr<Channel> OpenEmulatorChannel(const std::string& rArgs, String& rError);

} // namespace vxnemu

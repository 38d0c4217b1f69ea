// The endpoints a program may name for the instrument link: emulator:[ARGS]
// (the built-in virtual instrument), tcp:HOST:PORT and
// serial:/dev/PATH[?baud=N].
#pragma once

#include <string>

namespace vxn {

// The form of an endpoint, checked before anything is opened: a typo is a
// wrong option, an instrument that does not answer a failure. False with
// rError naming the endpoint and what is wrong with it.
bool CheckEndpoint(const std::string& rEndpoint, std::string& rError);

} // namespace vxn

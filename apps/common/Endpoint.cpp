#include "Endpoint.hpp"

#include "vxnemu/EmulatorEndpoint.hpp"

namespace vxn {

namespace {

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.size() <= 9 && s.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

bool CheckEndpoint(const std::string& e, std::string& rError)
{
    size_t colon = e.find(':');
    std::string scheme = e.substr(0, colon), rest = colon == std::string::npos ? "" : e.substr(colon + 1);
    if (colon == std::string::npos) {
        rError = "endpoint '" + e + "' has no scheme (emulator:, tcp:HOST:PORT or serial:/dev/PATH[?baud=N])";
        return false;
    }
    if (scheme == "tcp") {
        size_t last = rest.rfind(':');
        std::string host = last == std::string::npos ? "" : rest.substr(0, last);
        std::string port = last == std::string::npos ? "" : rest.substr(last + 1);
        if (host.empty() || !AllDigits(port) || std::stol(port) < 1 || std::stol(port) > 65535) {
            rError = "endpoint '" + e + "' is not tcp:HOST:PORT with a port from 1 to 65535";
            return false;
        }
        return true;
    }
    if (scheme == "serial") {
        size_t q = rest.find('?');
        std::string opt = q == std::string::npos ? "" : rest.substr(q + 1);
        if (rest.substr(0, q).empty() || (q != std::string::npos && (opt.rfind("baud=", 0) != 0 || !AllDigits(opt.substr(5))))) {
            rError = "endpoint '" + e + "' is not serial:/dev/PATH or serial:/dev/PATH?baud=N";
            return false;
        }
        return true;
    }
    if (scheme == "emulator") {
        if (!vxnemu::CheckEmulatorArgs(rest, rError)) {
            rError = "endpoint '" + e + "': " + rError;
            return false;
        }
        return true;
    }
    rError = "endpoint '" + e + "' has an unknown scheme '" + scheme + "' (emulator:, tcp:, serial:)";
    return false;
}

} // namespace vxn

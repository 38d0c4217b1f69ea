#include "Session.hpp"
#include "Texts.hpp"

#include "AppResources.hpp"

#include "DriverLibrary.hpp"

#include "qel/AppConfig.hpp"
#include "qel/PostOffice.hpp"
#include "qel/Text.hpp"
#include "vxnemu/EmulatorEndpoint.hpp"

#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace vxn {

namespace {
int gArgc = 1;
char gArg0[] = "vxn";
char* gArgv[] = {gArg0, nullptr};
} // namespace

void Error(const std::string& rText)
{
    std::cerr << "vxn: " << rText << std::endl;
}

void Warning(const std::string& rText)
{
    std::cerr << "vxn: " << text::Get(text::WARNING) << rText << std::endl;
}

namespace {

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.size() <= 9 && s.find_first_not_of("0123456789") == std::string::npos;
}

// The form of an endpoint, before anything is opened: a typo is a wrong
// option (exit 2), an instrument that does not answer is a failure (1).
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

} // namespace

bool ApplyGlobals(const Globals& g)
{
    std::string err;
    if (!g.port.empty() && !CheckEndpoint(g.port, err)) {
        Error(err);
        return false;
    }
    if (!g.driverPort.empty() && !CheckDriverPort(g.driverPort, err)) {
        Error(err);
        return false;
    }
    if (g.driverPort.size() && g.driver.empty()) {
        Error("--driver-port needs --driver");
        return false;
    }
    if (!g.config.empty())
        AppConfig::SetPathName(String(g.config));
    if (!g.lang.empty()) {
        if (!Language::IsAvailable(String(g.lang))) {
            Error("no texts for language '" + g.lang + "' (" + Language::AvailableList().str() + ")");
            return false;
        }
        Language::Set(String(g.lang));
    }
    return true;
}

Session::Session(const Globals& g)
{
    // The command line answers every question on the terminal; the toolkit
    // runs without a screen unless the user asks for one.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        std::string dir = "/tmp/vxn-runtime-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    mpApp = std::make_unique<QApplication>(gArgc, gArgv);
    RegisterAppResources();
    mbDriver = DriverMode(g);
    vxnemu::RegisterEmulatorEndpoint();
    PostOffice* po = PostOffice::Instance();
    if (!g.port.empty())
        po->SetEndpoint(String(g.port));
    maEndpoint = po->GetEndpoint().str();
}

Session::~Session()
{
    PostOffice::Destroy();
}

bool Session::Connect()
{
    // A plug-in instrument is reached through its driver module, not a link.
    if (mbDriver)
        return true;
    PostOffice* po = PostOffice::Instance();
    if (po->Open())
        return true;
    Error("cannot reach the instrument at " + maEndpoint + ": " + po->GetLastError().str());
    return false;
}

bool Session::IsVirtualInstrument()
{
    if (mbDriver)
        return false;
    String answer;
    return PostOffice::Instance()->Control(String("state"), answer) == 0;
}

} // namespace vxn

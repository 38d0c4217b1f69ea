#include "Session.hpp"
#include "Texts.hpp"

#include "AppResources.hpp"

#include "DriverLibrary.hpp"
#include "Endpoint.hpp"

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

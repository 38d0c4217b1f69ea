#include "Session.hpp"

#include "qel/AppConfig.hpp"
#include "qel/PostOffice.hpp"
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

Session::Session(const Globals& g)
{
    if (!g.config.empty())
        AppConfig::SetPathName(String(g.config));
    // The command line answers every question on the terminal; the toolkit
    // runs without a screen unless the user asks for one.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        std::string dir = "/tmp/vxn-runtime-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    mpApp = std::make_unique<QApplication>(gArgc, gArgv);
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
    PostOffice* po = PostOffice::Instance();
    if (po->Open())
        return true;
    Error("cannot reach the instrument at " + maEndpoint + ": " + po->GetLastError().str());
    return false;
}

bool Session::IsVirtualInstrument()
{
    String answer;
    return PostOffice::Instance()->Control(String("state"), answer) == 0;
}

} // namespace vxn

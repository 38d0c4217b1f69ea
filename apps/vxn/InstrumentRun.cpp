#include "InstrumentRun.hpp"

#include "DriverLibrary.hpp"
#include "Interrupt.hpp"
#include "Texts.hpp"

#include "qel/PostOffice.hpp"
#include "qelvxn/library/ScanLib.hpp"

#include <algorithm>
#include <cctype>

namespace vxn {

namespace {
std::string RefusalText()
{
    const auto& r = PostOffice::Instance()->GetLastRefusal();
    return text::Format(text::REFUSED_COMMAND, {std::to_string(r.nMessage), std::to_string(r.nStatus)});
}
} // namespace

void InterruptibleResponder::ProgressBegin(ProgressState& r)
{
    mpState = &r;
    ConsoleResponder::ProgressBegin(r);
}

void InterruptibleResponder::ProgressUpdate(ProgressState& r)
{
    ConsoleResponder::ProgressUpdate(r);
    Poll();
}

void InterruptibleResponder::ProgressEnd(ProgressState& r)
{
    ConsoleResponder::ProgressEnd(r);
    mpState = nullptr;
}

void InterruptibleResponder::Poll()
{
    if (mpState && Interrupted())
        mpState->bAborted = true;
}

InstrumentRun::InstrumentRun(const Globals& g, bool bDefaults, bool bOperator)
    : maSession(g), maResponder(bDefaults), maUse(maResponder), mbOperator(bOperator)
{
    mpLib = CreateLibrary(g);
}

InstrumentRun::~InstrumentRun()
{
    if (VXNLib::mpInstance) {
        VXNLib* p = VXNLib::mpInstance;
        QelSingleton::Remove(p);
        delete p;
    }
}

bool InstrumentRun::Connect()
{
    if (!mpLib)
        return false;
    if (!maSession.Connect())
        return false;
    mnDeviceType = mpLib->GetDeviceType();
    if (!PostOffice::Instance()->GetLastError().IsEmpty()) {
        Error(text::Format(text::NO_INSTRUMENT_ANSWERS,
                           {maSession.Endpoint(), PostOffice::Instance()->GetLastError().str()}));
        return false;
    }
    if (mbOperator && maSession.IsVirtualInstrument())
        maResponder.SetOperator(true);
    ClearFailures();
    return true;
}

std::string InstrumentRun::WhyItFailed() const
{
    PostOffice* po = PostOffice::Instance();
    if (!maResponder.GivenUp().empty())
        return text::Format(text::GAVE_UP, {maResponder.GivenUp()});
    if (!maResponder.Unanswered().empty())
        return text::Format(text::UNANSWERED, {maResponder.Unanswered()});
    if (!po->GetLastError().IsEmpty())
        return text::Format(text::STOPPED_ANSWERING, {po->GetLastError().str()});
    if (po->GetLastFailure().nMessage)
        return text::Format(text::STOPPED_ANSWERING_COMMAND,
                            {std::to_string(po->GetLastFailure().nMessage), po->GetLastFailure().aReason.str()});
    if (po->GetLastRefusal().nMessage)
        return RefusalText();
    return text::Get(text::CANCELLED);
}

void InstrumentRun::ClearFailures()
{
    PostOffice::Instance()->ClearLastRefusal();
    PostOffice::Instance()->ClearLastFailure();
}

std::string InstrumentRun::LastFailure()
{
    PostOffice* po = PostOffice::Instance();
    if (po->GetLastRefusal().nMessage)
        return RefusalText();
    if (po->GetLastFailure().nMessage)
        return po->GetLastFailure().aReason.str() + " (command " + std::to_string(po->GetLastFailure().nMessage) + ")";
    return "";
}

std::string CheckFileName(const std::string& rName)
{
    const std::string rule = "a file name on the instrument is an 8.3 name: up to 8 characters, optionally a dot "
                             "and up to 3 more, of letters, digits and _ - ~ $";
    size_t dot = rName.find('.');
    std::string base = rName.substr(0, dot), ext = dot == std::string::npos ? "" : rName.substr(dot + 1);
    auto good = [](const std::string& p) {
        return std::all_of(p.begin(), p.end(), [](unsigned char c) {
            return std::isalnum(c) || c == '_' || c == '-' || c == '~' || c == '$';
        });
    };
    if (base.empty() || base.size() > 8 || ext.size() > 3 || !good(base) || !good(ext))
        return "'" + rName + "' is no instrument file name (" + rule + ")";
    return "";
}

std::string CheckPath(const std::string& rPath)
{
    if (rPath.size() > 128)
        return "the path has " + std::to_string(rPath.size()) +
               " characters; a path on the instrument has at most 128";
    if (rPath.find('\0') != std::string::npos)
        return "a path on the instrument holds no zero character";
    return "";
}

std::string CheckName16(const std::string& rName)
{
    if (rName.size() > 16)
        return "'" + rName + "' has " + std::to_string(rName.size()) +
               " characters; a name on the instrument has at most 16";
    return "";
}

} // namespace vxn

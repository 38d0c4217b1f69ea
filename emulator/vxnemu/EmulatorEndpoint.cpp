#include "vxnemu/EmulatorEndpoint.hpp"

#include "vxnemu/LinkWriter.hpp"
#include "vxnemu/Session.hpp"
#include "vxnemu/TableWalker.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vxnemu {

namespace {

// One open link: the framing and the writing end of the socket pair.
struct Link {
    Link(std::shared_ptr<Instrument> p, int fd) : session(std::move(p)), writer(fd) {}
    std::mutex mutex;
    Session session;
    LinkWriter writer;
};

struct Entry {
    std::shared_ptr<Instrument> instrument;
    std::weak_ptr<Link> link;
};

std::mutex& RegistryMutex()
{
    static std::mutex m;
    return m;
}

std::map<std::string, Entry>& Registry()
{
    static std::map<std::string, Entry> r;
    return r;
}

// The library's end of the socket pair: writes go to the instrument at once,
// its answers are read like from any descriptor.
class EmulatorChannel : public Channel {
public:
    EmulatorChannel(std::shared_ptr<Link> pLink, int fd, std::string aDescription)
        : mpLink(std::move(pLink)), maIn(fd, std::move(aDescription))
    {
    }
    ~EmulatorChannel() override { mpLink->writer.CloseNow(); }

    bool Write(const uint8_t* p, size_t n) override
    {
        std::lock_guard<std::mutex> g(mpLink->mutex);
        if (mpLink->writer.Closed())
            return false;
        mpLink->writer.Post(mpLink->session.Feed(p, n));
        return true;
    }
    long Read(uint8_t* p, size_t n, int nTimeoutMs) override { return maIn.Read(p, n, nTimeoutMs); }
    int Fd() const override { return maIn.Fd(); }
    std::string Describe() const override { return maIn.Describe(); }

private:
    std::shared_ptr<Link> mpLink;
    FdChannel maIn;  // owns and closes the descriptor
};

struct Options {
    std::string profile = "vxn";
    int sw = -1;
    int realistic = -1;
    double noise = -1.0;
    bool chartGiven = false;
    ChartLayout chart;
};

bool ParseArgs(const std::string& rArgs, Options& rOpt, std::string& rError)
{
    size_t i = 0;
    while (i < rArgs.size()) {
        size_t j = rArgs.find_first_of(",;&", i);
        if (j == std::string::npos)
            j = rArgs.size();
        std::string item = rArgs.substr(i, j - i);
        i = j + 1;
        if (item.empty())
            continue;
        size_t eq = item.find('=');
        std::string key = item.substr(0, eq), value = eq == std::string::npos ? "" : item.substr(eq + 1);
        if (key == "profile" && !value.empty()) {
            rOpt.profile = value;
        } else if (key == "sw" || key == "realistic") {
            char* end = nullptr;
            long v = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || v < 0 || v > 100000) {
                rError = "bad value in '" + item + "'";
                return false;
            }
            (key == "sw" ? rOpt.sw : rOpt.realistic) = static_cast<int>(v);
        } else if (key == "noise") {
            char* end = nullptr;
            double v = std::strtod(value.c_str(), &end);
            if (value.empty() || *end || !(v >= 0.0 && v <= 0.5)) {
                rError = "bad value in '" + item + "' (noise from 0 to 0.5)";
                return false;
            }
            rOpt.noise = v;
        } else if (key == "chart") {
            if (!ParseChartLayout(value, rOpt.chart)) {
                rError = "bad value in '" + item + "' (chart=X:Y:PITCH, table units)";
                return false;
            }
            rOpt.chartGiven = true;
        } else if (eq == std::string::npos && FindProfile(item)) {
            rOpt.profile = item;
        } else {
            rError = "unknown emulator option '" + item + "' (profile=NAME, sw=N, realistic=0|1, noise=X, chart=X:Y:PITCH)";
            return false;
        }
    }
    return true;
}

// With the registry locked.
std::shared_ptr<Instrument> InstanceLocked(const std::string& rProfile)
{
    auto& reg = Registry();
    auto it = reg.find(rProfile);
    if (it != reg.end())
        return it->second.instrument;
    const Profile* p = FindProfile(rProfile);
    if (!p)
        return nullptr;
    auto inst = std::make_shared<Instrument>(*p);
    reg[rProfile].instrument = inst;
    return inst;
}

} // namespace

std::shared_ptr<Instrument> EmulatorInstance(const std::string& rProfile)
{
    std::lock_guard<std::mutex> g(RegistryMutex());
    return InstanceLocked(rProfile);
}

std::unique_ptr<Channel> OpenEmulatorChannel(const std::string& rArgs, String& rError)
{
    Options opt;
    std::string err;
    if (!ParseArgs(rArgs, opt, err)) {
        rError = String(err);
        return nullptr;
    }
    std::lock_guard<std::mutex> g(RegistryMutex());
    std::shared_ptr<Instrument> inst = InstanceLocked(opt.profile);
    if (!inst) {
        std::string names;
        for (const Profile& p : Profiles())
            names += (names.empty() ? "" : ", ") + p.name;
        rError = String("unknown emulator profile '" + opt.profile + "' (" + names + ")");
        return nullptr;
    }
    if (opt.sw >= 0)
        inst->SetSwVersion(opt.sw);
    if (opt.realistic >= 0)
        inst->SetRealistic(opt.realistic != 0);
    if (opt.noise >= 0.0)
        inst->SetNoise(opt.noise);
    if (opt.chartGiven && !inst->SetChartLayout(opt.chart)) {
        rError = String("chart=" + std::to_string(opt.chart.x) + ":" + std::to_string(opt.chart.y) + ":" +
                        std::to_string(opt.chart.pitch) + " needs a table profile and a chart that lies on the sheet");
        return nullptr;
    }
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        rError = String(std::string("cannot create the emulator link: ") + std::strerror(errno));
        return nullptr;
    }
    ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK);
    Entry& e = Registry()[opt.profile];
    // A new link replaces the one before it.
    if (auto old = e.link.lock())
        old->writer.CloseNow();
    auto link = std::make_shared<Link>(inst, fds[1]);
    e.link = link;
    return std::make_unique<EmulatorChannel>(link, fds[0], "emulator:profile=" + opt.profile);
}

ControlAnswer EmulatorControl(const std::string& rProfile, const std::string& rLine)
{
    std::shared_ptr<Instrument> inst;
    std::shared_ptr<Link> link;
    {
        std::lock_guard<std::mutex> g(RegistryMutex());
        inst = InstanceLocked(rProfile);
        if (!inst)
            return {1, "unknown profile '" + rProfile + "'"};
        link = Registry()[rProfile].link.lock();
    }
    if (!link)
        return inst->Control(rLine);
    std::lock_guard<std::mutex> g(link->mutex);
    ControlAnswer a = inst->Control(rLine);
    link->writer.Post(link->session.Drain());
    return a;
}

bool CheckEmulatorArgs(const std::string& rArgs, std::string& rError)
{
    Options opt;
    if (!ParseArgs(rArgs, opt, rError))
        return false;
    if (!FindProfile(opt.profile)) {
        std::string names;
        for (const auto& p : Profiles())
            names += (names.empty() ? "" : ", ") + p.name;
        rError = "unknown emulator profile '" + opt.profile + "' (" + names + ")";
        return false;
    }
    if (opt.chartGiven && (!FindProfile(opt.profile)->table || !TableWalker::Fits(opt.chart))) {
        rError = "chart= needs a table profile and a chart that lies on the sheet (500..4500 x 400..3400)";
        return false;
    }
    return true;
}

void RegisterEmulatorEndpoint()
{
    RegisterChannelFactory("emulator", [](const std::string& rArgs, String& rError) {
        return OpenEmulatorChannel(rArgs, rError);
    });
}

void ResetEmulators()
{
    std::lock_guard<std::mutex> g(RegistryMutex());
    for (auto& [_, e] : Registry())
        if (auto link = e.link.lock())
            link->writer.CloseNow();
    Registry().clear();
}

} // namespace vxnemu

// The entry point the transport looks up when a program that does not link
// the virtual instrument asks for "emulator:" (see OpenChannel).
extern "C" __attribute__((visibility("default"))) void vxnemu_RegisterEmulatorEndpoint()
{
    vxnemu::RegisterEmulatorEndpoint();
}

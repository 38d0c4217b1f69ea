#include "qel/PostOffice.hpp"

#include "qel/AppConfig.hpp"
#include "sv/EventLoop.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {
std::unique_ptr<PostOffice>& Slot()
{
    static std::unique_ptr<PostOffice> p;
    return p;
}

using Clock = std::chrono::steady_clock;

// While an exchange waits, the GUI is repainted at this interval.
constexpr int PAINT_SLICE_MS = 50;
} // namespace

PostOffice* PostOffice::Instance()
{
    auto& p = Slot();
    if (!p)
        p.reset(new PostOffice());
    return p.get();
}

bool PostOffice::Exists()
{
    return Slot() != nullptr;
}

void PostOffice::Destroy()
{
    Slot().reset();
}

PostOffice::PostOffice()
{
    AppConfig* cfg = AppConfig::Instance();
    maEndpoint = cfg->ReadKey("PostOffice", "Endpoint", "emulator:");
    long t = cfg->ReadKey("PostOffice", "Timeout", "5000").ToLong();
    if (t > 0)
        mnTimeoutMs = static_cast<int>(t);
    String trace = cfg->ReadKey("PostOffice", "Trace", "");
    if (const char* e = std::getenv("VXN_TRACE"); e && *e)
        trace = String(e);
    if (!trace.IsEmpty())
        SetTrace(trace);
}

PostOffice::~PostOffice()
{
    Close();
    if (mpTrace)
        std::fclose(mpTrace);
}

void PostOffice::SetTrace(const String& rPath)
{
    if (mpTrace)
        std::fclose(mpTrace);
    mpTrace = rPath.IsEmpty() ? nullptr : std::fopen(rPath.GetStr(), "a");
    // A trace the user asked for and does not get is said once, not
    // silently dropped.
    if (!rPath.IsEmpty() && !mpTrace)
        std::fprintf(stderr, "warning: the exchange trace %s cannot be written (%s); nothing is traced\n",
                     rPath.GetStr(), std::strerror(errno));
}

void PostOffice::SetEndpoint(const String& rEndpoint)
{
    Close();
    maEndpoint = rEndpoint;
}

void PostOffice::Close()
{
    if (mpWatch) {
        EventLoop::Unwatch(mpWatch);
        mpWatch = nullptr;
    }
    mpChannel.reset();
    maParser.Reset();
}

void PostOffice::Attach(std::unique_ptr<Channel> pChannel)
{
    Close();
    mpChannel = std::move(pChannel);
    maEndpoint = String(mpChannel ? mpChannel->Describe() : std::string());
    if (mpChannel)
        Watch();
}

bool PostOffice::Open()
{
    if (mpChannel)
        return true;
    String err;
    mpChannel = OpenChannel(maEndpoint, mnTimeoutMs, err);
    if (!mpChannel) {
        maLastError = err;
        return false;
    }
    maLastError = String();
    return true;
}

bool PostOffice::EnsureOpen()
{
    if (!Open())
        return false;
    Watch();
    return true;
}

void PostOffice::Watch()
{
    // Watch the link from the event loop so that unsolicited messages arrive
    // while no exchange runs (e.g. the key while a dialog waits for it). The
    // watch is retried at every exchange: the link may open before the
    // application's event loop exists.
    if (!mpWatch)
        mpWatch = EventLoop::WatchReadable(mpChannel->Fd(), [] {
            if (PostOffice::Exists())
                PostOffice::Instance()->PollIncoming();
        });
}

void PostOffice::HandleFrame(wire::Frame& rFrame)
{
    if (rFrame.kind == wire::Kind::Unsolicited) {
        maPending.emplace_back(rFrame.message, std::move(rFrame.payload));
        ScheduleDispatch();
    }
    // Replies outside an exchange are stale (their exchange timed out);
    // requests and control frames are not for this side.
}

void PostOffice::ScheduleDispatch()
{
    if (mbDispatchScheduled || maPending.empty())
        return;
    mbDispatchScheduled = true;
    EventLoop::Post([] {
        if (PostOffice::Exists())
            PostOffice::Instance()->DispatchPending();
    });
}

void PostOffice::DispatchPending()
{
    mbDispatchScheduled = false;
    // One message at a time: a handler may run a modal dialog whose own loop
    // dispatches the messages that follow.
    while (!maPending.empty()) {
        auto [nMsg, payload] = std::move(maPending.front());
        maPending.pop_front();
        auto it = maHandlers.find(nMsg);
        if (it == maHandlers.end() || !it->second.IsSet())
            continue;
        MyMemoryBlock block(payload.data(), static_cast<long>(payload.size()));
        Link hdl = it->second;
        hdl.Call(&block);
    }
}

void PostOffice::PollIncoming()
{
    if (!mpChannel || mbBusy)
        return;
    uint8_t buf[4096];
    for (;;) {
        long n = mpChannel->Read(buf, sizeof buf, 0);
        if (n < 0) {
            maLastError = String("the instrument closed the link");
            Close();
            break;
        }
        if (n == 0)
            break;
        maParser.Feed(buf, static_cast<size_t>(n));
    }
    wire::Frame f;
    while (maParser.Next(f))
        HandleFrame(f);
    ScheduleDispatch();
}

Link PostOffice::ChangeMessageHdl(unsigned int nMessage, Link& rHdl, unsigned char)
{
    Link old = GetMessageHdl(nMessage);
    if (rHdl.IsSet())
        maHandlers[nMessage] = rHdl;
    else
        maHandlers.erase(nMessage);
    return old;
}

Link PostOffice::GetMessageHdl(unsigned int nMessage) const
{
    auto it = maHandlers.find(nMessage);
    return it == maHandlers.end() ? Link() : it->second;
}

bool PostOffice::Exchange(wire::Kind eKind, uint16_t nMessage, const uint8_t* p, size_t n, int nTimeoutMs,
                          std::vector<uint8_t>& rReply)
{
    if (n > wire::MAX_PAYLOAD) {
        maLastError = String("request too large for one frame");
        return false;
    }
    if (!EnsureOpen())
        return false;
    if (++mnSequence == 0)
        mnSequence = 1;
    wire::Frame req;
    req.kind = eKind;
    req.message = nMessage;
    req.sequence = mnSequence;
    req.payload.assign(p, p + n);
    std::vector<uint8_t> bytes = wire::Encode(req);
    if (!mpChannel->Write(bytes.data(), bytes.size())) {
        maLastError = String("the link to the instrument is closed");
        Close();
        return false;
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    // Bytes the parser throws away from here on were damaged frames; when no
    // good reply follows, the reply itself was most likely among them.
    size_t nDiscardedBefore = maParser.Discarded();
    uint8_t buf[4096];
    wire::Frame f;
    for (;;) {
        while (maParser.Next(f)) {
            if (f.kind == wire::Kind::Reply && f.sequence == mnSequence) {
                rReply = std::move(f.payload);
                // Frames that came in the same read (a key report sent
                // right after the reply) are queued now: their bytes are
                // off the link, so its watch will not call for them.
                while (maParser.Next(f))
                    HandleFrame(f);
                return true;
            }
            HandleFrame(f);
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            std::string waited = "within " + std::to_string(nTimeoutMs) + " ms";
            if (maParser.Discarded() > nDiscardedBefore)
                maLastError = String("the instrument's reply was damaged (no valid answer " + waited + ")");
            else if (maParser.Pending() > 0)
                // A frame began but never completed: cut short, or its
                // length field was damaged and nothing followed to show it.
                maLastError = String("the instrument's reply was damaged or cut short (no complete answer " +
                                     waited + ")");
            else
                maLastError = String("no answer from the instrument " + waited);
            return false;
        }
        long got = mpChannel->Read(buf, sizeof buf, static_cast<int>(left < PAINT_SLICE_MS ? left : PAINT_SLICE_MS));
        if (got < 0) {
            maLastError = String("the instrument closed the link");
            Close();
            return false;
        }
        if (got == 0) {
            EventLoop::KeepPainted();
            continue;
        }
        maParser.Feed(buf, static_cast<size_t>(got));
    }
}

unsigned char PostOffice::SendAndReceive(int, int nMessage, MyMemoryBlock& rRequest, MyMemoryBlock& rReply,
                                         DisEnable eDisEnable)
{
    if (mbBusy) {
        maLastError = String("an exchange is already under way");
        return 0;
    }
    mbBusy = true;
    meCurrentDisEnable = eDisEnable;
    auto t0 = Clock::now();
    // The request block is read from its start, whatever was read of it before.
    std::vector<uint8_t> reqBytes(rRequest.GetData(), rRequest.GetData() + rRequest.GetSize());
    std::vector<uint8_t> reply;
    int timeout = eDisEnable == DE_PROBE ? mnProbeTimeoutMs : mnTimeoutMs;
    bool ok = Exchange(wire::Kind::Request, static_cast<uint16_t>(nMessage), reqBytes.data(), reqBytes.size(),
                       timeout, reply);
    ++mnExchanges;
    if (ok) {
        maLastError = String();
        rReply.SetData(reply.data(), static_cast<long>(reply.size()));
        // Every reply starts with the status char; nonzero refuses the command.
        if (!reply.empty() && reply[0] != 0)
            maRefusal = Refusal{nMessage, reply[0]};
    } else {
        maFailure = Failure{nMessage, maLastError};
    }
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (mpTrace) {
        MyMemoryBlock req(reqBytes.data(), static_cast<long>(reqBytes.size()));
        Trace(nMessage, req, ok ? &reply : nullptr, ms, ok ? "" : maLastError.GetStr());
    }
    mbBusy = false;
    meCurrentDisEnable = DE_NORMAL;
    ScheduleDispatch();
    return ok ? 1 : 0;
}

int PostOffice::Control(const String& rLine, String& rAnswer)
{
    if (mbBusy)
        return -1;
    mbBusy = true;
    std::vector<uint8_t> reply;
    const auto* p = reinterpret_cast<const uint8_t*>(rLine.str().data());
    bool ok = Exchange(wire::Kind::Control, 0, p, rLine.str().size(), mnTimeoutMs, reply);
    mbBusy = false;
    ScheduleDispatch();
    if (!ok || reply.empty())
        return -1;
    rAnswer = String(std::string(reply.begin() + 1, reply.end()));
    return static_cast<unsigned char>(reply[0]);
}

void PostOffice::Trace(int nMessage, const MyMemoryBlock& rReq, const std::vector<uint8_t>* pReply, double ms,
                       const char* pNote)
{
    std::time_t now = std::time(nullptr);
    char ts[32];
    std::strftime(ts, sizeof ts, "%Y-%m-%dT%H:%M:%S", std::localtime(&now));
    std::fprintf(mpTrace, "%s msg=%d %.2fms Q:", ts, nMessage, ms);
    for (long i = 0; i < rReq.GetSize(); ++i)
        std::fprintf(mpTrace, " %02X", rReq.GetData()[i]);
    if (pReply) {
        std::fprintf(mpTrace, " R:");
        for (uint8_t b : *pReply)
            std::fprintf(mpTrace, " %02X", b);
    } else {
        std::fprintf(mpTrace, " FAILED: %s", pNote);
    }
    std::fputc('\n', mpTrace);
    std::fflush(mpTrace);
}

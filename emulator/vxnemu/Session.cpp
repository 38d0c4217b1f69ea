#include "vxnemu/Session.hpp"

#include <string>

namespace vxnemu {

std::vector<uint8_t> CorruptFrame(const wire::Frame& rFrame)
{
    std::vector<uint8_t> b = wire::Encode(rFrame);
    b[b.size() - 1] ^= 0xFF;
    b[b.size() - 2] ^= 0xFF;
    return b;
}

void Session::Emit(std::vector<Output>& rOut, std::vector<uint8_t> bytes, int nDelayMs)
{
    Clock::time_point due = Clock::now() + std::chrono::milliseconds(nDelayMs);
    if (due < maLastDue)
        due = maLastDue;
    maLastDue = due;
    rOut.push_back({due, std::move(bytes), false});
}

void Session::Collect(std::vector<Output>& rOut)
{
    for (Unsolicited& u : mpInstrument->TakeUnsolicited()) {
        wire::Frame f;
        f.kind = wire::Kind::Unsolicited;
        f.message = u.message;
        f.sequence = 0;
        f.payload = std::move(u.payload);
        Emit(rOut, wire::Encode(f), 0);
    }
    if (mpInstrument->TakeDisconnect()) {
        Emit(rOut, {}, 0);
        rOut.back().close = true;
        mbClosed = true;
    }
}

std::vector<Output> Session::Feed(const uint8_t* p, size_t n)
{
    std::vector<Output> out;
    if (mbClosed)
        return out;
    maParser.Feed(p, n);
    wire::Frame f;
    while (!mbClosed && maParser.Next(f)) {
        wire::Frame r;
        r.kind = wire::Kind::Reply;
        r.message = f.message;
        r.sequence = f.sequence;
        if (f.kind == wire::Kind::Request) {
            Reply rep = mpInstrument->Handle(f.message, f.payload);
            if (rep.fate != Reply::Fate::Drop) {
                r.payload = std::move(rep.payload);
                Emit(out, rep.fate == Reply::Fate::Corrupt ? CorruptFrame(r) : wire::Encode(r), rep.delayMs);
            }
        } else if (f.kind == wire::Kind::Control) {
            ControlAnswer a = mpInstrument->Control(std::string(f.payload.begin(), f.payload.end()));
            r.payload.push_back(a.status);
            size_t room = wire::MAX_PAYLOAD - 1;
            r.payload.insert(r.payload.end(), a.text.begin(),
                             a.text.begin() + static_cast<std::ptrdiff_t>(std::min(room, a.text.size())));
            Emit(out, wire::Encode(r), 0);
        } else {
            continue;
        }
        Collect(out);
    }
    return out;
}

std::vector<Output> Session::Drain()
{
    std::vector<Output> out;
    if (!mbClosed)
        Collect(out);
    return out;
}

} // namespace vxnemu

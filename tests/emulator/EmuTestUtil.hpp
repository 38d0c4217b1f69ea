// Helpers of the emulator tests: request payloads, frame exchanges over a
// channel, reply decoding.
#pragma once

#include "vxnemu/Instrument.hpp"
#include "vxnemu/Payload.hpp"

#include "qel/Channel.hpp"
#include "qel/WireFrame.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace emutest {

using Bytes = std::vector<uint8_t>;

inline Bytes Ints(std::initializer_list<int32_t> v)
{
    vxnemu::PayloadWriter w;
    for (int32_t i : v)
        w.Int(i);
    return w.Data();
}

inline Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

inline Bytes Shorts(std::initializer_list<int> v)
{
    vxnemu::PayloadWriter w;
    for (int i : v)
        w.UShort(static_cast<uint16_t>(i));
    return w.Data();
}

inline Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A name as message 19 takes it: the value number, 16 characters, a NUL.
inline Bytes NameRequest(int32_t vt, std::string name)
{
    name.resize(16, ' ');
    return Cat(Cat(Ints({vt}), Text(name)), Bytes{0});
}

// A remission spectrum 0, 0.01 .. 0.35 for message 42.
inline Bytes RampRequest(int32_t vt)
{
    vxnemu::PayloadWriter w;
    w.Int(vt).Int(0);
    for (int i = 0; i < 36; ++i)
        w.Float(0.01f * static_cast<float>(i));
    return w.Data();
}

// Status and reader over the fields of a reply.
struct Answer {
    Bytes payload;
    uint8_t Status() const { return payload.empty() ? 255 : payload[0]; }
    Bytes Fields() const { return payload.empty() ? Bytes() : Bytes(payload.begin() + 1, payload.end()); }
};

inline Answer Ask(vxnemu::Instrument& inst, uint16_t msg, const Bytes& req = {})
{
    return {inst.Handle(msg, req).payload};
}

// Fields from offset on; zeros where the bytes run out.
inline std::vector<float> Floats(const Bytes& b, size_t offset, size_t n)
{
    Bytes part(b.begin() + static_cast<std::ptrdiff_t>(std::min(offset, b.size())), b.end());
    vxnemu::PayloadReader r(part);
    std::vector<float> v(n);
    r.Floats(v.data(), n);
    return v;
}

inline std::vector<int32_t> IntsOf(const Bytes& b, size_t offset, size_t n)
{
    Bytes part(b.begin() + static_cast<std::ptrdiff_t>(std::min(offset, b.size())), b.end());
    vxnemu::PayloadReader r(part);
    std::vector<int32_t> v(n);
    for (auto& i : v)
        i = r.Int();
    return v;
}

inline int32_t IntAt(const Bytes& b, size_t offset = 0)
{
    return IntsOf(b, offset, 1)[0];
}

inline std::vector<float> ToVector(const vxnemu::Spectrum36& s)
{
    return std::vector<float>(s.begin(), s.end());
}

// Frames over a channel.
class FrameLink {
public:
    explicit FrameLink(Channel& rChannel) : mrChannel(rChannel) {}

    bool Send(wire::Kind kind, uint16_t msg, uint16_t seq, const Bytes& payload)
    {
        wire::Frame f;
        f.kind = kind;
        f.message = msg;
        f.sequence = seq;
        f.payload = payload;
        Bytes b = wire::Encode(f);
        return mrChannel.Write(b.data(), b.size());
    }
    // The next whole frame within the time; nothing on time-out or close.
    std::optional<wire::Frame> Next(int timeoutMs)
    {
        wire::Frame f;
        for (int waited = 0;; waited += 10) {
            if (maParser.Next(f))
                return f;
            if (waited >= timeoutMs || mbClosed)
                return std::nullopt;
            uint8_t buf[4096];
            long n = mrChannel.Read(buf, sizeof buf, 10);
            if (n < 0)
                mbClosed = true;
            else if (n > 0)
                maParser.Feed(buf, static_cast<size_t>(n));
        }
    }
    std::optional<wire::Frame> Request(uint16_t msg, const Bytes& payload = {}, int timeoutMs = 2000)
    {
        ++mnSeq;
        if (!Send(wire::Kind::Request, msg, mnSeq, payload))
            return std::nullopt;
        return Next(timeoutMs);
    }
    std::optional<wire::Frame> Control(const std::string& line, int timeoutMs = 2000)
    {
        ++mnSeq;
        if (!Send(wire::Kind::Control, 0, mnSeq, Text(line)))
            return std::nullopt;
        return Next(timeoutMs);
    }
    // The payload of the reply; empty when none came.
    Bytes Payload(uint16_t msg, const Bytes& payload = {}, int timeoutMs = 2000)
    {
        auto f = Request(msg, payload, timeoutMs);
        return f ? f->payload : Bytes();
    }
    // The status the emulator answered a control line with; -1 for no answer.
    int ControlStatus(const std::string& line)
    {
        auto f = Control(line);
        return f && !f->payload.empty() ? f->payload[0] : -1;
    }
    bool Closed() const { return mbClosed; }
    size_t Discarded() const { return maParser.Discarded(); }
    uint16_t Sequence() const { return mnSeq; }

private:
    Channel& mrChannel;
    wire::FrameParser maParser;
    uint16_t mnSeq = 0;
    bool mbClosed = false;
};

} // namespace emutest

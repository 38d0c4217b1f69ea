#include "qel/WireFrame.hpp"

#include <array>
#include <cstring>

namespace wire {

namespace {
// The CRC of each byte value, so that a frame costs one lookup per byte
// instead of eight shifts (every received frame is checked).
constexpr std::array<uint16_t, 256> CrcTable()
{
    std::array<uint16_t, 256> t{};
    for (unsigned v = 0; v < 256; ++v) {
        uint16_t crc = static_cast<uint16_t>(v << 8);
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021) : static_cast<uint16_t>(crc << 1);
        t[v] = crc;
    }
    return t;
}
constexpr std::array<uint16_t, 256> CRC_TABLE = CrcTable();
} // namespace

uint16_t Crc16(const uint8_t* p, size_t n, uint16_t crc)
{
    for (size_t i = 0; i < n; ++i)
        crc = static_cast<uint16_t>((crc << 8) ^ CRC_TABLE[((crc >> 8) ^ p[i]) & 0xFF]);
    return crc;
}

std::vector<uint8_t> Encode(const Frame& f)
{
    size_t n = f.payload.size() > MAX_PAYLOAD ? MAX_PAYLOAD : f.payload.size();
    std::vector<uint8_t> out;
    out.reserve(HEADER_SIZE + n + TRAILER_SIZE);
    out.push_back(STX);
    out.push_back(static_cast<uint8_t>(f.kind));
    out.push_back(static_cast<uint8_t>(f.message));
    out.push_back(static_cast<uint8_t>(f.message >> 8));
    out.push_back(static_cast<uint8_t>(f.sequence));
    out.push_back(static_cast<uint8_t>(f.sequence >> 8));
    out.push_back(static_cast<uint8_t>(n));
    out.push_back(static_cast<uint8_t>(n >> 8));
    out.insert(out.end(), f.payload.begin(), f.payload.begin() + static_cast<std::ptrdiff_t>(n));
    uint16_t crc = Crc16(out.data() + 1, out.size() - 1);
    out.push_back(static_cast<uint8_t>(crc));
    out.push_back(static_cast<uint8_t>(crc >> 8));
    return out;
}

namespace {
bool KnownKind(uint8_t k)
{
    return k == 'Q' || k == 'R' || k == 'U' || k == 'C';
}

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Below this many consumed bytes the buffer is not moved: most reads bring
// whole frames, and then the buffer empties without any copying.
constexpr size_t COMPACT_AT = 2 * (HEADER_SIZE + MAX_PAYLOAD + TRAILER_SIZE);
} // namespace

void FrameParser::Feed(const uint8_t* p, size_t n)
{
    if (mnHead == maBuf.size()) {
        maBuf.clear();
        mnHead = 0;
    } else if (mnHead >= COMPACT_AT) {
        maBuf.erase(maBuf.begin(), maBuf.begin() + static_cast<std::ptrdiff_t>(mnHead));
        mnHead = 0;
    }
    maBuf.insert(maBuf.end(), p, p + n);
}

void FrameParser::Reset()
{
    maBuf.clear();
    mnHead = 0;
    maWaiting.clear();
    mnScanned = 0;
}

void FrameParser::Discard(size_t n)
{
    mnHead += n;
    mnDiscarded += n;
    maWaiting.clear();
    mnScanned = 0;
}

FrameParser::Check FrameParser::Examine(size_t nAt) const
{
    size_t avail = maBuf.size() - nAt;
    const uint8_t* f = maBuf.data() + nAt;
    if (avail < 2)
        return Check::Incomplete;
    if (!KnownKind(f[1]))
        return Check::Bad;
    if (avail < HEADER_SIZE)
        return Check::Incomplete;
    size_t n = Le16(f + 6);
    if (n > MAX_PAYLOAD)
        return Check::Bad;
    if (avail < HEADER_SIZE + n + TRAILER_SIZE)
        return Check::Incomplete;
    return Crc16(f + 1, HEADER_SIZE - 1 + n) == Le16(f + HEADER_SIZE + n) ? Check::Good : Check::Bad;
}

size_t FrameParser::FindLaterFrame()
{
    // Frames seen arriving before are earlier in the stream than any start
    // byte not looked at yet, so they are asked first.
    for (size_t i = 0; i < maWaiting.size();) {
        Check c = Examine(mnHead + maWaiting[i]);
        if (c == Check::Good)
            return mnHead + maWaiting[i];
        if (c == Check::Bad)
            maWaiting.erase(maWaiting.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    const uint8_t* base = maBuf.data() + mnHead;
    size_t avail = maBuf.size() - mnHead;
    if (mnScanned == 0)
        mnScanned = 1;  // the front frame's own start byte
    while (mnScanned < avail) {
        const void* hit = std::memchr(base + mnScanned, STX, avail - mnScanned);
        if (!hit) {
            mnScanned = avail;
            break;
        }
        size_t off = static_cast<size_t>(static_cast<const uint8_t*>(hit) - base);
        // Until its header is in, a start byte can be judged no more than
        // any byte after it: look again when more has arrived.
        if (avail - off < HEADER_SIZE) {
            mnScanned = off;
            break;
        }
        Check c = Examine(mnHead + off);
        if (c == Check::Good)
            return mnHead + off;
        if (c == Check::Incomplete)
            maWaiting.push_back(off);
        mnScanned = off + 1;
    }
    return 0;
}

bool FrameParser::Next(Frame& out)
{
    for (;;) {
        // Drop anything before a start byte.
        size_t avail = maBuf.size() - mnHead;
        const void* hit = avail ? std::memchr(maBuf.data() + mnHead, STX, avail) : nullptr;
        if (!hit) {
            if (avail)
                Discard(avail);
            return false;
        }
        size_t skip = static_cast<size_t>(static_cast<const uint8_t*>(hit) - (maBuf.data() + mnHead));
        if (skip)
            Discard(skip);

        switch (Examine(mnHead)) {
        case Check::Bad:
            // Only the start byte goes: a good frame may begin inside what
            // the damaged header claimed.
            Discard(1);
            continue;
        case Check::Incomplete: {
            size_t later = FindLaterFrame();
            if (!later)
                return false;
            Discard(later - mnHead);
            continue;
        }
        case Check::Good:
            break;
        }
        const uint8_t* f = maBuf.data() + mnHead;
        size_t n = Le16(f + 6);
        out.kind = static_cast<Kind>(f[1]);
        out.message = Le16(f + 2);
        out.sequence = Le16(f + 4);
        out.payload.assign(f + HEADER_SIZE, f + HEADER_SIZE + n);
        mnHead += HEADER_SIZE + n + TRAILER_SIZE;
        maWaiting.clear();
        mnScanned = 0;
        return true;
    }
}

} // namespace wire

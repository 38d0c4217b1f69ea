#include "qel/WireFrame.hpp"

namespace wire {

uint16_t Crc16(const uint8_t* p, size_t n, uint16_t crc)
{
    for (size_t i = 0; i < n; ++i) {
        crc ^= static_cast<uint16_t>(p[i]) << 8;
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021) : static_cast<uint16_t>(crc << 1);
    }
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

void FrameParser::Feed(const uint8_t* p, size_t n)
{
    maBuf.insert(maBuf.end(), p, p + n);
}

static bool KnownKind(uint8_t k)
{
    return k == 'Q' || k == 'R' || k == 'U' || k == 'C';
}

bool FrameParser::Next(Frame& out)
{
    for (;;) {
        // Drop anything before a start byte.
        while (!maBuf.empty() && maBuf.front() != STX) {
            maBuf.pop_front();
            ++mnDiscarded;
        }
        if (maBuf.size() < 2)
            return false;
        auto dropStart = [this] {
            maBuf.pop_front();
            ++mnDiscarded;
        };
        if (!KnownKind(maBuf[1])) {
            dropStart();
            continue;
        }
        if (maBuf.size() < HEADER_SIZE)
            return false;
        size_t n = maBuf[6] | (static_cast<size_t>(maBuf[7]) << 8);
        if (n > MAX_PAYLOAD) {
            dropStart();
            continue;
        }
        size_t total = HEADER_SIZE + n + TRAILER_SIZE;
        if (maBuf.size() < total)
            return false;
        std::vector<uint8_t> body(maBuf.begin() + 1, maBuf.begin() + static_cast<std::ptrdiff_t>(HEADER_SIZE + n));
        uint16_t crc = Crc16(body.data(), body.size());
        uint16_t got = static_cast<uint16_t>(maBuf[HEADER_SIZE + n] | (maBuf[HEADER_SIZE + n + 1] << 8));
        if (crc != got) {
            dropStart();
            continue;
        }
        out.kind = static_cast<Kind>(body[0]);
        out.message = static_cast<uint16_t>(body[1] | (body[2] << 8));
        out.sequence = static_cast<uint16_t>(body[3] | (body[4] << 8));
        out.payload.assign(body.begin() + 7, body.end());
        maBuf.erase(maBuf.begin(), maBuf.begin() + static_cast<std::ptrdiff_t>(total));
        return true;
    }
}

} // namespace wire

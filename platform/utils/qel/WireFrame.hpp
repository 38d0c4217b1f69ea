// The frame that carries one message on a serial line, a pseudo-terminal or
// TCP:
//
//   0x02 | kind | message nr (2) | sequence nr (2) | length n (2) | payload (n) | CRC-16 (2)
//
// Integers are little-endian. The CRC is CRC-16/CCITT-FALSE (poly 0x1021,
// init 0xFFFF, no reflection, no final xor) over the bytes from the kind to
// the end of the payload. A receiver that meets a bad CRC, an unknown kind or
// an oversized length discards bytes up to the next 0x02 and carries on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace wire {

constexpr uint8_t STX = 0x02;
constexpr uint16_t MAX_PAYLOAD = 4096;
constexpr size_t HEADER_SIZE = 8;
constexpr size_t TRAILER_SIZE = 2;

enum class Kind : uint8_t {
    Request = 'Q',
    Reply = 'R',
    Unsolicited = 'U',
    Control = 'C',
};

struct Frame {
    Kind kind = Kind::Request;
    uint16_t message = 0;
    uint16_t sequence = 0;
    std::vector<uint8_t> payload;
};

uint16_t Crc16(const uint8_t* p, size_t n, uint16_t crc = 0xFFFF);

// The bytes of a frame; a payload longer than MAX_PAYLOAD is cut to it
// (callers check the size before they build a frame).
std::vector<uint8_t> Encode(const Frame& f);

// Collects bytes as they arrive and hands out whole, valid frames.
class FrameParser {
public:
    void Feed(const uint8_t* p, size_t n);
    // Takes the next complete frame; false when none is complete yet.
    bool Next(Frame& out);
    // Bytes thrown away while resynchronising (for traces and tests).
    size_t Discarded() const { return mnDiscarded; }
    void Reset() { maBuf.clear(); }

private:
    std::deque<uint8_t> maBuf;
    size_t mnDiscarded = 0;
};

} // namespace wire

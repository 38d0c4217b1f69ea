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
//
// Resynchronisation: a frame with a bad CRC, an unknown kind or an oversized
// length loses only its start byte, and the search for the next start byte
// begins right after it, so a good frame that follows a damaged one (or sits
// inside its claimed length) is still found. While the frame at the front
// waits for the rest of its claimed length, a later start byte that begins a
// complete frame with a good CRC wins: the waiting bytes are discarded. Thus
// a length field damaged into a larger, still plausible value costs that one
// frame and does not swallow the replies behind it.
class FrameParser {
public:
    void Feed(const uint8_t* p, size_t n);
    // Takes the next complete frame; false when none is complete yet.
    bool Next(Frame& out);
    // Bytes thrown away while resynchronising, since construction (for
    // traces, error texts and tests).
    size_t Discarded() const { return mnDiscarded; }
    // Bytes held that do not (yet) make a whole frame.
    size_t Pending() const { return maBuf.size() - mnHead; }
    // Forgets what is held (the link closed); not counted as discarded.
    void Reset();

private:
    enum class Check { Good, Bad, Incomplete };
    // Looks at the frame that starts at maBuf[nAt] (a start byte).
    Check Examine(size_t nAt) const;
    // The position of the first later start byte that begins a complete,
    // good frame while the front frame is incomplete; 0 when there is none.
    size_t FindLaterFrame();
    void Discard(size_t n);

    // Received bytes; those before mnHead are consumed. The vector is
    // compacted now and then, not at every frame.
    std::vector<uint8_t> maBuf;
    size_t mnHead = 0;
    // While the front frame waits for its bytes: later start bytes that
    // begin frames still arriving (offsets from mnHead), and the offset up
    // to which start bytes have been looked at. Both are forgotten whenever
    // the front moves, so the search costs each byte once per front frame.
    std::vector<size_t> maWaiting;
    size_t mnScanned = 0;
    size_t mnDiscarded = 0;
};

} // namespace wire

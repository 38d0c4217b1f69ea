// Session: one link's framing in front of an Instrument.
//
// Bytes from the library are parsed into frames (wire::FrameParser):
//   Q frame  -> the instrument answers; R frame with the same message and
//               sequence number (unless the reply is dropped; a corrupted
//               reply goes out with its CRC inverted);
//   C frame  -> message 0, payload one command line; R frame (message 0, same
//               sequence) whose payload is the status char and the answer
//               text;
//   R/U frames from the other side are ignored.
// Whatever the instrument wants to send unasked follows as U frames with
// sequence 0. Each output carries the time at which it may be sent; outputs
// never overtake each other, so a delayed reply holds back what follows it.
// After "disconnect" the last output is a close marker; the writer closes
// the link as soon as it gets it and drops the replies still delayed, as a
// pulled cable loses the answer in flight.
#pragma once

#include "vxnemu/Instrument.hpp"

#include "qel/WireFrame.hpp"

#include <chrono>
#include <memory>
#include <vector>

namespace vxnemu {

using Clock = std::chrono::steady_clock;

struct Output {
    Clock::time_point due;
    std::vector<uint8_t> bytes;
    bool close = false; // close the link after sending the bytes
};

class Session {
public:
    explicit Session(std::shared_ptr<Instrument> pInstrument) : mpInstrument(std::move(pInstrument)) {}

    // Feeds received bytes and returns what to send in answer.
    std::vector<Output> Feed(const uint8_t* p, size_t n);
    // Unsolicited frames (and a close) the instrument produced outside a
    // request, e.g. after a control line on the program's standard input.
    std::vector<Output> Drain();

    Instrument& GetInstrument() { return *mpInstrument; }
    size_t Discarded() const { return maParser.Discarded(); }

private:
    void Emit(std::vector<Output>& rOut, std::vector<uint8_t> bytes, int nDelayMs);
    void Collect(std::vector<Output>& rOut);

    std::shared_ptr<Instrument> mpInstrument;
    wire::FrameParser maParser;
    Clock::time_point maLastDue{};
    bool mbClosed = false;
};

// A frame whose CRC does not match (for the "corrupt" fault).
std::vector<uint8_t> CorruptFrame(const wire::Frame& rFrame);

} // namespace vxnemu

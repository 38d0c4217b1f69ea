// Feeds arbitrary bytes to wire::FrameParser, cut into reads of sizes the
// input chooses, as a serial line or a socket would deliver them, and takes
// out every frame it will give.
//
// Must hold, besides no crash and no sanitizer report:
//  - every frame handed out has a known kind and at most MAX_PAYLOAD bytes,
//    and its encoding stands in the received bytes exactly where the parser
//    took it from (nothing is invented or reordered);
//  - no byte is lost from the count: frames + discarded + pending = fed;
//  - a frame built from the input and encoded comes back unchanged, after a
//    noise prefix free of start bytes and whatever the cut into two reads
//    (unless its payload holds a good frame of its own: see below).
#include "FuzzSupport.hpp"

#include "qel/WireFrame.hpp"

#include <cstring>
#include <vector>

namespace {

bool SameFrame(const wire::Frame& a, const wire::Frame& b)
{
    return a.kind == b.kind && a.message == b.message && a.sequence == b.sequence && a.payload == b.payload;
}

// The stream as the input gives it, in reads of 1 to 64 bytes (the size of
// each read taken from the byte before it).
void StreamCase(const uint8_t* p, size_t n)
{
    wire::FrameParser parser;
    size_t fed = 0, taken = 0;
    // Where the frames handed out so far end: the next one starts later.
    size_t front = 0;
    wire::Frame f;
    while (fed < n) {
        size_t chunk = 1 + p[fed] % 64;
        if (chunk > n - fed)
            chunk = n - fed;
        parser.Feed(p + fed, chunk);
        fed += chunk;
        while (parser.Next(f)) {
            FUZZ_REQUIRE(f.payload.size() <= wire::MAX_PAYLOAD);
            uint8_t k = static_cast<uint8_t>(f.kind);
            FUZZ_REQUIRE(k == 'Q' || k == 'R' || k == 'U' || k == 'C');
            std::vector<uint8_t> bytes = wire::Encode(f);
            // The frame is the bytes right before what is still pending.
            size_t end = fed - parser.Pending();
            FUZZ_REQUIRE(end >= front + bytes.size());
            FUZZ_REQUIRE(std::memcmp(p + end - bytes.size(), bytes.data(), bytes.size()) == 0);
            front = end;
            taken += bytes.size();
            FUZZ_REQUIRE(taken + parser.Discarded() + parser.Pending() == fed);
        }
        FUZZ_REQUIRE(taken + parser.Discarded() + parser.Pending() == fed);
    }
}

void RoundTripCase(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    static const wire::Kind kinds[] = {wire::Kind::Request, wire::Kind::Reply, wire::Kind::Unsolicited,
                                       wire::Kind::Control};
    wire::Frame sent;
    sent.kind = kinds[in.Byte() % 4];
    sent.message = in.U16();
    sent.sequence = in.U16();
    size_t cut = in.U16();
    std::string_view noise = in.Bytes(64);
    std::string_view payload = in.Rest();
    sent.payload.assign(payload.begin(), payload.end());
    if (sent.payload.size() > wire::MAX_PAYLOAD)
        sent.payload.resize(wire::MAX_PAYLOAD);

    std::vector<uint8_t> stream;
    for (char c : noise)
        stream.push_back(c == wire::STX ? 0 : static_cast<uint8_t>(c));
    std::vector<uint8_t> bytes = wire::Encode(sent);
    FUZZ_REQUIRE(bytes.size() == wire::HEADER_SIZE + sent.payload.size() + wire::TRAILER_SIZE);
    stream.insert(stream.end(), bytes.begin(), bytes.end());

    // A payload may itself hold a whole, good frame. While the outer frame
    // is still arriving, that inner frame wins (the resynchronisation takes
    // a complete frame over one that waits); such input is fed in one piece.
    wire::FrameParser inner;
    wire::Frame dummy;
    inner.Feed(bytes.data() + 1, bytes.size() - 1);
    bool nested = inner.Next(dummy);

    wire::FrameParser parser;
    cut = nested ? stream.size() : cut % (stream.size() + 1);
    wire::Frame got;
    parser.Feed(stream.data(), cut);
    bool early = parser.Next(got);
    FUZZ_REQUIRE(!early || cut == stream.size());
    parser.Feed(stream.data() + cut, stream.size() - cut);
    if (!early)
        FUZZ_REQUIRE(parser.Next(got));
    FUZZ_REQUIRE(SameFrame(sent, got));
    FUZZ_REQUIRE(!parser.Next(got));
    FUZZ_REQUIRE(parser.Discarded() == noise.size() && parser.Pending() == 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StreamCase(data, size);
    RoundTripCase(data, size);
    return 0;
}

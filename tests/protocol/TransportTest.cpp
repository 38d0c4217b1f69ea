// The message transport: block encoding, framing and resynchronisation,
// sequence numbers, time-outs, closed links, and unsolicited messages handed
// to their handlers only after the exchange.
#include "qel/MyMemoryBlock.hpp"
#include "qel/PostOffice.hpp"
#include "qel/WireFrame.hpp"
#include "support/ScriptedTransport.hpp"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

using testenv::Bytes;
using testenv::ScriptedTransport;

namespace {

TEST(MyMemoryBlock, EncodesLittleEndianWithFourByteLong)
{
    MyMemoryBlock b;
    b << static_cast<char>(-1) << static_cast<short>(-2) << 0x01020304 << -1L << String("Ä1") << 1.0f << 0xFFFFFFFFul;
    std::vector<uint8_t> want = {0xFF, 0xFE, 0xFF, 0x04, 0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x00,
                                 0xC3, 0x84, '1',  0x00, 0x00, 0x80, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Bytes(b), want);

    char c = 0;
    short s = 0;
    int i = 0;
    long l = 0;
    String str;
    float f = 0;
    unsigned long u = 0;
    b >> c >> s >> i >> l >> str >> f >> u;
    EXPECT_FALSE(b.Failed());
    EXPECT_EQ(c, -1);
    EXPECT_EQ(s, -2);
    EXPECT_EQ(i, 0x01020304);
    EXPECT_EQ(l, -1L);  // sign-extended ...
    EXPECT_EQ(str, String("Ä1"));
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(u, 0xFFFFFFFFul);  // ... and zero-extended
}

TEST(MyMemoryBlock, ReadingPastTheEndFailsAndKeepsTargets)
{
    const uint8_t bytes[] = {1, 2, 3};
    MyMemoryBlock b(bytes, 3);
    int i = 42;
    b >> i;
    EXPECT_TRUE(b.Failed());
    EXPECT_EQ(i, 42);
    unsigned char u = 7;
    b >> u;  // once failed, stays failed
    EXPECT_EQ(u, 7);
    EXPECT_EQ(b.Get(&i, 1), 0);

    // A text whose count runs past the end.
    const uint8_t str[] = {10, 0, 'a', 'b'};
    MyMemoryBlock t(str, 4);
    String s("keep");
    t >> s;
    EXPECT_TRUE(t.Failed());
    EXPECT_EQ(s, String("keep"));
}

// ---- frames ---------------------------------------------------------------

wire::Frame Make(wire::Kind k, uint16_t msg, uint16_t seq, std::vector<uint8_t> payload)
{
    wire::Frame f;
    f.kind = k;
    f.message = msg;
    f.sequence = seq;
    f.payload = std::move(payload);
    return f;
}

TEST(WireFrame, CrcIsCcittFalse)
{
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(wire::Crc16(check, sizeof check), 0x29B1);
}

TEST(WireFrame, LayoutOfARequest)
{
    // Start, kind, message, sequence, length, payload, CRC over kind to payload.
    std::vector<uint8_t> want = {0x02, 'Q', 0x2B, 0x1A, 0x02, 0x01, 1, 0, 0xAA};
    uint16_t crc = wire::Crc16(want.data() + 1, 8);
    want.insert(want.end(), {static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)});
    EXPECT_EQ(wire::Encode(Make(wire::Kind::Request, 0x1A2B, 0x0102, {0xAA})), want);
}

std::vector<wire::Frame> Parse(wire::FrameParser& rParser, const std::vector<uint8_t>& rStream, size_t nChunk)
{
    std::vector<wire::Frame> got;
    for (size_t i = 0; i < rStream.size(); i += nChunk) {
        rParser.Feed(rStream.data() + i, std::min(nChunk, rStream.size() - i));
        wire::Frame f;
        while (rParser.Next(f))
            got.push_back(f);
    }
    return got;
}

TEST(WireFrame, ParserHandlesSplitGluedAndDamagedInput)
{
    auto a = wire::Encode(Make(wire::Kind::Reply, 13, 1, {0, 1, 2}));
    auto b = wire::Encode(Make(wire::Kind::Unsolicited, 81, 0, {5}));
    auto bad = a;
    bad[9] ^= 0xFF;  // payload byte changed: CRC no longer matches
    std::vector<uint8_t> oversized = {0x02, 'R', 1, 0, 1, 0, 0xFF, 0x7F};
    std::vector<uint8_t> badKind = {0x02, 'X', 0x02};

    std::vector<uint8_t> stream = {'g', 'a', 'r', 0x00};
    for (auto* part : {&bad, &oversized, &badKind, &a, &b})
        stream.insert(stream.end(), part->begin(), part->end());

    // Fed one byte at a time, then all at once: the same two frames come out.
    for (size_t chunk : {size_t(1), stream.size()}) {
        wire::FrameParser p;
        auto got = Parse(p, stream, chunk);
        ASSERT_EQ(got.size(), 2u) << "chunk " << chunk;
        EXPECT_EQ(got[0].message, 13);
        EXPECT_EQ(got[0].payload, (std::vector<uint8_t>{0, 1, 2}));
        EXPECT_EQ(got[1].kind, wire::Kind::Unsolicited);
        EXPECT_EQ(got[1].message, 81);
        EXPECT_GT(p.Discarded(), 0u);
    }
}

// A reply frame whose length field was damaged on the line into nClaimed
// (its CRC still the one of the true frame). The payload holds a start byte
// and a plausible header of a long frame, so the parser also meets a false
// frame start inside the damaged bytes.
std::vector<uint8_t> WithDamagedLength(uint16_t nSeq, uint16_t nClaimed)
{
    auto bytes = wire::Encode(
        Make(wire::Kind::Reply, 13, nSeq, {0, 0x02, 'R', 13, 0, 9, 0, 0x00, 0x08, 0x55, 0x66, 0x77, 0x88}));
    bytes[6] = static_cast<uint8_t>(nClaimed);
    bytes[7] = static_cast<uint8_t>(nClaimed >> 8);
    return bytes;
}

// Claimed lengths against the true 13: shorter, one off either way, reaching
// into the good frame behind, far beyond it, the largest allowed.
constexpr uint16_t DAMAGED_LENGTHS[] = {0, 3, 12, 14, 20, 200, wire::MAX_PAYLOAD};

TEST(WireFrame, DamagedLengthCostsOnlyItsOwnFrame)
{
    auto good = wire::Encode(Make(wire::Kind::Reply, 13, 7, {0, 42, 0, 0, 0}));
    auto next = wire::Encode(Make(wire::Kind::Reply, 8, 8, {0, 99, 1, 0, 0}));
    for (uint16_t claimed : DAMAGED_LENGTHS) {
        auto damaged = WithDamagedLength(7, claimed);
        std::vector<uint8_t> stream = damaged;
        stream.insert(stream.end(), good.begin(), good.end());
        for (size_t chunk : {size_t(1), size_t(7), stream.size()}) {
            SCOPED_TRACE("claimed " + std::to_string(claimed) + ", chunk " + std::to_string(chunk));
            wire::FrameParser p;
            auto got = Parse(p, stream, chunk);
            ASSERT_EQ(got.size(), 1u);
            EXPECT_EQ(got[0].sequence, 7);
            EXPECT_EQ(got[0].payload, (std::vector<uint8_t>{0, 42, 0, 0, 0}));
            EXPECT_EQ(p.Discarded(), damaged.size()) << "exactly the damaged frame is dropped";
            EXPECT_EQ(p.Pending(), 0u);

            // The frame after it is read as if nothing had happened.
            got = Parse(p, next, chunk);
            ASSERT_EQ(got.size(), 1u);
            EXPECT_EQ(got[0].sequence, 8);
            EXPECT_EQ(p.Discarded(), damaged.size());
        }
    }
}

TEST(WireFrame, SlowLargeFrameIsNotGivenUpForFalseStarts)
{
    // Start bytes with plausible headers inside the payload, none of them a
    // complete frame: the frame must wait for its own end, however it is cut.
    std::vector<uint8_t> payload(3000, 0x11);
    for (size_t at : {size_t(10), size_t(700), size_t(2990)}) {
        const uint8_t fake[] = {0x02, 'R', 13, 0, 1, 0, 0x40, 0x00};
        std::copy(std::begin(fake), std::end(fake), payload.begin() + static_cast<std::ptrdiff_t>(at));
    }
    auto big = wire::Encode(Make(wire::Kind::Reply, 15, 3, payload));
    for (size_t chunk : {size_t(1), size_t(64), big.size()}) {
        wire::FrameParser p;
        auto got = Parse(p, big, chunk);
        ASSERT_EQ(got.size(), 1u) << "chunk " << chunk;
        EXPECT_EQ(got[0].payload, payload);
        EXPECT_EQ(p.Discarded(), 0u);
    }
}

TEST(WireFrame, BadCrcResumesRightAfterTheStartByte)
{
    // A good frame hidden inside a damaged frame's claimed length is found.
    auto inner = wire::Encode(Make(wire::Kind::Unsolicited, 81, 0, {1}));
    std::vector<uint8_t> payload = {0};
    payload.insert(payload.end(), inner.begin(), inner.end());
    auto outer = wire::Encode(Make(wire::Kind::Reply, 13, 1, payload));
    outer.back() ^= 0xFF;
    wire::FrameParser p;
    auto got = Parse(p, outer, outer.size());
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, 81);
    EXPECT_EQ(p.Discarded(), outer.size() - inner.size());
}

// ---- exchanges --------------------------------------------------------------

// Counts the unsolicited messages it receives and whether one arrived while
// an exchange was under way.
struct Listener : LinkHdl {
    int calls = 0;
    std::vector<uint8_t> last;
    bool duringExchange = false;
    bool* pInExchange = nullptr;
    long OnMessage(MyMemoryBlock* p)
    {
        ++calls;
        last = Bytes(*p);
        if (pInExchange && *pInExchange)
            duringExchange = true;
        return 0;
    }
};

void ProcessEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

unsigned char Exchange(int nMsg, MyMemoryBlock& rBlock, DisEnable e = DE_NORMAL)
{
    return PostOffice::Instance()->SendAndReceive(0, nMsg, rBlock, rBlock, e);
}

MyMemoryBlock Int(int v)
{
    MyMemoryBlock b;
    b << v;
    return b;
}

// The status and the integer field at the start of a reply block.
std::pair<int, int> StatusAndInt(MyMemoryBlock& b)
{
    char status = 9;
    int v = -1;
    b >> status >> v;
    return {status, v};
}

struct HandlerGuard {
    unsigned int msg;
    Link old;
    HandlerGuard(unsigned int m, Link l) : msg(m) { old = PostOffice::Instance()->ChangeMessageHdl(m, l, 0); }
    ~HandlerGuard() { PostOffice::Instance()->ChangeMessageHdl(msg, old, 1); }
};

TEST(PostOffice, ReplyWithStatusReachesTheBlockFromItsStart)
{
    ScriptedTransport t;
    t.Reply(Int(355));
    MyMemoryBlock b;
    b << 1 << 2;  // request content is consumed
    ASSERT_EQ(Exchange(8, b), 1);
    EXPECT_EQ(StatusAndInt(b), std::pair(0, 355));
    ASSERT_EQ(t.Sent().size(), 1u);
    EXPECT_EQ(t.Sent()[0].payload.size(), 8u);
}

TEST(PostOffice, GarbageStaleRepliesAndBadFramesBeforeTheReplyAreSkipped)
{
    ScriptedTransport t;
    t.ReplyBuilt([&](uint16_t seq) {
        std::vector<uint8_t> raw = {'x', 'y', 0x02, 0x02};
        auto stale = ScriptedTransport::ReplyFrame(13, static_cast<uint16_t>(seq - 1), 0, Int(1));
        auto corrupt = ScriptedTransport::ReplyFrame(13, seq, 0, Int(1));
        corrupt.back() ^= 0x55;
        auto reply = ScriptedTransport::ReplyFrame(13, seq, 0, Int(42));
        for (auto* part : {&stale, &corrupt, &reply})
            raw.insert(raw.end(), part->begin(), part->end());
        return raw;
    });
    MyMemoryBlock b;
    ASSERT_EQ(Exchange(13, b), 1);
    EXPECT_EQ(StatusAndInt(b), std::pair(0, 42));
}

TEST(PostOffice, DamagedLengthBeforeTheReplyIsSkipped)
{
    PostOffice* po = PostOffice::Instance();
    for (uint16_t claimed : DAMAGED_LENGTHS) {
        SCOPED_TRACE("claimed " + std::to_string(claimed));
        ScriptedTransport t;
        size_t damagedSize = 0;
        t.ReplyBuilt([&](uint16_t seq) {
            auto raw = WithDamagedLength(seq, claimed);
            damagedSize = raw.size();
            auto reply = ScriptedTransport::ReplyFrame(13, seq, 0, Int(42));
            raw.insert(raw.end(), reply.begin(), reply.end());
            return raw;
        });
        t.Reply(Int(7));
        size_t discarded = po->GetDiscardedBytes();
        MyMemoryBlock b, c;
        ASSERT_EQ(Exchange(13, b), 1) << po->GetLastError().str();
        EXPECT_EQ(StatusAndInt(b), std::pair(0, 42));
        EXPECT_EQ(po->GetDiscardedBytes() - discarded, damagedSize);
        ASSERT_EQ(Exchange(8, c), 1) << po->GetLastError().str();
        EXPECT_EQ(StatusAndInt(c), std::pair(0, 7));
    }
}

TEST(PostOffice, OnlyADamagedReplyIsNamedSo)
{
    PostOffice* po = PostOffice::Instance();
    struct Case {
        const char* name;
        std::function<std::vector<uint8_t>(uint16_t)> reply;
    } cases[] = {
        {"bad CRC",
         [&](uint16_t seq) {
             auto raw = ScriptedTransport::ReplyFrame(13, seq, 0, Int(1));
             raw[9] ^= 0x10;
             return raw;
         }},
        {"length damaged shorter", [](uint16_t seq) { return WithDamagedLength(seq, 3); }},
        // Nothing follows to show that the length was wrong.
        {"length damaged longer", [](uint16_t seq) { return WithDamagedLength(seq, 300); }},
    };
    for (const auto& c : cases) {
        ScriptedTransport t(100);
        t.ReplyBuilt(c.reply);
        t.Reply(Int(1));
        MyMemoryBlock b;
        EXPECT_EQ(Exchange(13, b), 0) << c.name;
        EXPECT_NE(po->GetLastError().str().find("the instrument's reply was damaged"), std::string::npos)
            << c.name << ": " << po->GetLastError().str();
        // Whatever the damaged reply left behind does not hold up the next one.
        MyMemoryBlock d;
        EXPECT_EQ(Exchange(13, d), 1) << c.name << ": " << po->GetLastError().str();
    }
}

TEST(PostOffice, StaleReplyAloneTimesOut)
{
    ScriptedTransport t(50);
    t.ReplyRaw(ScriptedTransport::ReplyFrame(13, 0x7777, 0, Int(1)));
    MyMemoryBlock b;
    EXPECT_EQ(Exchange(13, b), 0);
}

// A command waits for its time-out, a probe for the short one; neither hangs.
TEST(PostOffice, TimeOutFailsWithoutHanging)
{
    for (auto [timeout, disEnable] : {std::pair{100, DE_NORMAL}, std::pair{5000, DE_PROBE}}) {
        ScriptedTransport t(timeout);
        PostOffice::Instance()->SetProbeTimeout(50);
        t.NoReply();
        auto t0 = std::chrono::steady_clock::now();
        MyMemoryBlock b;
        EXPECT_EQ(Exchange(disEnable == DE_PROBE ? 48 : 28, b, disEnable), 0);
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_LT(ms, 2000) << "a hang, not a speed target";
        EXPECT_NE(PostOffice::Instance()->GetLastError().str().find("no answer"), std::string::npos);
        EXPECT_EQ(PostOffice::Instance()->GetLastError().str().find("damaged"), std::string::npos);
    }
    PostOffice::Instance()->SetProbeTimeout(500);
}

TEST(PostOffice, ClosedLinkFails)
{
    ScriptedTransport t;
    t.CloseOnNext();
    MyMemoryBlock b;
    EXPECT_EQ(Exchange(8, b), 0);
    EXPECT_FALSE(PostOffice::Instance()->IsOpen());
}

TEST(PostOffice, OversizedRequestIsNotSent)
{
    ScriptedTransport t;
    MyMemoryBlock b;
    std::vector<uint8_t> big(wire::MAX_PAYLOAD + 1, 0);
    b.Put(big.data(), static_cast<long>(big.size()));
    EXPECT_EQ(Exchange(39, b), 0);
    EXPECT_TRUE(t.Sent().empty());
}

TEST(PostOffice, UnsolicitedDuringExchangeIsDeliveredAfterIt)
{
    // The unsolicited frame arrives before the reply or right behind it, in
    // the same read: either way it is queued, not left in the parser (the
    // link's watch would never call for bytes already read).
    for (bool bBehind : {false, true}) {
        SCOPED_TRACE(bBehind ? "behind the reply" : "before the reply");
        ScriptedTransport t;
        Listener l;
        bool inExchange = false;
        l.pInExchange = &inExchange;
        HandlerGuard g(81, LINK(&l, Listener, OnMessage));
        const std::vector<uint8_t> key = {1};
        t.ReplyBuilt([&](uint16_t seq) {
            auto raw = wire::Encode(Make(wire::Kind::Unsolicited, 81, 0, key));
            auto reply = ScriptedTransport::ReplyFrame(13, seq, 0, Int(1));
            raw.insert(bBehind ? raw.begin() : raw.end(), reply.begin(), reply.end());
            return raw;
        });

        inExchange = true;
        MyMemoryBlock b;
        ASSERT_EQ(Exchange(13, b), 1);
        inExchange = false;
        EXPECT_EQ(l.calls, 0);
        EXPECT_EQ(PostOffice::Instance()->PendingCount(), 1u);
        ProcessEvents();
        EXPECT_EQ(l.calls, 1);
        EXPECT_FALSE(l.duringExchange);
        EXPECT_EQ(l.last, key);
    }
}

TEST(PostOffice, UnsolicitedWhileIdleReachesHandlerFromTheEventLoop)
{
    ScriptedTransport t;
    // Open the link (the watch starts with the first exchange).
    t.Reply(Int(1));
    MyMemoryBlock b;
    ASSERT_EQ(Exchange(13, b), 1);

    Listener l;
    HandlerGuard g(43, LINK(&l, Listener, OnMessage));
    t.SendUnsolicited(43, Int(3));
    t.SendUnsolicited(99, Int(3));  // no handler: dropped
    for (int i = 0; i < 50 && l.calls == 0; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(l.calls, 1);
    ProcessEvents();
    EXPECT_EQ(PostOffice::Instance()->PendingCount(), 0u);
}

TEST(PostOffice, ChangeMessageHdlReturnsTheReplacedHandler)
{
    PostOffice* po = PostOffice::Instance();
    Listener a, b;
    Link la = LINK(&a, Listener, OnMessage), lb = LINK(&b, Listener, OnMessage), none;
    Link prev = po->ChangeMessageHdl(81, la, 0);
    EXPECT_FALSE(prev.IsSet());
    Link old = po->ChangeMessageHdl(81, lb, 0);
    EXPECT_TRUE(old == la);
    EXPECT_TRUE(po->ChangeMessageHdl(81, old, 1) == lb);
    EXPECT_TRUE(po->ChangeMessageHdl(81, none, 1) == la);
    EXPECT_FALSE(po->GetMessageHdl(81).IsSet());
}

TEST(PostOffice, ControlLineGetsStatusAndText)
{
    ScriptedTransport t;
    MyMemoryBlock text;
    text.Put("filter 8 in place", 17);
    t.Reply(text);
    String answer;
    EXPECT_EQ(PostOffice::Instance()->Control(String("filter 8"), answer), 0);
    EXPECT_EQ(answer, String("filter 8 in place"));
    ASSERT_EQ(t.Sent().size(), 1u);
    EXPECT_EQ(t.Sent()[0].message, 0);
    EXPECT_EQ(std::string(t.Sent()[0].payload.begin(), t.Sent()[0].payload.end()), "filter 8");
}

TEST(PostOffice, EndpointErrorsAreClear)
{
    PostOffice* po = PostOffice::Instance();
    String saved = po->GetEndpoint();
    struct Case {
        const char* endpoint;
        const char* says;
    } cases[] = {
        {"nonsense", "no scheme"},
        {"ftp:x", "unknown endpoint scheme"},
        {"tcp:127.0.0.1", "HOST:PORT"},
        {"tcp:127.0.0.1:1", "cannot connect"},
        {"serial:/nonexistent/tty", "cannot open"},
        {"serial:/dev/null?baud=12345", "unsupported baud"},
    };
    for (const auto& c : cases) {
        po->SetEndpoint(String(c.endpoint));
        MyMemoryBlock b;
        EXPECT_EQ(Exchange(8, b), 0) << c.endpoint;
        EXPECT_NE(po->GetLastError().str().find(c.says), std::string::npos)
            << c.endpoint << ": " << po->GetLastError().str();
    }
    po->SetEndpoint(saved);
}

} // namespace

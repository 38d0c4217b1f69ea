// ScriptedTransport: a link whose far side is a script. While it exists the
// process's PostOffice talks to it: every request frame is recorded, and the
// next scripted answer is sent back (a reply with status and fields, no reply
// at all, raw bytes, a closed link). Unsolicited frames can be queued.
//
// Replies travel through a pipe, so timing, framing and the event loop's
// watching of the link work as with a real instrument.
#pragma once

#include "qel/MyMemoryBlock.hpp"
#include "qel/WireFrame.hpp"

#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace testenv {

struct SentMessage {
    int message = 0;
    std::vector<uint8_t> payload;
    // The last argument SendAndReceive was given (not on the wire; read from
    // the PostOffice while the request is written).
    int disEnable = -1;
};

class ScriptedTransport {
public:
    // Attaches to PostOffice::Instance() with the given exchange time-out.
    explicit ScriptedTransport(int nTimeoutMs = 200);
    ~ScriptedTransport();
    ScriptedTransport(const ScriptedTransport&) = delete;
    ScriptedTransport& operator=(const ScriptedTransport&) = delete;

    // The next request is answered with status 0 and these fields.
    void Reply(const MyMemoryBlock& rFields) { ReplyStatus(0, rFields); }
    void Reply() { ReplyStatus(0, MyMemoryBlock()); }
    void ReplyStatus(char nStatus, const MyMemoryBlock& rFields = MyMemoryBlock());
    // The next request gets no answer (the exchange times out).
    void NoReply();
    // The next request is answered with exactly these bytes (frames, garbage...).
    void ReplyRaw(std::vector<uint8_t> aBytes);
    // The next request is answered with the bytes the function builds from
    // the request's sequence number (for stale replies, frames around it...).
    void ReplyBuilt(std::function<std::vector<uint8_t>(uint16_t nSeq)> aBuild);
    // The next request makes the link close.
    void CloseOnNext();
    // Requests with no scripted answer go to this function, if set; it fills
    // the reply block (status first) and returns false for "no reply".
    std::function<bool(int nMessage, MyMemoryBlock& rRequest, MyMemoryBlock& rReply)> maFallback;

    // Puts an unsolicited frame on the link now.
    void SendUnsolicited(int nMessage, const MyMemoryBlock& rPayload);
    // Puts raw bytes on the link now.
    void SendRaw(const std::vector<uint8_t>& rBytes);

    const std::vector<SentMessage>& Sent() const { return maSent; }
    std::vector<int> SentNumbers() const;
    // (message number, DisEnable) of every request, in order.
    std::vector<std::pair<int, int>> SentDisEnables() const;
    void ClearSent() { maSent.clear(); }
    size_t Unanswered() const { return maScript.size(); }

    // Builds the reply bytes of a frame answering sequence nSeq.
    static std::vector<uint8_t> ReplyFrame(int nMessage, uint16_t nSeq, char nStatus, const MyMemoryBlock& rFields);

    struct Answer {
        enum Kind { Fields, None, Raw, Built, Close } kind = Fields;
        char status = 0;
        std::vector<uint8_t> bytes;
        std::function<std::vector<uint8_t>(uint16_t)> build;
    };

private:
    friend class ScriptedChannel;
    void OnRequest(const wire::Frame& rFrame, int nDisEnable);
    void Push(const std::vector<uint8_t>& rBytes);

    std::deque<Answer> maScript;
    std::vector<SentMessage> maSent;
    int mnWriteFd = -1;
    bool mbClosed = false;
};

// The DisEnable the library must give a message: 0 (a probe, short
// time-out) for DeviceReady (48) and the key-report switches 82 and 83, 2
// for every other message.
inline int ExpectedDisEnable(int nMessage)
{
    return nMessage == 48 || nMessage == 82 || nMessage == 83 ? 0 : 2;
}

// Bytes of a block, for comparing request payloads.
std::vector<uint8_t> Bytes(const MyMemoryBlock& rBlock);

} // namespace testenv

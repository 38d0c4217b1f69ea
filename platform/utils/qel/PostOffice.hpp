// PostOffice: the message transport to the instrument and the scanning table.
//
// One request at a time: SendAndReceive frames the request block, sends it
// and waits for the reply with the same sequence number, up to the time-out
// (5 s by default, ("PostOffice", "Timeout") in ms; 0.5 s for probes sent
// with DisEnable 0). A time-out, a closed link or a reply too large to send
// fails the exchange (result 0); nothing is retried. Damaged frames are
// skipped (see wire::FrameParser); when the time runs out after one, the
// failure text says that the reply was damaged rather than missing.
//
// Unsolicited messages (instrument key, measured value sent by the unit)
// that arrive meanwhile, or while no exchange runs, are queued and handed to
// the handlers installed with ChangeMessageHdl from the event loop, after the
// exchange has returned, in arrival order. A message without a handler is
// dropped. No handler is ever called from inside SendAndReceive.
//
// The endpoint comes from ("PostOffice", "Endpoint"), default "emulator:" (the
// virtual instrument in this process). Every exchange can be traced to the
// file named by ("PostOffice", "Trace") or VXN_TRACE.
#pragma once

#include "qel/Channel.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/WireFrame.hpp"
#include "sv/Link.hpp"
#include "sv/String.hpp"

#include <cstdio>
#include <deque>
#include <map>
#include <memory>

// Last argument of SendAndReceive: 0 marks a probe (short time-out, e.g.
// DeviceReady and the key-report switches 82/83), 2 every ordinary command.
enum DisEnable { DE_PROBE = 0, DE_QUIET = 1, DE_NORMAL = 2 };

class PostOffice {
public:
    // The process's transport, created on first use.
    static PostOffice* Instance();
    static bool Exists();
    static void Destroy();

    // Chooses another endpoint; the link opens at the next exchange.
    void SetEndpoint(const String& rEndpoint);
    const String& GetEndpoint() const { return maEndpoint; }
    // Opens the link now; false (with GetLastError) when it cannot be opened.
    bool Open();
    void Close();
    bool IsOpen() const { return mpChannel != nullptr; }
    // Uses the given channel as the link (tests, embedding applications).
    void Attach(std::unique_ptr<Channel> pChannel);
    // Why the last exchange or Open failed ("" after success).
    const String& GetLastError() const { return maLastError; }

    void SetTimeout(int nMs) { mnTimeoutMs = nMs; }
    int GetTimeout() const { return mnTimeoutMs; }
    void SetProbeTimeout(int nMs) { mnProbeTimeoutMs = nMs; }
    void SetTrace(const String& rPath);

    unsigned char SendAndReceive(int nDevice, int nMessage, MyMemoryBlock& rRequest, MyMemoryBlock& rReply,
                                 DisEnable eDisEnable);

    // Installs the handler for unsolicited messages nMessage and returns the
    // one it replaces. An empty Link removes the handler.
    Link ChangeMessageHdl(unsigned int nMessage, Link& rHdl, unsigned char nFlag);
    Link GetMessageHdl(unsigned int nMessage) const;

    // Out-of-band control of a virtual instrument: sends one command line as a
    // control frame. Returns the status char of the answer (0 = done) and the
    // answer's text, or -1 when the exchange failed.
    int Control(const String& rLine, String& rAnswer);

    // Hands every queued unsolicited message to its handler (the event loop
    // calls this; programs without an event loop may call it themselves).
    void DispatchPending();
    size_t PendingCount() const { return maPending.size(); }
    // Reads what has arrived without an exchange and queues it.
    void PollIncoming();

    // The last reply that refused its command (status char not 0), so that a
    // program can tell its user which command the instrument refused.
    struct Refusal {
        int nMessage = 0;
        int nStatus = 0;  // the status byte, 1 to 255
    };
    const Refusal& GetLastRefusal() const { return maRefusal; }
    void ClearLastRefusal() { maRefusal = Refusal(); }

    // The last exchange that failed (time-out, damaged reply, closed link),
    // kept until cleared: later exchanges that succeed clear
    // GetLastError, but a program still wants to tell its user why a
    // procedure failed.
    struct Failure {
        int nMessage = 0;
        String aReason;
    };
    const Failure& GetLastFailure() const { return maFailure; }
    void ClearLastFailure() { maFailure = Failure(); }

    // Exchanges and bytes since creation (benchmarks and traces).
    unsigned long GetExchangeCount() const { return mnExchanges; }
    // Received bytes thrown away as parts of damaged frames or noise.
    size_t GetDiscardedBytes() const { return maParser.Discarded(); }
    // The DisEnable of the exchange under way (DE_NORMAL between exchanges),
    // so that a channel or a trace can tell probes from ordinary commands.
    DisEnable GetCurrentDisEnable() const { return meCurrentDisEnable; }

    ~PostOffice();

private:
    PostOffice();
    bool EnsureOpen();
    void Watch();
    void HandleFrame(wire::Frame& rFrame);
    void ScheduleDispatch();
    void Trace(int nMessage, const MyMemoryBlock& rReq, const std::vector<uint8_t>* pReply, double ms,
               const char* pNote);
    bool Exchange(wire::Kind eKind, uint16_t nMessage, const uint8_t* p, size_t n, int nTimeoutMs,
                  std::vector<uint8_t>& rReply);

    String maEndpoint;
    String maLastError;
    std::unique_ptr<Channel> mpChannel;
    void* mpWatch = nullptr;
    wire::FrameParser maParser;
    uint16_t mnSequence = 0;
    int mnTimeoutMs = 5000;
    int mnProbeTimeoutMs = 500;
    bool mbBusy = false;
    DisEnable meCurrentDisEnable = DE_NORMAL;
    bool mbDispatchScheduled = false;
    std::map<unsigned int, Link> maHandlers;
    std::deque<std::pair<unsigned int, std::vector<uint8_t>>> maPending;
    FILE* mpTrace = nullptr;
    unsigned long mnExchanges = 0;
    Refusal maRefusal;
    Failure maFailure;
};

#include "support/ScriptedTransport.hpp"

#include "qel/Channel.hpp"
#include "qel/PostOffice.hpp"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace testenv {

// The PostOffice's end of the scripted link.
class ScriptedChannel : public Channel {
public:
    ScriptedChannel(ScriptedTransport* pOwner, int nReadFd) : mpOwner(pOwner), maIn(nReadFd, "scripted") {}
    bool Write(const uint8_t* p, size_t n) override
    {
        if (!mpOwner || mpOwner->mbClosed)
            return false;
        maParser.Feed(p, n);
        int nDisEnable = PostOffice::Instance()->GetCurrentDisEnable();
        wire::Frame f;
        while (maParser.Next(f))
            mpOwner->OnRequest(f, nDisEnable);
        return true;
    }
    long Read(uint8_t* p, size_t n, int nTimeoutMs) override
    {
        if (!mpOwner || mpOwner->mbClosed)
            return -1;
        return maIn.Read(p, n, nTimeoutMs);
    }
    int Fd() const override { return maIn.Fd(); }
    std::string Describe() const override { return "scripted"; }
    void Detach() { mpOwner = nullptr; }

private:
    ScriptedTransport* mpOwner;
    FdChannel maIn;
    wire::FrameParser maParser;
};

std::vector<uint8_t> Bytes(const MyMemoryBlock& rBlock)
{
    return std::vector<uint8_t>(rBlock.GetData(), rBlock.GetData() + rBlock.GetSize());
}

ScriptedTransport::ScriptedTransport(int nTimeoutMs)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        std::abort();
    mnWriteFd = fds[1];
    PostOffice* po = PostOffice::Instance();
    po->Attach(std::make_unique<ScriptedChannel>(this, fds[0]));
    po->SetTimeout(nTimeoutMs);
    po->SetProbeTimeout(nTimeoutMs);
}

ScriptedTransport::~ScriptedTransport()
{
    PostOffice::Instance()->Close();
    PostOffice::Instance()->SetTimeout(5000);
    PostOffice::Instance()->SetProbeTimeout(500);
    ::close(mnWriteFd);
}

void ScriptedTransport::ReplyStatus(char nStatus, const MyMemoryBlock& rFields)
{
    maScript.push_back({Answer::Fields, nStatus, Bytes(rFields), {}});
}

void ScriptedTransport::NoReply()
{
    maScript.push_back({Answer::None, 0, {}, {}});
}

void ScriptedTransport::ReplyRaw(std::vector<uint8_t> aBytes)
{
    maScript.push_back({Answer::Raw, 0, std::move(aBytes), {}});
}

void ScriptedTransport::CloseOnNext()
{
    maScript.push_back({Answer::Close, 0, {}, {}});
}

void ScriptedTransport::ReplyBuilt(std::function<std::vector<uint8_t>(uint16_t)> aBuild)
{
    Answer a;
    a.kind = Answer::Built;
    a.build = std::move(aBuild);
    maScript.push_back(std::move(a));
}

std::vector<uint8_t> ScriptedTransport::ReplyFrame(int nMessage, uint16_t nSeq, char nStatus,
                                                   const MyMemoryBlock& rFields)
{
    wire::Frame f;
    f.kind = wire::Kind::Reply;
    f.message = static_cast<uint16_t>(nMessage);
    f.sequence = nSeq;
    f.payload.assign(1 + static_cast<size_t>(rFields.GetSize()), 0);
    f.payload[0] = static_cast<uint8_t>(nStatus);
    std::copy(rFields.GetData(), rFields.GetData() + rFields.GetSize(), f.payload.begin() + 1);
    return wire::Encode(f);
}

void ScriptedTransport::OnRequest(const wire::Frame& rFrame, int nDisEnable)
{
    maSent.push_back({rFrame.message, rFrame.payload, nDisEnable});
    if (maScript.empty()) {
        if (maFallback) {
            MyMemoryBlock req(rFrame.payload.data(), static_cast<long>(rFrame.payload.size()));
            MyMemoryBlock rep;
            if (maFallback(rFrame.message, req, rep)) {
                wire::Frame f;
                f.kind = wire::Kind::Reply;
                f.message = rFrame.message;
                f.sequence = rFrame.sequence;
                f.payload = Bytes(rep);
                Push(wire::Encode(f));
            }
        }
        return;
    }
    Answer a = std::move(maScript.front());
    maScript.pop_front();
    switch (a.kind) {
    case Answer::Fields: {
        MyMemoryBlock fields(a.bytes.data(), static_cast<long>(a.bytes.size()));
        Push(ReplyFrame(rFrame.message, rFrame.sequence, a.status, fields));
        break;
    }
    case Answer::None:
        break;
    case Answer::Raw:
        Push(a.bytes);
        break;
    case Answer::Built:
        Push(a.build(rFrame.sequence));
        break;
    case Answer::Close:
        mbClosed = true;
        break;
    }
}

void ScriptedTransport::Push(const std::vector<uint8_t>& rBytes)
{
    size_t done = 0;
    while (done < rBytes.size()) {
        ssize_t w = ::write(mnWriteFd, rBytes.data() + done, rBytes.size() - done);
        if (w <= 0)
            return;
        done += static_cast<size_t>(w);
    }
}

void ScriptedTransport::SendUnsolicited(int nMessage, const MyMemoryBlock& rPayload)
{
    wire::Frame f;
    f.kind = wire::Kind::Unsolicited;
    f.message = static_cast<uint16_t>(nMessage);
    f.sequence = 0;
    f.payload = Bytes(rPayload);
    Push(wire::Encode(f));
}

void ScriptedTransport::SendRaw(const std::vector<uint8_t>& rBytes)
{
    Push(rBytes);
}

std::vector<int> ScriptedTransport::SentNumbers() const
{
    std::vector<int> v;
    for (const auto& s : maSent)
        v.push_back(s.message);
    return v;
}

std::vector<std::pair<int, int>> ScriptedTransport::SentDisEnables() const
{
    std::vector<std::pair<int, int>> v;
    for (const auto& s : maSent)
        v.emplace_back(s.message, s.disEnable);
    return v;
}

} // namespace testenv

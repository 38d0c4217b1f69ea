// Unsolicited instrument messages reach their Link handlers from the event
// loop, also from the nested loop of a modal dialog, and never from inside
// an exchange.
#include "qel/Channel.hpp"
#include "qel/PostOffice.hpp"
#include "qel/WireFrame.hpp"
#include "sv/Application.hpp"
#include "sv/ModalDialog.hpp"
#include "sv/ScriptedResponder.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<uint8_t> Frame(wire::Kind k, uint16_t msg, uint16_t seq, std::vector<uint8_t> payload)
{
    wire::Frame f;
    f.kind = k;
    f.message = msg;
    f.sequence = seq;
    f.payload = std::move(payload);
    return wire::Encode(f);
}

// The instrument end of a socket pair: answers every request with status 0;
// before the answer it sends an unsolicited message 43 when asked to.
class Peer {
public:
    Peer()
    {
        int sv[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
        mnFd = sv[1];
        PostOffice::Instance()->Attach(std::make_unique<FdChannel>(sv[0], "test socket"));
        maThread = std::thread([this] { Run(); });
    }
    ~Peer()
    {
        PostOffice::Instance()->Close();
        maThread.join();
        close(mnFd);
    }
    void SendUnsolicited(uint16_t msg)
    {
        auto b = Frame(wire::Kind::Unsolicited, msg, 0, {1, 2});
        EXPECT_EQ(write(mnFd, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    }
    std::atomic<bool> mbUnsolicitedBeforeReply{false};

private:
    void Run()
    {
        wire::FrameParser parser;
        uint8_t buf[512];
        for (;;) {
            ssize_t n = read(mnFd, buf, sizeof buf);
            if (n <= 0)
                return;
            parser.Feed(buf, static_cast<size_t>(n));
            wire::Frame f;
            while (parser.Next(f)) {
                if (mbUnsolicitedBeforeReply)
                    SendUnsolicited(43);
                auto b = Frame(wire::Kind::Reply, f.message, f.sequence, {0});
                if (write(mnFd, b.data(), b.size()) < 0)
                    return;
            }
        }
    }
    int mnFd = -1;
    std::thread maThread;
};

bool gInExchange = false;

struct Recorder : LinkHdl {
    int nCalls = 0;
    int nInsideExchange = 0;
    long Hdl(MyMemoryBlock*)
    {
        ++nCalls;
        if (gInExchange)
            ++nInsideExchange;
        return 0;
    }
};

unsigned char Exchange(int nMsg)
{
    MyMemoryBlock req, reply;
    gInExchange = true;
    unsigned char ok = PostOffice::Instance()->SendAndReceive(0, nMsg, req, reply, DE_NORMAL);
    gInExchange = false;
    return ok;
}

// A dialog that takes over message 81 while it exists and ends on it, giving
// the previous handler back when it goes (so such dialogs nest).
class KeyDialog : public ModalDialog {
public:
    KeyDialog() : ModalDialog(nullptr, WinBits(0))
    {
        Link h = LINK(this, KeyDialog, KeyHdl);
        maOld = PostOffice::Instance()->ChangeMessageHdl(81, h, 0);
    }
    ~KeyDialog() override { PostOffice::Instance()->ChangeMessageHdl(81, maOld, 1); }
    long KeyHdl(MyMemoryBlock*)
    {
        ++mnKeys;
        EndDialog(1);
        return 0;
    }
    Link maOld;
    int mnKeys = 0;
};

TEST(MessageDispatch, NeverInsideAnExchangeButRightAfterIt)
{
    Peer peer;
    Recorder rec;
    Link h = LINK(&rec, Recorder, Hdl);
    Link old = PostOffice::Instance()->ChangeMessageHdl(43, h, 0);
    peer.mbUnsolicitedBeforeReply = true;
    ASSERT_EQ(Exchange(28), 1);
    EXPECT_EQ(rec.nCalls, 0) << "queued during the exchange, not handled in it";
    ASSERT_EQ(Exchange(15), 1);
    Application::Reschedule();
    EXPECT_EQ(rec.nCalls, 2);
    EXPECT_EQ(rec.nInsideExchange, 0);
    PostOffice::Instance()->ChangeMessageHdl(43, old, 1);
}

TEST(MessageDispatch, HandlersRunFromTheDialogLoopAndNest)
{
    Peer peer;
    ASSERT_EQ(Exchange(8), 1);  // the link is watched from the event loop from now on
    ScriptedResponder r;
    ScopedResponder use(r);
    Recorder base;
    Link h = LINK(&base, Recorder, Hdl);
    Link before = PostOffice::Instance()->ChangeMessageHdl(81, h, 0);

    int innerKeys = -1;
    short innerResult = -1;
    KeyDialog outer;
    r.QueueDialogAction([&](ModalDialog&) {
        {
            KeyDialog inner;
            r.QueueDialogAction([&](ModalDialog&) { peer.SendUnsolicited(81); });
            innerResult = inner.Execute();
            innerKeys = inner.mnKeys;
        }
        // The inner dialog gave message 81 back to the outer one.
        peer.SendUnsolicited(81);
    });
    EXPECT_EQ(outer.Execute(), 1);
    EXPECT_EQ(innerResult, 1);
    EXPECT_EQ(innerKeys, 1);
    EXPECT_EQ(outer.mnKeys, 1);
    EXPECT_EQ(base.nCalls, 0);
    EXPECT_FALSE(r.Dialogs()[0].bTimedOut);

    PostOffice::Instance()->ChangeMessageHdl(81, before, 1);
}

TEST(MessageDispatch, ExchangeInsideADialogDefersTheMessageToTheLoop)
{
    Peer peer;
    ScriptedResponder r;
    ScopedResponder use(r);
    struct Ender : LinkHdl {
        ModalDialog* pDlg = nullptr;
        bool bInside = false;
        long Hdl(MyMemoryBlock*)
        {
            bInside = gInExchange;
            pDlg->EndDialog(43);
            return 0;
        }
    } ender;
    ModalDialog dlg(nullptr, WinBits(0));
    ender.pDlg = &dlg;
    Link h = LINK(&ender, Ender, Hdl);
    Link old = PostOffice::Instance()->ChangeMessageHdl(43, h, 0);
    peer.mbUnsolicitedBeforeReply = true;
    r.QueueDialogAction([&](ModalDialog& d) {
        EXPECT_EQ(Exchange(28), 1);
        EXPECT_TRUE(d.IsInExecute()) << "the message waits for the loop";
    });
    EXPECT_EQ(dlg.Execute(), 43);
    EXPECT_FALSE(ender.bInside);
    PostOffice::Instance()->ChangeMessageHdl(43, old, 1);
}

} // namespace

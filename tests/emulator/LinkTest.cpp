// The in-process endpoint: frames, faults on the wire, reconnects.
#include "EmuTestUtil.hpp"

#include "vxnemu/EmulatorEndpoint.hpp"

#include "qel/MyMemoryBlock.hpp"
#include "qel/PostOffice.hpp"

#include <gtest/gtest.h>

using namespace vxnemu;
using namespace emutest;

namespace {

class EmuLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetEmulators();
        String err;
        mpChannel = OpenEmulatorChannel("profile=vxn-table", err);
        ASSERT_TRUE(mpChannel) << err.str();
        mpLink = std::make_unique<FrameLink>(*mpChannel);
    }
    void TearDown() override
    {
        mpLink.reset();
        mpChannel.reset();
        ResetEmulators();
    }

    std::unique_ptr<Channel> mpChannel;
    std::unique_ptr<FrameLink> mpLink;
};

} // namespace

TEST_F(EmuLink, RequestsAndControlLinesAreAnsweredWithTheirSequence)
{
    auto r = mpLink->Request(8);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, wire::Kind::Reply);
    EXPECT_EQ(r->message, 8);
    EXPECT_EQ(r->sequence, mpLink->Sequence());
    EXPECT_EQ(r->payload, (Bytes{0, 0x63, 0x01, 0, 0}));

    auto c = mpLink->Control("filter 3");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->message, 0);
    EXPECT_EQ(c->sequence, mpLink->Sequence());
    EXPECT_EQ(c->payload.at(0), 0);
    EXPECT_EQ(IntAt(mpLink->Payload(26), 17), 3);
    EXPECT_GT(mpLink->ControlStatus("nonsense"), 0);
}

TEST_F(EmuLink, RefuseDropCorruptOnTheWire)
{
    ASSERT_EQ(mpLink->ControlStatus("refuse 13 4"), 0);
    EXPECT_EQ(mpLink->Payload(13), Bytes{4});
    EXPECT_EQ(mpLink->Payload(13).size(), 5u);

    ASSERT_EQ(mpLink->ControlStatus("drop 9"), 0);
    EXPECT_FALSE(mpLink->Request(9, {}, 100)) << "no answer";
    EXPECT_TRUE(mpLink->Request(9)) << "only the next one is dropped";

    ASSERT_EQ(mpLink->ControlStatus("corrupt 8"), 0);
    size_t before = mpLink->Discarded();
    EXPECT_FALSE(mpLink->Request(8, {}, 100)) << "a bad CRC makes the parser throw the frame away";
    EXPECT_GT(mpLink->Discarded(), before);
    EXPECT_EQ(mpLink->Payload(8).at(0), 0);
}

TEST_F(EmuLink, DelayedReplyArrivesLaterWithoutBlockingTheWriter)
{
    ASSERT_EQ(mpLink->ControlStatus("delay 26 150"), 0);
    ASSERT_TRUE(mpLink->Send(wire::Kind::Request, 26, 77, {}));
    EXPECT_FALSE(mpLink->Next(0)) << "not readable at once";
    auto r = mpLink->Next(3000);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->sequence, 77);
    // A reply that follows a delayed one does not overtake it.
    ASSERT_TRUE(mpLink->Send(wire::Kind::Request, 26, 78, {}));
    ASSERT_TRUE(mpLink->Send(wire::Kind::Request, 8, 79, {}));
    auto first = mpLink->Next(3000), second = mpLink->Next(3000);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->sequence, 78);
    EXPECT_EQ(second->sequence, 79);
}

// Whether a key is reported at all (82 and 83) is the instrument's own test;
// here the frame and its way out of an exchange.
TEST_F(EmuLink, KeyFramesAreUnsolicitedAndReadableOnTheDescriptor)
{
    ASSERT_TRUE(mpLink->Request(82));
    ASSERT_EQ(mpLink->ControlStatus("key"), 0);
    auto u = mpLink->Next(1000);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->kind, wire::Kind::Unsolicited);
    EXPECT_EQ(u->message, 81);
    EXPECT_EQ(u->sequence, 0);

    // Pressed from outside any exchange, the frame still becomes readable.
    EXPECT_EQ(EmulatorControl("vxn-table", "key 2").status, 0);
    auto u2 = mpLink->Next(1000);
    ASSERT_TRUE(u2);
    EXPECT_EQ(u2->message, 81);
    EXPECT_EQ(u2->payload.at(0), 2);
}

TEST_F(EmuLink, DisconnectClosesTheLinkAndTheInstrumentSurvives)
{
    ASSERT_EQ(mpLink->ControlStatus("filter 5"), 0);
    ASSERT_TRUE(mpLink->Control("disconnect")) << "the answer comes before the close";
    EXPECT_FALSE(mpLink->Next(200));
    EXPECT_TRUE(mpLink->Closed());
    EXPECT_FALSE(mpLink->Request(8, {}, 50));

    String err;
    auto again = OpenEmulatorChannel("profile=vxn-table", err);
    ASSERT_TRUE(again);
    EXPECT_EQ(IntAt(FrameLink(*again).Payload(26), 17), 5);
}

TEST(EmuEndpoint, PostOfficeReachesTheRegisteredEmulator)
{
    ResetEmulators();
    RegisterEmulatorEndpoint();
    PostOffice* po = PostOffice::Instance();
    po->SetEndpoint("emulator:profile=alttab,sw=198");
    MyMemoryBlock b;
    ASSERT_EQ(po->SendAndReceive(0, 8, b, b, DE_NORMAL), 1) << po->GetLastError().str();
    char status = 1;
    int sw = 0;
    b >> status >> sw;
    EXPECT_EQ(status, 0);
    EXPECT_EQ(sw, 198);

    String answer;
    EXPECT_EQ(po->Control("disconnect", answer), 0);
    MyMemoryBlock c;
    po->SendAndReceive(0, 13, c, c, DE_NORMAL); // may fail on the closed link
    MyMemoryBlock d;
    ASSERT_EQ(po->SendAndReceive(0, 13, d, d, DE_NORMAL), 1) << po->GetLastError().str();
    long type = 0;
    d >> status >> type;
    EXPECT_EQ(type, 65536);

    String err;
    EXPECT_FALSE(OpenEmulatorChannel("profile=nosuch", err));
    EXPECT_FALSE(err.IsEmpty());
    EXPECT_FALSE(OpenEmulatorChannel("sw=abc", err));
    po->SetEndpoint("emulator:");
    po->Close();
    ResetEmulators();
}

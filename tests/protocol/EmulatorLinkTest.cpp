// The instrument and table command sets end to end against vxn-emulator, over
// TCP and over a pseudo-terminal: what is downloaded is reported back, the
// spectra are the chart's, faults reach the library as failures. (Conditions
// downloaded and read back are in tests/library/VXNLibTest.cpp.)
#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"
#include "qelvxn/protocol/VXNProtokoll.hpp"
#include "support/Process.hpp"
#include "support/TestEnv.hpp"

#include "qel/PostOffice.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

struct LinkKind {
    const char* name;
    std::vector<std::string> args;
    std::string prefix;  // what turns the printed line into an endpoint
};

class EmulatorLinkTest : public ::testing::TestWithParam<LinkKind> {
protected:
    void SetUp() override
    {
        std::vector<std::string> args = GetParam().args;
        args.insert(args.end(), {"--profile", "vxn-table"});
        emu = std::make_unique<testenv::BackgroundProcess>(testenv::Program("vxn-emulator"), args);
        ASSERT_FALSE(emu->FirstLine().empty());
        PostOffice::Instance()->SetEndpoint(String(GetParam().prefix + emu->FirstLine()));
        PostOffice::Instance()->SetTimeout(2000);
    }
    void TearDown() override
    {
        PostOffice::Instance()->SetEndpoint(String("emulator:"));
        PostOffice::Instance()->SetTimeout(5000);
        emu.reset();
    }
    std::unique_ptr<testenv::BackgroundProcess> emu;
    VXNProtokoll p;
    TABLEWALKERProtokoll table;
};

TEST_P(EmulatorLinkTest, IdentityAndModel)
{
    EXPECT_EQ(p.GetDeviceType(), 1);
    EXPECT_EQ(p.GetSWVersion(), 355u);
    EXPECT_EQ(p.GetSerieNr(), String("100002"));
    EXPECT_EQ(p.GetDeviceName(), String("VXN 355 TW"));
    EXPECT_EQ(p.IsaVXN(), 1);
    EXPECT_EQ(p.IsaHuepointer(), 0);
    EXPECT_EQ(p.HasaTableWalker(), 1);
    EXPECT_TRUE(p.DeviceReady());
}

TEST_P(EmulatorLinkTest, ReferencesNamesAndTimesRoundTrip)
{
    float values[36];
    for (int i = 0; i < 36; ++i)
        values[i] = 0.01f * static_cast<float>(i);
    ASSERT_EQ(p.SpectrumDownload(static_cast<ValueType>(3), SPECT_REMISSION, values), 1);
    const short when[7] = {0, 5, 4, 3, 2, 1, 26};
    ASSERT_EQ(p.TimeDownload(static_cast<ValueType>(3), when), 1);
    short back[7] = {};
    ASSERT_EQ(p.TimeRequest(static_cast<ValueType>(3), back), 1);
    EXPECT_EQ(std::vector<short>(back, back + 7), std::vector<short>(when, when + 7));
    float got[36] = {};
    unsigned char flag = 0;
    ASSERT_EQ(p.SpectrumRequest(static_cast<ValueType>(3), SPECT_REMISSION, got, flag), 1);
    EXPECT_EQ(std::memcmp(got, values, sizeof got), 0);
}

TEST_P(EmulatorLinkTest, TableMovesAndTheChartUnderTheAperture)
{
    ASSERT_EQ(table.MoveAbsolut(REFERENCE_TABLE, 1000, 800), 1);
    unsigned short x = 0, y = 0;
    ZKoordTYPE z{};
    ASSERT_EQ(table.OutputActualPosition(REFERENCE_TABLE, x, y, z), 1);
    EXPECT_EQ(x, 1000);
    EXPECT_EQ(y, 800);
    // The first patch of the chart lies at (700..1060, 600..960).
    float first[36], white[36];
    ASSERT_EQ(table.GetSpectrumAtPos(880, 780, first), 1);
    ASSERT_EQ(table.MoveToWhiteRefPos(0), 1);
    ASSERT_EQ(table.GetSpectrumAtPos(200, 200, white), 1);
    EXPECT_LT(first[0], 0.2f);   // dark skin
    EXPECT_GT(white[20], 0.8f);  // white tile
    ASSERT_EQ(table.MoveUp(), 1);
    ASSERT_EQ(table.SetSpecialStatus(1), 1);
    unsigned char special = 0;
    ASSERT_EQ(table.OutputSpecialStatus(special), 1);
    EXPECT_NE(special, 0);
    ASSERT_EQ(table.ClearSpecialStatus(1), 1);
    char type[19] = {};
    EXPECT_EQ(table.OutputType(type), 1);
}

TEST_P(EmulatorLinkTest, FaultsBecomeFailures)
{
    ASSERT_EQ(emu->Command("refuse 13 7").rfind("0 ", 0), 0u);
    ASSERT_EQ(emu->Command("drop 8").rfind("0 ", 0), 0u);
    EXPECT_EQ(p.GetDeviceType(), 0);
    EXPECT_EQ(PostOffice::Instance()->GetLastRefusal().nStatus, 7);
    PostOffice::Instance()->SetTimeout(200);
    EXPECT_EQ(p.GetSWVersion(), 0u);  // dropped: times out
    PostOffice::Instance()->SetTimeout(2000);
    EXPECT_EQ(p.GetSWVersion(), 355u);  // and the link carries on
}

INSTANTIATE_TEST_SUITE_P(Links, EmulatorLinkTest,
                         ::testing::Values(LinkKind{"Tcp", {"--tcp", "127.0.0.1:0"}, ""},
                                           LinkKind{"PseudoTerminal", {"--pty"}, "serial:"}),
                         [](const ::testing::TestParamInfo<LinkKind>& i) { return std::string(i.param.name); });

TEST(Trace, EveryExchangeIsTraced)
{
    std::string path = testenv::OutputDir() + "/trace-test.log";
    std::remove(path.c_str());
    testenv::BackgroundProcess emu(testenv::Program("vxn-emulator"), {"--tcp", "127.0.0.1:0"});
    PostOffice* po = PostOffice::Instance();
    po->SetEndpoint(String(emu.FirstLine()));
    po->SetTrace(String(path));
    VXNProtokoll p;
    EXPECT_EQ(p.GetDeviceType(), 1);
    po->SetTrace(String());
    po->SetEndpoint(String("emulator:"));
    std::ifstream in(path);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_NE(line.find("msg=13"), std::string::npos) << line;
    EXPECT_NE(line.find("R: 00 01 00 00 00"), std::string::npos) << line;
}

} // namespace

// The library object: its lifetime in the singleton registry, the error box
// without it, the measuring preferences, the conditions request with the
// alternative-table adjustment and the Dxx temperature number (scripted and
// against the virtual instrument), and the hand-over to the colorimetry.
#include "ScriptedInstrument.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "support/ScriptedTransport.hpp"
#include "support/TestEnv.hpp"

#include "qel/AppConfig.hpp"
#include "qel/CMetry.hpp"
#include "sv/ScriptedResponder.hpp"
#include "vxnemu/EmulatorEndpoint.hpp"

#include <gtest/gtest.h>

namespace {

using libtest::Ints;
using testenv::ScriptedTransport;

// Each test starts with its own configuration file and a new library object,
// and leaves no object behind.
class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppConfig::SetPathName(String(testenv::FreshConfigPath()));
        pLib = VXNLib::CreateVXNLib(0);
        ASSERT_NE(pLib, nullptr);
    }
    void TearDown() override
    {
        if (VXNLib::mpInstance) {
            VXNLib* p = VXNLib::mpInstance;
            QelSingleton::Remove(p);
            delete p;
        }
    }
    VXNLib* pLib = nullptr;
};

TEST_F(LibraryTest, SecondCreateLeavesOneRegisteredInstance)
{
    size_t before = QelSingleton::Count();
    VXNLib* second = VXNLib::CreateVXNLib(7);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(QelSingleton::Count(), before);
    EXPECT_TRUE(QelSingleton::IsRegistered(second));
    EXPECT_EQ(static_cast<VXNLib*>(VXNLib::mpInstance), second);
    EXPECT_EQ(second->GetVXNLibType(), String("VXNLib"));
    EXPECT_EQ(second->GetCalFilter(), -1);
}

TEST_F(LibraryTest, DeletingTheInstanceEmptiesTheSlotAndInstanceShowsTheErrorBox)
{
    VXNLib* p = VXNLib::mpInstance;
    QelSingleton::Remove(p);
    delete p;
    EXPECT_EQ(VXNLib::mpInstance, nullptr);

    ScriptedResponder r;
    ScopedResponder use(r);
    r.QueueAnswer(RET_OK);
    EXPECT_EQ(VXNLib::Instance(), nullptr);
    ASSERT_EQ(r.Boxes().size(), 1u);
    libtest::ExpectBox(r, 0, MESSBOX_ERROR, 16, "Please create the VXNLib-Singleton first !");
    EXPECT_EQ(r.Boxes()[0].pParent, nullptr);
}

TEST_F(LibraryTest, RegistryDestroysNewestFirst)
{
    struct Probe : QelSingleton {
        std::vector<int>* log;
        int id;
        Probe(std::vector<int>* l, int i) : log(l), id(i) {}
        ~Probe() override { log->push_back(id); }
    };
    std::vector<int> log;
    // Take the library out so DestroyAll touches only the probes.
    VXNLib* lib = VXNLib::mpInstance;
    QelSingleton::Remove(lib);
    QelSingleton::Insert(new Probe(&log, 1));
    QelSingleton::Insert(new Probe(&log, 2));
    QelSingleton::DestroyAll();
    EXPECT_EQ(log, (std::vector<int>{2, 1}));
    QelSingleton::Insert(lib);
}

TEST_F(LibraryTest, PreferenceDefaults)
{
    ScriptedTransport t;
    t.Reply(Ints({1}));  // device type for GetCalibration
    EXPECT_EQ(pLib->GetVXNPort(), -1);
    EXPECT_EQ(pLib->GetVXNMeanCount(), 1);
    EXPECT_EQ(pLib->GetCalibration(), 1);
    EXPECT_EQ(pLib->GetMessenAmVXN(), 1);
    EXPECT_EQ(pLib->GetAutoZuordnung(), 1);
    EXPECT_EQ(pLib->GetColorSystem(), CTYPE_LAB);
}

TEST_F(LibraryTest, PreferencesRoundTripAsDecimalText)
{
    pLib->SetVXNPort(3);
    pLib->SetVXNMeanCount(5);
    pLib->SetMessenAmVXN(200);
    pLib->SetAutoZuordnung(0);
    pLib->SetColorSystem(CTYPE_LCH);
    AppConfig* cfg = AppConfig::Instance();
    EXPECT_EQ(cfg->ReadKey("VXN", "PORT"), String("3"));
    EXPECT_EQ(cfg->ReadKey("VXN", "MEAN"), String("5"));
    EXPECT_EQ(cfg->ReadKey("VXN", "MeasAtUnit"), String("200"));
    EXPECT_EQ(cfg->ReadKey("Settings", "ColorSystem"), String("2"));
    EXPECT_EQ(pLib->GetVXNPort(), 3);
    EXPECT_EQ(pLib->GetVXNMeanCount(), 5);
    EXPECT_EQ(pLib->GetMessenAmVXN(), 200);
    EXPECT_EQ(pLib->GetAutoZuordnung(), 0);

    cfg->WriteKey("VXN", "MeasAtUnit", "300");
    EXPECT_EQ(pLib->GetMessenAmVXN(), 44);  // the low byte
    cfg->WriteKey("Settings", "ColorSystem", "12");
    EXPECT_EQ(pLib->GetColorSystem(), CTYPE_LCHMG);  // read anew every time
}

TEST_F(LibraryTest, CalibrationIsOffForDeviceType2WithoutReadingTheSetting)
{
    AppConfig::Instance()->WriteKey("VXN", "Calibration", "1");
    ScriptedTransport t;
    t.Reply(Ints({2}));
    EXPECT_EQ(pLib->GetCalibration(), 0);
    EXPECT_EQ(t.SentNumbers(), std::vector<int>{13});
    t.Reply(Ints({1}));
    AppConfig::Instance()->WriteKey("VXN", "Calibration", "0");
    EXPECT_EQ(pLib->GetCalibration(), 0);
}

// Conditions request: the scripted instrument answers software version,
// conditions, device type and alternative-table flags.
struct AltCase {
    const char* name;
    int sw;
    int reportedIllum;
    int reportedDStd;
    unsigned char first;
    unsigned char flag;  // the flag at index reportedIllum (when 0..3)
    std::vector<int> messages;
    int illum;
    int dstd;
};

TEST_F(LibraryTest, AlternativeTableAdjustment)
{
    const AltCase cases[] = {
        {"sw198 sends no table request", 198, 2, 2, 1, 1, {8, 26, 13}, 2, 2},
        {"sw199 flag set adds four", 199, 2, 2, 0, 1, {8, 26, 13, 32}, 6, 2},
        {"sw199 flag clear keeps the code", 199, 2, 2, 0, 0, {8, 26, 13, 32}, 2, 2},
        {"illuminant outside 0..3 stays", 199, 8, 2, 0, 1, {8, 26, 13, 32}, 8, 2},
        {"density 0 with first byte becomes 8", 355, 0, 0, 1, 0, {8, 26, 13, 32}, 0, 8},
        {"density 1 with first byte stays", 355, 0, 1, 1, 0, {8, 26, 13, 32}, 0, 1},
    };
    for (const auto& c : cases) {
        ScriptedTransport t;
        t.Reply(Ints({c.sw}));
        t.Reply(Ints({c.reportedDStd, 1, c.reportedIllum, 0, 2}));
        t.Reply(Ints({65536}));
        MyMemoryBlock alt;
        unsigned char flags[4] = {};
        if (c.reportedIllum >= 0 && c.reportedIllum <= 3)
            flags[c.reportedIllum] = c.flag;
        alt << c.first;
        alt.Put(flags, 4);
        alt << static_cast<unsigned char>(0);
        t.Reply(alt);
        DStdType d{};
        StoredWBaseType w{};
        IllumType i{};
        ObserverType o{};
        ValueFilterType f{};
        EXPECT_EQ(pLib->ParameterRequest(d, w, i, o, f), 1) << c.name;
        EXPECT_EQ(t.SentNumbers(), c.messages) << c.name;
        EXPECT_EQ(i, c.illum) << c.name;
        EXPECT_EQ(d, c.dstd) << c.name;
    }
}

TEST_F(LibraryTest, ConditionsRequestFailures)
{
    {
        // Software version 0: the conditions are not even asked for.
        ScriptedTransport t;
        t.Reply(Ints({0}));
        DStdType d = DSTD_ANSI_A;
        StoredWBaseType w{};
        IllumType i{};
        ObserverType o{};
        ValueFilterType f{};
        EXPECT_EQ(pLib->ParameterRequest(d, w, i, o, f), 0);
        EXPECT_EQ(t.SentNumbers(), std::vector<int>{8});
        EXPECT_EQ(d, DSTD_ANSI_A);
    }
    {
        // A refused table request fails the whole request.
        ScriptedTransport t;
        t.Reply(Ints({199}));
        t.Reply(Ints({2, 1, 2, 0, 2}));
        t.Reply(Ints({65536}));
        t.ReplyStatus(1);
        MeasuringCondition m;
        EXPECT_EQ(pLib->ParameterRequest(m), 0);
    }
}

TEST_F(LibraryTest, DxxTemperatureNumberComesFromTheTable)
{
    ScriptedTransport t;
    t.Reply(Ints({355}));
    t.Reply(Ints({2, 1, 17, 1, 3}));
    t.Reply(Ints({1}));
    t.Reply(Ints({50}));
    MeasuringCondition m;
    EXPECT_EQ(pLib->ParameterRequest(m), 1);
    EXPECT_EQ(t.SentNumbers(), (std::vector<int>{8, 26, 13, 33}));
    EXPECT_EQ(t.Sent()[3].payload, libtest::IntBytes({97}));
    EXPECT_EQ(m.GetIllum().GetType(), 17);
    EXPECT_EQ(m.GetIllum().GetTempNr(), 50);
    EXPECT_EQ(m.GetObserver().GetType(), OBSERVER_10);
    EXPECT_EQ(m.GetFilter().GetType(), FILTER_D65);
    EXPECT_EQ(m.GetWBase().GetType(), WBASE_ABSOLUTE);

    // Any other illuminant carries 65; a failed table read fails the request.
    t.Reply(Ints({355}));
    t.Reply(Ints({2, 1, 3, 0, 2}));
    t.Reply(Ints({1}));
    EXPECT_EQ(pLib->ParameterRequest(m), 1);
    EXPECT_EQ(m.GetIllum().GetType(), ILLUM_D50);
    EXPECT_EQ(m.GetIllum().GetTempNr(), 65);

    t.Reply(Ints({355}));
    t.Reply(Ints({2, 1, 23, 0, 2}));
    t.Reply(Ints({1}));
    t.ReplyStatus(4);
    EXPECT_EQ(pLib->ParameterRequest(m), 0);
    EXPECT_EQ(m.GetIllum().GetType(), 23);
}

TEST_F(LibraryTest, AdaptCMetryUsesTheStoredSetWithWhiteBaseOne)
{
    AppConfig* cfg = AppConfig::Instance();
    cfg->WriteKey("VXNSettings", "Illumination", "Dxx");
    cfg->WriteKey("VXNSettings", "DxxTempNr", "93");
    cfg->WriteKey("VXNSettings", "Observer", "10");
    cfg->WriteKey("VXNSettings", "Filter", "M1");
    cfg->WriteKey("VXNSettings", "WhiteBase", "Pap");
    pLib->AdaptCMetry(nullptr);
    MeasuringCondition m = CMetry::GetMeasuringConditions();
    EXPECT_EQ(m.GetIllum().GetText(), String("D93"));
    EXPECT_EQ(m.GetObserver().GetType(), OBSERVER_10);
    EXPECT_EQ(m.GetFilter().GetType(), FILTER_M1);
    EXPECT_EQ(m.GetWBase().GetType(), WBASE_ABSOLUTE);

    ActualFilterClass uv(FILTER_UV);
    pLib->AdaptCMetry(&uv);
    EXPECT_EQ(CMetry::GetMeasuringConditions().GetFilter().GetType(), FILTER_UV);
    EXPECT_EQ(CMetry::GetMeasuringConditions().GetWBase().GetType(), WBASE_ABSOLUTE);
}

TEST_F(LibraryTest, ForwardingToTheTransport)
{
    ScriptedTransport t;
    t.Reply(Ints({9}));
    MyMemoryBlock b;
    b << 5;
    EXPECT_EQ(pLib->SendAndReceive(0, 77, b, b, DE_NORMAL), 1);
    EXPECT_EQ(t.SentNumbers(), std::vector<int>{77});
    struct H : LinkHdl {
        long On(void*) { return 0; }
    } h;
    Link l = LINK(&h, H, On);
    Link before = pLib->ChangeMessageHdl(81, l, 0);
    EXPECT_TRUE(pLib->ChangeMessageHdl(81, before, 1) == l);
    EXPECT_TRUE(PostOffice::Instance()->GetMessageHdl(81) == before);
}

// The same requests against the virtual instrument.
class LibraryOnEmulatorTest : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        vxnemu::RegisterEmulatorEndpoint();
        vxnemu::ResetEmulators();
    }
    void TearDown() override
    {
        PostOffice::Instance()->SetEndpoint(String("emulator:"));
        LibraryTest::TearDown();
    }
};

TEST_F(LibraryOnEmulatorTest, DownloadedDxxIlluminantComesBackWithItsNumber)
{
    PostOffice::Instance()->SetEndpoint(String("emulator:profile=vxn"));
    ASSERT_EQ(pLib->SetValNr(TABVALUE_DXX_FIRST, 93), 1);
    ASSERT_EQ(pLib->ParameterDownload(DSTD_ANSI_T, WBASE_PAPER, static_cast<IllumType>(16), OBSERVER_10), 1);
    MeasuringCondition m;
    ASSERT_EQ(pLib->ParameterRequest(m), 1);
    EXPECT_EQ(m.GetIllum().GetText(), String("D93"));
    EXPECT_EQ(m.GetObserver().GetType(), OBSERVER_10);
    EXPECT_EQ(m.GetDStd().GetType(), DSTD_ANSI_T);
    EXPECT_EQ(m.GetWBase().GetType(), WBASE_PAPER);
}

TEST_F(LibraryOnEmulatorTest, AlternativeTableProfileReportsTheVariant)
{
    PostOffice::Instance()->SetEndpoint(String("emulator:profile=alttab"));
    ASSERT_EQ(pLib->GetDeviceType(), 65536);
    ASSERT_GE(pLib->GetSWVersion(), 199u);
    ASSERT_EQ(pLib->ParameterDownload(DSTD_DIN, WBASE_ABSOLUTE, ILLUM_D65, OBSERVER_2), 1);
    MeasuringCondition m;
    ASSERT_EQ(pLib->ParameterRequest(m), 1);
    // The virtual instrument's alternative table for D65 is active: the
    // library reports the variant code.
    unsigned char first = 0, flags[4] = {}, third = 0;
    ASSERT_EQ(pLib->AltTabActivRequest(first, flags, third), 1);
    EXPECT_EQ(m.GetIllum().GetType(), flags[2] ? ILLUM_D65_ALT : ILLUM_D65);
}

} // namespace

// The virtual instrument's answers, message by message, without a link.
#include "EmuTestUtil.hpp"

#include "vxnemu/MeasValueText.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace vxnemu;
using namespace emutest;

namespace {

Instrument Make(const std::string& profile)
{
    const Profile* p = FindProfile(profile);
    EXPECT_NE(p, nullptr) << profile;
    return Instrument(*p);
}

std::vector<float> MeasuredSpectrum(Instrument& inst)
{
    EXPECT_EQ(Ask(inst, 28).Status(), 0);
    Answer a = Ask(inst, 15, Ints({9, 0}));
    EXPECT_EQ(a.Status(), 0);
    EXPECT_EQ(a.payload.size(), 1u + 144u + 1u);
    return Floats(a.Fields(), 0, 36);
}

std::vector<float> WhiteRef(Instrument& inst, int filter)
{
    Answer a = Ask(inst, 31);
    EXPECT_EQ(a.payload.size(), 1u + 432u);
    return Floats(a.Fields(), static_cast<size_t>(filter - 1) * 144, 36);
}

} // namespace

TEST(EmuInstrument, MalformedAndUnknownRequestsGetNonzeroStatus)
{
    struct Case {
        const char* profile;
        uint16_t msg;
        Bytes req;
        uint8_t status;
    };
    const Case cases[] = {
        {"vxn", 999, {}, 1},                       // unknown message
        {"vxn", 43, {}, 1},                        // only sent by the instrument
        {"vxn", 8, {0}, 2},                        // empty request expected
        {"vxn", 27, Ints({2, 1, 2}), 2},           // four longs expected
        {"vxn", 15, Ints({9}), 2},                 // value and spectrum type
        {"vxn", 48, {}, 2},                        // DeviceReady carries a char
        {"vxn", 48, {0}, 0},
        {"vxn", 42, Ints({3, 0}), 2},              // 36 floats missing
        {"vxn", 51, Ints({0, 10, 10}), 1},         // no table attached
        {"vxn-table", 72, Ints({1}), 2},           // SetSpecialStatus is a short
        {"vxn-table", 72, {1, 0}, 0},
        {"vxn-table", 73, {1, 0}, 2},              // ClearSpecialStatus an int
        {"vxn-table", 51, Ints({2, 10, 10}), 1},   // unknown reference system
        {"vxn-table", 51, Ints({0, 7000, 10}), 1}, // beyond the travel
        {"vxn", 125, Bytes(13 + 4 + 100), 2},      // block must be 512 bytes
        {"vxn", 109, Bytes(200, 'A'), 2},          // path longer than 128
        {"vxn", 22, Ints({120}), 0},
        {"alttab", 22, Ints({120}), 1},            // 18-character names from 355 on
    };
    for (const Case& c : cases) {
        Instrument inst = Make(c.profile);
        Answer a = Ask(inst, c.msg, c.req);
        EXPECT_EQ(a.Status(), c.status) << c.profile << " message " << c.msg;
        if (c.status != 0) {
            EXPECT_EQ(a.payload.size(), 1u) << "a refused request carries no fields: " << c.msg;
        }
    }
}

TEST(EmuInstrument, ProfilesAnswerTheirModelQueries)
{
    struct Case {
        const char* profile;
        int32_t deviceType, sw;
        uint8_t table, huepointer;
        int32_t control155;
    };
    const Case cases[] = {
        {"vxn", 1, 355, 0, 0, 156},          {"vxn-table", 1, 355, 1, 0, 157},
        {"huepointer", 1048576, 355, 0, 1, 156}, {"alttab", 65536, 199, 0, 0, 156},
        {"type2", 2, 355, 0, 0, 156},        {"type32", 32, 355, 0, 0, 156},
        {"type4194304", 4194304, 355, 1, 0, 156},
    };
    for (const Case& c : cases) {
        Instrument inst = Make(c.profile);
        EXPECT_EQ(IntAt(Ask(inst, 13).Fields()), c.deviceType) << c.profile;
        EXPECT_EQ(IntAt(Ask(inst, 8).Fields()), c.sw) << c.profile;
        EXPECT_EQ(Ask(inst, 94).Fields(), Bytes{c.table}) << c.profile;
        EXPECT_EQ(Ask(inst, 97).Fields(), Bytes{1}) << c.profile;
        EXPECT_EQ(Ask(inst, 100).Fields(), Bytes{c.huepointer}) << c.profile;
        EXPECT_EQ(IntAt(Ask(inst, 37, Ints({155})).Fields()), c.control155) << c.profile;
        Answer name = Ask(inst, 14);
        ASSERT_GE(name.payload.size(), 3u);
        EXPECT_EQ(name.payload[1] | (name.payload[2] << 8), static_cast<int>(name.payload.size()) - 3);
    }
}

TEST(EmuInstrument, ReportsTheConditionsLastDownloaded)
{
    Instrument inst = Make("vxn");
    auto conditions = [&] { return IntsOf(Ask(inst, 26).Fields(), 0, 5); };
    EXPECT_EQ(conditions(), (std::vector<int32_t>{2, 1, 2, 0, 2}));
    EXPECT_EQ(Ask(inst, 27, Ints({1, 0, 18, 1})).Status(), 0);
    EXPECT_EQ(conditions(), (std::vector<int32_t>{1, 0, 18, 1, 2}));
    // Out-of-range codes and alternative-table illuminants are refused and change nothing.
    for (auto bad : {Ints({4, 0, 2, 0}), Ints({0, 2, 2, 0}), Ints({0, 0, 36, 0}), Ints({0, 0, 13, 0}),
                     Ints({0, 0, 2, 2}), Ints({0, 0, 5, 0})})
        EXPECT_EQ(Ask(inst, 27, bad).Status(), 1);
    EXPECT_EQ(conditions(), (std::vector<int32_t>{1, 0, 18, 1, 2}));

    // Dxx temperature numbers per code: table values 96..103.
    for (int tv = 96; tv <= 103; ++tv)
        EXPECT_EQ(IntAt(Ask(inst, 33, Ints({tv})).Fields()), 65);
    EXPECT_EQ(Ask(inst, 34, Ints({96, 50})).Status(), 0);
    EXPECT_EQ(IntAt(Ask(inst, 33, Ints({96})).Fields()), 50);
    EXPECT_EQ(IntAt(Ask(inst, 33, Ints({97})).Fields()), 65);
    EXPECT_EQ(Ask(inst, 33, Ints({104})).Status(), 1);

    EXPECT_EQ(Ask(inst, 32).Fields(), (Bytes{0, 0, 0, 0, 0, 0}));
    Instrument alt = Make("alttab");
    EXPECT_EQ(Ask(alt, 27, Ints({2, 1, 6, 0})).Status(), 0);
    EXPECT_EQ(Ask(alt, 32).Fields(), (Bytes{1, 1, 1, 1, 1, 6}));
}

TEST(EmuInstrument, FilterFollowsFilterDownloadOnlyWhereMotorised)
{
    struct Case {
        const char* profile;
        int32_t wanted;
        uint8_t answer;
        int32_t filterAfter;
    };
    const Case cases[] = {
        {"vxn", 8, 0, 2},   {"vxn", 2, 0, 2},     {"type2", 8, 1, 8},       {"type2", 9, 1, 9},
        {"type2", 2, 0, 7}, {"huepointer", 3, 1, 3}, {"type4194304", 7, 0, 2},
    };
    for (const Case& c : cases) {
        Instrument inst = Make(c.profile);
        EXPECT_EQ(Ask(inst, 101, Ints({c.wanted})).Fields(), Bytes{c.answer}) << c.profile << " " << c.wanted;
        EXPECT_EQ(IntAt(Ask(inst, 26).Fields(), 16), c.filterAfter) << c.profile << " " << c.wanted;
    }
    // Elsewhere the operator changes it.
    Instrument inst = Make("vxn");
    EXPECT_EQ(inst.Control("filter 3").status, 0);
    EXPECT_EQ(IntAt(Ask(inst, 26).Fields(), 16), 3);
}

TEST(EmuInstrument, MeasuresTheSampleUnderTheHead)
{
    Instrument inst = Make("vxn");
    Answer before = Ask(inst, 15, Ints({9, 0}));
    EXPECT_EQ(before.payload.back(), 0) << "no measurement yet";
    EXPECT_EQ(MeasuredSpectrum(inst), ToVector(inst.GetChart().WhiteTile()));
    EXPECT_EQ(Ask(inst, 15, Ints({9, 0})).payload.back(), 1);
    for (int n : {1, 13, 24}) {
        ASSERT_EQ(inst.Control("sample " + std::to_string(n)).status, 0);
        EXPECT_EQ(MeasuredSpectrum(inst), ToVector(inst.GetChart().Patch(n))) << n;
    }
    ASSERT_EQ(inst.Control("sample blue sky").status, 0);
    EXPECT_EQ(inst.Sample(), 3);
    EXPECT_EQ(inst.Control("sample 25").status, 1);
    EXPECT_EQ(inst.Control("sample neutral").status, 1) << "several patches match";
}

TEST(EmuInstrument, WhiteCalibrationIsKeptPerFilterAndDrifts)
{
    Instrument inst = Make("vxn");
    const auto white = ToVector(inst.GetChart().WhiteTile());
    const auto black = ToVector(inst.GetChart().Patch(24));
    EXPECT_EQ(WhiteRef(inst, 1), white);

    // Calibrating filter 1 on the wrong tile stores that tile for filter 1 only.
    inst.Control("filter 1");
    inst.Control("sample 24");
    EXPECT_EQ(Ask(inst, 29).Status(), 0);
    EXPECT_EQ(WhiteRef(inst, 1), black);
    EXPECT_EQ(WhiteRef(inst, 2), white);
    EXPECT_EQ(WhiteRef(inst, 3), white);

    // Drift: each measurement since a filter's calibration darkens its reference.
    inst.Control("sample 19");
    ASSERT_EQ(inst.Control("white-drift 0.01").status, 0);
    for (int i = 0; i < 5; ++i)
        MeasuredSpectrum(inst);
    std::vector<float> drifted = WhiteRef(inst, 2);
    for (size_t i = 0; i < 36; ++i)
        EXPECT_NEAR(drifted[i], white[i] * 0.95f, 1e-5f);
    // A fresh measurement of the white tile now differs clearly from it.
    EXPECT_EQ(MeasuredSpectrum(inst), white);
    // Calibrating filter 2 brings its reference back.
    inst.Control("filter 2");
    EXPECT_EQ(Ask(inst, 29).Status(), 0);
    EXPECT_EQ(WhiteRef(inst, 2), white);
}

TEST(EmuInstrument, ReferencesDirectAndSelected)
{
    Instrument inst = Make("vxn");
    EXPECT_EQ(Ask(inst, 42, RampRequest(64)).Status(), 1) << "value 64 needs a selected reference";
    EXPECT_EQ(Ask(inst, 40, Ints({68, 10})).Status(), 0);
    EXPECT_EQ(IntAt(Ask(inst, 20, Ints({68})).Fields()), 10);
    EXPECT_EQ(Ask(inst, 42, RampRequest(64)).Status(), 0);
    Answer back = Ask(inst, 15, Ints({64, 0}));
    EXPECT_EQ(Floats(back.Fields(), 0, 36)[35], 0.35f);
    EXPECT_EQ(back.payload.back(), 1);
    EXPECT_EQ(Ask(inst, 15, Ints({3, 0})).payload.back(), 0) << "slot 3 is empty";

    EXPECT_EQ(Ask(inst, 19, NameRequest(3, "SAMPLE ONE")).Status(), 0);
    EXPECT_EQ(Ask(inst, 18, Ints({3, 0, 5, 4, 3, 2, 1, 99})).Status(), 0);
    EXPECT_EQ(IntsOf(Ask(inst, 17, Ints({3})).Fields(), 0, 7), (std::vector<int32_t>{0, 5, 4, 3, 2, 1, 99}));

    // Memory: in use plus free is the total; references count 160 bytes each.
    auto size = [&](int vt) { return Floats(Ask(inst, 16, Ints({vt, 48})).Fields(), 0, 1)[0]; };
    EXPECT_EQ(size(25) + size(27), 131072.0f);
    EXPECT_EQ(size(26), 320.0f);
    EXPECT_EQ(Ask(inst, 16, Ints({27, 47})).Status(), 1);
}

TEST(EmuInstrument, GuidesCanBeCreatedDownloadedAndDeleted)
{
    Instrument inst = Make("vxn");
    EXPECT_EQ(IntAt(Ask(inst, 24, Ints({124})).Fields()), 3);
    EXPECT_EQ(IntAt(Ask(inst, 20, Ints({30})).Fields()), 2);
    EXPECT_EQ(Ask(inst, 23, Ints({120})).Status(), 1) << "guide 0 is in ROM";

    Answer nu = Ask(inst, 38, Cat(Ints({-1}), Shorts({2, 100}))); // 2 blocks and 100 bytes
    ASSERT_EQ(nu.payload.size(), 1u + 2 + 4 + 4);
    EXPECT_EQ(nu.payload[1], 1);
    int guide = IntAt(nu.Fields(), 2);
    EXPECT_EQ(guide, 3);

    auto block = [&](int k, int count) {
        Answer a = Ask(inst, 39, Cat(Cat(Ints({guide}), Shorts({k, count})), Bytes(512, 0xAB)));
        EXPECT_EQ(a.Status(), 0);
        return IntAt(a.Fields());
    };
    EXPECT_EQ(block(0, 512), 0);
    EXPECT_EQ(block(2, 512), 2) << "block 1 skipped";
    EXPECT_EQ(block(1, 512), 0);
    EXPECT_EQ(block(2, 100), 0);
    EXPECT_EQ(block(3, 600), 4);
    EXPECT_EQ(Ask(inst, 25, Ints({120, guide})).Status(), 0);
    EXPECT_EQ(Floats(Ask(inst, 16, Ints({120, 48})).Fields(), 0, 1)[0], 1124.0f);
    Answer name18 = Ask(inst, 22, Ints({120}));
    EXPECT_EQ(name18.payload.size(), 1u + 19u);
    EXPECT_EQ(name18.payload.back(), 0);

    EXPECT_EQ(Ask(inst, 23, Ints({120})).Status(), 0);
    EXPECT_EQ(IntAt(Ask(inst, 24, Ints({124})).Fields()), 3);
    EXPECT_EQ(Ask(inst, 25, Ints({120, 3})).Status(), 1);
}

TEST(EmuInstrument, ControlCommandsAndTheirAnswers)
{
    struct Case {
        const char* line;
        uint8_t status;
        const char* inState; // text the state line must then contain ("" none)
    };
    const Case cases[] = {
        {"filter 9", 0, "filter=9"},         {"filter 12", 1, "filter=2"},
        {"sample 7", 0, "sample=7 (orange)"}, {"sample nothing", 1, "sample=19"},
        {"white-drift 0.02", 0, "drift=0.02"}, {"white-drift -1", 1, "drift=0 "},
        {"measure-control 157", 0, "mc155=157"}, {"sw-version 198", 0, "sw=198"},
        {"realistic on", 0, "realistic=1"},  {"profile type2", 0, "profile=type2"},
        {"profile nosuch", 1, "profile=vxn"}, {"state", 0, "profile=vxn"},
        {"refuse 8 3", 0, ""}, {"refuse 8 0", 1, ""}, {"drop 8", 0, ""}, {"corrupt x", 1, ""},
        {"delay 28 50", 0, ""}, {"key", 0, ""}, {"key 0", 1, ""}, {"help", 0, ""}, {"frobnicate", 1, ""}, {"", 1, ""},
        {"head 10 10", 1, ""}, // no table on this profile
    };
    for (const Case& c : cases) {
        Instrument inst = Make("vxn");
        ControlAnswer a = inst.Control(c.line);
        EXPECT_EQ(a.status, c.status) << c.line << ": " << a.text;
        EXPECT_FALSE(a.text.empty()) << c.line;
        if (*c.inState) {
            EXPECT_NE(inst.StateLine().find(c.inState), std::string::npos) << c.line << " -> " << inst.StateLine();
        }
    }
}

TEST(EmuInstrument, FaultsApplyOnceToTheirMessage)
{
    Instrument inst = Make("vxn");
    inst.Control("refuse 8 3");
    inst.Control("drop 13");
    inst.Control("corrupt 9");
    inst.Control("delay 26 40");
    EXPECT_EQ(Ask(inst, 9).Status(), 0) << "faults are per message";
    EXPECT_EQ(inst.Handle(9, {}).fate, Reply::Fate::Answer) << "corrupt was used up by the first 9";
    EXPECT_EQ(inst.Handle(8, {}).payload, Bytes{3});
    EXPECT_EQ(inst.Handle(8, {}).payload.size(), 5u);
    EXPECT_EQ(inst.Handle(13, {}).fate, Reply::Fate::Drop);
    EXPECT_EQ(inst.Handle(13, {}).fate, Reply::Fate::Answer);
    EXPECT_EQ(inst.Handle(26, {}).delayMs, 40);
    EXPECT_EQ(inst.Handle(26, {}).delayMs, 40) << "a delay stays until set to 0";
    inst.Control("corrupt 28");
    Reply r = inst.Handle(28, {});
    EXPECT_EQ(r.fate, Reply::Fate::Corrupt);
    EXPECT_NE(inst.StateLine().find("measurements=1"), std::string::npos) << "a corrupted reply was carried out";
}

TEST(EmuInstrument, KeyIsReportedOnlyBetween82And83)
{
    Instrument inst = Make("vxn-table");
    inst.Control("key");
    EXPECT_TRUE(inst.TakeUnsolicited().empty());
    EXPECT_EQ(Ask(inst, 82).Status(), 0);
    inst.Control("key 2 250");
    auto u = inst.TakeUnsolicited();
    ASSERT_EQ(u.size(), 1u);
    EXPECT_EQ(u[0].message, 81);
    EXPECT_EQ(u[0].payload, (Bytes{2, 250, 0, 0, 0}));
    EXPECT_EQ(Ask(inst, 83).Status(), 0);
    inst.Control("key");
    EXPECT_TRUE(inst.TakeUnsolicited().empty());

    // The table remembers presses: status bit 1 until cleared, last key.
    EXPECT_EQ(Ask(inst, 70).Fields()[0] & 0x01, 0x01);
    EXPECT_EQ(Ask(inst, 71, Ints({1})).Status(), 0);
    EXPECT_EQ(Ask(inst, 70).Fields()[0] & 0x01, 0);
    EXPECT_EQ(Ask(inst, 69).Fields(), (Bytes{1, 100, 0, 0, 0}));
    EXPECT_EQ(Ask(inst, 68).Fields(), (Bytes{1, 100, 0, 0, 0}));
    EXPECT_EQ(Ask(inst, 68).Fields(), (Bytes{0, 0, 0, 0, 0}));
}

TEST(EmuInstrument, MeasurementAtTheUnitIsSentAsText)
{
    Instrument inst = Make("vxn");
    inst.Control("sample 2");
    inst.Control("filter 3");
    EXPECT_EQ(IntsOf(Ask(inst, 35).Fields(), 0, 2), (std::vector<int32_t>{0, 9}));
    std::time_t before = std::time(nullptr);
    ASSERT_EQ(inst.Control("measure-at-unit").status, 0);
    std::time_t after = std::time(nullptr);
    auto u = inst.TakeUnsolicited();
    ASSERT_EQ(u.size(), 1u);
    EXPECT_EQ(u[0].message, 43);
    int32_t n = IntAt(u[0].payload);
    ASSERT_EQ(static_cast<size_t>(n) + 4, u[0].payload.size());
    std::string text(u[0].payload.begin() + 4, u[0].payload.end());
    bool same = false;
    for (std::time_t t = before; t <= after && !same; ++t)
        same = text == FormatMeasValue(inst.GetChart().Patch(2), 3, 1, inst.GetChart().Name(2), t);
    EXPECT_TRUE(same) << text;
    EXPECT_EQ(text.rfind("Version=2\n[MeasValue]\nName=" + inst.GetChart().Name(2) + "\nCreated=", 0), 0u) << text;
    EXPECT_NE(text.find("\nM_Cond=D65\tAbs\nRemission="), std::string::npos) << text;
    EXPECT_EQ(IntsOf(Ask(inst, 35).Fields(), 0, 2), (std::vector<int32_t>{1, 9}));
    EXPECT_EQ(IntsOf(Ask(inst, 35).Fields(), 0, 2), (std::vector<int32_t>{0, 9}));
    // The same value is the last measurement.
    Answer a = Ask(inst, 15, Ints({9, 0}));
    EXPECT_EQ(Floats(a.Fields(), 0, 36), ToVector(inst.GetChart().Patch(2)));
}

TEST(EmuInstrument, FormattedRemissionReadsBackExactly)
{
    Spectrum36 s;
    for (size_t i = 0; i < 36; ++i)
        s[i] = 1.0f / static_cast<float>(i + 3);
    std::string text = FormatMeasValue(s, 2, 0, "sample", 0);
    std::string nums = text.substr(text.find("Remission=") + 10);
    std::istringstream in(nums);
    for (size_t i = 0; i < 36; ++i) {
        double d = 0;
        ASSERT_TRUE(in >> d);
        EXPECT_EQ(static_cast<float>(d), s[i]);
    }
}

TEST(EmuInstrument, ArbitraryRequestsNeverBreakIt)
{
    // Every message number with payloads of many lengths and arbitrary
    // bytes: the answer is always a status (and fields after status 0).
    Instrument inst = Make("vxn-table");
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    for (uint16_t msg = 0; msg <= 130; ++msg) {
        for (size_t len : {0, 1, 2, 3, 4, 7, 8, 12, 13, 17, 21, 30, 148, 152, 529, 600}) {
            Bytes req(len);
            for (auto& b : req)
                b = next();
            Reply r = inst.Handle(msg, req);
            ASSERT_FALSE(r.payload.empty()) << msg;
            EXPECT_LE(r.payload[0], 2) << msg;
            EXPECT_LE(r.payload.size(), 4096u) << msg;
            if (r.payload[0] != 0) {
                EXPECT_EQ(r.payload.size(), 1u) << msg;
            }
        }
    }
    EXPECT_NE(inst.StateLine().find("profile=vxn-table"), std::string::npos);
}

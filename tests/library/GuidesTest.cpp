// Guides and device memory over the scripted transport: the exact requests of
// every operation on software versions 349, 350, 354 and 355 (fixed answers
// without a command where the instrument is too old), the lock bracket and
// its release on every failure after a successful lock, and the block-wise
// guide download with its progress, abort, closing block and beep.
#include "ScriptedInstrument.hpp"

#include "qelvxn/library/LibraryTexts.hpp"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

using namespace libtest;

// Guide answers on top of the measuring instrument.
struct GuideInstrument {
    FakeInstrument* base = nullptr;
    short guides = 5, romGuides = 3, selected = 4;
    std::string name = "GUIDE NAME 18 CHR";
    std::vector<int> dateTime = {0, 5, 4, 3, 2, 1, 2024};
    float freeMem = 1000.0f, usedMem = 24.0f, refMem = 320.0f, guideSize = 1300.0f;
    std::set<int> silent;               // messages that get no reply
    std::map<int, int> guideStatus;     // block index -> u answered by message 39
    std::map<int, int> refuseBlock;     // block index -> refused with status 1
    int failNth = -1;                   // this request (counted from 0) fails ...
    bool failSilent = false;            // ... with no reply, else refused
    int seen = 0;

    std::function<bool(int, MyMemoryBlock&, MyMemoryBlock&)> Answer()
    {
        auto fallback = base->Answer();
        return [this, fallback](int msg, MyMemoryBlock& req, MyMemoryBlock& rep) {
            if (seen++ == failNth) {
                if (failSilent)
                    return false;
                rep << static_cast<char>(1);
                return true;
            }
            if (silent.count(msg))
                return false;
            if (base->refuse.count(msg) || !std::set<int>{16, 17, 20, 21, 22, 24, 38, 39}.count(msg))
                return fallback(msg, req, rep);
            int a = 0, b = 0;
            switch (msg) {
            case 24:
                req >> a;
                rep << static_cast<char>(0) << static_cast<int>(a == 124 ? guides : selected);
                return true;
            case 20:
                rep << static_cast<char>(0) << static_cast<int>(romGuides);
                return true;
            case 21:
            case 22: {
                char raw[19] = {};
                std::memcpy(raw, name.data(), std::min<size_t>(name.size(), msg == 21 ? 16 : 18));
                rep << static_cast<char>(0);
                rep.Put(raw, msg == 21 ? 17 : 19);
                return true;
            }
            case 17:
                rep << static_cast<char>(0);
                for (int v : dateTime)
                    rep << v;
                return true;
            case 16: {
                req >> a >> b;
                float v = a == 27 ? freeMem : a == 25 ? usedMem : a == 26 ? refMem : guideSize;
                rep << static_cast<char>(0);
                rep.Put(&v, 4);
                rep << static_cast<unsigned char>(0);
                return true;
            }
            case 38: {
                unsigned char flags[2] = {1, 0};
                rep << static_cast<char>(0);
                rep.Put(flags, 2);
                rep << 7 << 200;
                return true;
            }
            case 39: {
                short head[2] = {};
                req >> a;
                req.Get(head, 4);
                if (refuseBlock.count(head[0])) {
                    rep << static_cast<char>(1);
                    return true;
                }
                rep << static_cast<char>(0) << (guideStatus.count(head[0]) ? guideStatus[head[0]] : 0);
                return true;
            }
            default:
                return false;
            }
        };
    }
};

class GuidesTest : public ScriptedLibraryTest {
protected:
    void SetUp() override
    {
        ScriptedLibraryTest::SetUp();
        guide.base = &dev;
        t->maFallback = guide.Answer();
    }
    GuideInstrument guide;
};

// One expected request: message number and payload.
struct Req {
    int msg;
    std::vector<uint8_t> payload;
};
Req R(int msg, std::initializer_list<int> ints = {}) { return {msg, testenv::Bytes(Ints(ints))}; }
Req Name17(int valueType, const char* pText)
{
    MyMemoryBlock b;
    b << valueType;
    char raw[17] = {};
    std::memcpy(raw, pText, 16);
    b.Put(raw, 17);
    return {19, testenv::Bytes(b)};
}

struct Outcome {
    long result = 0;
    std::string text;
    std::vector<double> numbers;
};
template <class... N>
Outcome Numbers(long r, N... n) { return Outcome{r, "", {static_cast<double>(n)...}}; }

struct OpCase {
    const char* name;
    std::function<Outcome(VXNLib&)> call;
    // Expected requests and outcome by software version.
    std::function<std::vector<Req>(int sw)> requests;
    std::function<Outcome(int sw)> expected;
};

const Req SW = R(8), LOCK = R(2), UNLOCK = R(3);

// Before version 355 only the version is asked for.
std::function<std::vector<Req>(int)> From355(std::vector<Req> v)
{
    return [v](int sw) { return sw < 355 ? std::vector<Req>{SW} : v; };
}
std::function<std::vector<Req>(int)> Always(std::vector<Req> v) { return [v](int) { return v; }; }
std::function<Outcome(int)> Is(Outcome o) { return [o](int) { return o; }; }
// The answer before 355, then from 355 on.
std::function<Outcome(int)> Before355(double old, double now) { return [=](int sw) { return Numbers(1, sw < 355 ? old : now); }; }

std::vector<OpCase> Operations()
{
    return {
        {"GetAnzahlGuides", [](VXNLib& l) { short n = -1; long r = l.GetAnzahlGuides(n); return Numbers(r, n); },
         [](int sw) { return sw >= 350 && sw < 355 ? std::vector<Req>{SW} : std::vector<Req>{SW, R(24, {124})}; },
         [](int sw) { return Numbers(1, sw >= 350 && sw < 355 ? 2 : 5); }},
        {"GetAnzahlROMGuides", [](VXNLib& l) { short n = -1; long r = l.GetAnzahlROMGuides(n); return Numbers(r, n); },
         From355({SW, R(20, {30})}), Before355(2, 3)},
        {"GetGuideName", [](VXNLib& l) { String s("old"); long r = l.GetGuideName(s, 3); return Outcome{r, s.str(), {}}; },
         [](int sw) { return std::vector<Req>{SW, LOCK, R(25, {120, 3}), R(sw < 355 ? 21 : 22, {120}), UNLOCK}; },
         [](int sw) { return Outcome{1, sw < 355 ? "GUIDE NAME 18 CH" : "GUIDE NAME 18 CHR", {}}; }},
        {"SetGuideNamePadsShortNames", [](VXNLib& l) { return Numbers(l.SetGuideName(String("Proof"), 4)); },
         Always({LOCK, R(25, {120, 4}), Name17(120, "Proof           "), UNLOCK}), Is(Numbers(1))},
        {"SetGuideNameCutsLongNames", [](VXNLib& l) { return Numbers(l.SetGuideName(String("ABCDEFGHIJKLMNOPQRST"), 4)); },
         Always({LOCK, R(25, {120, 4}), Name17(120, "ABCDEFGHIJKLMNOP"), UNLOCK}), Is(Numbers(1))},
        {"GetGuideDate",
         [](VXNLib& l) {
             short d[7] = {-1, -1, -1, -1, -1, -1, -1};
             long r = l.GetGuideDate(2, d);
             return Numbers(r, d[0], d[1], d[2], d[3], d[4], d[5], d[6]);
         },
         From355({SW, LOCK, R(25, {120, 2}), R(17, {120}), UNLOCK}),
         [](int sw) { return sw < 355 ? Numbers(1, 0, 0, 0, 0, 12, 12, 1993) : Numbers(1, 0, 5, 4, 3, 2, 1, 2024); }},
        {"GetGuideSize", [](VXNLib& l) { float f = -1; long r = l.GetGuideSize(2, f); return Numbers(r, f); },
         From355({SW, LOCK, R(25, {120, 2}), R(16, {120, 48}), UNLOCK}), Before355(0, 1300)},
        {"GetSelectedGuide", [](VXNLib& l) { short n = -1; long r = l.GetSelectedGuide(n); return Numbers(r, n); },
         Always({R(24, {120})}), Is(Numbers(1, 4))},
        {"SetSelectedGuide", [](VXNLib& l) { return Numbers(l.SetSelectedGuide(6)); }, Always({R(25, {120, 6})}),
         Is(Numbers(1))},
        {"DeleteGuide", [](VXNLib& l) { return Numbers(l.DeleteGuide(3)); },
         Always({LOCK, R(25, {120, 3}), R(23, {120}), UNLOCK}), Is(Numbers(1))},
        {"NewGuide",
         [](VXNLib& l) {
             short head[2] = {2, 276}, s = 0;
             unsigned char buf[2] = {9, 9};
             unsigned short u = 0;
             long r = l.NewGuide(5, head, buf, s, u);
             return Numbers(r, buf[0], buf[1], s, u);
         },
         [](int) {
             MyMemoryBlock b;
             short head[2] = {2, 276};
             b << 5;
             b.Put(head, 4);
             return std::vector<Req>{{38, testenv::Bytes(b)}};
         },
         Is(Numbers(1, 1, 0, 7, 200))},
        {"GetFreeMemorySize", [](VXNLib& l) { float f = -1; long r = l.GetFreeMemorySize(f); return Numbers(r, f); },
         From355({SW, R(16, {27, 48})}), Before355(0, 1000)},
        {"GetTotalRAMSize", [](VXNLib& l) { float f = -1; long r = l.GetTotalRAMSize(f); return Numbers(r, f); },
         From355({SW, LOCK, R(16, {27, 48}), R(16, {25, 48}), UNLOCK}), Before355(0, 1024)},
        {"GetMemorySizeOfRefAndSpl",
         [](VXNLib& l) { float f = -1; long r = l.GetMemorySizeOfRefAndSpl(f); return Numbers(r, f); },
         From355({SW, R(16, {26, 48})}), Before355(0, 320)},
        {"GetSerialNumberOfDeviceSendsNothing", [](VXNLib& l) { long n = 0; return Numbers(l.GetSerialNumberOfDevice(n)); },
         Always({}), Is(Numbers(0))},
    };
}

TEST_F(GuidesTest, EveryOperationSendsItsRequestsOnEachSoftwareVersion)
{
    for (const OpCase& op : Operations()) {
        for (int sw : {349, 350, 354, 355}) {
            SCOPED_TRACE(std::string(op.name) + " sw " + std::to_string(sw));
            dev.sw = sw;
            t->ClearSent();
            Outcome got = op.call(*pLib);
            Outcome want = op.expected(sw);
            std::vector<Req> reqs = op.requests(sw);
            ASSERT_EQ(Sent().size(), reqs.size()) << ::testing::PrintToString(Sent());
            for (size_t i = 0; i < reqs.size(); ++i) {
                EXPECT_EQ(t->Sent()[i].message, reqs[i].msg) << "request " << i;
                EXPECT_EQ(t->Sent()[i].payload, reqs[i].payload) << "request " << i;
            }
            EXPECT_EQ(got.result, want.result);
            EXPECT_EQ(got.text, want.text);
            ASSERT_EQ(got.numbers.size(), want.numbers.size());
            for (size_t i = 0; i < want.numbers.size(); ++i)
                EXPECT_DOUBLE_EQ(got.numbers[i], want.numbers[i]) << "value " << i;
        }
    }
}

// A fault at the lock and at every step after it, in turn: the operation
// fails and sends nothing after the failing step but, once it holds the lock,
// the unlock. (A refused lock counts as taken; a lost reply does not.)
TEST_F(GuidesTest, EveryFailureFromTheLockOnUnlocksWhatWasLocked)
{
    dev.sw = 355;
    for (const OpCase& op : Operations()) {
        std::vector<Req> reqs = op.requests(355);
        auto lock = std::find_if(reqs.begin(), reqs.end(), [](const Req& r) { return r.msg == 2; });
        for (auto step = lock; step != reqs.end() && step->msg != 3; ++step) {
            for (bool silent : {false, true}) {
                if (step == lock && !silent)
                    continue;
                SCOPED_TRACE(std::string(op.name) + " fails at request " + std::to_string(step - reqs.begin()) +
                             (silent ? " (no reply)" : " (refused)"));
                guide.failNth = static_cast<int>(step - reqs.begin());
                guide.failSilent = silent;
                guide.seen = 0;
                t->ClearSent();
                EXPECT_EQ(op.call(*pLib).result, 0);
                guide.failNth = -1;
                Seq want;
                for (auto it = reqs.begin(); it != step + 1; ++it)
                    want.push_back(it->msg);
                if (step != lock)
                    want.push_back(3);
                EXPECT_EQ(Sent(), want);
            }
        }
    }
}

// ---- guide download ---------------------------------------------------------

// A temporary file with the given bytes, open for reading at its start.
struct TempFile {
    std::FILE* f = std::tmpfile();
    explicit TempFile(const std::vector<uint8_t>& rBytes)
    {
        if (!rBytes.empty())
            std::fwrite(rBytes.data(), 1, rBytes.size(), f);
        std::fflush(f);
        lseek(Fd(), 0, SEEK_SET);
    }
    ~TempFile() { std::fclose(f); }
    int Fd() const { return fileno(f); }
};

std::vector<uint8_t> Pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i * 7 + 3);
    return v;
}

// One sent block: guide, header and the 512 bytes.
struct Block {
    int guide = 0;
    short index = 0, count = 0;
    std::vector<uint8_t> data;
};
Block Decode(const std::vector<uint8_t>& p)
{
    Block b;
    EXPECT_EQ(p.size(), 4u + 4u + 512u);
    if (p.size() != 520)
        return b;
    std::memcpy(&b.guide, p.data(), 4);
    std::memcpy(&b.index, p.data() + 4, 2);
    std::memcpy(&b.count, p.data() + 6, 2);
    b.data.assign(p.begin() + 8, p.end());
    return b;
}

struct DownloadCase {
    size_t size;
    std::vector<std::pair<short, short>> headers;
    std::vector<double> progress;
};

// Records the progress dialog's texts.
struct Titles : ScriptedResponder {
    std::vector<std::pair<std::string, std::string>> shown;
    int ended = 0;
    void ProgressBegin(ProgressState& r) override
    {
        shown.emplace_back(r.aTitle.str(), r.aText.str());
        ScriptedResponder::ProgressBegin(r);
    }
    void ProgressEnd(ProgressState&) override { ++ended; }
};

TEST_F(GuidesTest, GuideFilesGoInFullBlocksAndAClosingBlock)
{
    const DownloadCase cases[] = {
        {1300, {{0, 512}, {1, 512}, {2, 276}}, {1.0 / 3, 2.0 / 3, 1.0}},
        {1024, {{0, 512}, {1, 512}, {2, 0}}, {1.0 / 3, 2.0 / 3, 1.0}},
        {100, {{0, 100}}, {1.0}},
        {0, {{0, 0}}, {1.0}},
    };
    for (const DownloadCase& c : cases) {
        SCOPED_TRACE("file of " + std::to_string(c.size) + " bytes");
        Titles progress;
        ScopedResponder use(progress);
        t->ClearSent();
        std::vector<uint8_t> file = Pattern(c.size);
        TempFile f(file);
        EXPECT_EQ(pLib->GuideDownload(nullptr, 6, f.Fd()), 1);

        Seq want = {2};
        want.insert(want.end(), c.headers.size(), 39);
        want.push_back(3);
        EXPECT_EQ(Sent(), want);
        std::vector<uint8_t> buffer(512, 0); // what the library's block buffer holds
        for (size_t i = 0; i < c.headers.size(); ++i) {
            Block b = Decode(PayloadOfNth(39, static_cast<int>(i)));
            EXPECT_EQ(b.guide, 6);
            EXPECT_EQ(b.index, c.headers[i].first);
            EXPECT_EQ(b.count, c.headers[i].second);
            // The valid bytes are the file's; the rest are what the buffer
            // held from the block before.
            std::copy_n(file.begin() + static_cast<long>(i) * 512, b.count, buffer.begin());
            EXPECT_EQ(b.data, buffer) << "block " << i;
        }
        ASSERT_EQ(progress.ProgressSteps().size(), c.progress.size());
        for (size_t i = 0; i < c.progress.size(); ++i)
            EXPECT_NEAR(progress.ProgressSteps()[i], c.progress[i], 1e-9);
        EXPECT_EQ(progress.Beeps(), std::vector<int>{0});
        using Shown = std::vector<std::pair<std::string, std::string>>;
        EXPECT_EQ(progress.shown, (Shown{{vxntext::Get(vxntext::GUIDE_PROGRESS_TITLE).str(),
                                          vxntext::Get(vxntext::GUIDE_PROGRESS_TEXT).str()}}));
        EXPECT_EQ(progress.ended, 1);
    }
}

struct StopCase {
    const char* name;
    std::function<void(GuideInstrument&, ScriptedResponder&)> arrange;
    Seq sent;
};

TEST_F(GuidesTest, AStoppedDownloadFailsUnlocksAndDoesNotBeep)
{
    const StopCase cases[] = {
        {"abort after the first block", [](GuideInstrument&, ScriptedResponder& r) { r.SetAbortProgressAt(1); }, {2, 39, 3}},
        {"abort at the closing block", [](GuideInstrument&, ScriptedResponder& r) { r.SetAbortProgressAt(4); },
         {2, 39, 39, 39, 39, 3}},
        {"second block refused", [](GuideInstrument& g, ScriptedResponder&) { g.refuseBlock[1] = 1; }, {2, 39, 39, 3}},
        {"instrument reports memory full", [](GuideInstrument& g, ScriptedResponder&) { g.guideStatus[0] = 3; }, {2, 39, 3}},
        {"closing block refused", [](GuideInstrument& g, ScriptedResponder&) { g.refuseBlock[3] = 1; },
         {2, 39, 39, 39, 39, 3}},
        {"no reply to a block", [](GuideInstrument& g, ScriptedResponder&) { g.silent.insert(39); }, {2, 39, 3}},
        {"lock fails", [](GuideInstrument& g, ScriptedResponder&) { g.silent.insert(2); }, {2}},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        guide.refuseBlock.clear();
        guide.guideStatus.clear();
        guide.silent.clear();
        ScriptedResponder progress;
        ScopedResponder use(progress);
        c.arrange(guide, progress);
        t->ClearSent();
        TempFile f(Pattern(3 * 512 + 10));
        EXPECT_EQ(pLib->GuideDownload(nullptr, 6, f.Fd()), 0);
        EXPECT_EQ(Sent(), c.sent);
        EXPECT_TRUE(progress.Beeps().empty());
    }
}

} // namespace

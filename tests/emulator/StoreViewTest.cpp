// The virtual instrument's file store as one view of its memory: guides and
// references show as files, changes made on either side show on the other,
// and files take the same memory that guides and references take.
#include "EmuTestUtil.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vxnemu;
using namespace emutest;

namespace {

constexpr float MEMORY_TOTAL = 131072.0f;
enum : uint8_t { DONE = 0, NOT_FOUND = 1, CONFLICT = 2, FULL = 3, BAD_NAME = 4, READ_ONLY = 5 };

Bytes Name13(const std::string& s)
{
    Bytes b(s.begin(), s.end());
    b.resize(13, 0);
    return b;
}

// The file-store messages, each answering its result byte (255 when the
// status was not 0).
struct Disk {
    Instrument& inst;

    uint8_t Result(const Answer& a) const { return a.Status() != 0 || a.payload.size() < 2 ? 255 : a.payload[1]; }
    uint8_t Cd(const std::string& path) { return Result(Ask(inst, 113, Text(path))); }
    std::vector<std::string> Ls()
    {
        Answer count = Ask(inst, 120, Bytes{0, 0});
        EXPECT_EQ(Result(count), DONE);
        std::vector<std::string> names;
        for (uint16_t i = 0; i < count.payload[2] + 256 * count.payload[3]; ++i) {
            Answer e = Ask(inst, 121, Bytes{static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8)});
            std::string n(e.payload.begin() + 2, e.payload.begin() + 15);
            names.push_back(n.substr(0, n.find('\0')));
        }
        return names;
    }
    struct Stat {
        uint8_t result = 255;
        int32_t size = -1;
        Bytes date, time;
        uint8_t attr = 0;
    };
    Stat Status(const std::string& name)
    {
        Answer a = Ask(inst, 119, Cat(Name13(name), Ints({0})));
        EXPECT_EQ(a.payload.size(), 1u + 1 + 4 + 4 + 3 + 1);
        Stat s;
        s.result = Result(a);
        s.size = IntAt(a.Fields(), 1);
        s.date.assign(a.payload.begin() + 6, a.payload.begin() + 10);
        s.time.assign(a.payload.begin() + 10, a.payload.begin() + 13);
        s.attr = a.payload.back();
        return s;
    }
    uint8_t Create(const std::string& name, int type, int size)
    {
        return Result(Ask(inst, 122, Cat(Name13(name), Ints({type, size}))));
    }
    uint8_t Open(const std::string& name, int access) { return Result(Ask(inst, 123, Cat(Name13(name), Ints({access})))); }
    uint8_t Close(const std::string& name) { return Result(Ask(inst, 124, Name13(name))); }
    uint8_t WriteBlock(const std::string& name, int k, const uint8_t* p, size_t n)
    {
        Bytes req = Cat(Name13(name), Ints({k}));
        req.insert(req.end(), p, p + n);
        req.resize(13 + 4 + 512, 0);
        return Result(Ask(inst, 125, req));
    }
    // As `vxn fs put` does it: the first result that is not DONE.
    uint8_t Put(const std::string& name, const Bytes& data)
    {
        if (uint8_t r = Create(name, 1, static_cast<int>(data.size())))
            return r;
        if (uint8_t r = Open(name, 1))
            return r;
        for (size_t k = 0; k * 512 < data.size(); ++k)
            if (uint8_t r = WriteBlock(name, static_cast<int>(k), data.data() + k * 512,
                                       std::min<size_t>(512, data.size() - k * 512)))
                return r;
        return Close(name);
    }
    Bytes Get(const std::string& name)
    {
        Stat st = Status(name);
        EXPECT_EQ(st.result, DONE) << name;
        EXPECT_EQ(Open(name, 0), DONE) << name;
        Bytes data;
        for (int k = 0; static_cast<int32_t>(data.size()) < st.size; ++k) {
            Answer a = Ask(inst, 126, Cat(Cat(Name13(name), Ints({k})), Bytes(512, 0)));
            EXPECT_EQ(Result(a), DONE) << name << " block " << k;
            if (Result(a) != DONE)
                break;
            data.insert(data.end(), a.payload.begin() + 2, a.payload.begin() + 2 + 512);
            const bool last = (k + 1) * 512 >= st.size;
            EXPECT_EQ(a.payload.back(), last ? 1 : 0) << "last-block flag of block " << k;
            if (last) {
                const long used = st.size - k * 512;
                EXPECT_EQ(Bytes(a.payload.begin() + 2 + used, a.payload.begin() + 2 + 512), Bytes(512 - used, 0))
                    << "the rest of the last block is zeros";
            }
        }
        data.resize(static_cast<size_t>(std::max(0, st.size)));
        EXPECT_EQ(Close(name), DONE) << name;
        return data;
    }
};

Instrument Make()
{
    return Instrument(*FindProfile("vxn"));
}

float Memory(Instrument& inst, int vt)
{
    Answer a = Ask(inst, 16, Ints({vt, 48}));
    EXPECT_EQ(a.Status(), 0);
    return Floats(a.Fields(), 0, 1)[0];
}

int GuideCount(Instrument& inst)
{
    return IntAt(Ask(inst, 24, Ints({124})).Fields());
}

std::string GuideName(Instrument& inst, int g)
{
    EXPECT_EQ(Ask(inst, 25, Ints({120, g})).Status(), 0);
    Bytes f = Ask(inst, 21, Ints({120})).Fields();
    std::string s(f.begin(), f.end());
    s = s.substr(0, s.find('\0'));
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

uint8_t SetGuideName(Instrument& inst, int g, const std::string& name)
{
    EXPECT_EQ(Ask(inst, 25, Ints({120, g})).Status(), 0);
    return Ask(inst, 19, NameRequest(120, name)).Status();
}

// The guide-download messages: a new RAM guide of these bytes.
int DownloadGuide(Instrument& inst, const Bytes& data)
{
    const int blocks = static_cast<int>(data.size() / 512), last = static_cast<int>(data.size() % 512);
    Answer nu = Ask(inst, 38, Cat(Ints({-1}), Shorts({blocks, last})));
    EXPECT_EQ(nu.payload.at(1), 1) << "room for the guide";
    int g = IntAt(nu.Fields(), 2);
    for (int k = 0; k <= blocks; ++k) {
        int count = k < blocks ? 512 : last;
        Bytes b = Cat(Ints({g}), Shorts({k, count}));
        b.insert(b.end(), data.begin() + k * 512, data.begin() + k * 512 + count);
        b.resize(8 + 512, 0);
        EXPECT_EQ(IntAt(Ask(inst, 39, b).Fields()), 0) << "block " << k;
    }
    return g;
}

Bytes Pattern(size_t n, uint8_t seed)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}

} // namespace

TEST(EmuStoreView, GuideFileNamesAreDerivedFromGuideNames)
{
    struct Case {
        std::vector<std::string> guides;
        std::vector<std::string> files;
    } cases[] = {
        {{"ROM PRINT", "USER GUIDE"}, {"ROMPRINT.GDE", "USERGU~1.GDE"}},
        {{"blue.ink"}, {"BLUEINK.GDE"}},
        {{"NEW GUIDE", "NEW GUIDE", "NEWGUIDE"}, {"NEWGUIDE.GDE", "NEWGUI~1.GDE", "NEWGUI~2.GDE"}},
        {{"", "\xC3\xA4\xC3\xB6 ", "GUIDE"}, {"GUIDE.GDE", "GUIDE~1.GDE", "GUIDE~2.GDE"}},
        {{"SPOT~1"}, {"SPOT~1.GDE"}}, // a file name written back stays the same
        {std::vector<std::string>(11, "LONG NAME"),
         {"LONGNAME.GDE", "LONGNA~1.GDE", "LONGNA~2.GDE", "LONGNA~3.GDE", "LONGNA~4.GDE", "LONGNA~5.GDE",
          "LONGNA~6.GDE", "LONGNA~7.GDE", "LONGNA~8.GDE", "LONGNA~9.GDE", "LONGN~10.GDE"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StoreView::ShortNames(c.guides), c.files) << c.guides.front();
}

TEST(EmuStoreView, GuidesAreListedWithTheirSizesDatesAndProtection)
{
    Instrument inst = Make();
    Disk disk{inst};
    ASSERT_EQ(disk.Cd("\\GUIDES"), DONE);
    EXPECT_EQ(disk.Ls(), (std::vector<std::string>{"ROMSTA~1.GDE", "ROMPRINT.GDE", "USERGU~1.GDE"}));
    struct Case {
        std::string name;
        int32_t size;
        Bytes date, time;
        uint8_t attr;
    } cases[] = {
        {"ROMSTA~1.GDE", 2048, {12, 12, 93, 0}, {0, 0, 0}, 0x21},
        {"ROMPRINT.GDE", 2048, {12, 12, 93, 0}, {0, 0, 0}, 0x21},
        {"USERGU~1.GDE", 1000, {1, 6, 98, 0}, {10, 15, 30}, 0x20},
    };
    for (const Case& c : cases) {
        Disk::Stat st = disk.Status(c.name);
        EXPECT_EQ(st.result, DONE) << c.name;
        EXPECT_EQ(st.size, c.size) << c.name;
        EXPECT_EQ(st.date, c.date) << c.name;
        EXPECT_EQ(st.time, c.time) << c.name;
        EXPECT_EQ(st.attr, c.attr) << c.name;
    }
    EXPECT_EQ(disk.Get("ROMPRINT.GDE"), Bytes(2048, 1));
    EXPECT_EQ(disk.Get("USERGU~1.GDE"), Bytes(1000, 0x55));
}

TEST(EmuStoreView, GuideCommandsShowInTheFileStore)
{
    Instrument inst = Make();
    Disk disk{inst};
    ASSERT_EQ(disk.Cd("\\GUIDES"), DONE);
    Bytes data = Pattern(1300, 3);
    int g = DownloadGuide(inst, data);
    ASSERT_EQ(SetGuideName(inst, g, "Spot colours"), 0);
    EXPECT_EQ(disk.Ls().back(), "SPOTCO~1.GDE");
    EXPECT_EQ(disk.Get("SPOTCO~1.GDE"), data);

    ASSERT_EQ(SetGuideName(inst, 2, "Blue"), 0);
    EXPECT_EQ(disk.Status("USERGU~1.GDE").result, NOT_FOUND) << "the old name is gone";
    EXPECT_EQ(disk.Status("BLUE.GDE").size, 1000);

    ASSERT_EQ(Ask(inst, 25, Ints({120, 2})).Status(), 0);
    ASSERT_EQ(Ask(inst, 23, Ints({120})).Status(), 0);
    EXPECT_EQ(disk.Ls(), (std::vector<std::string>{"ROMSTA~1.GDE", "ROMPRINT.GDE", "SPOTCO~1.GDE"}));
}

TEST(EmuStoreView, FileStoreChangesReachTheGuides)
{
    const std::vector<std::string> all{"ROM STANDARD", "ROM PRINT", "USER GUIDE"}, roms{"ROM STANDARD", "ROM PRINT"};
    struct Case {
        const char* what;
        bool rename;
        std::string path, newName;
        uint8_t result;
        std::vector<std::string> guidesAfter;
    } cases[] = {
        {"RAM guide deleted", false, "C:\\GUIDES\\USERGU~1.GDE", "", DONE, roms},
        {"relative path", false, "\\GUIDES\\usergu~1.gde", "", DONE, roms},
        {"ROM guide kept", false, "C:\\GUIDES\\ROMPRINT.GDE", "", READ_ONLY, all},
        {"no such guide", false, "C:\\GUIDES\\NONE.GDE", "", NOT_FOUND, all},
        {"RAM guide renamed", true, "C:\\GUIDES\\USERGU~1.GDE", "BLUE.GDE", DONE, {"ROM STANDARD", "ROM PRINT", "BLUE"}},
        {"ROM guide not renamed", true, "C:\\GUIDES\\ROMPRINT.GDE", "BLUE.GDE", READ_ONLY, all},
        {"name taken", true, "C:\\GUIDES\\USERGU~1.GDE", "ROMPRINT.GDE", CONFLICT, all},
        {"not a guide file", true, "C:\\GUIDES\\USERGU~1.GDE", "BLUE.TXT", BAD_NAME, all},
    };
    for (const Case& c : cases) {
        Instrument inst = Make();
        FileStore& store = inst.Files().Store();
        EXPECT_EQ(c.rename ? store.Rename(c.path, c.newName) : store.Remove(c.path), c.result) << c.what;
        std::vector<std::string> names;
        for (int g = 0; g < GuideCount(inst); ++g)
            names.push_back(GuideName(inst, g));
        EXPECT_EQ(names, c.guidesAfter) << c.what;
    }
}

TEST(EmuStoreView, DeletingAnotherGuideKeepsTheSelection)
{
    Instrument inst = Make();
    int g = DownloadGuide(inst, Pattern(10, 1));
    ASSERT_EQ(SetGuideName(inst, g, "LAST"), 0); // leaves guide 3 selected
    ASSERT_EQ(inst.Files().Store().Remove("C:\\GUIDES\\USERGU~1.GDE"), DONE);
    EXPECT_EQ(IntAt(Ask(inst, 24, Ints({120})).Fields()), 2);
    Bytes f = Ask(inst, 21, Ints({120})).Fields();
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "LAST");
}

TEST(EmuStoreView, WritingAGuideFileAddsOrReplacesAGuide)
{
    struct Case {
        std::string file;
        size_t size;
        uint8_t result;
        int guides;            // after the write
        std::string guideName; // of the guide holding the bytes
    } cases[] = {
        {"NEWONE.GDE", 700, DONE, 4, "NEWONE"},
        {"EMPTY.GDE", 0, DONE, 4, "EMPTY"},
        {"USERGU~1.GDE", 300, DONE, 3, "USER GUIDE"},
        {"ROMPRINT.GDE", 300, READ_ONLY, 3, ""},
        {"NOTES.TXT", 300, BAD_NAME, 3, ""},
    };
    for (const Case& c : cases) {
        Instrument inst = Make();
        Disk disk{inst};
        ASSERT_EQ(disk.Cd("\\GUIDES"), DONE);
        Bytes data = Pattern(c.size, 9);
        EXPECT_EQ(disk.Put(c.file, data), c.result) << c.file;
        EXPECT_EQ(GuideCount(inst), c.guides) << c.file;
        if (c.result != DONE)
            continue;
        std::vector<std::string> listed = disk.Ls();
        auto at = std::find(listed.begin(), listed.end(), c.file);
        ASSERT_NE(at, listed.end()) << c.file;
        int g = static_cast<int>(at - listed.begin());
        EXPECT_EQ(GuideName(inst, g), c.guideName) << c.file;
        EXPECT_EQ(Memory(inst, 120), static_cast<float>(c.size)) << c.file;
        EXPECT_EQ(disk.Get(c.file), data) << c.file;
        EXPECT_EQ(Memory(inst, 25) + Memory(inst, 27), MEMORY_TOTAL) << c.file;
    }
}

TEST(EmuStoreView, FilesTakeTheInstrumentsMemory)
{
    Instrument inst = Make();
    Disk disk{inst};
    EXPECT_EQ(Ask(inst, 108).Fields(), (Bytes{0, 'C', ':', 0}));
    EXPECT_EQ(disk.Cd("NOWHERE"), NOT_FOUND);
    ASSERT_EQ(disk.Cd("DATA"), DONE);
    EXPECT_EQ(Ask(inst, 112).Fields(), (Bytes{0, '\\', 'D', 'A', 'T', 'A', 0}));
    float free0 = Memory(inst, 27);
    size_t written = 0;
    for (size_t n : {size_t(0), size_t(100), size_t(512), size_t(1300)}) {
        std::string name = "F" + std::to_string(n) + ".BIN";
        ASSERT_EQ(disk.Put(name, Pattern(n, 1)), DONE) << name;
        EXPECT_EQ(disk.Create("f" + std::to_string(n) + ".bin", 0, 10), CONFLICT) << "names are case-blind";
        written += n;
        EXPECT_EQ(Memory(inst, 27), free0 - static_cast<float>(written)) << name;
        EXPECT_EQ(Memory(inst, 25) + Memory(inst, 27), MEMORY_TOTAL) << name;
        EXPECT_EQ(Memory(inst, 26), 0.0f) << "the references' part holds no files";
    }

    // A file larger than the free memory is refused; one that fits exactly is not.
    int room = static_cast<int>(Memory(inst, 27));
    EXPECT_EQ(disk.Create("BIG.BIN", 1, room + 1), FULL);
    EXPECT_EQ(disk.Create("BIG.BIN", 1, room), DONE);
    ASSERT_EQ(disk.Open("BIG.BIN", 1), DONE);
    Bytes block(512, 0xEE);
    int k = 0;
    for (; k * 512 < room; ++k)
        ASSERT_EQ(disk.WriteBlock("BIG.BIN", k, block.data(), 512), DONE) << "block " << k;
    EXPECT_EQ(disk.Close("BIG.BIN"), DONE);
    EXPECT_EQ(Memory(inst, 27), 0.0f);

    // Full memory refuses references and guides as well; deleting the file
    // gives its memory back.
    Bytes spectrum = Ints({3, 0});
    spectrum.resize(spectrum.size() + 144, 0);
    EXPECT_EQ(Ask(inst, 42, spectrum).Status(), 1) << "no room for a reference";
    EXPECT_EQ(Ask(inst, 38, Cat(Ints({-1}), Shorts({0, 10}))).payload.at(1), 0) << "no room for a guide";
    EXPECT_EQ(inst.Files().Store().Remove("C:\\DATA\\BIG.BIN"), DONE);
    EXPECT_EQ(Memory(inst, 27), static_cast<float>(room));
    EXPECT_EQ(Ask(inst, 42, spectrum).Status(), 0);
}

TEST(EmuStoreView, BlocksBeyondTheFreeMemoryAreRefused)
{
    // Without a declared size a file grows block by block until memory ends.
    Instrument inst = Make();
    Disk disk{inst};
    ASSERT_EQ(DownloadGuide(inst, Pattern(static_cast<size_t>(Memory(inst, 27)) - 700, 2)), 3);
    ASSERT_EQ(disk.Create("GROW.BIN", 1, 0), DONE);
    ASSERT_EQ(disk.Open("GROW.BIN", 1), DONE);
    Bytes block(512, 1);
    EXPECT_EQ(disk.WriteBlock("GROW.BIN", 0, block.data(), 512), DONE);
    EXPECT_EQ(disk.WriteBlock("GROW.BIN", 1, block.data(), 512), FULL);
    EXPECT_EQ(disk.Close("GROW.BIN"), DONE);
    EXPECT_EQ(disk.Status("GROW.BIN").size, 512);
}

TEST(EmuStoreView, ReplacingAGuideFileNeedsOnlyTheDifference)
{
    Instrument inst = Make();
    Disk disk{inst};
    ASSERT_EQ(disk.Cd("\\GUIDES"), DONE);
    size_t big = static_cast<size_t>(Memory(inst, 27)) - 100;
    ASSERT_EQ(disk.Put("BIG.GDE", Pattern(big, 4)), DONE);
    EXPECT_EQ(disk.Put("BIG.GDE", Pattern(big + 100, 5)), DONE) << "the old bytes make room for the new";
    EXPECT_EQ(Memory(inst, 27), 0.0f);
    EXPECT_EQ(disk.Put("BIG.GDE", Pattern(big + 101, 5)), FULL);
    EXPECT_EQ(disk.Status("BIG.GDE").size, static_cast<int32_t>(big + 100)) << "a refused write keeps the guide";
}

TEST(EmuStoreView, ReferencesAreReadOnlyTextFiles)
{
    Instrument inst = Make();
    ASSERT_EQ(Ask(inst, 42, RampRequest(3)).Status(), 0);
    PayloadWriter lab;
    lab.Int(3).Int(1).Float(50.5f).Float(-2.25f).Float(0.1f);
    ASSERT_EQ(Ask(inst, 41, lab.Data()).Status(), 0);
    ASSERT_EQ(Ask(inst, 19, NameRequest(3, "SAMPLE ONE")).Status(), 0);
    ASSERT_EQ(Ask(inst, 18, Ints({3, 0, 5, 4, 3, 2, 1, 99})).Status(), 0);

    Disk disk{inst};
    ASSERT_EQ(disk.Cd("\\REFS"), DONE);
    EXPECT_EQ(disk.Ls(), std::vector<std::string>{"REF03.TXT"});
    Disk::Stat st = disk.Status("REF03.TXT");
    EXPECT_EQ(st.attr, 0x21);
    EXPECT_EQ(st.date, (Bytes{2, 1, 99, 0}));
    EXPECT_EQ(st.time, (Bytes{3, 4, 5}));
    Bytes text = disk.Get("REF03.TXT");
    std::string s(text.begin(), text.end());
    EXPECT_NE(s.find("NAME SAMPLE ONE"), std::string::npos) << s;
    EXPECT_NE(s.find("DATE 02.01.99 03:04:05\r\n"), std::string::npos) << s;
    EXPECT_NE(s.find("SPECTRUM 380-730 0 0.01 0.02 "), std::string::npos) << s;
    EXPECT_NE(s.find(" 0.35\r\n"), std::string::npos) << s;
    EXPECT_NE(s.find("LAB 50.5 -2.25 0.1\r\n"), std::string::npos) << "shortest exact floats: " << s;

    EXPECT_EQ(disk.Create("REF03.TXT", 1, 10), READ_ONLY);
    EXPECT_EQ(disk.Create("REF04.TXT", 1, 10), READ_ONLY);
    EXPECT_EQ(disk.Open("REF03.TXT", 1), READ_ONLY);
    EXPECT_EQ(inst.Files().Store().Rename("C:\\REFS\\REF03.TXT", "REF04.TXT"), READ_ONLY);
    EXPECT_EQ(inst.Files().Store().Remove("C:\\REFS\\REF03.TXT"), DONE);
    EXPECT_EQ(Ask(inst, 15, Ints({3, 0})).payload.back(), 0) << "the slot is empty";
    EXPECT_TRUE(disk.Ls().empty());
}

TEST(EmuStoreView, AGuideOpenForReadingIsReadWholeAfterItIsDeleted)
{
    Instrument inst = Make();
    Disk disk{inst};
    ASSERT_EQ(disk.Cd("\\GUIDES"), DONE);
    ASSERT_EQ(disk.Open("USERGU~1.GDE", 0), DONE);
    ASSERT_EQ(Ask(inst, 25, Ints({120, 2})).Status(), 0);
    ASSERT_EQ(Ask(inst, 23, Ints({120})).Status(), 0);
    EXPECT_EQ(disk.Ls().size(), 2u) << "the copy being read is no file of its own";
    Answer a = Ask(inst, 126, Cat(Cat(Name13("USERGU~1.GDE"), Ints({1})), Bytes(512, 0)));
    EXPECT_EQ(disk.Result(a), DONE);
    EXPECT_EQ(a.payload[2 + 487], 0x55);
    EXPECT_EQ(a.payload[2 + 488], 0) << "1000 bytes end 488 bytes into block 1";
    EXPECT_EQ(disk.Close("USERGU~1.GDE"), DONE);
    EXPECT_EQ(Memory(inst, 25) + Memory(inst, 27), MEMORY_TOTAL);
}

TEST(EmuStoreView, ResetGivesTheStartingStoreAgain)
{
    Instrument inst = Make();
    Disk disk{inst};
    ASSERT_EQ(disk.Cd("\\GUIDES"), DONE);
    float free0 = Memory(inst, 27);
    ASSERT_EQ(disk.Put("NEWONE.GDE", Pattern(700, 1)), DONE);
    ASSERT_EQ(inst.Control("reset").status, 0);
    EXPECT_EQ(Memory(inst, 27), free0);
    ASSERT_EQ(disk.Cd("\\GUIDES"), DONE) << "mounted again";
    EXPECT_EQ(disk.Ls().size(), 3u);
}

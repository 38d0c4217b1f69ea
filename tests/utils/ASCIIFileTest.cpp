// The text format of stored objects: reals that come back bit for bit,
// values that survive both versions, sections found in order, and texts
// that are damaged or not ours refused without a crash.
#include "qel/ASCIIFile.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

namespace {

uint64_t Bits(double d)
{
    uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

TEST(ASCIIFile, RealsReadBackExactly)
{
    // Floats (widened to double, as values are written) come back as the
    // same float and keep their short text; other doubles come back bit for bit.
    const float floats[] = {0.1f, 1.0f / 3.0f, 52.31f, -0.0f, 1e-45f, 3.4028235e38f, 0.069f};
    const double doubles[] = {0.1, 3.141592653589793, 1e300, -2.5e-308, 123456789.0, 1.0 / 3.0};
    double widened[std::size(floats)];
    std::copy(std::begin(floats), std::end(floats), widened);
    ASCIIFile out;
    out.PutTitel(String("T"));
    out.PutRealArray(String("Floats"), widened, std::size(floats), -1);
    out.PutRealArray(String("Doubles"), doubles, std::size(doubles), -1);
    out.PutRealArray(String("Fixed"), doubles, 2, 3);
    ASSERT_TRUE(out.IsGood()) << out.GetError().str();
    EXPECT_NE(out.GetText().find("Floats=0.1 0.33333334 52.31 -0 1e-45 3.4028235e+38 0.069\n"), std::string::npos)
        << out.GetText();
    EXPECT_NE(out.GetText().find("Fixed=0.100 3.142\n"), std::string::npos) << out.GetText();

    ASCIIFile in(out.GetText());
    double back[std::size(floats)] = {};
    ASSERT_TRUE(in.GetRealArray(String("Floats"), back, std::size(floats))) << in.GetError().str();
    for (size_t i = 0; i < std::size(floats); ++i) {
        EXPECT_EQ(static_cast<float>(back[i]), floats[i]) << i;
        EXPECT_EQ(std::signbit(back[i]), std::signbit(floats[i])) << i;
    }
    double backD[std::size(doubles)] = {};
    ASSERT_TRUE(in.GetRealArray(String("Doubles"), backD, std::size(doubles))) << in.GetError().str();
    for (size_t i = 0; i < std::size(doubles); ++i)
        EXPECT_EQ(Bits(backD[i]), Bits(doubles[i])) << i << ": " << doubles[i];
}

TEST(ASCIIFile, ValuesSurviveEachVersionAsItCan)
{
    const std::string value = "a\nb\\n c\r\td";
    const struct {
        int version;
        std::string text;  // what is written
        std::string back;  // what is read back
    } cases[] = {
        {2, "Version=2\n[T]\nk=a\\nb\\\\n c\\r\td\n", value},
        // Version 1 has no escapes: line breaks become blanks, the rest stays.
        {1, "[T]\nk=a b\\n c \td\n", "a b\\n c \td"},
    };
    for (const auto& c : cases) {
        ASCIIFile out;
        out.SetVersion(c.version);
        out.PutTitel(String("T"));
        out.PutString(String("k"), String(value));
        EXPECT_EQ(out.GetText(), c.text) << "version " << c.version;
        ASCIIFile in(out.GetText());
        EXPECT_EQ(in.GetVersion(), c.version);
        String got;
        ASSERT_TRUE(in.GetString(String("k"), got)) << c.version;
        EXPECT_EQ(got.str(), c.back) << "version " << c.version;
    }
}

TEST(ASCIIFile, SectionsAreFoundInOrder)
{
    ASCIIFile f("; comment\n\n[A]\nn=1\n[B]\nn=2\n# note\n[A]\nn=3\n");
    EXPECT_EQ(f.CountSections(String("A")), 2);
    String n;
    ASSERT_TRUE(f.GetTitel(String("A")));
    ASSERT_TRUE(f.GetString(String("n"), n));
    EXPECT_EQ(n, "1");
    ASSERT_TRUE(f.GetTitel(String("A")));
    ASSERT_TRUE(f.GetString(String("n"), n));
    EXPECT_EQ(n, "3");
    EXPECT_FALSE(f.GetTitel(String("A")));
    EXPECT_FALSE(f.GetTitel(String("B"))) << "the search goes on after the section found last";

    // Read where they stand: the first section is current at the start.
    ASCIIFile g("[A]\nn=1\n[B]\nn=2\n");
    ASSERT_TRUE(g.GetString(String("n"), n));
    EXPECT_EQ(n, "1");
    ASSERT_TRUE(g.NextSection());
    EXPECT_EQ(g.GetCurrentTitel(), "B");
    EXPECT_FALSE(g.NextSection());
}

TEST(ASCIIFile, VersionOfATextWithoutVersionLine)
{
    ASCIIFile bare("[T]\nk=a\\nb\n");
    EXPECT_EQ(bare.GetVersion(), 1);
    String v;
    bare.GetString(String("k"), v);
    EXPECT_EQ(v, "a\\nb") << "version 1 knows no escapes";
    EXPECT_TRUE(bare.CheckVersion(2)) << "a section on its own speaks its sender's version";
    EXPECT_EQ(bare.GetVersion(), 2);
    bare.GetString(String("k"), v);
    EXPECT_EQ(v, "a\nb");

    ASCIIFile named("Version=1\n[T]\n");
    EXPECT_FALSE(named.CheckVersion(2)) << "a version line is what it says";
    EXPECT_EQ(named.GetVersion(), 1);
    EXPECT_FALSE(named.CheckVersion(3));
}

TEST(ASCIIFile, DamagedSectionsDeliverNothing)
{
    const std::string longLine = "k=" + std::string(ASCIIFile::MAX_LINE, '1');
    const struct {
        const char* what;
        std::string section;  // lines after "[T]\n"
        int count;            // reals asked for under "r" (0: none)
        const char* error;
    } cases[] = {
        {"too few reals", "r=1 2\n", 3, "2 numbers where 3 belong"},
        {"too many reals", "r=1 2 3 4\n", 3, "more than 3 numbers"},
        {"a word", "r=1 abc 3\n", 3, "'abc' is not a number"},
        {"nan", "r=1 nan 3\n", 3, "'nan' is not a number"},
        {"infinity", "r=1 -inf 3\n", 3, "is not a number"},
        {"a comma", "r=1,5 2 3\n", 3, "'1,5' is not a number"},
        {"no key=value", "what is this\n", 0, "line 3: not a key=value line"},
        {"a key twice", "k=2\n", 0, "line 3: key k given twice (first in line 2)"},
        {"a control character", "k=a\x01z\n", 0, "control character 0x01"},
        {"a NUL byte", std::string("k=a\0z\n", 6), 0, "control character 0x00"},
        {"no UTF-8", "k=\xC3\x28\n", 0, "not UTF-8"},
        {"an overlong line", longLine + "\n", 0, "longer than 128 KiB"},
    };
    for (const auto& c : cases) {
        ASCIIFile f("[T]\nk=1\n" + c.section + "[U]\nk=2\n");
        ASSERT_TRUE(f.GetTitel(String("T"))) << c.what;
        double r[3] = {7, 7, 7};
        if (c.count) {
            EXPECT_FALSE(f.GetRealArray(String("r"), r, c.count)) << c.what;
        }
        EXPECT_EQ(r[0], 7) << c.what << ": the caller's array stays";
        String k;
        EXPECT_FALSE(f.GetString(String("k"), k)) << c.what << ": a damaged section delivers nothing";
        EXPECT_TRUE(f.IsSectionDamaged()) << c.what;
        EXPECT_NE(f.GetError().str().find(c.error), std::string::npos) << c.what << ": " << f.GetError().str();
        // The next section is sound.
        ASSERT_TRUE(f.GetTitel(String("U"))) << c.what;
        EXPECT_TRUE(f.GetString(String("k"), k)) << c.what;
        EXPECT_EQ(k, "2");
    }
}

TEST(ASCIIFile, TextsThatAreNotOursAreUnreadable)
{
    const std::pair<std::string, const char*> cases[] = {
        {"Version=3\n[T]\nk=1\n", "version 3 is newer than this program reads"},
        {"Version=two\n[T]\n", "'two' is not a version number"},
        {"k=1\n[T]\n", "line 1: text outside a section"},
        {"[T]\nk=1\nVersion=2\n", ""},  // inside a section it is a key like any other
        {std::string("\x7F" "ELF\x02\x01\x01", 7), "control character 0x7F"},
    };
    for (const auto& [text, error] : cases) {
        ASCIIFile f(text);
        if (!*error) {
            EXPECT_TRUE(f.IsReadable());
            continue;
        }
        EXPECT_FALSE(f.IsReadable()) << text;
        EXPECT_NE(f.GetError().str().find(error), std::string::npos) << f.GetError().str();
        EXPECT_FALSE(f.GetTitel(String("T")));
        String k;
        EXPECT_FALSE(f.GetString(String("k"), k));
    }
}

TEST(ASCIIFile, ArbitraryBytesNeverBreakTheReader)
{
    std::mt19937 rng(4711);
    const std::string alphabet = "[]=\n\r\t ;#0123456789.e-+abcMeasValueRemission\xC3\xA4\x01\x80";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        size_t n = rng() % 300;
        for (size_t i = 0; i < n; ++i)
            text += round % 2 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
        ASCIIFile f(text);
        double r[36];
        String s;
        do {
            f.GetString(String("Remission"), s);
            f.GetRealArray(String("Remission"), r, 36);
            f.GetRealArray(String("a"), r, 1);
        } while (f.NextSection());
        f.GetTitel(String("MeasValue"));
        (void)f.GetError();
    }
}

TEST(ASCIIFile, WriterRefusesWhatCouldNotBeReadBack)
{
    const std::pair<const char*, const char*> badKeys[] = {{"", "empty"}, {"a=b", "="}, {"a\nb", "line break"},
                                                           {"[x", "["},   {";x", ";"},  {" k", "blank"}};
    for (const auto& [key, why] : badKeys) {
        ASCIIFile f;
        f.PutTitel(String("T"));
        f.PutString(String(key), String("v"));
        EXPECT_FALSE(f.IsGood()) << why;
        EXPECT_EQ(f.GetText(), "Version=2\n[T]\n") << why;
    }
    ASCIIFile noSection;
    noSection.PutString(String("k"), String("v"));
    EXPECT_FALSE(noSection.IsGood());
    ASCIIFile badTitle;
    badTitle.PutTitel(String("a]b"));
    EXPECT_FALSE(badTitle.IsGood());
    // Values are made fit for a line: what is not UTF-8 is replaced.
    ASCIIFile v;
    v.PutTitel(String("T"));
    v.PutString(String("k"), String("a\xFF" "b\x02"));
    ASCIIFile back(v.GetText());
    String got;
    ASSERT_TRUE(back.GetString(String("k"), got)) << back.GetError().str();
    EXPECT_EQ(got, "a\xEF\xBF\xBD" "b ");
}

TEST(ASCIIFile, FilesAreReplacedWholeAndNamedInErrors)
{
    std::filesystem::path dir = std::filesystem::path(testenv::FreshConfigPath()).parent_path();
    String path((dir / "values.txt").string());
    ASCIIFile out;
    out.PutTitel(String("T"));
    out.PutString(String("k"), String("v"));
    ASSERT_TRUE(out.Save(path)) << out.GetError().str();
    ASCIIFile in;
    ASSERT_TRUE(in.Load(path));
    String k;
    EXPECT_TRUE(in.GetString(String("k"), k));
    for (const auto& e : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(e.path().string().find(".tmp."), std::string::npos) << "no temporary left behind: " << e.path();

    String missing((dir / "missing" / "x.txt").string());
    EXPECT_FALSE(in.Load(missing));
    EXPECT_NE(in.GetError().str().find(missing.str()), std::string::npos);
    EXPECT_FALSE(out.Save(missing));
    EXPECT_NE(out.GetError().str().find(missing.str()), std::string::npos);
}

} // namespace

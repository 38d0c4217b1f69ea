// Configuration files, text groups and the toolkit's text-to-number rule.
#include "support/TestEnv.hpp"

#include "qel/AppDir.hpp"
#include "qel/Text.hpp"
#include "sv/Config.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using testenv::Slurp;

TEST(Config, WritesReplaceTheFileAndEveryHolderSeesThem)
{
    std::string path = testenv::FreshConfigPath();
    Config a{String(path)};
    Config b{String(path)};
    a.SetGroup("VXN");
    ASSERT_TRUE(a.WriteKey("MEAN", "3"));
    a.SetGroup("Settings");
    ASSERT_TRUE(a.WriteKey("ColorSystem", "line\nbreak"));
    b.SetGroup("VXN");
    EXPECT_EQ(b.ReadKey("MEAN"), String("3"));
    EXPECT_EQ(b.ReadKey("Missing", "dflt"), String("dflt"));
    EXPECT_FALSE(b.HasKey("ColorSystem"));  // keys belong to their group
    EXPECT_EQ(Slurp(path), "[VXN]\nMEAN=3\n\n[Settings]\nColorSystem=line break\n\n");
    // Nothing of the temporary file is left beside it.
    for (auto& e : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
        EXPECT_EQ(e.path().string().find(".tmp."), std::string::npos) << e.path();
}

TEST(Config, ReadsWhatAnotherProgramWrote)
{
    std::string path = testenv::FreshConfigPath();
    {
        std::ofstream out(path);
        out << "; comment\r\n[PostOffice]\r\nEndpoint=tcp:host:1=2\r\n\r\n# comment\r\n[PostOffice]\r\nTrace=\r\n";
    }
    Config c{String(path)};
    c.SetGroup("PostOffice");
    EXPECT_EQ(c.ReadKey("Endpoint"), String("tcp:host:1=2"));
    EXPECT_TRUE(c.HasKey("Trace"));
    EXPECT_EQ(c.ReadKey("Trace", "x"), String());
    EXPECT_EQ(c.GetKeys().size(), 2u);
}

TEST(String, TextToNumberTakesTheLeadingNumber)
{
    const std::pair<const char*, long> cases[] = {
        {"42", 42}, {"  -7x", -7}, {"+3", 3}, {"", 0}, {"abc", 0}, {"10°", 10}, {"300", 300}, {"4294967297", 4294967297L},
    };
    for (auto [text, value] : cases)
        EXPECT_EQ(String(text).ToLong(), value) << text;
}

TEST(String, PaddingCuttingAndTokens)
{
    String s("Guide");
    EXPECT_EQ(s.Expand(8, ' '), String("Guide   "));
    EXPECT_EQ(String("0123456789ABCDEFGH").Cut(16), String("0123456789ABCDEF"));
    String t("a\tb\t\tc");
    EXPECT_EQ(t.GetTokenCount('\t'), 4);
    EXPECT_EQ(t.GetToken(3, '\t'), String("c"));
    EXPECT_EQ(t.GetToken(2, '\t'), String());
    EXPECT_EQ(String("10°").EraseAll(String("°")), String("10"));
    EXPECT_TRUE(String("Pap").EqualsIgnoreCaseAscii(String("pAP")));
}

TEST(TextGroups, EntriesByIndexWithEnglishFallback)
{
    std::string dir = std::filesystem::temp_directory_path().string() + "/vxn-texts-" + std::to_string(getpid());
    std::filesystem::create_directories(dir + "/texts");
    {
        std::ofstream en(dir + "/texts/en.txt");
        en << "[Demo]\n0=zero\n1=line\\nbreak\\ttab\n7=seven\n";
        std::ofstream de(dir + "/texts/de.txt");
        de << "[Demo]\n0=null\n";
    }
    AppDir::SetDataDir(String(dir));
    Language::Set("de");
    TextSegment seg(Text::GetGroupNr("Demo"));
    EXPECT_EQ(seg.GetText(0), String("null"));
    EXPECT_EQ(seg.GetText(1), String("line\nbreak\ttab"));  // from English
    EXPECT_EQ(seg.GetText(7), String("seven"));
    EXPECT_EQ(seg.GetText(3), String());
    EXPECT_EQ(Text::GetGroupNr("NoSuchGroup"), 0u);
    Language::Set("en");
    AppDir::SetDataDir(String(VXN_SOURCE_DATA_DIR));
    Text::Reload();
    std::filesystem::remove_all(dir);
}

} // namespace

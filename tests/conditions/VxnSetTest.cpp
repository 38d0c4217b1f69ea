// The condition set: reading group "VXNSettings" with its fallbacks and range
// rules, writing it back through the virtual getters, and the filters each
// device class offers.
#include "qelvxn/conditions/VxnSet.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "support/ScriptedTransport.hpp"
#include "support/TestEnv.hpp"

#include "sv/Config.hpp"

#include <gtest/gtest.h>

namespace {

Config FreshConfig()
{
    Config c{String(testenv::FreshConfigPath())};
    c.SetGroup("VXNSettings");
    return c;
}

constexpr long TYPE_CLASS0 = 0;       // any unknown type
constexpr long TYPE_CLASS6 = 2;
constexpr long TYPE_CLASS4 = 16777216;

struct ReadCase {
    const char* key;
    const char* text;
    long deviceType;
    int expected;
    int (*get)(VxnSet&);
};

int Illum(VxnSet& s) { return s.GetIllumination(); }
int Dxx(VxnSet& s) { return s.GetDxxTempNr(); }
int Obs(VxnSet& s) { return s.GetObserver(); }
int DStd(VxnSet& s) { return s.GetDStd(); }
int WBase(VxnSet& s) { return s.GetWhiteBase(); }
int Filter(VxnSet& s) { return s.GetFilter(); }
std::vector<int> Values(VxnSet& s) { return {Illum(s), Dxx(s), Obs(s), DStd(s), WBase(s), Filter(s)}; }

TEST(VxnSet, ReadingRules)
{
    const ReadCase cases[] = {
        // Without the group (no key written) the defaults.
        {nullptr, "", 0, 2, Illum}, {nullptr, "", 0, 55, Dxx},  {nullptr, "", 0, 0, Obs},
        {nullptr, "", 0, 2, DStd},  {nullptr, "", 0, 1, WBase}, {nullptr, "", 0, 2, Filter},
        // Illuminant names ignore case; an unknown one is D65.
        {"Illumination", "Dxx", 0, 16, Illum},    {"Illumination", "d50", 0, 3, Illum},
        {"Illumination", "F11", 0, 34, Illum},    {"Illumination", "Tungsten", 0, 2, Illum},
        {"Illumination", "", 0, 2, Illum},
        // Dxx numbers outside 30..300 are 55.
        {"DxxTempNr", "25", 0, 55, Dxx},   {"DxxTempNr", "29", 0, 55, Dxx},  {"DxxTempNr", "30", 0, 30, Dxx},
        {"DxxTempNr", "300", 0, 300, Dxx}, {"DxxTempNr", "301", 0, 55, Dxx}, {"DxxTempNr", "ninety", 0, 55, Dxx},
        {"Observer", "10", 0, 1, Obs},     {"Observer", "10°", 0, 1, Obs},
        {"Observer", "2", 0, 0, Obs},      {"Observer", "ten", 0, 0, Obs},
        {"DensityStd", "ANSI T", 0, 1, DStd}, {"DensityStd", "DIN NB", 0, 3, DStd},
        {"DensityStd", "ansi t", 0, 2, DStd}, // case matters here
        {"WhiteBase", "pap", 0, 0, WBase},    {"WhiteBase", "Paper", 0, 1, WBase},
        {"Filter", "m1", 0, 8, Filter},
        {"Filter", "UV", TYPE_CLASS4, 4, Filter},
        {"Filter", "UV", 0, 1, Filter},              // class 0 has no UV: first filter
        {"Filter", "Pol", TYPE_CLASS6, 7, Filter},   // class 6 offers 7, 8, 9 only
        {"Filter", "nonsense", 0, 2, Filter},        // falls back to Pol
        {"Filter", "nonsense", TYPE_CLASS6, 7, Filter},
    };
    for (const auto& c : cases) {
        Config cfg = FreshConfig();
        if (c.key)
            cfg.WriteKey(c.key, c.text);
        VxnSet s(&cfg, c.deviceType);
        EXPECT_EQ(c.get(s), c.expected) << (c.key ? c.key : "no key") << "=" << c.text << " type " << c.deviceType;
    }
}

TEST(VxnSet, DeviceClasses)
{
    const std::pair<long, int> cases[] = {
        {2, 6}, {32, 7}, {4194304, 2}, {8388608, 3}, {16777216, 4}, {33554432, 4}, {268435456, 4}, {0, 0}, {3, 0}, {-1, 0},
    };
    for (auto [type, cls] : cases)
        EXPECT_EQ(VxnSet::DeviceClass(type), cls) << type;
}

TEST(VxnSet, HuepointerClassAsksTheLibraryObject)
{
    VXNLib::CreateVXNLib(0);
    for (unsigned char answer : {1, 0}) {
        testenv::ScriptedTransport t;
        MyMemoryBlock b;
        b << answer;
        t.Reply(b);
        EXPECT_EQ(VxnSet::DeviceClass(1048576), answer ? 5 : 1);
        EXPECT_EQ(t.SentNumbers(), std::vector<int>{100});
    }
    VXNLib* pLib = VXNLib::mpInstance;
    QelSingleton::Remove(pLib);
    delete pLib;
}

TEST(VxnSet, FilterListOfAClass)
{
    VxnSet s(ILLUM_D65, 65, OBSERVER_2, DSTD_DIN, WBASE_ABSOLUTE, FILTER_POL, TYPE_CLASS0);
    std::vector<int> list;
    for (int i = 0; s.GetPossibleFilter(i) != FILTER_NOT_SET; ++i)
        list.push_back(s.GetPossibleFilter(i));
    EXPECT_EQ(list, (std::vector<int>{1, 2, 3, 5, 6, 7, 8, 9}));
    EXPECT_EQ(s.GetPossibleFilter(8), FILTER_NOT_SET);
    EXPECT_EQ(s.GetPossibleFilter(-1), FILTER_NOT_SET);
    EXPECT_EQ(s.GetFilterEntry(FILTER_M1), 6);
    EXPECT_EQ(s.GetFilterEntry(FILTER_NONE), 0);
    EXPECT_EQ(s.GetFilterEntry(FILTER_UV), 0);  // absent: the same as the first position
}

TEST(VxnSet, ExplicitValuesAreKeptExceptAForeignFilter)
{
    // No range test for the Dxx number here.
    VxnSet s(static_cast<IllumType>(20), 400, OBSERVER_10, DSTD_ANSI_T, WBASE_PAPER, FILTER_POL, TYPE_CLASS6);
    EXPECT_EQ(Values(s), (std::vector<int>{20, 400, OBSERVER_10, DSTD_ANSI_T, WBASE_PAPER, FILTER_M0}));
    EXPECT_EQ(s.WriteDataToConfig(), 0) << "no configuration to write to";

    // SetDevice recomputes the class only.
    VxnSet t(ILLUM_D65, 65, OBSERVER_2, DSTD_DIN, WBASE_ABSOLUTE, FILTER_UV, TYPE_CLASS4);
    t.SetDevice(TYPE_CLASS6);
    EXPECT_EQ(t.GetFilter(), FILTER_UV);
    EXPECT_EQ(t.GetDeviceClass(), 6);
}

// Every Dxx code is written as Dxx (19 comes back as 16), the observer
// without its degree sign.
TEST(VxnSet, WritesTextsAndReadsThemBack)
{
    Config c = FreshConfig();
    VxnSet s(static_cast<IllumType>(19), 93, OBSERVER_10, DSTD_DIN_NB, WBASE_PAPER, FILTER_M2, TYPE_CLASS0);
    VxnSet withConfig(&c, TYPE_CLASS0);
    withConfig.SetData(s.GetData());
    EXPECT_EQ(withConfig.WriteDataToConfig(), 1);

    c.SetGroup("VXNSettings");
    EXPECT_EQ(c.GetKeys().size(), 6u);
    std::vector<std::string> texts;
    for (const char* key : {"Illumination", "DxxTempNr", "Observer", "DensityStd", "WhiteBase", "Filter"})
        texts.push_back(c.ReadKey(key).str());
    EXPECT_EQ(texts, (std::vector<std::string>{"Dxx", "93", "10", "DIN NB", "Pap", "M2"}));
    VxnSet back(&c, TYPE_CLASS0);
    EXPECT_EQ(Values(back), (std::vector<int>{16, 93, OBSERVER_10, DSTD_DIN_NB, WBASE_PAPER, FILTER_M2}));
}

// A set whose getters report their calls, as a panel's would.
class RecordingSet : public VxnSet {
public:
    using VxnSet::VxnSet;
    std::vector<std::string> calls;
    IllumType GetIllumination() override { calls.push_back("illum"); return ILLUM_A; }
    short GetDxxTempNr() override { calls.push_back("dxx"); return VxnSet::GetDxxTempNr(); }
    ObserverType GetObserver() override { calls.push_back("observer"); return VxnSet::GetObserver(); }
    DStdType GetDStd() override { calls.push_back("dstd"); return VxnSet::GetDStd(); }
    StoredWBaseType GetWhiteBase() override { calls.push_back("wbase"); return VxnSet::GetWhiteBase(); }
    ValueFilterType GetFilter() override { calls.push_back("filter"); return VxnSet::GetFilter(); }
};

TEST(VxnSet, WritingAsksTheGettersFirstInSlotOrder)
{
    Config c = FreshConfig();
    RecordingSet s(&c, TYPE_CLASS0);
    ASSERT_EQ(s.WriteDataToConfig(), 1);
    EXPECT_EQ(s.calls, (std::vector<std::string>{"illum", "dxx", "observer", "dstd", "wbase", "filter"}));
    c.SetGroup("VXNSettings");
    EXPECT_EQ(c.ReadKey("Illumination"), String("A"));  // what the getter said
}

} // namespace

// With or without a configuration, a new set never holds a filter its class
// does not offer: the stored default "Pol" becomes the class's first filter.
TEST(VxnSet, FilterIsAllowedWithAndWithoutConfiguration)
{
    const std::pair<long, ValueFilterType> cases[] = {
        {TYPE_CLASS0, FILTER_POL},  // offered: kept
        {TYPE_CLASS4, FILTER_POL},
        {TYPE_CLASS6, FILTER_M0},   // class 6 offers M0, M1, M2 only
        {32, FILTER_NONE},          // class 7: no filter only
        {8388608, FILTER_NONE},     // class 3
    };
    for (const auto& [type, expected] : cases) {
        VxnSet bare(nullptr, type);
        EXPECT_EQ(bare.GetFilter(), expected) << "without configuration, device type " << type;
        Config c = FreshConfig();
        VxnSet stored(&c, type);
        EXPECT_EQ(stored.GetFilter(), expected) << "with an empty configuration, device type " << type;
        EXPECT_EQ(bare.GetPossibleFilter(bare.GetFilterEntry(bare.GetFilter())), bare.GetFilter());
    }
}

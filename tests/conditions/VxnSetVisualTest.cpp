// The condition panel: what its lists hold per device class, where its
// controls stand, the Dxx field, the three states, the paper-white warning
// and the round trip through the configuration writer.
#include "qelvxn/conditions/VxnSetVisual.hpp"
#include "support/TestEnv.hpp"
#include "sv/Config.hpp"
#include "sv/ScriptedResponder.hpp"
#include "sv/Window.hpp"

#include <gtest/gtest.h>

namespace {

constexpr long TYPE_CLASS0 = 0;
constexpr long TYPE_CLASS6 = 2;
constexpr long TYPE_CLASS4 = 16777216;

Config FreshConfig(std::initializer_list<std::pair<const char*, const char*>> entries = {})
{
    Config c{String(testenv::FreshConfigPath())};
    c.SetGroup("VXNSettings");
    for (auto& [k, v] : entries)
        c.WriteKey(k, v);
    return c;
}

std::vector<std::string> Entries(ListBox& rList)
{
    std::vector<std::string> v;
    for (unsigned short i = 0; i < rList.GetEntryCount(); ++i)
        v.push_back(rList.GetEntry(i).str());
    return v;
}

struct PanelTest : ::testing::Test {
    ScriptedResponder boxes;
    ScopedResponder use{boxes};
    Window parent{nullptr};
};

TEST_F(PanelTest, ListsHoldWhatTheDeviceClassOffers)
{
    struct Case {
        long deviceType;
        std::vector<std::string> filters;
    } cases[] = {
        {TYPE_CLASS0, {"No", "Pol", "D65", "IR", "Lin", "M0", "M1", "M2"}},
        {TYPE_CLASS6, {"M0", "M1", "M2"}},
        {TYPE_CLASS4, {"No", "Pol", "UV"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deviceType);
        Config cfg = FreshConfig();
        VxnSetVisual panel(&parent, &cfg, String("Conditions"), 1, c.deviceType, true);
        EXPECT_EQ(Entries(panel.GetFilterList()), c.filters);
        EXPECT_EQ(panel.GetIllumList().GetEntryCount(), 17u);
        EXPECT_EQ(panel.GetIllumList().GetEntry(4), String("Dxx"));
        EXPECT_EQ(Entries(panel.GetObserverList()), (std::vector<std::string>{"2°", "10°"}));
        EXPECT_EQ(panel.GetDStdList().GetEntryCount(), 4u);
        EXPECT_EQ(panel.GetFrame().GetText(), String("Conditions"));
        EXPECT_EQ(panel.GetIllumLabel().GetText(), String("Illuminant:"));
    }
}

TEST_F(PanelTest, ControlsStandWhereThePanelIsPlaced)
{
    struct Case {
        const char* title;
        bool withDStd;
        Point filterList;
        short frameHeight;
    } cases[] = {
        {"Frame", false, Point(100 + 119, 50 + 100), 140},
        {"Frame", true, Point(100 + 119, 50 + 125), 165},
        // No frame: everything moves up and left by the first label's
        // designed place, (9, 29).
        {"", false, Point(100 + 119 - 9, 50 + 100 - 29), 140},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.title) + (c.withDStd ? " with density" : ""));
        Config cfg = FreshConfig();
        VxnSetVisual panel(&parent, &cfg, String(c.title), Point(100, 50), 1, TYPE_CLASS0, c.withDStd);
        EXPECT_EQ(panel.GetFilterList().GetPosPixel().X(), c.filterList.X());
        EXPECT_EQ(panel.GetFilterList().GetPosPixel().Y(), c.filterList.Y());
        // Each label 6 px below the top of its row's list.
        EXPECT_EQ(panel.GetFilterLabel().GetPosPixel().Y(), c.filterList.Y() + 6);
        EXPECT_EQ(panel.GetFrame().GetSizePixel().Height(), c.frameHeight);
        EXPECT_EQ(panel.GetFrame().IsVisible(), c.title[0] != 0);
        EXPECT_EQ(panel.GetDStdList().IsVisible(), c.withDStd);
        if (!c.title[0]) {
            EXPECT_EQ(panel.GetIllumLabel().GetPosPixel().Y(), 50 + 2);
        }
    }
}

TEST_F(PanelTest, DxxFieldOnlyForDxxIlluminants)
{
    Config cfg = FreshConfig({{"Illumination", "Dxx"}, {"DxxTempNr", "93"}});
    VxnSetVisual panel(&parent, &cfg, String("T"), 1, TYPE_CLASS0, false);
    EXPECT_EQ(panel.GetIllumList().GetSelectEntry(), String("Dxx"));
    EXPECT_TRUE(panel.GetDxxField().IsVisible());
    EXPECT_EQ(panel.GetDxxTempNr(), 93);
    panel.GetIllumList().ChooseEntryPos(2);  // D65
    EXPECT_FALSE(panel.GetDxxField().IsVisible());
    EXPECT_EQ(panel.GetIllumination(), ILLUM_D65);
    // Without the extended illuminants a stored Dxx shows D65 and stays stored.
    panel.SetData(MeasuringCondition(PhysicalConditions(ActualFilterClass(FILTER_POL), WBaseClass(WBASE_ABSOLUTE)),
                                     IllumClass(static_cast<IllumType>(16), 93), ObserverClass(OBSERVER_2)));
    panel.EnableIllum(0);
    EXPECT_EQ(panel.GetIllumList().GetEntryCount(), 4u);
    EXPECT_EQ(panel.GetIllumList().GetSelectEntry(), String("D65"));
}

TEST_F(PanelTest, StatesAndTheGreyedLists)
{
    Config cfg = FreshConfig();
    VxnSetVisual readOnly(&parent, &cfg, String("T"), 0, TYPE_CLASS0, true);
    EXPECT_TRUE(readOnly.IsShown());
    for (Window* w : {static_cast<Window*>(&readOnly.GetIllumList()), static_cast<Window*>(&readOnly.GetFilterList()),
                      static_cast<Window*>(&readOnly.GetDStdList()), static_cast<Window*>(&readOnly.GetDxxField())})
        EXPECT_FALSE(w->IsEnabled());

    VxnSetVisual panel(&parent, &cfg, String("T"), 1, TYPE_CLASS0, true);
    EXPECT_TRUE(panel.GetFilterList().IsEnabled());
    EXPECT_FALSE(panel.GetWBaseList().IsEnabled()) << "the white base is never chosen here";
    panel.Disable();
    EXPECT_TRUE(panel.IsDisabled());
    EXPECT_FALSE(panel.GetFilterList().IsEnabled());
    EXPECT_TRUE(panel.GetDStdList().IsVisible());
    panel.Hide();
    EXPECT_FALSE(panel.IsShown() || panel.IsDisabled());
    EXPECT_FALSE(panel.GetFilterList().IsVisible() || panel.GetFrame().IsVisible());
    // Hidden: SetData changes the stored values only.
    panel.SetData(MeasuringCondition(PhysicalConditions(ActualFilterClass(FILTER_M1), WBaseClass(WBASE_ABSOLUTE)),
                                     IllumClass(ILLUM_A), ObserverClass(OBSERVER_10)));
    EXPECT_EQ(panel.GetIllumList().GetSelectEntry(), String("D65"));
    panel.Show();
    EXPECT_EQ(panel.GetIllumList().GetSelectEntry(), String("A"));
    EXPECT_EQ(panel.GetFilterList().GetSelectEntry(), String("M1"));
}

TEST_F(PanelTest, PaperWhiteWarnsOnceWhenChosenFromAbsolute)
{
    Config cfg = FreshConfig({{"WhiteBase", "Abs"}});
    VxnSetVisual panel(&parent, &cfg, String("T"), 1, TYPE_CLASS0, false);
    panel.GetWBaseList().Enable();  // as an application that lets the user choose it
    panel.GetWBaseList().ChooseEntryPos(0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_WARNING);
    EXPECT_EQ(panel.GetWhiteBase(), WBASE_PAPER);
    panel.GetWBaseList().ChooseEntryPos(0);
    panel.GetWBaseList().ChooseEntryPos(1);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(PanelTest, AChoiceIsWrittenToTheConfigurationAndReadBack)
{
    Config cfg = FreshConfig();
    {
        VxnSetVisual panel(&parent, &cfg, String("T"), 1, TYPE_CLASS4, true);
        panel.GetIllumList().ChooseEntryPos(0);    // A
        panel.GetObserverList().ChooseEntryPos(1); // 10°
        panel.GetFilterList().ChooseEntryPos(2);   // UV
        ASSERT_EQ(panel.WriteDataToConfig(), 1);
        MeasuringCondition got = panel.GetData();
        EXPECT_EQ(got.GetIllum().GetType(), ILLUM_A);
        EXPECT_EQ(got.GetFilter().GetType(), FILTER_UV);
    }
    VxnSet reread(&cfg, TYPE_CLASS4);
    EXPECT_EQ(reread.GetIllumination(), ILLUM_A);
    EXPECT_EQ(reread.GetObserver(), OBSERVER_10);
    EXPECT_EQ(reread.GetFilter(), FILTER_UV);
    // A filter the class does not offer shows, and reads back as, the first.
    VxnSetVisual other(&parent, VxnSet(ILLUM_D65, 65, OBSERVER_2, DSTD_DIN, WBASE_ABSOLUTE, FILTER_UV, TYPE_CLASS6),
                       String("T"), 1, false);
    EXPECT_EQ(other.GetFilterList().GetSelectEntryPos(), 0u);
    EXPECT_EQ(other.GetFilter(), FILTER_M0);
}

} // namespace

// Windows and controls: place, size, text, visibility, enabled state,
// resources, copies, list semantics and off-screen drawing.
#include "qelvxn/resources/LibraryResources.hpp"
#include "support/TestEnv.hpp"
#include "sv/FixedBitmap.hpp"
#include "sv/FixedText.hpp"
#include "sv/GroupBox.hpp"
#include "sv/ListBox.hpp"
#include "sv/ModalDialog.hpp"
#include "sv/PushButton.hpp"
#include "sv/SpinField.hpp"
#include "sv/VirtualDevice.hpp"

#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Counter : LinkHdl {
    int n = 0;
    void* last = nullptr;
    long Hdl(void* p)
    {
        ++n;
        last = p;
        return 0;
    }
};

TEST(Window, PlaceSizeTextAndStateGoToTheWidget)
{
    Window top(nullptr);
    FixedText label(&top);
    EXPECT_FALSE(label.IsVisible()) << "windows start hidden";

    label.SetPosSizePixel(Point(10, 20), Size(100, 16));
    EXPECT_EQ(label.ChangePosPixel(Point(30, 40)), Point(10, 20));
    EXPECT_EQ(label.ChangeSizePixel(Size(50, 18)), Size(100, 16));
    EXPECT_EQ(label.GetPosPixel(), Point(30, 40));
    EXPECT_EQ(label.GetSizePixel(), Size(50, 18));
    EXPECT_EQ(label.GetWidget()->geometry(), QRect(30, 40, 50, 18));
    label.SetPosPixel(Point(-9, -29));
    EXPECT_EQ(label.GetPosPixel(), Point(-9, -29)) << "negative coordinates survive the round trip";

    label.SetText(String("Lichtart :"));
    EXPECT_EQ(label.GetText(), String("Lichtart :"));

    label.Show();
    EXPECT_TRUE(label.IsVisible());
    EXPECT_FALSE(label.GetWidget()->isHidden());
    label.Hide();
    EXPECT_FALSE(label.IsVisible());

    label.Disable();
    EXPECT_FALSE(label.IsEnabled());
    EXPECT_FALSE(label.GetWidget()->isEnabled());
    label.Enable();
    EXPECT_TRUE(label.IsEnabled());
}

TEST(Window, ChildOutlivingItsParentKeepsItsWidget)
{
    auto parent = std::make_unique<Window>(nullptr);
    PushButton button(parent.get());
    button.SetText(String("Go"));
    parent.reset();
    ASSERT_NE(button.GetWidget(), nullptr) << "Qt must not delete a widget a toolkit object owns";
    EXPECT_EQ(button.GetParent(), nullptr);
    EXPECT_EQ(button.GetText(), String("Go"));
}

TEST(Resources, ControlsTakeDesignedPlaceSizeAndText)
{
    qelvxn::RegisterLibraryResources();
    Window top(nullptr);
    struct Case {
        unsigned short id;
        Point pos;
        Size size;
    };
    const Case lists[] = {{805, {109, 25}, {80, 140}}, {806, {109, 50}, {80, 70}}, {807, {109, 100}, {80, 70}},
                          {808, {109, 75}, {80, 90}},  {810, {109, 125}, {80, 90}}};
    for (const Case& c : lists) {
        ListBox l(&top, ResId(c.id));
        EXPECT_EQ(l.GetPosPixel(), c.pos) << c.id;
        EXPECT_EQ(l.GetSizePixel(), c.size) << c.id;
        EXPECT_LT(l.GetWidget()->height(), c.size.Height()) << "the closed drop-down list is one line high";
    }
    FixedText label(&top, ResId(811));
    EXPECT_EQ(label.GetPosPixel(), Point(9, 129));
    EXPECT_EQ(label.GetSizePixel(), Size(109, 16));
    EXPECT_EQ(label.GetText(), String("Filter :"));

    NumericField dxx(&top, ResId(809));
    EXPECT_EQ(dxx.GetMin(), 30);
    EXPECT_EQ(dxx.GetMax(), 300);
    dxx.SetText(String("65"));
    EXPECT_EQ(dxx.GetText(), String("65"));
    dxx.SetText(String("999"));
    EXPECT_EQ(dxx.GetText(), String("300"));

    GroupBox frame(&top, ResId(800));
    EXPECT_EQ(frame.GetSizePixel(), Size(250, 165));
}

// The averaging dialog, also written to PNG for a reviewer.
TEST(Resources, DialogContextSeparatesControlsOfTheSameNumber)
{
    qelvxn::RegisterLibraryResources();
    size_t depth = ResMgr::Get()->GetContextDepth();
    {
        ModalDialog dlg(nullptr, ResId(517));
        EXPECT_EQ(dlg.GetText(), String("Messwertmittelung"));
        EXPECT_EQ(dlg.GetSizePixel(), Size(554, 314));
        FixedText counter(&dlg, ResId(2));
        PushButton place(&dlg, ResId(2));
        FixedBitmap left(&dlg, ResId(10)), right(&dlg, ResId(11));
        FixedText hint(&dlg, ResId(4));
        dlg.FreeResource();
        EXPECT_EQ(counter.GetPosPixel(), Point(19, 115));
        EXPECT_EQ(counter.GetText(), String("aktuelle Messung: Nr. 3 von 7"));
        EXPECT_EQ(place.GetPosPixel(), Point(355, 15));
        EXPECT_EQ(place.GetSizePixel(), Size(170, 30));
        EXPECT_EQ(right.GetPosPixel(), Point(187, 190));
        EXPECT_EQ(ResMgr::Get()->GetContextDepth(), depth);
        // Outside the dialog's context, number 2 is unknown.
        FixedText outside(&dlg, ResId(2));
        EXPECT_EQ(outside.GetSizePixel(), Size(0, 0));

        left.ChangeBackgroundBrush(Brush(Color(COL_LIGHTRED)));
        right.ChangeBackgroundBrush(Brush(Color(COL_LIGHTBLUE)));
        for (Window* w : std::initializer_list<Window*>{&counter, &place, &left, &right, &hint})
            w->Show();
        dlg.Show();
        EXPECT_TRUE(dlg.SaveAsPng(String(testenv::OutputDir() + "/toolkit-dialog-517.png")));
    }
    {
        ModalDialog forgotten(nullptr, ResId(517));
    }
    EXPECT_EQ(ResMgr::Get()->GetContextDepth(), depth) << "a dialog closes its context at the latest when it goes";
}

TEST(ListBox, SelectionAndHandlerFollowTheToolkitRules)
{
    Window top(nullptr);
    ListBox list(&top);
    Counter c;
    list.ChangeSelectHdl(LINK(&c, Counter, Hdl));
    for (const char* t : {"A", "C", "D65", "D50"})
        list.InsertEntry(String(t));
    EXPECT_EQ(list.GetEntryCount(), 4);
    EXPECT_EQ(list.GetSelectEntryPos(), LISTBOX_ENTRY_NOTFOUND) << "inserting selects nothing";
    EXPECT_EQ(list.GetSelectEntry(), String());

    list.SelectEntry(String("D65"));
    EXPECT_EQ(list.GetSelectEntryPos(), 2);
    list.SelectEntry(String("Dxx"));
    EXPECT_EQ(list.GetSelectEntryPos(), 2) << "an unknown text leaves the selection";
    list.SelectEntryPos(7);
    EXPECT_EQ(list.GetSelectEntryPos(), 2);
    EXPECT_EQ(c.n, 0) << "selecting from code calls no handler";

    list.ChooseEntryPos(3);
    EXPECT_EQ(c.n, 1);
    EXPECT_EQ(c.last, &list);
    EXPECT_EQ(list.GetSelectEntry(), String("D50"));

    list.Clear();
    EXPECT_EQ(list.GetEntryCount(), 0);
    EXPECT_EQ(list.GetSelectEntryPos(), LISTBOX_ENTRY_NOTFOUND);
}

TEST(Controls, CopiesHaveTheirOwnWidgetAndTheSameState)
{
    Window top(nullptr);
    ListBox list(&top);
    list.InsertEntry(String("2°"));
    list.InsertEntry(String("10°"));
    list.SelectEntryPos(1);
    list.SetPosSizePixel(Point(119, 50), Size(80, 70));
    list.Show();
    list.Disable();

    ListBox copy(list);
    EXPECT_NE(copy.GetWidget(), list.GetWidget());
    EXPECT_EQ(copy.GetParent(), &top);
    EXPECT_EQ(copy.GetWidget()->parentWidget(), top.GetWidget());
    EXPECT_EQ(copy.GetEntryCount(), 2);
    EXPECT_EQ(copy.GetSelectEntryPos(), 1);
    EXPECT_EQ(copy.GetPosPixel(), Point(119, 50));
    EXPECT_EQ(copy.GetSizePixel(), Size(80, 70));
    EXPECT_TRUE(copy.IsVisible());
    EXPECT_FALSE(copy.IsEnabled());

    copy.SelectEntryPos(0);
    EXPECT_EQ(list.GetSelectEntryPos(), 1) << "the copy is independent";

    FixedText a(&top), b(&top);
    a.SetText(String("x"));
    b = a;
    EXPECT_EQ(b.GetText(), String("x"));
    EXPECT_NE(a.GetWidget(), b.GetWidget());

    NumericField n(&top);
    n.SetMin(30);
    n.SetMax(300);
    n.SetText(String("50"));
    NumericField n2(n);
    EXPECT_EQ(n2.GetText(), String("50"));
    EXPECT_EQ(n2.GetMax(), 300);
}

TEST(OutputDevice, VirtualDeviceDrawsInclusiveRectanglesAndLines)
{
    VirtualDevice dev;
    ASSERT_TRUE(dev.SetOutputSizePixel(Size(24, 12)));
    dev.ChangeFillInBrush(Brush(Color(COL_WHITE)));
    dev.ChangePen(Pen(Color(COL_BLACK)));
    dev.ChangeBackgroundBrush(Brush(Color(COL_LIGHTGRAY)));
    dev.Erase();
    dev.DrawRect(Rectangle(Point(1, 1), Point(22, 10)));
    dev.DrawLine(Point(10, 6), Point(14, 6));
    QImage img = dev.GetBitmap(Point(0, 0), Size(24, 12)).GetImage();
    ASSERT_EQ(img.size(), QSize(24, 12));
    EXPECT_EQ(img.pixelColor(0, 0), QColor(192, 192, 192)) << "outside the rectangle";
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::black)) << "corners belong to the outline";
    EXPECT_EQ(img.pixelColor(22, 10), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(23, 11), QColor(192, 192, 192));
    EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::white)) << "filled inside";
    EXPECT_EQ(img.pixelColor(10, 6), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(14, 6), QColor(Qt::black)) << "both line ends are drawn";
    EXPECT_EQ(img.pixelColor(15, 6), QColor(Qt::white));
}

TEST(OutputDevice, TextSizeGrowsWithTextAndLines)
{
    Window w(nullptr);
    Size one = w.GetTextSize(String("Titel"));
    Size two = w.GetTextSize(String("Titel\nTitel"));
    Size wide = w.GetTextSize(String("Titel Titel"));
    EXPECT_GT(one.Width(), 0);
    EXPECT_GT(one.Height(), 0);
    EXPECT_GT(two.Height(), one.Height());
    EXPECT_GT(wide.Width(), one.Width());
}

} // namespace

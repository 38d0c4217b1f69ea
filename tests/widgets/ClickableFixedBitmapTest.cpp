// The clickable bitmap under real Qt mouse presses: the left button reaches
// the click handler only, any other button the parent only.
#include "qelvxn/widgets/ClickableFixedBitmap.hpp"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct Clicks : LinkHdl {
    std::vector<ClickableFixedBitmap*> seen;
    long Hdl(ClickableFixedBitmap* p)
    {
        seen.push_back(p);
        return 0;
    }
};

// A parent that counts the presses it is handed, and from where.
class Parent : public Window {
public:
    Parent() : Window(nullptr) { SetSizePixel(Size(200, 200)); }
    std::vector<MouseEvent> presses;
    void MouseButtonDown(const MouseEvent& rEvt) override { presses.push_back(rEvt); }
};

void Press(Window& rWin, Qt::MouseButton eButton, QPoint aAt = QPoint(5, 7))
{
    QMouseEvent e(QEvent::MouseButtonPress, aAt, rWin.GetWidget()->mapToGlobal(aAt), eButton, eButton, Qt::NoModifier);
    QApplication::sendEvent(rWin.GetWidget(), &e);
    QMouseEvent up(QEvent::MouseButtonRelease, aAt, rWin.GetWidget()->mapToGlobal(aAt), eButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(rWin.GetWidget(), &up);
}

TEST(ClickableFixedBitmap, LeftPressCallsTheHandlerOtherPressesGoToTheParent)
{
    Parent parent;
    ClickableFixedBitmap a(&parent, CFB_MEDIUM, 0), b(&parent, CFB_SMALL, 0);
    a.SetPosPixel(Point(10, 10));
    b.SetPosPixel(Point(100, 10));
    parent.Show();
    a.Show();
    b.Show();
    Clicks clicks;
    a.ChangeClickHdl(LINK(&clicks, Clicks, Hdl));
    b.ChangeClickHdl(LINK(&clicks, Clicks, Hdl));

    Press(b, Qt::LeftButton);
    Press(a, Qt::LeftButton);
    ASSERT_EQ(clicks.seen.size(), 2u);
    EXPECT_EQ(clicks.seen[0], &b) << "the handler learns which bitmap was clicked";
    EXPECT_EQ(clicks.seen[1], &a);
    EXPECT_TRUE(parent.presses.empty()) << "a left press goes nowhere else";
    ClickableFixedBitmap none(&parent, 0);
    none.Show();
    Press(none, Qt::LeftButton);
    EXPECT_TRUE(parent.presses.empty()) << "nor without a handler";

    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        parent.presses.clear();
        Press(a, button, QPoint(3, 4));
        ASSERT_EQ(parent.presses.size(), 1u) << "exactly once, not also through Qt's own propagation";
        EXPECT_FALSE(parent.presses[0].IsLeft());
        EXPECT_EQ(parent.presses[0].GetPosPixel(), Point(3, 4)) << "the same event, in the bitmap's coordinates";
    }
    EXPECT_EQ(clicks.seen.size(), 2u);
}

TEST(ClickableFixedBitmap, SizesAndCopies)
{
    Parent parent;
    const std::pair<int, short> sizes[] = {{0, 30}, {1, 50}, {2, 80}};
    for (auto [e, side] : sizes)
        EXPECT_EQ(ClickableFixedBitmap(&parent, static_cast<ClickableFixedBitmapSize>(e), 0).GetSizePixel(),
                  Size(side, side));
    Size given = FixedBitmap(&parent, 0).GetSizePixel();
    EXPECT_EQ(ClickableFixedBitmap(&parent, static_cast<ClickableFixedBitmapSize>(3), 0).GetSizePixel(), given);

    FixedBitmap plain(&parent, 0);
    plain.SetPosSizePixel(Point(17, 23), Size(41, 29));
    ClickableFixedBitmap fromPlain(plain);
    EXPECT_EQ(fromPlain.GetPosPixel(), Point(17, 23));
    EXPECT_EQ(fromPlain.GetSizePixel(), Size(41, 29));
    EXPECT_FALSE(fromPlain.GetClickHdl().IsSet());

    Clicks clicks;
    ClickableFixedBitmap original(&parent, CFB_SMALL, 0);
    original.ChangeClickHdl(LINK(&clicks, Clicks, Hdl));
    ClickableFixedBitmap copy(original);
    parent.Show();
    copy.Show();
    Press(copy, Qt::LeftButton);
    ASSERT_EQ(clicks.seen.size(), 1u) << "a copy keeps the handler";
    EXPECT_EQ(clicks.seen[0], &copy);
    fromPlain = original;
    EXPECT_TRUE(fromPlain.GetClickHdl() == original.GetClickHdl());
}

} // namespace

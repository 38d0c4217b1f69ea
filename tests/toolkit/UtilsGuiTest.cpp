// GUI pieces of the utility library, and the sample dialog rendered to PNG.
#include "qel/GRBitmapButtonBar.hpp"
#include "qel/MyPrinter.hpp"
#include "qel/RegisterTopWindow.hpp"
#include "qel/WaitVisualizer.hpp"
#include "qel/WindowPlacer.hpp"
#include "support/TestEnv.hpp"
#include "sv/FixedBitmap.hpp"
#include "sv/FixedText.hpp"
#include "sv/GroupBox.hpp"
#include "sv/ListBox.hpp"
#include "sv/ModalDialog.hpp"
#include "sv/PushButton.hpp"
#include "sv/ScriptedResponder.hpp"
#include "sv/SpinField.hpp"
#include "sv/StatusBar.hpp"

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <fstream>

namespace {

struct Clicks : LinkHdl {
    std::vector<int> ids;
    long Ok(void*) { ids.push_back(0x800); return 0; }
    long Cancel(void*) { ids.push_back(4); return 0; }
    long Bar(GRBitmapButtonBar* b) { ids.push_back(b->GetCurButtonId()); return 0; }
};

TEST(GRBitmapButtonBar, ButtonsStandInARowWithGapsAndFireByHandler)
{
    Window top(nullptr);
    Clicks c;
    GRBitmapButtonBar bar(&top, Point(0, 120), Size(145, 30), 1, Size(20, 0));
    EXPECT_EQ(bar.GetSizePixel(), Size(145, 30)) << "the size of one button";
    bar.AddButton(LINK(&c, Clicks, Ok), 0x800, 0);
    bar.AddGap(3);
    bar.AddButton(LINK(&c, Clicks, Cancel), 4, 0);
    bar.AddButton(Bitmap(), String("Key"), 99, 0, 272);
    bar.ChangeClickHdl(LINK(&c, Clicks, Bar));
    ASSERT_EQ(bar.GetButtonCount(), 3);
    EXPECT_EQ(bar.GetButton(0x800)->GetText(), String("OK"));
    EXPECT_EQ(bar.GetButton(4)->GetPosPixel(), Point(145 + 20 + 3, 0));
    EXPECT_EQ(bar.GetButton(99)->GetPosPixel(), Point(2 * 145 + 2 * 20 + 3, 0));
    EXPECT_EQ(bar.GetBarSizePixel(), Size(3 * 145 + 2 * 20 + 3, 30));

    bar.DisableButton(0x800);
    EXPECT_FALSE(bar.IsButtonEnabled(0x800));
    EXPECT_FALSE(bar.ClickButton(0x800));
    EXPECT_TRUE(bar.ClickButton(4));
    EXPECT_TRUE(bar.ClickButton(99));
    EXPECT_EQ(c.ids, (std::vector<int>{4, 99})) << "a button without handler calls the bar's handler";
    EXPECT_EQ(bar.ChangePosPixel(Point(20, 120)), Point(0, 120));
}

TEST(WaitVisualizer, ReportsProgressAndTheUsersAbort)
{
    ScriptedResponder r;
    ScopedResponder use(r);
    r.SetAbortProgressAt(2);
    WaitVisualizer wait(nullptr, String("Download"), String("Guide 1"), true, true);
    wait.Display(0.25);
    EXPECT_FALSE(wait.Aborted());
    wait.Display(1.5);
    EXPECT_TRUE(wait.Aborted());
    EXPECT_EQ(r.ProgressSteps(), (std::vector<double>{0.25, 1.0}));
}

TEST(RegisterTopWindow, NewestLivingRegistrationIsActive)
{
    EXPECT_EQ(RegisterTopWindow::GetActiveTopWindow(), nullptr);
    Window a(nullptr), b(nullptr);
    {
        RegisterTopWindow ra(&a);
        {
            RegisterTopWindow rb(&b);
            EXPECT_EQ(RegisterTopWindow::GetActiveTopWindow(), &b);
        }
        EXPECT_EQ(RegisterTopWindow::GetActiveTopWindow(), &a);
    }
    EXPECT_EQ(RegisterTopWindow::GetActiveTopWindow(), nullptr);
}

TEST(WindowPlacer, CentresTheDialogOverItsParent)
{
    Window parent(nullptr);
    parent.SetPosSizePixel(Point(100, 100), Size(600, 400));
    parent.Show();
    ModalDialog dlg(&parent, WinBits(0));
    dlg.SetSizePixel(Size(200, 100));
    WindowPlacer(&parent, &dlg, 1);
    QPoint origin = parent.GetWidget()->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(dlg.GetPosPixel(), Point(origin.x() + 200, origin.y() + 150));
}

TEST(MyPrinter, WritesAPdfWithPositionsInTenthsOfAMillimetre)
{
    std::string path = testenv::OutputDir() + "/toolkit-printout.pdf";
    {
        MyPrinter p{String(path)};
        ASSERT_TRUE(p.IsOpen());
        p.WriteString(String("LAB:"), 0);
        p.WriteString(String("50.00 10.00 -5.00  (No,Abs,D65,10°)"), 700);
        p.WriteLn(2);
        p.WriteString(String("next"), 0);
        ASSERT_EQ(p.GetItems().size(), 3u);
        EXPECT_EQ(p.GetItems()[1].nX, 700);
        EXPECT_EQ(p.GetItems()[2].nY, 2 * p.GetLineHeight());
        EXPECT_GT(p.GetLineHeight(), 30) << "a 4 mm font needs more than 3 mm per line";
    }
    std::ifstream f(path, std::ios::binary);
    std::string head(4, '\0');
    f.read(head.data(), 4);
    EXPECT_EQ(head, "%PDF");
}

// Every control kind in one dialog, written to PNG for a reviewer.
TEST(SampleDialog, RendersEveryControlKindToPng)
{
    ModalDialog dlg(nullptr, WinBits(0));
    dlg.SetText(String("Sample"));
    dlg.SetSizePixel(Size(420, 260));
    auto place = [](Window& w, Point at, Size size, const char* text = nullptr) {
        w.SetPosSizePixel(at, size);
        if (text)
            w.SetText(String(text));
        w.Show();
    };
    GroupBox frame(&dlg);
    place(frame, Point(10, 5), Size(250, 120), "Messbedingungen");
    FixedText label(&dlg);
    place(label, Point(20, 35), Size(90, 16), "Lichtart :");
    ListBox list(&dlg);
    for (const char* t : {"A", "C", "D65", "D50"})
        list.InsertEntry(String(t));
    list.SelectEntry(String("D65"));
    place(list, Point(120, 30), Size(80, 140));
    NumericField dxx(&dlg);
    dxx.SetMin(30);
    dxx.SetMax(300);
    place(dxx, Point(205, 30), Size(50, 22), "65");
    FixedBitmap swatch(&dlg);
    swatch.ChangeBackgroundBrush(Brush(Color(180, 40, 60)));
    place(swatch, Point(20, 70), Size(62, 40));
    PushButton measure(&dlg);
    place(measure, Point(280, 15), Size(120, 28), "Messen");
    OKButton ok(&dlg);
    place(ok, Point(280, 50), Size(120, 28));
    CancelButton cancel(&dlg);
    place(cancel, Point(280, 85), Size(120, 28));
    GRBitmapButtonBar bar(&dlg, Point(10, 140), Size(90, 28), 1, Size(8, 0));
    for (unsigned short id : {0x800, 4, 0x4000})
        bar.AddButton(Link(), id);
    StatusBar status(&dlg);
    status.InsertItem(1, 190, 0, 5, 0xFFFF);
    status.InsertItem(2, 190, 0, 5, 0xFFFF);
    status.SetItemText(1, String("Pad: Red"));
    status.SetItemText(2, String("Selected: Blue"));
    place(status, Point(0, 230), Size(420, 30));
    dlg.Show();
    std::string path = testenv::OutputDir() + "/toolkit-sample-dialog.png";
    ASSERT_TRUE(dlg.SaveAsPng(String(path)));
    QImage img(QString::fromStdString(path));
    ASSERT_EQ(img.size(), QSize(420, 260));
    EXPECT_EQ(img.pixelColor(40, 90), QColor(180, 40, 60)) << "the swatch's background brush";
}

} // namespace

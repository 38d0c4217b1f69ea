// vxn-studio driven as a user would, headless: the library's boxes and the
// averaging dialog appear as real Qt dialogs (the program's QtResponder),
// and a watcher answers them from the event loop. The tests look at what
// the window shows (texts, enabled buttons, the list), not at pixels.
#include "support/TestEnv.hpp"

#include "ConnectPanel.hpp"
#include "StudioWindow.hpp"
#include "SwatchPanel.hpp"
#include "SettingsPanel.hpp"
#include "ValueList.hpp"

#include "qel/AppConfig.hpp"
#include "qel/ColorVector.hpp"
#include "qel/PostOffice.hpp"
#include "qeldb/ObjectStore.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "qelvxn/conditions/VxnSetVisual.hpp"
#include "qelvxn/library/InfoMehrfachmessung.hpp"
#include "qelvxn/widgets/Farbmuster.hpp"
#include "sv/DragServer.hpp"
#include "sv/FixedBitmap.hpp"
#include "sv/ModalDialog.hpp"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>
#include <lcms2.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using studio::LinkChoice;
using studio::LinkKind;
using studio::StudioWindow;

// Answers what the program and the library ask on screen: every message
// box with its default button, the averaging dialog with its Measure
// button until the series is complete.
class Operator {
public:
    Operator()
    {
        QObject::connect(&maTimer, &QTimer::timeout, [this] { Act(); });
        maTimer.start(5);
    }
    std::vector<std::string> boxes;  // the texts of the boxes answered
    int nAveragingDialogs = 0;
    int nMaxCount = 0;  // the most measurements one averaging dialog showed

private:
    void Act()
    {
        if (mbActing)
            return;
        mbActing = true;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                boxes.push_back(box->text().toStdString());
                (box->defaultButton() ? box->defaultButton() : box->buttons().front())->click();
            }
        if (auto* dlg = dynamic_cast<InfoMehrfachmessung*>(ModalDialog::GetExecuting())) {
            if (dlg != mpLast) {
                mpLast = dlg;
                ++nAveragingDialogs;
            }
            dlg->MeasureHdl(nullptr);
            nMaxCount = std::max(nMaxCount, dlg->GetCount());
        }
        mbActing = false;
    }
    QTimer maTimer;
    bool mbActing = false;
    ModalDialog* mpLast = nullptr;
};

class StudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        maConfig = testenv::FreshConfigPath();
        AppConfig::SetPathName(String(maConfig));
        maOptions.store = maConfig + ".values.db";
    }

    std::unique_ptr<StudioWindow> Open(const std::string& rPort = "")
    {
        studio::StudioOptions o = maOptions;
        o.port = rPort;
        auto w = std::make_unique<StudioWindow>(o);
        studio::Prompts& p = w->GetPrompts();
        p.saveFile = [this](const QString&, const QString&, const QString&) { return QString::fromStdString(maNextFile); };
        p.openFile = p.saveFile;
        p.text = [this](const QString&, const QString&, QString& r) {
            r = QString::fromStdString(maNextText);
            return true;
        };
        p.confirm = [](const QString&) { return true; };
        p.error = [this](const QString& r) { errors.push_back(r.toStdString()); };
        w->show();
        return w;
    }

    std::string maConfig;
    studio::StudioOptions maOptions;
    std::string maNextFile, maNextText;
    std::vector<std::string> errors;
};

TEST_F(StudioTest, AveragedValueAsReferenceGivesTheDifferenceLine)
{
    Operator op;
    auto w = Open();
    ASSERT_TRUE(w->GetInstrument().IsConnected()) << w->StatusText().toStdString();
    EXPECT_TRUE(w->StatusText().contains("emulator:")) << w->StatusText().toStdString();
    EXPECT_TRUE(w->MeasureButton()->isEnabled());
    EXPECT_FALSE(w->StoreButton()->isEnabled()) << "nothing measured yet";
    EXPECT_FALSE(w->ScanButton()->isEnabled()) << "the hand-held instrument has no table";
    EXPECT_EQ(w->Swatch()->LineText(5), "No measurement");
    EXPECT_TRUE(w->Settings()->StoreButton()->isEnabled()) << "the conditions can be changed";

    String answer;
    ASSERT_EQ(PostOffice::Instance()->Control(String("sample 2"), answer), 0) << "light skin under the head";
    w->MeanBox()->setValue(2);
    ASSERT_TRUE(w->MeasureNow()) << w->StatusText().toStdString();
    EXPECT_EQ(AppConfig::Instance()->ReadKey(String("VXN"), String("MEAN")).str(), "2");
    EXPECT_EQ(op.nAveragingDialogs, 1);
    EXPECT_EQ(op.nMaxCount, 2) << "the dialog ends with the second measurement";
    EXPECT_FALSE(op.boxes.empty()) << "the first measurement under a filter calibrates, after asking";
    EXPECT_TRUE(w->StatusText().contains("mean of 2")) << w->StatusText().toStdString();
    EXPECT_TRUE(w->Swatch()->LineText(0).startsWith("L=")) << w->Swatch()->LineText(0).toStdString();
    EXPECT_EQ(w->Swatch()->LineText(4), "") << "no reference, no difference line";

    long id = w->StoreLatest();
    ASSERT_GT(id, 0) << w->StatusText().toStdString();
    ASSERT_EQ(w->Values()->count(), 1);
    QListWidgetItem* item = w->Values()->item(0);
    EXPECT_TRUE(item->text().contains(w->Swatch()->LineText(5))) << "the entry names the value";
    EXPECT_TRUE(item->text().contains("L*")) << item->text().toStdString();
    EXPECT_TRUE(w->ReferenceButton()->isEnabled()) << "the stored value is selected";

    ASSERT_TRUE(w->SetSelectedAsReference());
    EXPECT_TRUE(w->Swatch()->ReferenceText().contains("#" + QString::number(id)));
    EXPECT_TRUE(item->font().bold()) << "the reference is marked in the list";

    ASSERT_EQ(PostOffice::Instance()->Control(String("sample 3"), answer), 0) << "blue sky";
    w->MeanBox()->setValue(1);
    ASSERT_TRUE(w->MeasureNow());
    QString diff = w->Swatch()->LineText(4);
    ASSERT_TRUE(diff.startsWith("dE=")) << diff.toStdString();
    EXPECT_GT(diff.mid(3).trimmed().toDouble(), 10.0) << "blue sky is far from light skin";
    EXPECT_TRUE(w->Swatch()->LineText(0).startsWith("dL=")) << w->Swatch()->LineText(0).toStdString();
    EXPECT_EQ(op.nAveragingDialogs, 1) << "a mean count of 1 measures without the dialog";

    w->resize(1000, 640);
    QApplication::processEvents();
    EXPECT_TRUE(w->grab().save(QString::fromStdString(testenv::OutputDir() + "/vxn-studio-main.png")));
}

TEST_F(StudioTest, EndpointsOfTheLinkChoices)
{
    struct Case {
        LinkKind eKind;
        const char* pTarget;
        const char* pEndpoint;  // null: refused
    };
    const Case cases[] = {
        {LinkKind::Virtual, "", "emulator:"},
        {LinkKind::Virtual, "vxn-table", "emulator:profile=vxn-table"},
        {LinkKind::Virtual, "no-such-model", nullptr},
        {LinkKind::Tcp, "127.0.0.1:7001", "tcp:127.0.0.1:7001"},
        {LinkKind::Tcp, "127.0.0.1", nullptr},
        {LinkKind::Tcp, "host:70000", nullptr},
        {LinkKind::Serial, "/dev/pts/3?baud=9600", "serial:/dev/pts/3?baud=9600"},
        {LinkKind::Serial, "", nullptr},
        {LinkKind::Driver, "CV10.dll", nullptr},
    };
    for (const Case& c : cases) {
        std::string endpoint, err;
        LinkChoice choice{c.eKind, c.pTarget, ""};
        bool ok = studio::EndpointOf(choice, endpoint, err);
        SCOPED_TRACE(c.pTarget);
        ASSERT_EQ(ok, c.pEndpoint != nullptr) << err;
        if (!ok) {
            EXPECT_FALSE(err.empty());
            continue;
        }
        EXPECT_EQ(endpoint, c.pEndpoint);
        LinkChoice back = studio::ChoiceOf(endpoint);
        EXPECT_EQ(back.eKind, c.eKind);
        EXPECT_EQ(back.aTarget, c.pTarget);
    }
}

TEST_F(StudioTest, AFailedConnectionLeavesNothingToMeasureWith)
{
    struct Case {
        LinkChoice choice;
        const char* pReason;
    };
    const Case cases[] = {
        {{LinkKind::Tcp, "127.0.0.1:1", ""}, "cannot reach the instrument at tcp:127.0.0.1:1"},
        {{LinkKind::Driver, "/nonexistent/CV10.dll", ""}, "cannot load the driver module /nonexistent/CV10.dll"},
        {{LinkKind::Serial, "/nonexistent/tty", ""}, "cannot reach the instrument at serial:/nonexistent/tty"},
    };
    auto w = Open();
    ASSERT_TRUE(w->GetInstrument().IsConnected());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pReason);
        w->Connection()->SetChoice(c.choice);
        EXPECT_FALSE(w->ConnectNow());
        EXPECT_FALSE(w->GetInstrument().IsConnected());
        EXPECT_TRUE(w->StatusText().contains(c.pReason)) << w->StatusText().toStdString();
        EXPECT_FALSE(w->MeasureButton()->isEnabled());
        EXPECT_FALSE(w->MeasureNow());
    }
    w->Connection()->SetChoice({LinkKind::Virtual, "", ""});
    EXPECT_TRUE(w->ConnectNow()) << "the virtual instrument is there again";
}

// The value list's operations, each saved in the store at once: what a
// second window on the same store lists.
TEST_F(StudioTest, ValueListOperationsReachTheStore)
{
    Operator op;
    auto w = Open();
    ASSERT_TRUE(w->MeasureNow());
    long first = w->StoreLatest();
    ASSERT_TRUE(w->MeasureNow());
    long second = w->StoreLatest();
    ASSERT_EQ(w->Values()->count(), 2);

    // A swatch dragged onto the list is kept as a value of its own.
    class Catch : public Window {
    public:
        Catch() : Window(nullptr) { EnableDrop(true); }
        bool Drop(const DropEvent&) override
        {
            text = DragServer::PasteData(String(Farbmuster::MEASVALUE_MIME_TYPE)).str();
            return true;
        }
        std::string text;
    } target;
    ASSERT_TRUE(w->Swatch()->Swatch()->GetSwatch()->ExecuteDrag(&target));
    ASSERT_NE(target.text.find("MeasValue"), std::string::npos) << target.text;
    QMimeData mime;
    mime.setData(Farbmuster::MEASVALUE_MIME_TYPE, QByteArray::fromStdString(target.text));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w->Values()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted()) << "the list takes a swatch";
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w->Values()->viewport(), &drop);
    ASSERT_EQ(w->Values()->count(), 3) << (errors.empty() ? "" : errors.back());
    EXPECT_TRUE(w->Values()->item(2)->text().contains("L*")) << "the dropped value has an L*a*b*";

    w->Values()->Select(first);
    maNextText = "Press 4 proof";
    ASSERT_TRUE(w->RenameSelected());
    w->Values()->Select(second);
    ASSERT_TRUE(w->SetSelectedAsReference());
    ASSERT_TRUE(w->DeleteSelected());
    EXPECT_FALSE(w->Swatch()->HasReference()) << "deleting the reference clears it";

    maNextFile = maConfig + ".pdf";
    w->Values()->Select(first);
    ASSERT_TRUE(w->PrintSelected()) << (errors.empty() ? "" : errors.back());
    EXPECT_EQ(testenv::Slurp(maNextFile).substr(0, 5), "%PDF-");

    maNextFile = maConfig + ".cgats";
    w->Values()->clearSelection();
    ASSERT_TRUE(w->ExportSelected()) << (errors.empty() ? "" : errors.back());
    cmsHANDLE it8 = cmsIT8LoadFromFile(nullptr, maNextFile.c_str());
    ASSERT_TRUE(it8);
    EXPECT_EQ(cmsIT8GetPropertyDbl(it8, "NUMBER_OF_SETS"), 2) << "without a selection, every value";
    EXPECT_STREQ(cmsIT8GetData(it8, "1", "SAMPLE_NAME"), "Press 4 proof");
    cmsIT8Free(it8);

    w.reset();
    auto again = Open();
    ASSERT_EQ(again->Values()->count(), 2);
    EXPECT_TRUE(again->Values()->item(0)->text().contains("Press 4 proof"));
    EXPECT_EQ(again->Values()->RowOf(second), -1);
    EXPECT_TRUE(errors.empty()) << errors.front();

    // Another station saves into the shared store: the list follows.
    EXPECT_FALSE(again->Values()->Refresh()) << "nothing changed";
    {
        PtErrorCode code = PT_OK;
        String err;
        auto other = ObjectStore::Open(String(maOptions.store), ObjectStore::OPEN_EXISTING, code, err);
        ASSERT_TRUE(other) << err.str();
        GPtMesswert v;
        v.SetLab(LABVector(50, 0, 0, MeasuringCondition()));
        v.SetOrigin("Press 9", "4711");
        ASSERT_EQ(other->Save(v), PT_OK);
    }
    again->Values()->Select(first);
    ASSERT_TRUE(again->Values()->Refresh());
    ASSERT_EQ(again->Values()->count(), 3);
    EXPECT_TRUE(again->Values()->item(2)->text().contains("at Press 9")) << again->Values()->item(2)->text().toStdString();
    EXPECT_TRUE(again->Values()->item(0)->text().contains(QString::fromStdString("at " + again->Values()->Station())));
    EXPECT_EQ(again->Values()->SelectedId(), first) << "the selection stays";
    EXPECT_FALSE(again->Values()->Refresh());
}

TEST_F(StudioTest, ScansAPositionsFileOnTheTable)
{
    Operator op;
    maNextFile = maConfig + ".positions.csv";
    std::ofstream(maNextFile) << "name,x,y\ndark skin,880,780\nlight skin,1280,780\nblue sky,1680,780\n";
    auto w = Open("emulator:profile=vxn-table");
    ASSERT_TRUE(w->GetInstrument().HasTable()) << w->StatusText().toStdString();
    EXPECT_TRUE(w->ScanButton()->isEnabled());
    EXPECT_EQ(w->ScanPositions(), 3) << (errors.empty() ? "" : errors.back());
    EXPECT_EQ(w->StatusText(), "Scanned 3 of 3 positions");
    ASSERT_EQ(w->Values()->count(), 3);
    EXPECT_TRUE(w->Values()->item(2)->text().contains("blue sky"));
    EXPECT_EQ(w->Swatch()->LineText(5), "blue sky") << "the swatch follows the scan";

    std::ofstream(maNextFile) << "name,x,y\nfar away,40000,1\n";
    EXPECT_EQ(w->ScanPositions(), 0);
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors.back().find("line 2"), std::string::npos) << errors.back();
}

TEST_F(StudioTest, WindowStateAndChoicesComeBack)
{
    {
        auto w = Open("emulator:profile=vxn-table");
        w->resize(1100, 720);
        w->Swatch()->FormulaBox()->setCurrentIndex(2);
        QApplication::processEvents();
        w->SaveState();
    }
    auto w = Open();
    EXPECT_EQ(w->size(), QSize(1100, 720));
    EXPECT_EQ(w->Swatch()->Formula(), CTYPE_LABMG);
    EXPECT_TRUE(w->GetInstrument().HasTable()) << "the link chosen last time";
    EXPECT_EQ(w->Connection()->ProfileBox()->currentData().toString(), "vxn-table");
}

// Measuring takes the conditions the settings panel shows; Store settings
// writes them where every program reads them.
TEST_F(StudioTest, MeasuresUnderTheConditionsThePanelShows)
{
    Operator op;
    auto w = Open();
    VxnSetVisual* panel = w->Settings()->Visual();
    ListBox& observer = panel->GetObserverList();
    unsigned short ten = observer.GetEntryPos(String("10\u00b0"));
    ASSERT_NE(ten, LISTBOX_ENTRY_NOTFOUND);
    observer.ChooseEntryPos(ten);
    ASSERT_TRUE(w->MeasureNow());
    EXPECT_TRUE(w->Swatch()->LineText(3).contains("10")) << w->Swatch()->LineText(3).toStdString();
    EXPECT_EQ(AppConfig::Instance()->ReadKey(String("VXNSettings"), String("Observer"), String("")).str(), "")
        << "nothing stored before Store settings";
    std::string err;
    ASSERT_TRUE(w->Settings()->Store(err)) << err;
    EXPECT_EQ(VxnSet(AppConfig::Instance()->GetConfig(), w->GetInstrument().DeviceType()).GetObserver(), OBSERVER_10);
}

// What the window refuses leaves the list as it was and says why.
TEST_F(StudioTest, RefusalsLeaveTheListAsItWas)
{
    auto w = Open();
    GPtMesswert lab;
    lab.SetLab(LABVector(50, 10, -10, MeasuringCondition()));
    std::string err;
    long labId = w->Values()->Add(lab, "", err);
    ASSERT_GT(labId, 0) << err;

    struct Case {
        const char* pWhat;
        std::function<bool()> act;
        const char* pError;
    };
    const Case cases[] = {
        {"a Lab value as reference",
         [&] {
             w->Values()->Select(labId);
             return w->SetSelectedAsReference();
         },
         "no spectrum"},
        {"plain text dropped",
         [&] {
             QMimeData mime;
             mime.setText("not a measured value");
             QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(w->Values()->viewport(), &enter);
             return enter.isAccepted();
         },
         nullptr},
        {"a positions file that is not there",
         [&] {
             maNextFile = maConfig + ".missing.csv";
             w->Connection()->SetChoice({LinkKind::Virtual, "vxn-table", ""});
             return w->ConnectNow() && w->ScanPositions() > 0;
         },
         "cannot read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pWhat);
        errors.clear();
        EXPECT_FALSE(c.act());
        EXPECT_EQ(w->Values()->count(), 1);
        if (c.pError) {
            ASSERT_EQ(errors.size(), 1u);
            EXPECT_NE(errors[0].find(c.pError), std::string::npos) << errors[0];
        }
    }
    EXPECT_FALSE(w->Swatch()->HasReference());
}

} // namespace

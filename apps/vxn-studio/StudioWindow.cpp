#include "StudioWindow.hpp"

#include "ConnectPanel.hpp"
#include "SettingsPanel.hpp"
#include "SwatchPanel.hpp"
#include "TableScan.hpp"
#include "ValueFiles.hpp"
#include "ValueList.hpp"

#include "qel/AppConfig.hpp"
#include "qel/AppDir.hpp"
#include "qel/CMetry.hpp"
#include "qel/MyPrinter.hpp"
#include "qel/PostOffice.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/library/ScanLib.hpp"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace studio {

namespace {

const String GROUP("Studio");

String ReadStudio(const char* pKey)
{
    return AppConfig::Instance()->ReadKey(GROUP, String(pKey), String(""));
}

void WriteStudio(const char* pKey, const std::string& rValue)
{
    AppConfig::Instance()->WriteKey(GROUP, String(pKey), String(rValue));
}

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

Prompts QtPrompts(QWidget* pParent)
{
    Prompts p;
    p.saveFile = [pParent](const QString& title, const QString& filter, const QString& name) {
        return QFileDialog::getSaveFileName(pParent, title, name, filter);
    };
    p.openFile = [pParent](const QString& title, const QString& filter, const QString& dir) {
        return QFileDialog::getOpenFileName(pParent, title, dir, filter);
    };
    p.text = [pParent](const QString& title, const QString& label, QString& rText) {
        bool ok = false;
        QString t = QInputDialog::getText(pParent, title, label, QLineEdit::Normal, rText, &ok);
        if (ok)
            rText = t;
        return ok;
    };
    p.confirm = [pParent](const QString& question) {
        return QMessageBox::question(pParent, "vxn-studio", question) == QMessageBox::Yes;
    };
    p.error = [pParent](const QString& text) { QMessageBox::warning(pParent, "vxn-studio", text); };
    return p;
}

} // namespace

StudioWindow::StudioWindow(const StudioOptions& rOptions) : maOptions(rOptions)
{
    setWindowTitle("vxn-studio");
    Responder::SetCurrent(&maResponder);
    maPrompts = QtPrompts(this);

    auto* split = new QSplitter;
    split->setObjectName("mainSplitter");
    split->addWidget(BuildLeft());
    split->addWidget(BuildRight());
    split->setStretchFactor(1, 1);
    setCentralWidget(split);
    statusBar()->showMessage("Ready");

    std::string err;
    if (!mpValues->Open(maOptions.store, err))
        Status(Q(err));
    mpStoreLabel->setText(Q("Value store: " + mpValues->Path()));
    RestoreState();

    // The start needs no set-up: the link chosen last time, else the one
    // the configuration names for every program (the built-in virtual
    // instrument by default).
    std::string endpoint = maOptions.port;
    if (endpoint.empty())
        endpoint = ReadStudio("Endpoint").str();
    if (endpoint.empty())
        endpoint = PostOffice::Instance()->GetEndpoint().str();
    LinkChoice choice = ChoiceOf(endpoint);
    if (maOptions.port.empty() && ReadStudio("Driver").str().size()) {
        choice.eKind = LinkKind::Driver;
        choice.aTarget = ReadStudio("Driver").str();
    }
    mpConnect->SetChoice(choice);
    if (choice.eKind != LinkKind::Driver)
        ConnectNow();
    UpdateEnabled();
}

StudioWindow::~StudioWindow()
{
    if (Responder::Current() == &maResponder)
        Responder::SetCurrent(nullptr);
}

QWidget* StudioWindow::BuildLeft()
{
    auto* left = new QWidget;
    auto* col = new QVBoxLayout(left);

    auto* instrument = new QGroupBox("Instrument");
    mpConnect = new ConnectPanel;
    (new QVBoxLayout(instrument))->addWidget(mpConnect);
    col->addWidget(instrument);

    mpSettings = new SettingsPanel;
    col->addWidget(mpSettings);

    auto* measure = new QGroupBox("Measure");
    auto* m = new QGridLayout(measure);
    mpMean = new QSpinBox;
    mpMean->setRange(1, 99);
    mpMean->setToolTip("Measurements averaged into one value (VXN, MEAN)");
    mpSimulator = new QCheckBox("Simulator");
    mpSimulator->setToolTip("Pick a spectrum in the measurement simulator instead of measuring");
    mpOperator = new QCheckBox("Turn the virtual instrument's filter wheel when asked");
    mpOperator->setChecked(true);
    mpMeasure = new QPushButton("Measure");
    mpMeasure->setDefault(true);
    mpStore = new QPushButton("Store");
    mpScan = new QPushButton("Scan positions...");
    m->addWidget(new QLabel("Averaging:"), 0, 0);
    m->addWidget(mpMean, 0, 1);
    m->addWidget(mpSimulator, 0, 2);
    m->addWidget(mpOperator, 1, 0, 1, 3);
    m->addWidget(mpMeasure, 2, 0);
    m->addWidget(mpStore, 2, 1);
    m->addWidget(mpScan, 2, 2);
    col->addWidget(measure);
    col->addStretch();

    connect(mpConnect, &ConnectPanel::ConnectRequested, this, [this] { ConnectNow(); });
    connect(mpMeasure, &QPushButton::clicked, this, [this] { MeasureNow(); });
    connect(mpStore, &QPushButton::clicked, this, [this] { StoreLatest(); });
    connect(mpScan, &QPushButton::clicked, this, [this] { ScanPositions(); });
    connect(mpSimulator, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    return left;
}

QWidget* StudioWindow::BuildRight()
{
    auto* right = new QWidget;
    auto* col = new QVBoxLayout(right);
    auto* latest = new QGroupBox("Swatch");
    mpSwatch = new SwatchPanel;
    (new QVBoxLayout(latest))->addWidget(mpSwatch);
    col->addWidget(latest);

    auto* store = new QGroupBox("Values");
    auto* s = new QVBoxLayout(store);
    mpStoreLabel = new QLabel;
    mpStoreLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mpStoreLabel->setWordWrap(true);
    mpValues = new ValueList;
    s->addWidget(mpStoreLabel);
    s->addWidget(mpValues, 1);
    auto* buttons = new QHBoxLayout;
    mpShow = new QPushButton("Show");
    mpRename = new QPushButton("Rename...");
    mpDelete = new QPushButton("Delete");
    mpReference = new QPushButton("Set as reference");
    mpPrint = new QPushButton("Print PDF...");
    mpExport = new QPushButton("Export CGATS...");
    for (QPushButton* b : {mpShow, mpRename, mpDelete, mpReference, mpPrint, mpExport})
        buttons->addWidget(b);
    s->addLayout(buttons);
    col->addWidget(store, 1);

    connect(mpShow, &QPushButton::clicked, this, [this] { ShowSelected(); });
    connect(mpRename, &QPushButton::clicked, this, [this] { RenameSelected(); });
    connect(mpDelete, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(mpReference, &QPushButton::clicked, this, [this] { SetSelectedAsReference(); });
    connect(mpPrint, &QPushButton::clicked, this, [this] { PrintSelected(); });
    connect(mpExport, &QPushButton::clicked, this, [this] { ExportSelected(); });
    connect(mpValues, &QListWidget::itemSelectionChanged, this, [this] { UpdateEnabled(); });
    connect(mpValues, &QListWidget::itemDoubleClicked, this, [this] { ShowSelected(); });
    connect(mpValues, &ValueList::ValueDropped, this, [this](long id) {
        mpValues->Select(id);
        Status(QString("Kept the dropped value as #%1").arg(id));
    });
    connect(mpValues, &ValueList::DropFailed, this, [this](const QString& why) { Fail(why); });
    connect(mpSwatch, &SwatchPanel::FormulaChanged, this,
            [](int e) { WriteStudio("Formula", std::to_string(e)); });
    connect(mpSwatch->ClearReferenceButton(), &QPushButton::clicked, this, [this] {
        mpValues->SetReferenceId(0);
        WriteStudio("Reference", "");
    });
    return right;
}

void StudioWindow::RestoreState()
{
    QByteArray geometry = QByteArray::fromBase64(QByteArray::fromStdString(ReadStudio("Geometry").str()));
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        resize(1000, 640);
    QByteArray split = QByteArray::fromBase64(QByteArray::fromStdString(ReadStudio("Splitter").str()));
    if (!split.isEmpty())
        static_cast<QSplitter*>(centralWidget())->restoreState(split);
    bool ok = false;
    int formula = QString::fromStdString(ReadStudio("Formula").str()).toInt(&ok);
    for (CType e : SwatchPanel::FORMULAS)
        if (ok && e == formula)
            mpSwatch->SetFormula(e);
    RestoreReference();
}

void StudioWindow::SaveState()
{
    WriteStudio("Geometry", saveGeometry().toBase64().toStdString());
    WriteStudio("Splitter", static_cast<QSplitter*>(centralWidget())->saveState().toBase64().toStdString());
}

void StudioWindow::closeEvent(QCloseEvent* pEvent)
{
    SaveState();
    QMainWindow::closeEvent(pEvent);
}

void StudioWindow::RestoreReference()
{
    long id = std::atol(ReadStudio("Reference").GetStr());
    if (id > 0 && mpValues->RowOf(id) >= 0) {
        mpValues->Select(id);
        SetSelectedAsReference();
    }
}

void StudioWindow::UpdateEnabled()
{
    const bool bConnected = maInstrument.IsConnected();
    const bool bSelected = mpValues->SelectedId() != 0;
    const bool bIdle = !mbBusy;
    mpSettings->SetEditable(bConnected && bIdle);
    mpMeasure->setEnabled(bConnected && bIdle);
    mpMean->setEnabled(bConnected && bIdle);
    mpSimulator->setEnabled(bConnected && bIdle);
    mpOperator->setEnabled(bConnected && bIdle && maInstrument.IsVirtual());
    mpScan->setEnabled(bConnected && bIdle && maInstrument.HasTable() && mpValues->IsOpen());
    mpStore->setEnabled(mbLatest && bIdle && mpValues->IsOpen());
    for (QPushButton* b : {mpShow, mpRename, mpDelete, mpReference, mpPrint})
        b->setEnabled(bSelected && bIdle);
    mpExport->setEnabled(mpValues->count() > 0 && bIdle);
    mpConnect->setEnabled(bIdle);
}

void StudioWindow::Status(const QString& rText)
{
    statusBar()->showMessage(rText);
}

QString StudioWindow::StatusText() const
{
    return statusBar()->currentMessage();
}

void StudioWindow::Fail(const QString& rText)
{
    Status(rText);
    maPrompts.error(rText);
}

bool StudioWindow::ConnectNow()
{
    if (mbBusy)
        return false;
    LinkChoice choice = mpConnect->Choice();
    std::string err;
    bool ok = maInstrument.Connect(choice, err);
    mpConnect->SetStatus(Q(ok ? maInstrument.Description() : err));
    if (ok) {
        std::string endpoint;
        WriteStudio("Endpoint", EndpointOf(choice, endpoint, err) ? endpoint : "");
        WriteStudio("Driver", choice.eKind == LinkKind::Driver ? choice.aTarget : "");
        mpMean->setValue(std::max(1, maInstrument.Lib()->GetVXNMeanCount()));
        mpSettings->SetDevice(maInstrument.DeviceType());
        mpValues->SetDropCondition(mpSettings->Conditions());
    }
    Status(Q(ok ? maInstrument.Description() : err));
    UpdateEnabled();
    return ok;
}

MeasuringCondition StudioWindow::Conditions()
{
    return mpSettings->Conditions();
}

bool StudioWindow::MeasureNow()
{
    ScanLib* lib = maInstrument.Lib();
    if (!lib || mbBusy)
        return false;
    MeasuringCondition cond = Conditions();
    // The library reads the count at every measurement.
    lib->SetVXNMeanCount(mpMean->value());
    VXNLib::Simulator(mpSimulator->isChecked());
    maResponder.SetWantedFilter(cond.GetFilter().GetType());
    maResponder.SetOperator(mpOperator->isChecked() && maInstrument.IsVirtual());
    maResponder.TakeAsked();
    CMetry::SetMeasuringConditions(cond);
    PostOffice::Instance()->ClearLastRefusal();
    PostOffice::Instance()->ClearLastFailure();

    mbBusy = true;
    UpdateEnabled();
    Status("Measuring...");
    // The simulator leaves the spectrum as it was when it is closed: values
    // no measurement gives tell that case apart.
    Spectrum s;
    s.Init(std::numeric_limits<float>::quiet_NaN());
    bool ok = lib->Measure(&mpSwatch->Host(), s, cond) && !std::isnan(s[0]);
    VXNLib::Simulator(false);
    mbBusy = false;
    if (ok) {
        cond.SetPhysicalConditions(s.GetPhysicalConditions());
        maLatest = GPtMesswert();
        maLatest.SetMeasuringCondition(cond);
        maLatest.SetSpectrum(s, 1);
        maLatestCond = cond;
        mbLatest = true;
        ShowLatest();
        int n = mpMean->value();
        Status(Q("Measured " + maLatest.GetBezeichnung().str() +
                 (n > 1 ? " (mean of " + std::to_string(n) + ")" : std::string())));
    } else {
        std::string why = Instrument::LastFailure();
        if (why.empty())
            Status("The measurement was cancelled");
        else
            Fail(Q("The measurement failed: " + why));
    }
    UpdateEnabled();
    return ok;
}

void StudioWindow::ShowLatest()
{
    mpSwatch->ShowValue(maLatest, maLatestCond, maLatest.GetBezeichnung().str());
}

long StudioWindow::StoreLatest()
{
    if (!mbLatest)
        return 0;
    GPtMesswert v = maLatest;
    std::string err;
    long id = mpValues->Add(v, maInstrument.Serial(), err);
    if (!id) {
        Fail(Q(err));
        return 0;
    }
    mpValues->Select(id);
    Status(QString("Stored as #%1").arg(id));
    UpdateEnabled();
    return id;
}

bool StudioWindow::ShowSelected()
{
    GPtMesswert v;
    long id = mpValues->LoadSelected(v);
    if (!id)
        return false;
    std::string name = v.GetBezeichnung().IsEmpty() ? "Value " + std::to_string(id) : v.GetBezeichnung().str();
    mpSwatch->ShowValue(v, vxn::ConditionOf(v, Conditions()), name);
    return true;
}

bool StudioWindow::SetSelectedAsReference()
{
    GPtMesswert v;
    long id = mpValues->LoadSelected(v);
    if (!id)
        return false;
    if (v.IsA() != GPtMesswert::TYPE_SPECTRUM) {
        Fail(QString("Value #%1 is no spectrum; a reference must be one").arg(id));
        return false;
    }
    Spectrum s;
    v.GetSpectrum(s);
    mpSwatch->SetReference(s, "#" + std::to_string(id) + " " + v.GetBezeichnung().str());
    mpValues->SetReferenceId(id);
    WriteStudio("Reference", std::to_string(id));
    Status(QString("Value #%1 is the reference").arg(id));
    return true;
}

bool StudioWindow::RenameSelected()
{
    GPtMesswert v;
    long id = mpValues->LoadSelected(v);
    if (!id)
        return false;
    QString name = Q(v.GetBezeichnung().str());
    if (!maPrompts.text("Rename", QString("New name of value #%1:").arg(id), name))
        return false;
    std::string err;
    if (!mpValues->Rename(id, name.toStdString(), err)) {
        Fail(Q(err));
        return false;
    }
    Status(QString("Renamed value #%1").arg(id));
    return true;
}

bool StudioWindow::DeleteSelected()
{
    std::vector<long> ids = mpValues->SelectedIds();
    if (ids.empty() || !maPrompts.confirm(QString("Delete %1 value(s) from the store?").arg(ids.size())))
        return false;
    for (long id : ids) {
        std::string err;
        if (!mpValues->Remove(id, err)) {
            Fail(Q(err));
            return false;
        }
        if (std::to_string(id) == ReadStudio("Reference").str()) {
            mpSwatch->SetReference(std::nullopt, "");
            WriteStudio("Reference", "");
        }
    }
    Status(QString("Deleted %1 value(s)").arg(ids.size()));
    UpdateEnabled();
    return true;
}

bool StudioWindow::PrintSelected()
{
    GPtMesswert v;
    long id = mpValues->LoadSelected(v);
    if (!id)
        return false;
    QString path = maPrompts.saveFile("Print to PDF", "PDF files (*.pdf)", QString("value-%1.pdf").arg(id));
    if (path.isEmpty())
        return false;
    MyPrinter printer{String(path.toStdString())};
    if (!printer.IsOpen()) {
        Fail("Cannot write " + path);
        return false;
    }
    v.Print(printer, 0);
    if (!printer.End()) {
        Fail("Cannot write " + path);
        return false;
    }
    Status("Printed to " + path);
    return true;
}

bool StudioWindow::ExportSelected()
{
    std::vector<long> ids = mpValues->SelectedIds();
    if (ids.empty())
        for (int i = 0; i < mpValues->count(); ++i)
            ids.push_back(static_cast<long>(mpValues->item(i)->data(ValueList::ID_ROLE).toLongLong()));
    if (ids.empty())
        return false;
    QString path = maPrompts.saveFile("Export CGATS", "CGATS files (*.cgats *.txt)", "values.cgats");
    if (path.isEmpty())
        return false;
    vxn::ValueSet values;
    for (long id : ids) {
        auto v = std::make_unique<GPtMesswert>();
        if (mpValues->Load(id, *v))
            values.Append(v.release());
    }
    std::string err;
    if (!vxn::WriteCgatsFile(path.toStdString(), values, err)) {
        Fail(Q(err));
        return false;
    }
    Status(QString("Exported %1 value(s) to %2").arg(values.Count()).arg(path));
    return true;
}

int StudioWindow::ScanPositions()
{
    ScanLib* table = maInstrument.Lib();
    if (!table || !maInstrument.HasTable() || mbBusy)
        return 0;
    QString path = maPrompts.openFile("Positions file", "Positions (*.csv *.txt)",
                                      Q(AppDir::GetDataDir().str() + "/chart24-positions.csv"));
    if (path.isEmpty())
        return 0;
    std::vector<vxn::TablePosition> positions;
    std::string err;
    if (!vxn::ReadPositions(path.toStdString(), positions, err)) {
        Fail(Q(err));
        return 0;
    }
    MeasuringCondition cond = Conditions();
    maResponder.SetWantedFilter(cond.GetFilter().GetType());
    maResponder.SetOperator(mpOperator->isChecked() && maInstrument.IsVirtual());
    CMetry::SetMeasuringConditions(cond);
    mbBusy = true;
    UpdateEnabled();
    ScanOutcome out = RunTableScan(
        *table, positions, cond, this, &mpSwatch->Host(),
        [this, &cond](const vxn::TablePosition& p, const Spectrum& s, std::string& rError) {
            MeasuringCondition c = cond;
            c.SetPhysicalConditions(s.GetPhysicalConditions());
            GPtMesswert v;
            v.SetMeasuringCondition(c);
            v.SetSpectrum(s, 0);
            v.SetBezeichnung(String(p.name));
            maLatest = v;
            maLatestCond = c;
            mbLatest = true;
            ShowLatest();
            return mpValues->Add(v, maInstrument.Serial(), rError) != 0;
        });
    mbBusy = false;
    QString done = QString("Scanned %1 of %2 positions").arg(out.nDone).arg(positions.size());
    if (!out.aFailure.empty())
        Fail(done + ": " + Q(out.aFailure));
    else
        Status(out.bCancelled ? done + " (cancelled)" : done);
    UpdateEnabled();
    return out.nDone;
}

} // namespace studio

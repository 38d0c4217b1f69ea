#include "ConnectPanel.hpp"

#include "vxnemu/Profile.hpp"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace studio {

namespace {
// The kinds in the order of the list.
constexpr LinkKind KINDS[] = {LinkKind::Virtual, LinkKind::Tcp, LinkKind::Serial, LinkKind::Driver};
const char* const KIND_NAMES[] = {"Virtual instrument", "TCP", "Serial line", "Driver module"};
const char* const TARGET_HINTS[] = {"", "host:port (vxn-emulator --tcp)", "/dev/ttyUSB0 or /dev/pts/N?baud=N",
                                    "path of the driver module (.dll)"};
} // namespace

ConnectPanel::ConnectPanel(QWidget* pParent) : QWidget(pParent)
{
    mpKind = new QComboBox;
    for (const char* name : KIND_NAMES)
        mpKind->addItem(name);
    mpProfile = new QComboBox;
    for (const vxnemu::Profile& p : vxnemu::Profiles()) {
        mpProfile->addItem(QString::fromStdString(p.name), QString::fromStdString(p.name));
        mpProfile->setItemData(mpProfile->count() - 1, QString::fromStdString(p.description), Qt::ToolTipRole);
    }
    mpTarget = new QLineEdit;
    mpBrowse = new QPushButton("Browse...");
    mpDriverPort = new QComboBox;
    mpDriverPort->addItem("stored port", QString());
    for (const char* port : {"COM1", "COM2", "COM3", "COM4"})
        mpDriverPort->addItem(port, QString(port));
    mpConnect = new QPushButton("Connect");
    mpStatus = new QLabel("Not connected");
    mpStatus->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Instrument:"), 0, 0);
    grid->addWidget(mpKind, 0, 1);
    grid->addWidget(mpProfile, 0, 2, 1, 2);
    grid->addWidget(mpTarget, 1, 1, 1, 2);
    grid->addWidget(mpBrowse, 1, 3);
    grid->addWidget(mpDriverPort, 2, 1);
    grid->addWidget(mpConnect, 2, 3);
    grid->addWidget(mpStatus, 3, 0, 1, 4);
    grid->setColumnStretch(2, 1);

    connect(mpKind, &QComboBox::currentIndexChanged, this, [this] { KindChanged(); });
    connect(mpConnect, &QPushButton::clicked, this, &ConnectPanel::ConnectRequested);
    connect(mpTarget, &QLineEdit::returnPressed, this, &ConnectPanel::ConnectRequested);
    connect(mpBrowse, &QPushButton::clicked, this, [this] {
        QString path = QFileDialog::getOpenFileName(this, "Driver module", QString(), "Driver modules (*.dll *.so)");
        if (!path.isEmpty())
            mpTarget->setText(path);
    });
    KindChanged();
}

LinkChoice ConnectPanel::Choice() const
{
    LinkChoice c;
    c.eKind = KINDS[std::max(0, mpKind->currentIndex())];
    if (c.eKind == LinkKind::Virtual)
        c.aTarget = mpProfile->currentData().toString().toStdString();
    else
        c.aTarget = mpTarget->text().trimmed().toStdString();
    if (c.eKind == LinkKind::Driver)
        c.aDriverPort = mpDriverPort->currentData().toString().toStdString();
    return c;
}

void ConnectPanel::SetChoice(const LinkChoice& rChoice)
{
    for (int i = 0; i < static_cast<int>(std::size(KINDS)); ++i)
        if (KINDS[i] == rChoice.eKind)
            mpKind->setCurrentIndex(i);
    if (rChoice.eKind == LinkKind::Virtual) {
        int n = mpProfile->findData(QString::fromStdString(rChoice.aTarget.empty() ? "vxn" : rChoice.aTarget));
        if (n >= 0)
            mpProfile->setCurrentIndex(n);
    } else {
        mpTarget->setText(QString::fromStdString(rChoice.aTarget));
    }
    int port = mpDriverPort->findData(QString::fromStdString(rChoice.aDriverPort));
    mpDriverPort->setCurrentIndex(port >= 0 ? port : 0);
    KindChanged();
}

void ConnectPanel::SetStatus(const QString& rText)
{
    mpStatus->setText(rText);
}

void ConnectPanel::KindChanged()
{
    int n = std::max(0, mpKind->currentIndex());
    LinkKind k = KINDS[n];
    mpProfile->setVisible(k == LinkKind::Virtual);
    mpTarget->setVisible(k != LinkKind::Virtual);
    mpTarget->setPlaceholderText(TARGET_HINTS[n]);
    mpBrowse->setVisible(k == LinkKind::Driver);
    mpDriverPort->setVisible(k == LinkKind::Driver);
}

} // namespace studio

#include "SettingsPanel.hpp"

#include "qel/AppConfig.hpp"
#include "qelvxn/conditions/VxnSetVisual.hpp"
#include "sv/Brush.hpp"
#include "sv/Color.hpp"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace studio {

namespace {
// The panel's frame (resource 800) is 250 x 165; the host leaves a margin.
constexpr int HOST_WIDTH = 262, HOST_HEIGHT = 176;
} // namespace

SettingsPanel::SettingsPanel(QWidget* pParent) : QWidget(pParent), maHost(nullptr)
{
    maHost.ChangeBackgroundBrush(Brush(Color(240, 240, 240)));
    maHost.GetWidget()->setFixedSize(HOST_WIDTH, HOST_HEIGHT);
    mpStore = new QPushButton("Store settings");
    mpRevert = new QPushButton("Revert");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(mpStore);
    buttons->addWidget(mpRevert);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(maHost.GetWidget());
    layout->addLayout(buttons);
    layout->addStretch();
    maHost.Show();
    connect(mpStore, &QPushButton::clicked, this, [this] {
        std::string err;
        if (!Store(err))
            QMessageBox::warning(this, "Settings", QString::fromStdString(err));
    });
    connect(mpRevert, &QPushButton::clicked, this, [this] { Revert(); });
    Build();
}

SettingsPanel::~SettingsPanel() = default;

void SettingsPanel::SetDevice(long nDeviceType)
{
    mnDeviceType = nDeviceType;
    Build();
}

void SettingsPanel::Build()
{
    mpVisual.reset();
    mpVisual = std::make_unique<VxnSetVisual>(&maHost, AppConfig::Instance()->GetConfig(),
                                              String("Measuring conditions"), Point(6, 6), 1, mnDeviceType, true);
    mpVisual->Show();
    SetEditable(mbEditable);
}

void SettingsPanel::SetEditable(bool bOn)
{
    // The panel stays in its shown state; greying the host greys it all
    // without touching the lists' own states (the white base stays greyed).
    mbEditable = bOn;
    maHost.GetWidget()->setEnabled(bOn);
    mpStore->setEnabled(bOn);
    mpRevert->setEnabled(bOn);
}

MeasuringCondition SettingsPanel::Conditions()
{
    return mpVisual->GetData();
}

bool SettingsPanel::Store(std::string& rError)
{
    // The configuration keeps its last write error; only a new one counts.
    String before = AppConfig::Instance()->GetLastError();
    if (!mpVisual->WriteDataToConfig() || !(AppConfig::Instance()->GetLastError() == before)) {
        rError = "the settings were not stored: " + AppConfig::Instance()->GetLastError().str();
        return false;
    }
    return true;
}

void SettingsPanel::Revert()
{
    VxnSet stored(AppConfig::Instance()->GetConfig(), mnDeviceType);
    mpVisual->SetData(stored.GetData());
}

} // namespace studio

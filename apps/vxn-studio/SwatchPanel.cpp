#include "SwatchPanel.hpp"

#include "qel/CMetry.hpp"
#include "qel/ColorVector.hpp"
#include "qelvxn/widgets/Farbmuster.hpp"
#include "sv/Brush.hpp"
#include "sv/Color.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace studio {

namespace {
constexpr int MARGIN = 12, SIDE = 80;
constexpr int HOST_WIDTH = 400, HOST_HEIGHT = 128;
const char* const FORMULA_NAMES[] = {"L*a*b*", "LCh", "DIN99", "DIN99 LCh"};
} // namespace

SwatchPanel::SwatchPanel(QWidget* pParent) : QWidget(pParent), maHost(nullptr)
{
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Formula:"));
    mpFormula = new QComboBox;
    for (const char* name : FORMULA_NAMES)
        mpFormula->addItem(name);
    top->addWidget(mpFormula);
    top->addStretch();
    mpReference = new QLabel;
    top->addWidget(mpReference);
    mpClearReference = new QPushButton("Clear reference");
    mpClearReference->setEnabled(false);
    top->addWidget(mpClearReference);

    maHost.ChangeBackgroundBrush(Brush(Color(240, 240, 240)));
    QWidget* host = maHost.GetWidget();
    host->setFixedSize(HOST_WIDTH, HOST_HEIGHT);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(host);
    maHost.Show();

    connect(mpFormula, &QComboBox::currentIndexChanged, this, [this](int n) {
        if (n >= 0 && FORMULAS[n] != meFormula) {
            SetFormula(FORMULAS[n]);
            emit FormulaChanged(meFormula);
        }
    });
    connect(mpClearReference, &QPushButton::clicked, this, [this] { SetReference(std::nullopt, ""); });
    SetReference(std::nullopt, "");
    Rebuild();
}

SwatchPanel::~SwatchPanel() = default;

void SwatchPanel::ShowValue(const GPtMesswert& rValue, const MeasuringCondition& rCond, const std::string& rTitle)
{
    maValue = rValue;
    maCond = rCond;
    maTitle = rTitle;
    mbValue = rValue.IsA() == GPtMesswert::TYPE_SPECTRUM || rValue.IsA() == GPtMesswert::TYPE_LAB;
    Rebuild();
}

void SwatchPanel::Clear()
{
    mbValue = false;
    Rebuild();
}

void SwatchPanel::SetReference(const std::optional<Spectrum>& rReference, const std::string& rName)
{
    maReference = rReference;
    mpReference->setText(rReference ? QString::fromStdString("Reference: " + rName) : QString("No reference"));
    mpClearReference->setEnabled(rReference.has_value());
    Rebuild();
}

void SwatchPanel::SetFormula(CType eFormula)
{
    meFormula = eFormula;
    for (int i = 0; i < static_cast<int>(std::size(FORMULAS)); ++i)
        if (FORMULAS[i] == eFormula && mpFormula->currentIndex() != i)
            mpFormula->setCurrentIndex(i);
    Rebuild();
}

void SwatchPanel::Rebuild()
{
    // The old swatch goes first: its labels are children of the host.
    mpSwatch.reset();
    const bool bRef = mbValue && maReference.has_value();
    mpSwatch = std::make_unique<Farbmuster>(String(mbValue ? maTitle : "No measurement"), &maHost,
                                            Point(MARGIN, MARGIN), Size(SIDE, SIDE), 1, 1, bRef, bRef);
    // The title stands above the swatch.
    int title = mpSwatch->GetLine(5).GetSizePixel().Height() + 5;
    mpSwatch->ChangePosPixel(Point(MARGIN, MARGIN + title));
    if (!mbValue) {
        mpSwatch->SetToInvalid(true);
        return;
    }
    // The value lines take the measuring conditions CMetry holds.
    MeasuringCondition before = CMetry::GetMeasuringConditions();
    CMetry::SetMeasuringConditions(maCond);
    mpSwatch->SetFormel(meFormula);
    if (bRef)
        mpSwatch->ReferenzSpektrum(*maReference);
    GPtMesswert v = maValue;
    if (v.IsA() == GPtMesswert::TYPE_SPECTRUM) {
        Spectrum s;
        v.GetSpectrum(s);
        mpSwatch->ZeigeSpektrum(s);
    } else {
        LABVector lab;
        v.GetLab(lab);
        mpSwatch->ZeigeLAB(lab);
    }
    mpSwatch->SetTitel(String(maTitle));
    CMetry::SetMeasuringConditions(before);
}

QString SwatchPanel::LineText(int nLine) const
{
    const FixedText& line = mpSwatch->GetLine(nLine);
    return line.IsVisible() ? QString::fromStdString(line.GetText().str()) : QString();
}

QString SwatchPanel::ReferenceText() const
{
    return mpReference->text();
}

} // namespace studio

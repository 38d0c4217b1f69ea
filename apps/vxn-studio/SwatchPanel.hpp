// The colour swatch of the latest value: the library's Farbmuster in a
// toolkit window embedded in the main window, with the colour formula of
// its value lines (L*a*b*, LCh, DIN99, DIN99 LCh) and, when a reference is
// set, the differences against it and the dE*ab line.
//
// The Farbmuster fixes at construction which lines it lays out, so the
// panel builds a new one whenever the value, the reference or the formula
// changes. The swatch can be dragged out (it hands out its sample as a
// MeasValue section, see Farbmuster.hpp).
#pragma once

#include "qel/ConditionTypes.hpp"
#include "qel/MeasuringCondition.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "sv/Window.hpp"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class Farbmuster;
class QComboBox;
class QLabel;
class QPushButton;

namespace studio {

class SwatchPanel : public QWidget {
    Q_OBJECT
public:
    // The formulas offered, in the order of the list.
    static constexpr CType FORMULAS[] = {CTYPE_LAB, CTYPE_LCH, CTYPE_LABMG, CTYPE_LCHMG};

    explicit SwatchPanel(QWidget* pParent = nullptr);
    ~SwatchPanel() override;

    // Shows the value under the condition (its colour is computed under the
    // condition's illuminant and observer), titled.
    void ShowValue(const GPtMesswert& rValue, const MeasuringCondition& rCond, const std::string& rTitle);
    // No value: the swatch is white with a dash.
    void Clear();
    bool HasValue() const { return mbValue; }
    const GPtMesswert& Value() const { return maValue; }

    // A spectrum to show differences against; nullopt clears it.
    void SetReference(const std::optional<Spectrum>& rReference, const std::string& rName);
    bool HasReference() const { return maReference.has_value(); }

    void SetFormula(CType eFormula);
    CType Formula() const { return meFormula; }

    // ---- state, for the tests and the README's pictures --------------------
    Farbmuster* Swatch() const { return mpSwatch.get(); }
    // Line 0 to 2 the values, 3 the condition, 4 the difference, 5 the
    // title; "" for a line that is not shown.
    QString LineText(int nLine) const;
    QString ReferenceText() const;
    QComboBox* FormulaBox() const { return mpFormula; }
    // The toolkit window the swatch lives in; the library's dialogs take it
    // as their parent.
    Window& Host() { return maHost; }
    QPushButton* ClearReferenceButton() const { return mpClearReference; }

signals:
    void FormulaChanged(int eFormula);

private:
    void Rebuild();

    Window maHost;
    std::unique_ptr<Farbmuster> mpSwatch;
    QComboBox* mpFormula = nullptr;
    QLabel* mpReference = nullptr;
    QPushButton* mpClearReference = nullptr;
    GPtMesswert maValue;
    MeasuringCondition maCond;
    std::string maTitle;
    bool mbValue = false;
    std::optional<Spectrum> maReference;
    CType meFormula = CTYPE_LAB;
};

} // namespace studio

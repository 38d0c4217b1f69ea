// vxn-studio's main window: every GUI piece of the library at work together.
//
//  - Instrument: where the instrument is (ConnectPanel), connected at start
//    to the built-in virtual instrument unless the configuration or --port
//    names another.
//  - Measuring conditions: the library's settings panel (SettingsPanel).
//  - Measure: through the library's whole chain with its own boxes and
//    dialogs (filter wait, calibration, the averaging dialog for "VXN"/"MEAN"
//    above 1, the simulator), answered by the user in real Qt dialogs.
//  - The swatch of the latest (or the selected) value (SwatchPanel), against
//    a reference from the store.
//  - The value store as a list (ValueList): store, rename, delete, set as
//    reference, print to PDF, export as CGATS, drop a swatch in.
//  - On a table: scan a positions file into the store (TableScan).
//
// Its choices (window geometry, the link, the formula, the reference) are
// kept in the configuration, group "Studio".
//
// Everything the buttons do is a public operation; where it asks the user
// for a file, a name or a confirmation it goes through Prompts, so that a
// test can answer without a screen.
#pragma once

#include "Instrument.hpp"
#include "StudioResponder.hpp"

#include "qel/MeasuringCondition.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <QMainWindow>

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace studio {

class ConnectPanel;
class SettingsPanel;
class SwatchPanel;
class ValueList;

struct StudioOptions {
    std::string store;  // the value store ("" = vxn's default)
    std::string port;   // an endpoint to connect to at start ("" = the stored choice)
};

// The questions the window asks the user itself (not the library's).
struct Prompts {
    // A file to write (title, filter, suggested name); "" = cancelled.
    std::function<QString(const QString&, const QString&, const QString&)> saveFile;
    // A file to read; "" = cancelled.
    std::function<QString(const QString&, const QString&, const QString&)> openFile;
    // A text (title, label, the text to edit); false = cancelled.
    std::function<bool(const QString&, const QString&, QString&)> text;
    // Yes or no.
    std::function<bool(const QString&)> confirm;
    // A failure the user must hear of.
    std::function<void(const QString&)> error;
};

class StudioWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit StudioWindow(const StudioOptions& rOptions);
    ~StudioWindow() override;

    Prompts& GetPrompts() { return maPrompts; }

    // ---- what the buttons do ---------------------------------------------------
    bool ConnectNow();
    // One measurement (an averaged one when "VXN"/"MEAN" is above 1); true
    // when a value arrived and is shown.
    bool MeasureNow();
    // Keeps the latest measurement in the store; its identity, 0 on failure.
    long StoreLatest();
    bool ShowSelected();
    bool SetSelectedAsReference();
    bool RenameSelected();
    bool DeleteSelected();
    bool PrintSelected();
    // The selected values (all when none is selected) as a CGATS file.
    bool ExportSelected();
    // Scans a positions file on the table; the number of positions measured.
    int ScanPositions();
    // Writes the window's state into the configuration.
    void SaveState();

    // ---- state, for tests -----------------------------------------------------
    Instrument& GetInstrument() { return maInstrument; }
    StudioResponder& Responder() { return maResponder; }
    ConnectPanel* Connection() const { return mpConnect; }
    SettingsPanel* Settings() const { return mpSettings; }
    SwatchPanel* Swatch() const { return mpSwatch; }
    ValueList* Values() const { return mpValues; }
    QSpinBox* MeanBox() const { return mpMean; }
    QCheckBox* SimulatorBox() const { return mpSimulator; }
    QCheckBox* OperatorBox() const { return mpOperator; }
    QPushButton* MeasureButton() const { return mpMeasure; }
    QPushButton* StoreButton() const { return mpStore; }
    QPushButton* ScanButton() const { return mpScan; }
    QPushButton* ReferenceButton() const { return mpReference; }
    QString StatusText() const;
    bool HasLatest() const { return mbLatest; }

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    QWidget* BuildLeft();
    QWidget* BuildRight();
    void RestoreState();
    void UpdateEnabled();
    void Status(const QString& rText);
    void Fail(const QString& rText);
    // The conditions a measurement is taken and shown under.
    MeasuringCondition Conditions();
    void ShowLatest();
    // Puts the stored reference (group "Studio") back when the store has it.
    void RestoreReference();

    StudioOptions maOptions;
    Instrument maInstrument;
    StudioResponder maResponder;
    Prompts maPrompts;
    GPtMesswert maLatest;
    MeasuringCondition maLatestCond;
    bool mbLatest = false;
    bool mbBusy = false;

    ConnectPanel* mpConnect = nullptr;
    SettingsPanel* mpSettings = nullptr;
    SwatchPanel* mpSwatch = nullptr;
    ValueList* mpValues = nullptr;
    QLabel* mpStoreLabel = nullptr;
    QSpinBox* mpMean = nullptr;
    QCheckBox* mpSimulator = nullptr;
    QCheckBox* mpOperator = nullptr;
    QPushButton* mpMeasure = nullptr;
    QPushButton* mpStore = nullptr;
    QPushButton* mpScan = nullptr;
    QPushButton* mpShow = nullptr;
    QPushButton* mpRename = nullptr;
    QPushButton* mpDelete = nullptr;
    QPushButton* mpReference = nullptr;
    QPushButton* mpPrint = nullptr;
    QPushButton* mpExport = nullptr;
};

} // namespace studio

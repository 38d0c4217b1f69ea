// The measuring conditions: the library's settings panel (VxnSetVisual,
// controls 800 to 811) in a toolkit window embedded in the main window. It
// shows the conditions stored in the configuration for the connected kind
// of instrument (its device class decides the filters offered); measuring
// uses what it shows, and "Store settings" writes that to the
// configuration through VxnSet's writer.
#pragma once

#include "qel/MeasuringCondition.hpp"
#include "sv/Window.hpp"

#include <QWidget>

#include <memory>

class QPushButton;
class VxnSetVisual;

namespace studio {

class SettingsPanel : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPanel(QWidget* pParent = nullptr);
    ~SettingsPanel() override;

    // Builds the panel for the device type from the stored conditions.
    void SetDevice(long nDeviceType);
    // Greyed while nothing is connected or a measurement runs.
    void SetEditable(bool bOn);

    // The conditions the controls show.
    MeasuringCondition Conditions();
    // Writes them to the configuration; false with the reason.
    bool Store(std::string& rError);
    // Shows the stored conditions again.
    void Revert();

    VxnSetVisual* Visual() const { return mpVisual.get(); }
    QPushButton* StoreButton() const { return mpStore; }

private:
    void Build();

    Window maHost;
    std::unique_ptr<VxnSetVisual> mpVisual;
    QPushButton* mpStore = nullptr;
    QPushButton* mpRevert = nullptr;
    long mnDeviceType = 0;
    bool mbEditable = false;
};

} // namespace studio

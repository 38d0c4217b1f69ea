// Where the instrument is: the built-in virtual instrument (with one of its
// profiles), a link over TCP or a serial line, or a plug-in instrument's
// driver module with its serial port; and the Connect button.
#pragma once

#include "Instrument.hpp"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace studio {

class ConnectPanel : public QWidget {
    Q_OBJECT
public:
    explicit ConnectPanel(QWidget* pParent = nullptr);

    LinkChoice Choice() const;
    void SetChoice(const LinkChoice& rChoice);
    void SetStatus(const QString& rText);

    QComboBox* KindBox() const { return mpKind; }
    QComboBox* ProfileBox() const { return mpProfile; }
    QLineEdit* TargetEdit() const { return mpTarget; }
    QComboBox* DriverPortBox() const { return mpDriverPort; }
    QPushButton* ConnectButton() const { return mpConnect; }
    QLabel* StatusLabel() const { return mpStatus; }

signals:
    void ConnectRequested();

private:
    // Shows the fields the kind of link needs.
    void KindChanged();

    QComboBox* mpKind = nullptr;
    QComboBox* mpProfile = nullptr;
    QLineEdit* mpTarget = nullptr;
    QPushButton* mpBrowse = nullptr;
    QComboBox* mpDriverPort = nullptr;
    QPushButton* mpConnect = nullptr;
    QLabel* mpStatus = nullptr;
};

} // namespace studio

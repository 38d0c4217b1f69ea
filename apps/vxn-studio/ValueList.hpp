// The value store as a list: one entry per stored value, with the value's
// icon (GPtMesswert::GetIcon), its designation and, below, its L*a*b* and
// conditions. The list keeps the store open, and every change the user
// makes here (a rename, a removal, a value dropped in) is saved at once.
//
// Several stations may share the store (a PostgreSQL database): the list
// looks for their changes every REFRESH_MS and reads the store again when
// there are any, keeping the selection. Values kept here are marked with
// this station (vxn's rule: ("Store", "Station"), else the host name).
//
// A colour swatch (Farbmuster) dragged onto the list, from this program or
// another one, brings its sample as a "MeasValue" section; the list keeps it
// as a new value. A dropped spectrum names only its filter and white base:
// illuminant and observer are those of the current settings.
#pragma once

#include "qel/MeasuringCondition.hpp"

#include <QListWidget>

#include <memory>
#include <string>
#include <vector>

class GPtMesswert;
class ObjectStore;

namespace studio {

class ValueList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int ID_ROLE = Qt::UserRole;
    static constexpr int REFRESH_MS = 2000;

    explicit ValueList(QWidget* pParent = nullptr);
    ~ValueList() override;

    // Opens (or creates) the store; empty rStore: the default place, as
    // vxn's. False with the reason; the list is then empty and closed.
    bool Open(const std::string& rStore, std::string& rError);
    bool IsOpen() const { return mpStore != nullptr; }
    const std::string& Path() const { return maPath; }
    // Reads the store again; the selection stays on the same values.
    void Reload();
    // Reads the store again when any program changed it since the list was
    // last read; whether it did.
    bool Refresh();
    const std::string& Station() const { return maStation; }

    // Saves the value as a new one, marked with this station and the
    // instrument's serial number, and lists it; its identity, 0 after
    // saying why in rError.
    long Add(GPtMesswert& rValue, const std::string& rInstrument, std::string& rError);
    bool Rename(long nId, const std::string& rName, std::string& rError);
    bool Remove(long nId, std::string& rError);
    bool Load(long nId, GPtMesswert& rValue);

    long SelectedId() const;
    // The selected value (the first of several) into rValue; its identity,
    // 0 when none is selected or the store no longer has it.
    long LoadSelected(GPtMesswert& rValue);
    std::vector<long> SelectedIds() const;
    void Select(long nId);
    int RowOf(long nId) const;

    // The value shown as the reference is marked in the list.
    void SetReferenceId(long nId);
    long ReferenceId() const { return mnReferenceId; }

    // Illuminant and observer given to dropped values that name none.
    void SetDropCondition(const MeasuringCondition& rCond) { maDropCondition = rCond; }
    // The value a drag carries (the MeasValue text of a swatch); false when
    // it carries none.
    static bool ValueOfDrop(const QMimeData& rData, GPtMesswert& rValue);

signals:
    // A value dropped onto the list was kept.
    void ValueDropped(long nId);
    // A drop could not be kept; the reason.
    void DropFailed(const QString& rWhy);

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void AddItem(GPtMesswert& rValue);
    void Mark(QListWidgetItem* pItem, bool bReference);
    // Takes the store's change mark as seen, before it is read.
    void Seen();

    std::unique_ptr<ObjectStore> mpStore;
    std::string maPath;
    std::string maStation;
    std::string maMark;  // the store's change mark when last seen
    long mnReferenceId = 0;
    MeasuringCondition maDropCondition;
};

} // namespace studio

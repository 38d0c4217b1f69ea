#include "ValueList.hpp"

#include "ValueFiles.hpp"
#include "ValueStore.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/GString.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "qelvxn/widgets/Farbmuster.hpp"
#include "qeldb/objectIdSet.hpp"
#include "sv/Bitmap.hpp"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

namespace studio {

namespace {

// The second line of an entry: L*a*b* under the value's own illuminant and
// observer, and its conditions.
QString DetailLine(GPtMesswert& rValue)
{
    std::string s;
    LABVector lab;
    if (vxn::LabOf(rValue, lab))
        s = "L*" + GString(lab.GetL(), 7, 2).str() + "  a*" + GString(lab.GetA(), 7, 2).str() + "  b*" +
            GString(lab.GetB(), 7, 2).str();
    else
        s = rValue.IsA() == GPtMesswert::TYPE_NONE ? "no valid value" : "spectrum without illuminant";
    vxn::ConditionTexts c = vxn::ConditionsOf(rValue);
    std::string cond;
    for (const std::string* t : {&c.illuminant, &c.observer, &c.filter, &c.whiteBase})
        if (!t->empty())
            cond += (cond.empty() ? "" : "/") + *t;
    if (!cond.empty())
        s += "   " + cond;
    if (!rValue.GetStation().empty())
        s += "   at " + rValue.GetStation();
    return QString::fromStdString(s);
}

QString Title(GPtMesswert& rValue)
{
    std::string name = rValue.GetBezeichnung().str();
    return QString::fromStdString("#" + std::to_string(rValue.GetId()) + "  " + (name.empty() ? "(no name)" : name));
}

} // namespace

ValueList::ValueList(QWidget* pParent) : QListWidget(pParent)
{
    // Drops arrive at the viewport, which must take them itself.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize(QSize(GPtMesswert::ICON_WIDTH * 2, GPtMesswert::ICON_HEIGHT * 2));
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { Refresh(); });
    timer->start(REFRESH_MS);
}

ValueList::~ValueList() = default;

bool ValueList::Open(const std::string& rStore, std::string& rError)
{
    clear();
    maPath = vxn::StorePath(rStore);
    maStation = vxn::StationName("");
    mpStore = vxn::OpenValueStore(rStore, true, rError);
    if (!mpStore)
        return false;
    Reload();
    return true;
}

void ValueList::Reload()
{
    std::vector<long> selected = SelectedIds();
    clear();
    if (!mpStore)
        return;
    Seen();
    vxn::ValueSet values;
    if (mpStore->Load(values) != PT_OK)
        return;
    for (int i = 0; i < static_cast<int>(values.Count()); ++i)
        AddItem(*values.At(i));
    for (long id : selected)
        if (int row = RowOf(id); row >= 0)
            item(row)->setSelected(true);
}

void ValueList::Seen()
{
    if (mpStore)
        mpStore->GetChangeMark(GPtMesswert::CLASS_ID, maMark);
}

bool ValueList::Refresh()
{
    std::string mark;
    if (!mpStore || mpStore->GetChangeMark(GPtMesswert::CLASS_ID, mark) != PT_OK || mark == maMark)
        return false;
    Reload();
    return true;
}

void ValueList::AddItem(GPtMesswert& rValue)
{
    auto* it = new QListWidgetItem(Title(rValue) + "\n" + DetailLine(rValue), this);
    it->setData(ID_ROLE, QVariant::fromValue<qlonglong>(rValue.GetId()));
    Bitmap icon;
    if (rValue.GetIcon(icon, 0) && !icon.IsEmpty())
        it->setIcon(QIcon(QPixmap::fromImage(icon.GetImage())));
    Mark(it, rValue.GetId() == mnReferenceId);
}

void ValueList::Mark(QListWidgetItem* pItem, bool bReference)
{
    QFont f = pItem->font();
    f.setBold(bReference);
    pItem->setFont(f);
    pItem->setToolTip(bReference ? "The reference of the swatch" : QString());
}

long ValueList::Add(GPtMesswert& rValue, const std::string& rInstrument, std::string& rError)
{
    if (!mpStore) {
        rError = "no value store is open";
        return 0;
    }
    // A new value, wherever it came from: its own identity, this station.
    rValue.SetId(0);
    rValue.SetUid("");
    rValue.SetOrigin(maStation, rInstrument);
    if (mpStore->Save(rValue) != PT_OK) {
        rError = "the value was not kept: " + mpStore->GetLastError().str();
        return 0;
    }
    AddItem(rValue);
    return rValue.GetId();
}

bool ValueList::Rename(long nId, const std::string& rName, std::string& rError)
{
    GPtMesswert v;
    if (!Load(nId, v)) {
        rError = "the store holds no value " + std::to_string(nId);
        return false;
    }
    v.SetBezeichnung(String(rName));
    if (mpStore->Save(v) != PT_OK) {
        rError = "the new name was not kept: " + mpStore->GetLastError().str();
        return false;
    }
    if (int row = RowOf(nId); row >= 0)
        item(row)->setText(Title(v) + "\n" + DetailLine(v));
    return true;
}

bool ValueList::Remove(long nId, std::string& rError)
{
    if (!mpStore || mpStore->Remove(nId, GPtMesswert::CLASS_ID) != PT_OK) {
        rError = mpStore ? "value " + std::to_string(nId) + " was not removed: " + mpStore->GetLastError().str()
                         : "no value store is open";
        return false;
    }
    if (int row = RowOf(nId); row >= 0)
        delete takeItem(row);
    if (nId == mnReferenceId)
        mnReferenceId = 0;
    return true;
}

bool ValueList::Load(long nId, GPtMesswert& rValue)
{
    return mpStore && mpStore->Load(nId, rValue) == PT_OK;
}

long ValueList::LoadSelected(GPtMesswert& rValue)
{
    long id = SelectedId();
    return id && Load(id, rValue) ? id : 0;
}

long ValueList::SelectedId() const
{
    QListWidgetItem* it = currentItem();
    if (!it || !it->isSelected()) {
        QList<QListWidgetItem*> sel = selectedItems();
        it = sel.isEmpty() ? nullptr : sel.front();
    }
    return it ? static_cast<long>(it->data(ID_ROLE).toLongLong()) : 0;
}

std::vector<long> ValueList::SelectedIds() const
{
    std::vector<long> ids;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected())
            ids.push_back(static_cast<long>(item(i)->data(ID_ROLE).toLongLong()));
    return ids;
}

void ValueList::Select(long nId)
{
    int row = RowOf(nId);
    if (row >= 0)
        setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

int ValueList::RowOf(long nId) const
{
    for (int i = 0; i < count(); ++i)
        if (item(i)->data(ID_ROLE).toLongLong() == nId)
            return i;
    return -1;
}

void ValueList::SetReferenceId(long nId)
{
    mnReferenceId = nId;
    for (int i = 0; i < count(); ++i)
        Mark(item(i), item(i)->data(ID_ROLE).toLongLong() == nId);
}

bool ValueList::ValueOfDrop(const QMimeData& rData, GPtMesswert& rValue)
{
    QByteArray text = rData.hasFormat(Farbmuster::MEASVALUE_MIME_TYPE) ? rData.data(Farbmuster::MEASVALUE_MIME_TYPE)
                                                                       : rData.text().toUtf8();
    if (text.isEmpty())
        return false;
    ASCIIFile file(std::string_view(text.constData(), static_cast<size_t>(text.size())));
    GPtMesswert v;
    if (!v.read(file) || v.IsA() == GPtMesswert::TYPE_NONE)
        return false;
    rValue = v;
    return true;
}

void ValueList::dragEnterEvent(QDragEnterEvent* pEvent)
{
    GPtMesswert v;
    if (mpStore && pEvent->source() != this && ValueOfDrop(*pEvent->mimeData(), v))
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

void ValueList::dragMoveEvent(QDragMoveEvent* pEvent)
{
    if (mpStore && pEvent->source() != this)
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

void ValueList::dropEvent(QDropEvent* pEvent)
{
    GPtMesswert v;
    if (!ValueOfDrop(*pEvent->mimeData(), v)) {
        pEvent->ignore();
        emit DropFailed("the dropped data holds no measured value");
        return;
    }
    if (v.IsA() == GPtMesswert::TYPE_SPECTRUM)
        v.SetMeasuringCondition(vxn::ConditionOf(v, maDropCondition));
    LABVector lab;
    if (v.GetBezeichnung().IsEmpty() && vxn::LabOf(v, lab))
        v.SetBezeichnung(ColorConverter::Farbzuordnung(lab));
    std::string err;
    long id = Add(v, "", err);
    if (!id) {
        pEvent->ignore();
        emit DropFailed(QString::fromStdString(err));
        return;
    }
    pEvent->setDropAction(Qt::CopyAction);
    pEvent->accept();
    emit ValueDropped(id);
}

} // namespace studio

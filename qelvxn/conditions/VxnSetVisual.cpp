#include "qelvxn/conditions/VxnSetVisual.hpp"

#include "qel/ConditionClasses.hpp"
#include "qel/Text.hpp"
#include "sv/MessBox.hpp"
#include "sv/ResMgr.hpp"
#include "sv/Window.hpp"

namespace {

constexpr unsigned short ROW = 25;     // rows of the panel stand 25 px apart
constexpr short LABEL_X = 9, LIST_X = 119, DXX_X = 204;
constexpr short FIRST_LIST_Y = 25, LABEL_BELOW_LIST = 6;
constexpr short FRAME_WIDTH = 260, FRAME_BELOW_LAST_ROW = 40;
constexpr short DXX_MIN = 30, DXX_MAX = 300;
// The illuminant codes of the Dxx illuminants.
constexpr int DXX_FIRST = 16, DXX_LAST = 23;
// The illuminant code read back for a text no entry has.
constexpr IllumType ILLUM_UNKNOWN = static_cast<IllumType>(2);

String Entry(const char* pGroup, USHORT nIndex)
{
    return TextSegment(String(pGroup)).GetText(nIndex);
}

} // namespace

VxnSetVisual::VxnSetVisual(Window* pParent, Config* pConfig, const String& rTitle, Point aPos,
                           unsigned char bEditable, long nDeviceType, bool bWithDStd)
    : VxnSet(pConfig, nDeviceType), mpParent(pParent), maIllumLabel(pParent, ResId(RID_ILLUM_LABEL)),
      maObserverLabel(pParent, ResId(RID_OBSERVER_LABEL)), maDStdLabel(pParent, ResId(RID_DSTD_LABEL)),
      maWBaseLabel(pParent, ResId(RID_WBASE_LABEL)), maFilterLabel(pParent, ResId(RID_FILTER_LABEL)),
      maIllumList(pParent, ResId(RID_ILLUM_LIST)), maDxxField(pParent, ResId(RID_DXX_FIELD)),
      maObserverList(pParent, ResId(RID_OBSERVER_LIST)), maDStdList(pParent, ResId(RID_DSTD_LIST)),
      maWBaseList(pParent, ResId(RID_WBASE_LIST)), maFilterList(pParent, ResId(RID_FILTER_LIST)),
      maFrame(pParent, ResId(RID_FRAME)), maTitle(rTitle), mbWithDStd(bWithDStd)
{
    Setup(aPos, bEditable);
}

VxnSetVisual::VxnSetVisual(Window* pParent, Config* pConfig, const String& rTitle, unsigned char bEditable,
                           long nDeviceType, bool bWithDStd)
    : VxnSetVisual(pParent, pConfig, rTitle, Point(0, 0), bEditable, nDeviceType, bWithDStd)
{
}

VxnSetVisual::VxnSetVisual(Window* pParent, VxnSet aSet, const String& rTitle, Point aPos, unsigned char bEditable,
                           bool bWithDStd)
    : VxnSet(aSet), mpParent(pParent), maIllumLabel(pParent, ResId(RID_ILLUM_LABEL)),
      maObserverLabel(pParent, ResId(RID_OBSERVER_LABEL)), maDStdLabel(pParent, ResId(RID_DSTD_LABEL)),
      maWBaseLabel(pParent, ResId(RID_WBASE_LABEL)), maFilterLabel(pParent, ResId(RID_FILTER_LABEL)),
      maIllumList(pParent, ResId(RID_ILLUM_LIST)), maDxxField(pParent, ResId(RID_DXX_FIELD)),
      maObserverList(pParent, ResId(RID_OBSERVER_LIST)), maDStdList(pParent, ResId(RID_DSTD_LIST)),
      maWBaseList(pParent, ResId(RID_WBASE_LIST)), maFilterList(pParent, ResId(RID_FILTER_LIST)),
      maFrame(pParent, ResId(RID_FRAME)), maTitle(rTitle), mbWithDStd(bWithDStd)
{
    Setup(aPos, bEditable);
}

VxnSetVisual::VxnSetVisual(Window* pParent, VxnSet aSet, const String& rTitle, unsigned char bEditable,
                           bool bWithDStd)
    : VxnSetVisual(pParent, std::move(aSet), rTitle, Point(0, 0), bEditable, bWithDStd)
{
}

VxnSetVisual::VxnSetVisual(const VxnSetVisual& r)
    : VxnSet(r), mpParent(r.mpParent), maIllumLabel(r.maIllumLabel), maObserverLabel(r.maObserverLabel),
      maDStdLabel(r.maDStdLabel), maWBaseLabel(r.maWBaseLabel), maFilterLabel(r.maFilterLabel),
      maIllumList(r.maIllumList), maDxxField(r.maDxxField), maObserverList(r.maObserverList),
      maDStdList(r.maDStdList), maWBaseList(r.maWBaseList), maFilterList(r.maFilterList), maFrame(r.maFrame),
      mbExtendedIllum(r.mbExtendedIllum), maTitle(r.maTitle), mbDisabled(r.mbDisabled), mbVisible(r.mbVisible),
      mbWithDStd(r.mbWithDStd)
{
    LinkHandlers();
}

VxnSetVisual& VxnSetVisual::operator=(const VxnSetVisual& r)
{
    if (this == &r)
        return *this;
    VxnSet::operator=(r);
    mpParent = r.mpParent;
    maIllumLabel = r.maIllumLabel;
    maObserverLabel = r.maObserverLabel;
    maDStdLabel = r.maDStdLabel;
    maWBaseLabel = r.maWBaseLabel;
    maFilterLabel = r.maFilterLabel;
    maIllumList = r.maIllumList;
    maDxxField = r.maDxxField;
    maObserverList = r.maObserverList;
    maDStdList = r.maDStdList;
    maWBaseList = r.maWBaseList;
    maFilterList = r.maFilterList;
    maFrame = r.maFrame;
    mbExtendedIllum = r.mbExtendedIllum;
    maTitle = r.maTitle;
    mbDisabled = r.mbDisabled;
    mbVisible = r.mbVisible;
    mbWithDStd = r.mbWithDStd;
    LinkHandlers();
    return *this;
}

void VxnSetVisual::LinkHandlers()
{
    // A copy's lists answer to the copy, not to the panel it came from.
    maIllumList.ChangeSelectHdl(LINK(this, VxnSetVisual, IllumBoxSelHdl));
    maWBaseList.ChangeSelectHdl(LINK(this, VxnSetVisual, WhiteBaseSelectHdl));
}

void VxnSetVisual::Setup(Point aPos, unsigned char bEditable)
{
    SetPosPixel(aPos);
    if (mbWithDStd) {
        maDStdLabel.SetText(Entry("VXNSettingsStrings", 4));
        for (USHORT i = 0; i < 4; ++i)
            maDStdList.InsertEntry(Entry("DStdStrings", i));
    }
    maFrame.SetText(maTitle);
    maIllumLabel.SetText(Entry("VXNSettingsStrings", 0));
    maObserverLabel.SetText(Entry("VXNSettingsStrings", 1));
    maWBaseLabel.SetText(Entry("VXNSettingsStrings", 2));
    maFilterLabel.SetText(Entry("VXNSettingsStrings", 3));
    maDxxField.SetMin(DXX_MIN);
    maDxxField.SetMax(DXX_MAX);
    EnableIllum(1);
    for (USHORT i = 0; i < 2; ++i) {
        maObserverList.InsertEntry(Entry("ObserverStrings", i));
        maWBaseList.InsertEntry(Entry("WBaseStrings", i));
    }
    for (int i = 0; GetPossibleFilter(i) != FILTER_NOT_SET; ++i)
        maFilterList.InsertEntry(Entry("ShortFilterStrings", static_cast<USHORT>(GetPossibleFilter(i))));
    LinkHandlers();
    Show();
    if (!bEditable) {
        maObserverList.Disable();
        maIllumList.Disable();
        maDxxField.Disable();
        if (mbWithDStd)
            maDStdList.Disable();
        maFilterList.Disable();
        maWBaseList.Disable();
    }
    maWBaseList.Disable();
}

void VxnSetVisual::EnableIllum(unsigned char bExtended)
{
    mbExtendedIllum = bExtended;
    int nCode = meIllumination;
    maIllumList.Clear();
    for (USHORT i = 0; i < 4; ++i)
        maIllumList.InsertEntry(Entry("IllumStrings", i));
    if (bExtended) {
        maIllumList.InsertEntry(String(DXX_ENTRY));
        for (USHORT i = 24; i <= 35; ++i)
            maIllumList.InsertEntry(Entry("IllumStrings", i));
    } else if (nCode >= DXX_FIRST) {
        nCode = ILLUM_UNKNOWN;
    }
    maIllumList.SelectEntry(Entry("IllumStrings", static_cast<USHORT>(nCode)));
}

void VxnSetVisual::SetPosPixel(const Point& rPos)
{
    Point p = rPos;
    if (maTitle.IsEmpty()) {
        // Without a frame the panel begins where its first label is designed.
        FixedText aProbe(mpParent, ResId(RID_ILLUM_LABEL));
        Point d = aProbe.GetPosPixel();
        p = Point(p.X() - d.X(), p.Y() - d.Y());
    } else {
        maFrame.ChangePosPixel(p);
    }
    short nShift = mbWithDStd ? ROW : 0;
    auto at = [&](Window& w, short x, short y) { w.ChangePosPixel(Point(p.X() + x, p.Y() + y)); };
    auto row = [](int n) { return static_cast<short>(FIRST_LIST_Y + n * ROW); };
    at(maIllumLabel, LABEL_X, row(0) + LABEL_BELOW_LIST);
    at(maObserverLabel, LABEL_X, row(1) + LABEL_BELOW_LIST);
    if (mbWithDStd)
        at(maDStdLabel, LABEL_X, row(2) + LABEL_BELOW_LIST);
    at(maWBaseLabel, LABEL_X, row(2) + nShift + LABEL_BELOW_LIST);
    at(maFilterLabel, LABEL_X, row(3) + nShift + LABEL_BELOW_LIST);
    at(maIllumList, LIST_X, row(0));
    at(maDxxField, DXX_X, row(0));
    at(maObserverList, LIST_X, row(1));
    if (mbWithDStd)
        at(maDStdList, LIST_X, row(2));
    at(maWBaseList, LIST_X, row(2) + nShift);
    at(maFilterList, LIST_X, row(3) + nShift);
    maFrame.ChangeSizePixel(Size(FRAME_WIDTH, row(3) + nShift + FRAME_BELOW_LAST_ROW));
}

bool VxnSetVisual::DxxSelected() const
{
    return maIllumList.GetSelectEntry() == String(DXX_ENTRY);
}

void VxnSetVisual::SelectStored()
{
    if (meIllumination >= DXX_FIRST && meIllumination <= DXX_LAST)
        maIllumList.SelectEntry(String(DXX_ENTRY));
    else
        maIllumList.SelectEntry(Entry("IllumStrings", static_cast<USHORT>(meIllumination)));
    maObserverList.SelectEntryPos(static_cast<USHORT>(meObserver));
    maWBaseList.SelectEntryPos(static_cast<USHORT>(meWhiteBase));
    maFilterList.SelectEntryPos(GetFilterEntry(meFilter));
    maDxxField.SetText(String(static_cast<int>(mnDxxTempNr)));
}

void VxnSetVisual::Show()
{
    mbVisible = 1;
    mbDisabled = 0;
    SelectStored();
    maFrame.Show(!maTitle.IsEmpty());
    maIllumLabel.Show();
    maObserverLabel.Show();
    if (mbWithDStd)
        maDStdList.SelectEntryPos(static_cast<USHORT>(meDStd));
    maDStdLabel.Show(mbWithDStd);
    maDStdList.Show(mbWithDStd);
    maWBaseLabel.Show();
    maFilterLabel.Show();
    maIllumList.Show();
    maDxxField.Show(DxxSelected());
    maObserverList.Show();
    maWBaseList.Show();
    maFilterList.Show();
}

void VxnSetVisual::Disable()
{
    mbVisible = 0;
    mbDisabled = 1;
    SelectStored();
    if (maTitle.IsEmpty())
        maFrame.Hide();
    else
        maFrame.Disable();
    maIllumLabel.Disable();
    maObserverLabel.Disable();
    if (mbWithDStd) {
        maDStdLabel.Disable();
        maDStdList.Show();
    }
    maWBaseLabel.Disable();
    maFilterLabel.Disable();
    maIllumList.Disable();
    maDxxField.Show(DxxSelected());
    maObserverList.Disable();
    maWBaseList.Disable();
    maFilterList.Disable();
}

void VxnSetVisual::Hide()
{
    mbVisible = 0;
    mbDisabled = 0;
    maFrame.Hide();
    maIllumLabel.Hide();
    maObserverLabel.Hide();
    maWBaseLabel.Hide();
    maFilterLabel.Hide();
    maIllumList.Hide();
    maDxxField.Hide();
    maObserverList.Hide();
    maWBaseList.Hide();
    maFilterList.Hide();
    if (mbWithDStd) {
        maDStdLabel.Hide();
        maDStdList.Hide();
    }
}

long VxnSetVisual::IllumBoxSelHdl(ListBox*)
{
    maDxxField.Show(DxxSelected());
    return 0;
}

long VxnSetVisual::WhiteBaseSelectHdl(void*)
{
    USHORT nPos = maWBaseList.GetSelectEntryPos();
    if (nPos == 0 && meWhiteBase != 0)
        WarningBox(mpParent, 0x10, Entry("VXNSettingsStrings", 5)).Execute();
    meWhiteBase = static_cast<StoredWBaseType>(nPos);
    return 0;
}

void VxnSetVisual::SetData(const MeasuringCondition& rCondition)
{
    meIllumination = rCondition.GetIllum().GetType();
    mnDxxTempNr = rCondition.GetIllum().GetTempNr();
    meObserver = rCondition.GetObserver().GetType();
    meDStd = rCondition.GetDStd().GetType();
    meWhiteBase = rCondition.GetWBase().GetType();
    meFilter = static_cast<ValueFilterType>(rCondition.GetFilter().GetType());
    if (mbVisible)
        Show();
    else if (mbDisabled)
        Disable();
}

MeasuringCondition VxnSetVisual::GetData()
{
    StoredWBaseType eWBase = GetWhiteBase();
    ValueFilterType eFilter = GetFilter();
    ObserverType eObserver = GetObserver();
    IllumType eIllum = GetIllumination();
    short nDxx = GetDxxTempNr();
    return MeasuringCondition(PhysicalConditions(ActualFilterClass(eFilter), WBaseClass(eWBase)), IllumClass(eIllum, nDxx),
                              ObserverClass(eObserver));
}

IllumType VxnSetVisual::GetIllumination()
{
    String aText = maIllumList.GetSelectEntry();
    if (aText.IsEmpty())
        aText = String("Not found");
    if (aText == String(DXX_ENTRY)) {
        meIllumination = static_cast<IllumType>(DXX_FIRST);
        return meIllumination;
    }
    for (USHORT i = 0; i <= 35; ++i)
        if (Entry("IllumStrings", i) == aText) {
            meIllumination = static_cast<IllumType>(i);
            return meIllumination;
        }
    return ILLUM_UNKNOWN;
}

short VxnSetVisual::GetDxxTempNr()
{
    mnDxxTempNr = static_cast<short>(maDxxField.GetText().ToInt());
    return mnDxxTempNr;
}

ObserverType VxnSetVisual::GetObserver()
{
    meObserver = static_cast<ObserverType>(maObserverList.GetSelectEntryPos());
    return meObserver;
}

DStdType VxnSetVisual::GetDStd()
{
    meDStd = static_cast<DStdType>(maDStdList.GetSelectEntryPos());
    return meDStd;
}

StoredWBaseType VxnSetVisual::GetWhiteBase()
{
    meWhiteBase = static_cast<StoredWBaseType>(maWBaseList.GetSelectEntryPos());
    return meWhiteBase;
}

ValueFilterType VxnSetVisual::GetFilter()
{
    // Without a selection the stored filter stays: a position outside the
    // class's row names no filter.
    ValueFilterType eFilter = GetPossibleFilter(maFilterList.GetSelectEntryPos());
    if (eFilter != FILTER_NOT_SET)
        meFilter = eFilter;
    return meFilter;
}

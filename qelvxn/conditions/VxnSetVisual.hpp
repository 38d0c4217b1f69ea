// VxnSetVisual: the condition set shown as a group of controls inside a
// window of the application: a drop-down list per condition (illuminant,
// observer, density standard, white base, filter) with its label, a number
// field for the temperature number of a Dxx illuminant and a frame carrying
// a title. The application places it into a dialog of its own; the getters
// read what the controls show, so code that takes a VxnSet (the
// configuration writer in particular) stores what the user chose.
//
// The controls are the library's resources 800 to 811; their texts come
// from the text groups "VXNSettingsStrings" (labels and the paper-white
// warning), "IllumStrings", "ObserverStrings", "DStdStrings", "WBaseStrings"
// and "ShortFilterStrings" (list entries, the filters the device class
// offers in the class's order). The only wording of its own is "Dxx".
//
// Three states: Shown (Show), Disabled (Disable: greyed) and Hidden (Hide).
// SetData refreshes the controls in the first two. The white-base list is
// always greyed: the white base is chosen by the application, not here.
#pragma once

#include "qelvxn/conditions/VxnSet.hpp"
#include "sv/FixedText.hpp"
#include "sv/GroupBox.hpp"
#include "sv/ListBox.hpp"
#include "sv/Point.hpp"
#include "sv/SpinField.hpp"
#include "sv/String.hpp"

class Window;

class VxnSetVisual : public VxnSet {
public:
    // The resources of the controls.
    enum : unsigned short {
        RID_FRAME = 800,
        RID_ILLUM_LABEL = 801,
        RID_OBSERVER_LABEL = 802,
        RID_WBASE_LABEL = 803,
        RID_FILTER_LABEL = 804,
        RID_ILLUM_LIST = 805,
        RID_OBSERVER_LIST = 806,
        RID_WBASE_LIST = 807,
        RID_FILTER_LIST = 808,
        RID_DXX_FIELD = 809,
        RID_DSTD_LIST = 810,
        RID_DSTD_LABEL = 811,
    };
    // The illuminant list's entry for the Dxx illuminants.
    static constexpr const char* DXX_ENTRY = "Dxx";

    // The conditions read from the configuration for the device type
    // (bEditable 0: every list greyed), shown at aPos of the parent (an
    // empty title: no frame, the first label at aPos + (0, 2)).
    VxnSetVisual(Window* pParent, Config* pConfig, const String& rTitle, Point aPos, unsigned char bEditable,
                 long nDeviceType, bool bWithDStd);
    VxnSetVisual(Window* pParent, Config* pConfig, const String& rTitle, unsigned char bEditable, long nDeviceType,
                 bool bWithDStd);
    // The conditions of a set.
    VxnSetVisual(Window* pParent, VxnSet aSet, const String& rTitle, Point aPos, unsigned char bEditable,
                 bool bWithDStd);
    VxnSetVisual(Window* pParent, VxnSet aSet, const String& rTitle, unsigned char bEditable, bool bWithDStd);
    // A copy has copies of the controls whose lists answer to the copy.
    VxnSetVisual(const VxnSetVisual& r);
    VxnSetVisual& operator=(const VxnSetVisual& r);
    // Destroys the controls; writes nothing.
    ~VxnSetVisual() override = default;

    void Show();
    void Disable();
    void Hide();
    // Refills the illuminant list: the four standard illuminants, and with
    // bExtended "Dxx" and the others as well.
    void EnableIllum(unsigned char bExtended);
    // Moves the panel so that it stands at the point.
    void SetPosPixel(const Point& rPos);
    // The white-base list's select handler: choosing paper white (0) from
    // another white base warns once what it means.
    long WhiteBaseSelectHdl(void*);

    void SetData(const MeasuringCondition& rCondition) override;
    MeasuringCondition GetData() override;
    IllumType GetIllumination() override;
    short GetDxxTempNr() override;
    ObserverType GetObserver() override;
    DStdType GetDStd() override;
    StoredWBaseType GetWhiteBase() override;
    ValueFilterType GetFilter() override;

    // ---- for tests and applications that lay out around the panel ---------
    bool IsShown() const { return mbVisible; }
    bool IsDisabled() const { return mbDisabled; }
    GroupBox& GetFrame() { return maFrame; }
    ListBox& GetIllumList() { return maIllumList; }
    ListBox& GetObserverList() { return maObserverList; }
    ListBox& GetDStdList() { return maDStdList; }
    ListBox& GetWBaseList() { return maWBaseList; }
    ListBox& GetFilterList() { return maFilterList; }
    NumericField& GetDxxField() { return maDxxField; }
    FixedText& GetIllumLabel() { return maIllumLabel; }
    FixedText& GetDStdLabel() { return maDStdLabel; }
    FixedText& GetWBaseLabel() { return maWBaseLabel; }
    FixedText& GetFilterLabel() { return maFilterLabel; }

protected:
    void Setup(Point aPos, unsigned char bEditable);
    long IllumBoxSelHdl(ListBox*);

private:
    // Show's steps 2 to 5: the lists and the number field show the stored
    // conditions.
    void SelectStored();
    void LinkHandlers();
    bool DxxSelected() const;

    Window* mpParent;
    FixedText maIllumLabel;
    FixedText maObserverLabel;
    FixedText maDStdLabel;
    FixedText maWBaseLabel;
    FixedText maFilterLabel;
    ListBox maIllumList;
    NumericField maDxxField;
    ListBox maObserverList;
    ListBox maDStdList;
    ListBox maWBaseList;
    ListBox maFilterList;
    GroupBox maFrame;
    unsigned char mbExtendedIllum = 1;
    String maTitle;
    unsigned char mbDisabled = 0;
    unsigned char mbVisible = 0;
    bool mbWithDStd;
};

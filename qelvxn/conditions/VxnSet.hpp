// VxnSet: one complete set of measuring conditions (illuminant with its Dxx
// temperature number, observer, density standard, white base, filter) for
// one kind of instrument. It reads itself from and writes itself to group
// "VXNSettings" of a configuration, and knows which filters that kind of
// instrument offers (its device class, from the instrument's device type).
//
// The settings panel derives from it and overrides the virtual getters, so
// the configuration writer sees what the panel shows.
#pragma once

#include "qel/ConditionTypes.hpp"
#include "qel/MeasuringCondition.hpp"
#include "sv/Link.hpp"

class Config;

class VxnSet : public LinkHdl {
public:
    // Reads the set from the configuration for the device type.
    VxnSet(Config* pConfig, long nDeviceType);
    // Takes the values as passed; a filter the device class does not offer
    // becomes the class's first filter. The Dxx number is not range-checked.
    VxnSet(IllumType eIllum, short nDxxTempNr, ObserverType eObserver, DStdType eDStd, StoredWBaseType eWBase,
           ValueFilterType eFilter, long nDeviceType);
    VxnSet(const VxnSet&) = default;
    VxnSet& operator=(const VxnSet&) = default;
    // Writes nothing; forgets the configuration.
    ~VxnSet() override;

    // Recomputes the device class only (the filter is not checked again).
    void SetDevice(long nDeviceType);

    virtual void SetData(const MeasuringCondition& rCondition);
    virtual MeasuringCondition GetData();
    virtual IllumType GetIllumination();
    virtual short GetDxxTempNr();
    virtual ObserverType GetObserver();
    virtual DStdType GetDStd();
    virtual StoredWBaseType GetWhiteBase();
    virtual ValueFilterType GetFilter();

    // Position of the filter in the device class's list, 0 when it is not
    // there (the same as the first position).
    unsigned short GetFilterEntry(ValueFilterType eFilter) const;
    // The filter at a position of the class's list, FILTER_NOT_SET at and
    // after the list's end.
    ValueFilterType GetPossibleFilter(int nPos) const;
    // Writes the set to group "VXNSettings"; 0 when the set has no configuration.
    unsigned char WriteDataToConfig();

    int GetDeviceClass() const { return mnDeviceClass; }
    Config* GetConfig() const { return mpConfig; }
    // Device class (0 to 7) of a device type.
    static int DeviceClass(long nDeviceType);

protected:
    IllumType meIllumination = ILLUM_D65;
    short mnDxxTempNr = 55;
    ObserverType meObserver = OBSERVER_2;
    StoredWBaseType meWhiteBase = WBASE_ABSOLUTE;
    ValueFilterType meFilter = FILTER_POL;
    DStdType meDStd = DSTD_DIN;
    Config* mpConfig = nullptr;
    int mnDeviceClass = 0;

private:
    void EnsureAllowedFilter();
};

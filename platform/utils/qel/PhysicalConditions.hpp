// PhysicalConditions: what the instrument physically measured with, the
// filter in the light path and the white the values are relative to. A
// spectrum carries them; the colorimetric conditions add illuminant and
// observer (MeasuringCondition).
#pragma once

#include "qel/ConditionClasses.hpp"

class PhysicalConditions {
public:
    // No filter, absolute white.
    PhysicalConditions() = default;
    PhysicalConditions(const ActualFilterClass& rFilter, const WBaseClass& rWBase) : maFilter(rFilter), maWBase(rWBase) {}

    const ActualFilterClass& GetFilter() const { return maFilter; }
    void SetFilter(const ActualFilterClass& r) { maFilter = r; }
    const WBaseClass& GetWBase() const { return maWBase; }
    void SetWBase(const WBaseClass& r) { maWBase = r; }

    friend bool operator==(const PhysicalConditions& a, const PhysicalConditions& b)
    {
        return a.maFilter == b.maFilter && a.maWBase == b.maWBase;
    }

private:
    ActualFilterClass maFilter;
    WBaseClass maWBase;
};

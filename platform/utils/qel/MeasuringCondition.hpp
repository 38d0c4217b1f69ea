// MeasuringCondition: everything a colour value depends on: the physical
// conditions (filter, white base), the illuminant (with its Dxx temperature
// number), the observer and the density standard.
//
// Default-constructed: no filter, absolute white, D65, 2° observer, DIN
// density standard, i.e. what a fresh instrument and an empty configuration
// use.
#pragma once

#include "qel/PhysicalConditions.hpp"

class MeasuringCondition {
public:
    MeasuringCondition() = default;
    MeasuringCondition(const PhysicalConditions& rPhys, const IllumClass& rIllum, const ObserverClass& rObserver,
                       const DStdClass& rDStd = DStdClass())
        : maPhys(rPhys), maIllum(rIllum), maObserver(rObserver), maDStd(rDStd)
    {
    }

    const PhysicalConditions& GetPhysicalConditions() const { return maPhys; }
    void SetPhysicalConditions(const PhysicalConditions& r) { maPhys = r; }
    const ActualFilterClass& GetFilter() const { return maPhys.GetFilter(); }
    void SetFilter(const ActualFilterClass& r) { maPhys.SetFilter(r); }
    const WBaseClass& GetWBase() const { return maPhys.GetWBase(); }
    void SetWBase(const WBaseClass& r) { maPhys.SetWBase(r); }
    const IllumClass& GetIllum() const { return maIllum; }
    void SetIllum(const IllumClass& r) { maIllum = r; }
    const ObserverClass& GetObserver() const { return maObserver; }
    void SetObserver(const ObserverClass& r) { maObserver = r; }
    const DStdClass& GetDStd() const { return maDStd; }
    void SetDStd(const DStdClass& r) { maDStd = r; }

    // Short text of the colorimetric part, e.g. "D65/10° No Abs".
    String GetText() const;

    // Every part takes part in the comparison (Dxx illuminants by their
    // temperature number, see IllumClass).
    friend bool operator==(const MeasuringCondition& a, const MeasuringCondition& b)
    {
        return a.maPhys == b.maPhys && a.maIllum == b.maIllum && a.maObserver == b.maObserver && a.maDStd == b.maDStd;
    }

private:
    PhysicalConditions maPhys;
    IllumClass maIllum;
    ObserverClass maObserver;
    DStdClass maDStd;
};

// Spectrum: a remission spectrum of 36 values for 380, 390, ..., 730 nm
// (reflectance factor, 0 to 1 for an ordinary sample; 1 is the perfect white)
// with the physical conditions it was measured under. Copied as one value.
#pragma once

#include "qel/PhysicalConditions.hpp"

class Spectrum {
public:
    static constexpr int COUNT = 36;
    static constexpr int FIRST_NM = 380;
    static constexpr int STEP_NM = 10;
    static constexpr int LAST_NM = FIRST_NM + STEP_NM * (COUNT - 1);

    // All values 0.
    Spectrum() = default;
    explicit Spectrum(const PhysicalConditions& rPhys) : maPhys(rPhys) {}
    // Takes COUNT values from pValues (all 0 when pValues is null).
    Spectrum(const PhysicalConditions& rPhys, const float* pValues);

    void Init(float fValue);
    // Sum of the 36 values.
    double Summe() const;

    // Index 0 is 380 nm, 35 is 730 nm; the index is not checked.
    float& operator[](int nIndex) { return maValues[nIndex]; }
    const float& operator[](int nIndex) const { return maValues[nIndex]; }
    // Value at an index, 0 outside 0..35.
    float GetValue(int nIndex) const { return nIndex >= 0 && nIndex < COUNT ? maValues[nIndex] : 0.0f; }
    const float* GetValues() const { return maValues; }
    float* GetValues() { return maValues; }

    const PhysicalConditions& GetPhysicalConditions() const { return maPhys; }
    void SetPhysicalConditions(const PhysicalConditions& r) { maPhys = r; }

    friend bool operator==(const Spectrum& a, const Spectrum& b);

private:
    PhysicalConditions maPhys;
    float maValues[COUNT] = {};
};

// Many spectra converted at once give each spectrum's single conversion to
// the last bit, under every kind of illuminant, for any count (blocks and
// the rest).
#include "qel/CMetry.hpp"
#include "qel/ColorVector.hpp"
#include "qel/Spectrum.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(BatchColorimetry, EqualsTheSingleConversionBitForBit)
{
    const MeasuringCondition conditions[] = {
        MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_D65), OBSERVER_10),
        MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_DXX_FIRST, 93), OBSERVER_2),
        MeasuringCondition(PhysicalConditions(), IllumClass(static_cast<IllumType>(34)), OBSERVER_2),  // F11
    };
    for (size_t n : {size_t(0), size_t(1), size_t(31), size_t(32), size_t(77)}) {
        std::vector<float> values(n * 36);
        unsigned s = 7u + static_cast<unsigned>(n);
        for (float& v : values) {
            s = s * 1103515245u + 12345u;
            v = static_cast<float>((s >> 8) % 1200) / 1000.0f - 0.05f;  // a little outside 0..1 too
        }
        for (const MeasuringCondition& c : conditions) {
            std::vector<double> xyz(n * 3, -1.0), lab(n * 3, -1.0);
            CMetry::SpectraToXYZ(values.data(), n, c, xyz.data());
            CMetry::SpectraToLab(values.data(), n, c, lab.data());
            for (size_t k = 0; k < n; ++k) {
                Spectrum sp;
                for (int i = 0; i < 36; ++i)
                    sp[i] = values[k * 36 + static_cast<size_t>(i)];
                double one[3];
                CMetry::SpectrumToXYZ(sp, c, one);
                LABVector l(sp, c);
                for (int j = 0; j < 3; ++j) {
                    ASSERT_EQ(xyz[3 * k + static_cast<size_t>(j)], one[j]) << "n " << n << " spectrum " << k;
                    ASSERT_EQ(lab[3 * k + static_cast<size_t>(j)], l.Get(j)) << "n " << n << " spectrum " << k;
                }
            }
        }
    }
}

} // namespace

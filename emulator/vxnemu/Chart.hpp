// The samples the virtual instrument can measure: the 24 patches of the colour
// chart in data/chart24_reflectance_380_730_10nm.csv (36 remission values,
// 380 to 730 nm in 10 nm steps). Patches are numbered 1 to 24 in the file's
// order; patch 19 ("white 9.5") doubles as the white calibration tile.
#pragma once

#include "vxnemu/Payload.hpp"

#include <string>
#include <vector>

namespace vxnemu {

class Chart {
public:
    static constexpr int PATCH_COUNT = 24;
    static constexpr int WHITE_PATCH = 19;

    // The chart of the data folder, loaded once. When the file is missing or
    // damaged every patch is a flat 50 % grey and Loaded() is false.
    static const Chart& Default();

    bool Load(const std::string& rPath, std::string& rError);
    bool Loaded() const { return mbLoaded; }

    // Patch number 1..24.
    const Spectrum36& Patch(int nNumber) const;
    const std::string& Name(int nNumber) const;
    // A patch by number ("7") or by name, case-insensitive, a unique prefix
    // being enough ("white", "blue sky"); 0 when nothing or several match.
    int Find(const std::string& rKey) const;

    const Spectrum36& WhiteTile() const { return Patch(WHITE_PATCH); }

    Chart();

private:
    std::vector<Spectrum36> maPatches;
    std::vector<std::string> maNames;
    bool mbLoaded = false;
};

} // namespace vxnemu

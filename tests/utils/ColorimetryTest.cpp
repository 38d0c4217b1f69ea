// Spectrum to XYZ and L*a*b*: the chart reference, white points, daylight
// illuminants and the embedded tables.
#include "qel/CMetry.hpp"
#include "qel/CMetryTables.hpp"
#include "qel/ColorVector.hpp"
#include "qel/DeltaE.hpp"
#include "qel/Spectrum.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string DataFile(const std::string& rel) { return std::string(VXN_SOURCE_DATA_DIR) + "/colorimetry/" + rel; }

// Rows of a CSV file without its header; fields as text.
std::vector<std::vector<std::string>> ReadCsv(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string cell;
        while (std::getline(ss, cell, ','))
            f.push_back(cell);
        rows.push_back(f);
    }
    return rows;
}

MeasuringCondition Cond(IllumClass illum, ObserverType obs) { return MeasuringCondition(PhysicalConditions(), illum, obs); }

Spectrum Flat(float v)
{
    Spectrum s;
    s.Init(v);
    return s;
}

struct Patch {
    std::string name;
    Spectrum spec;
};

std::vector<Patch> Chart()
{
    std::vector<Patch> out;
    for (auto& r : ReadCsv(DataFile("chart24_reflectance_380_730_10nm.csv"))) {
        Patch p{r.at(0), Spectrum()};
        for (int i = 0; i < 36; ++i)
            p.spec[i] = std::stof(r.at(i + 1));
        out.push_back(p);
    }
    return out;
}

double DeltaEab(const double a[3], const LABVector& b)
{
    return std::sqrt(std::pow(a[0] - b.GetL(), 2) + std::pow(a[1] - b.GetA(), 2) + std::pow(a[2] - b.GetB(), 2));
}

} // namespace

TEST(Colorimetry, ChartMatchesAstmE308Reference)
{
    std::vector<Patch> chart = Chart();
    ASSERT_EQ(chart.size(), 24u);
    auto ref = ReadCsv(DataFile("chart24_reference_xyz_lab_astm_e308_D50-2_D65-10.csv"));
    ASSERT_EQ(ref.size(), 48u);
    double maxDE = 0, maxDXYZ = 0;
    for (auto& r : ref) {
        IllumClass illum = r[0] == "D65" ? IllumClass(ILLUM_D65) : IllumClass(ILLUM_D50);
        ObserverType obs = r[1] == "10" ? OBSERVER_10 : OBSERVER_2;
        const Patch& p = chart.at(std::stoi(r[2]) - 1);
        ASSERT_EQ(p.name, r[3]);
        MeasuringCondition c = Cond(illum, obs);
        XYZVector xyz(p.spec, c);
        LABVector lab(xyz);
        double refXYZ[3] = {std::stod(r[4]), std::stod(r[5]), std::stod(r[6])};
        double refLab[3] = {std::stod(r[7]), std::stod(r[8]), std::stod(r[9])};
        for (int i = 0; i < 3; ++i)
            maxDXYZ = std::max(maxDXYZ, std::fabs(xyz[i] - refXYZ[i]));
        double de = DeltaEab(refLab, lab);
        maxDE = std::max(maxDE, de);
        EXPECT_LT(de, 0.001) << r[0] << "/" << r[1] << " " << r[3];
    }
    std::printf("chart: max dXYZ %.6f, max dE*ab %.6f\n", maxDXYZ, maxDE);
}

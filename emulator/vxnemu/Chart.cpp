#include "vxnemu/Chart.hpp"

#include "qel/AppDir.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vxnemu {

namespace {
std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
} // namespace

Chart::Chart()
{
    Spectrum36 grey;
    grey.fill(0.5f);
    maPatches.assign(PATCH_COUNT, grey);
    for (int i = 1; i <= PATCH_COUNT; ++i)
        maNames.push_back("patch " + std::to_string(i));
}

const Chart& Chart::Default()
{
    static const Chart chart = [] {
        Chart c;
        std::string err;
        c.Load(AppDir::GetDataFile("chart24_reflectance_380_730_10nm.csv").str(), err);
        return c;
    }();
    return chart;
}

bool Chart::Load(const std::string& rPath, std::string& rError)
{
    std::ifstream in(rPath);
    if (!in) {
        rError = "cannot open " + rPath;
        return false;
    }
    std::vector<Spectrum36> patches;
    std::vector<std::string> names;
    std::string line;
    bool header = true;
    while (std::getline(in, line) && patches.size() < PATCH_COUNT) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (header) {
            header = false;
            continue;
        }
        std::stringstream ss(line);
        std::string field;
        if (!std::getline(ss, field, ','))
            break;
        Spectrum36 s{};
        size_t n = 0;
        std::string num;
        while (n < 36 && std::getline(ss, num, ',')) {
            char* end = nullptr;
            s[n++] = std::strtof(num.c_str(), &end);
            if (end == num.c_str()) {
                rError = rPath + ": not a number in the row of " + field;
                return false;
            }
        }
        if (n != 36) {
            rError = rPath + ": the row of " + field + " has not 36 values";
            return false;
        }
        names.push_back(field);
        patches.push_back(s);
    }
    if (patches.size() != PATCH_COUNT) {
        rError = rPath + ": expected 24 patches";
        return false;
    }
    maPatches = std::move(patches);
    maNames = std::move(names);
    mbLoaded = true;
    return true;
}

const Spectrum36& Chart::Patch(int nNumber) const
{
    int i = std::clamp(nNumber, 1, PATCH_COUNT) - 1;
    return maPatches[static_cast<size_t>(i)];
}

const std::string& Chart::Name(int nNumber) const
{
    int i = std::clamp(nNumber, 1, PATCH_COUNT) - 1;
    return maNames[static_cast<size_t>(i)];
}

int Chart::Find(const std::string& rKey) const
{
    if (rKey.empty())
        return 0;
    if (std::all_of(rKey.begin(), rKey.end(), [](unsigned char c) { return std::isdigit(c); })) {
        if (rKey.size() > 3)
            return 0;
        int n = std::atoi(rKey.c_str());
        return n >= 1 && n <= PATCH_COUNT ? n : 0;
    }
    std::string key = Lower(rKey);
    int found = 0;
    for (int i = 0; i < PATCH_COUNT; ++i) {
        std::string name = Lower(maNames[static_cast<size_t>(i)]);
        if (name == key)
            return i + 1;
        if (name.rfind(key, 0) == 0) {
            if (found)
                return 0;
            found = i + 1;
        }
    }
    return found;
}

} // namespace vxnemu

// Every text the library looks up exists, with wording, in every language
// shipped in data/texts/. The lookup falls back to English for an entry a
// language lacks, so the files are read here directly: a missing
// translation shows as a failure, not as English text in a German dialog.
#include "qelvxn/library/LibraryTexts.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using Catalogue = std::map<std::string, std::map<long, std::string>>;

// The entries of one text file, by group and index (the file format of
// qel/Text.hpp: "[Group]" sections, "index=text" lines, # and ; comments).
Catalogue Load(const std::filesystem::path& rPath)
{
    Catalogue cat;
    std::ifstream in(rPath, std::ios::binary);
    std::string line, group;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[') {
            group = line.substr(1, line.find(']') - 1);
            cat[group];
            continue;
        }
        size_t eq = line.find('=');
        if (!group.empty() && eq != std::string::npos)
            cat[group][std::strtol(line.substr(0, eq).c_str(), nullptr, 10)] = line.substr(eq + 1);
    }
    return cat;
}

std::vector<long> Range(long nFirst, long nLast)
{
    std::vector<long> v;
    for (long i = nFirst; i <= nLast; ++i)
        v.push_back(i);
    return v;
}

std::vector<long> Join(std::vector<long> a, const std::vector<long>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// (group, indices) the library and the utility library look up.
const std::vector<std::pair<std::string, std::vector<long>>>& Used()
{
    static const std::vector<std::pair<std::string, std::vector<long>>> used = {
        // Condition texts: every illuminant code but the free 12 to 15, both
        // observers, the density standards, white bases and the filters read
        // back from a configuration.
        {"IllumStrings", Join(Range(0, 11), Range(16, 35))},
        {"ObserverStrings", Range(0, 1)},
        {"DStdStrings", Range(0, 3)},
        {"WBaseStrings", Range(0, 1)},
        {"ShortFilterStrings", Range(1, 11)},
        // The measuring procedures' boxes.
        {"VXNLib",
         {vxntext::SECOND_STEP_WHITE_TILE, vxntext::DIFF_ILLUMINANT, vxntext::DIFF_WHITE_BASE,
          vxntext::FILTER_PUT_SUFFIX, vxntext::FILTER_PUT_PREFIX, vxntext::CALIBRATE_PLACE_ON_TILE,
          vxntext::CALIBRATE_EXTRA, vxntext::CALIBRATE_QUESTION, vxntext::WHITE_REFERENCE_DEVIATES,
          vxntext::CALIBRATED_NOTE, vxntext::GUIDE_PROGRESS_TEXT, vxntext::GUIDE_PROGRESS_TITLE,
          vxntext::DIFF_OBSERVER, vxntext::NOT_READY, vxntext::FILTER_BY_HAND, vxntext::FILTER_M0_M2,
          vxntext::FILTER_M1}},
        // The simulator's title and status-bar prefixes.
        {"MeasurementSimulation", Range(0, 2)},
    };
    return used;
}

TEST(TextCatalogue, EveryUsedTextHasWordingInEveryLanguage)
{
    std::vector<std::string> languages;
    for (const auto& file : std::filesystem::directory_iterator(std::string(VXN_SOURCE_DATA_DIR) + "/texts")) {
        if (file.path().extension() != ".txt")
            continue;
        languages.push_back(file.path().stem().string());
        Catalogue cat = Load(file.path());
        for (const auto& [group, indices] : Used()) {
            auto g = cat.find(group);
            if (g == cat.end()) {
                ADD_FAILURE() << languages.back() << " has no group " << group;
                continue;
            }
            for (long i : indices) {
                auto e = g->second.find(i);
                EXPECT_TRUE(e != g->second.end() && !e->second.empty())
                    << languages.back() << ": " << group << " " << i << " has no text";
            }
        }
    }
    for (const char* shipped : {"en", "de"})
        EXPECT_NE(std::find(languages.begin(), languages.end(), shipped), languages.end()) << shipped;
}

} // namespace

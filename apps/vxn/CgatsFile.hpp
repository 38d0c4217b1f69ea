// Measurements appended to a CGATS.17 file through Little CMS's IT8 reader
// and writer: one row per sample (SAMPLE_ID, SAMPLE_NAME, SPECTRAL_380 ...
// SPECTRAL_730, LAB_L, LAB_A, LAB_B), the measuring conditions as keywords.
//
// Appending reads the existing file, checks that its columns and conditions
// are those of the new rows, and writes the whole file anew into a temporary
// file that then replaces it: a failure leaves the old file as it was.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

namespace vxn {

struct CgatsRow {
    std::string name;
    std::array<double, 36> spectrum{};
    double lab[3] = {};
};

class CgatsFile {
public:
    explicit CgatsFile(std::string aPath) : maPath(std::move(aPath)) {}

    // Keywords that describe every row (illuminant, observer, filter ...).
    void SetKeyword(const std::string& rKey, const std::string& rValue) { maKeywords[rKey] = rValue; }

    // Whether the file can be written (its folder exists and takes files);
    // checked before measuring so that no measurement is lost.
    bool CheckWritable(std::string& rError) const;
    // Appends the rows; false with a reason when nothing was written.
    bool Append(const std::vector<CgatsRow>& rRows, std::string& rError);

    // Reads a file written this way (for tests and checks).
    static bool Read(const std::string& rPath, std::vector<CgatsRow>& rRows, std::map<std::string, std::string>& rKeys,
                     std::string& rError);

private:
    std::string maPath;
    std::map<std::string, std::string> maKeywords;
};

} // namespace vxn

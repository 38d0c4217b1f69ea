// Measurements in a CGATS.17 file: one row per sample (SAMPLE_ID,
// SAMPLE_NAME, SPECTRAL_380 ... SPECTRAL_730, LAB_L, LAB_A, LAB_B; a table
// scan adds POSITION_X and POSITION_Y, in table units, after the name), the
// measuring conditions as keywords. Little CMS's IT8 reader checks a file
// and its writer creates a new one.
//
// The file is the user's: appending keeps every byte already in it
// (comments, keywords of the user's, the digits of earlier values), writes
// through a symbolic link to the file it names and keeps the file's mode.
// The new rows are inserted before END_DATA and NUMBER_OF_SETS is updated;
// the whole text then replaces the file through a temporary and a rename,
// so a crash leaves the old file or the new one. Appends hold an advisory
// lock on the file for the read-modify-write, so several vxn runs appending
// to one file at once keep every row.
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
    long x = 0, y = 0;  // the table position (files with positions only)
};

class CgatsFile {
public:
    // bPositions: rows carry the table position they were measured at.
    explicit CgatsFile(std::string aPath, bool bPositions = false)
        : maPath(std::move(aPath)), mbPositions(bPositions)
    {
    }

    // Keywords that describe every row (illuminant, observer, filter ...).
    void SetKeyword(const std::string& rKey, const std::string& rValue) { maKeywords[rKey] = rValue; }

    // Checked before anything is measured, so that no measurement is lost:
    // the file can be written, and when it holds data already, it is a file
    // of vxn measurements whose conditions are the keywords set so far.
    bool Check(std::string& rError) const;
    // Appends the rows; false with a reason when nothing was written.
    bool Append(const std::vector<CgatsRow>& rRows, std::string& rError);

    // Reads a file written this way, with or without positions (for tests
    // and checks).
    static bool Read(const std::string& rPath, std::vector<CgatsRow>& rRows, std::map<std::string, std::string>& rKeys,
                     std::string& rError);

private:
    bool CheckContents(const std::string& rFile, std::string& rError) const;
    std::string NewFileText(const std::vector<CgatsRow>& rRows, std::string& rError) const;
    // The file's text with the rows added before END_DATA and
    // NUMBER_OF_SETS updated, checked to read back with the rows in place;
    // "" with a reason otherwise.
    std::string AppendedText(const std::string& rText, const std::vector<CgatsRow>& rNew, std::string& rError) const;
    // The row's fields in column order, the first its SAMPLE_ID.
    std::vector<std::string> Fields(const CgatsRow& rRow, long nId) const;

    std::string maPath;
    bool mbPositions;
    std::map<std::string, std::string> maKeywords;
};

} // namespace vxn

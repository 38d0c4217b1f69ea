#include "CgatsFile.hpp"

#include <lcms2.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace vxn {

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Columns()
{
    std::vector<std::string> c = {"SAMPLE_ID", "SAMPLE_NAME"};
    for (int nm = 380; nm <= 730; nm += 10)
        c.push_back("SPECTRAL_" + std::to_string(nm));
    c.insert(c.end(), {"LAB_L", "LAB_A", "LAB_B"});
    return c;
}

// Keywords of the file that the writer sets itself.
bool IsFormatKeyword(const std::string& k)
{
    return k == "NUMBER_OF_FIELDS" || k == "NUMBER_OF_SETS" || k == "ORIGINATOR" || k == "DESCRIPTOR" ||
           k == "CREATED" || k == "SPECTRAL_BANDS" || k == "SPECTRAL_START_NM" || k == "SPECTRAL_END_NM" ||
           k == "SPECTRAL_NORM";
}

struct Handle {
    cmsHANDLE h;
    explicit Handle(cmsHANDLE x) : h(x) {}
    ~Handle()
    {
        if (h)
            cmsIT8Free(h);
    }
};

std::string Quote(const std::string& s)
{
    std::string r;
    for (char c : s)
        if (c != '"' && c != '\n' && c != '\r')
            r += c;
    return r;
}

} // namespace

bool CgatsFile::CheckWritable(std::string& rError) const
{
    fs::path p(maPath);
    fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        rError = "cannot write " + maPath + ": folder " + dir.string() + " does not exist";
        return false;
    }
    if (fs::exists(p, ec) && (fs::is_directory(p, ec) || ::access(maPath.c_str(), W_OK) != 0)) {
        rError = "cannot write " + maPath + ": not a writable file";
        return false;
    }
    if (::access(dir.c_str(), W_OK) != 0) {
        rError = "cannot write " + maPath + ": folder " + dir.string() + " is not writable";
        return false;
    }
    return true;
}

bool CgatsFile::Read(const std::string& rPath, std::vector<CgatsRow>& rRows, std::map<std::string, std::string>& rKeys,
                     std::string& rError)
{
    Handle it8(cmsIT8LoadFromFile(nullptr, rPath.c_str()));
    if (!it8.h) {
        rError = rPath + " is not a CGATS file Little CMS can read";
        return false;
    }
    char** names = nullptr;
    int nKeys = static_cast<int>(cmsIT8EnumProperties(it8.h, &names));
    for (int i = 0; i < nKeys; ++i) {
        const char* v = cmsIT8GetProperty(it8.h, names[i]);
        rKeys[names[i]] = v ? v : "";
    }
    auto cols = Columns();
    for (const auto& c : cols)
        if (cmsIT8FindDataFormat(it8.h, c.c_str()) < 0) {
            rError = rPath + " has no column " + c + "; not a file of vxn measurements";
            return false;
        }
    int nSets = static_cast<int>(cmsIT8GetPropertyDbl(it8.h, "NUMBER_OF_SETS"));
    for (int r = 0; r < nSets; ++r) {
        CgatsRow row;
        const char* name = cmsIT8GetDataRowCol(it8.h, r, cmsIT8FindDataFormat(it8.h, "SAMPLE_NAME"));
        row.name = name ? name : "";
        for (int i = 0; i < 36; ++i)
            row.spectrum[i] = cmsIT8GetDataRowColDbl(it8.h, r, cmsIT8FindDataFormat(it8.h, cols[2 + i].c_str()));
        for (int i = 0; i < 3; ++i)
            row.lab[i] = cmsIT8GetDataRowColDbl(it8.h, r, cmsIT8FindDataFormat(it8.h, cols[38 + i].c_str()));
        rRows.push_back(row);
    }
    return true;
}

bool CgatsFile::Append(const std::vector<CgatsRow>& rNew, std::string& rError)
{
    std::vector<CgatsRow> rows;
    std::error_code ec;
    if (fs::exists(maPath, ec) && fs::file_size(maPath, ec) > 0) {
        std::map<std::string, std::string> keys;
        if (!Read(maPath, rows, keys, rError))
            return false;
        // One file, one set of conditions: rows measured otherwise would be
        // read under the wrong ones.
        for (const auto& [k, v] : maKeywords) {
            auto it = keys.find(k);
            if (it != keys.end() && it->second != v) {
                rError = maPath + " holds measurements with " + k + " " + it->second + ", not " + v +
                         "; write them to another file";
                return false;
            }
        }
    }
    rows.insert(rows.end(), rNew.begin(), rNew.end());

    Handle it8(cmsIT8Alloc(nullptr));
    cmsIT8SetSheetType(it8.h, "CGATS.17");
    cmsIT8SetPropertyStr(it8.h, "ORIGINATOR", "vxn");
    cmsIT8SetPropertyStr(it8.h, "DESCRIPTOR", "Remission spectra measured with vxn");
    for (const auto& [k, v] : maKeywords)
        if (!IsFormatKeyword(k))
            cmsIT8SetPropertyStr(it8.h, k.c_str(), Quote(v).c_str());
    cmsIT8SetPropertyDbl(it8.h, "SPECTRAL_BANDS", 36);
    cmsIT8SetPropertyDbl(it8.h, "SPECTRAL_START_NM", 380);
    cmsIT8SetPropertyDbl(it8.h, "SPECTRAL_END_NM", 730);
    auto cols = Columns();
    cmsIT8SetPropertyDbl(it8.h, "NUMBER_OF_FIELDS", static_cast<double>(cols.size()));
    for (size_t i = 0; i < cols.size(); ++i)
        cmsIT8SetDataFormat(it8.h, static_cast<int>(i), cols[i].c_str());
    cmsIT8SetPropertyDbl(it8.h, "NUMBER_OF_SETS", static_cast<double>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        int rr = static_cast<int>(r);
        cmsIT8SetDataRowColDbl(it8.h, rr, 0, static_cast<double>(r + 1));
        cmsIT8SetDataRowCol(it8.h, rr, 1, Quote(rows[r].name).c_str());
        for (int i = 0; i < 36; ++i)
            cmsIT8SetDataRowColDbl(it8.h, rr, 2 + i, rows[r].spectrum[i]);
        for (int i = 0; i < 3; ++i)
            cmsIT8SetDataRowColDbl(it8.h, rr, 38 + i, rows[r].lab[i]);
    }
    std::string tmp = maPath + ".tmp." + std::to_string(::getpid());
    if (!cmsIT8SaveToFile(it8.h, tmp.c_str())) {
        std::remove(tmp.c_str());
        rError = "cannot write " + maPath;
        return false;
    }
    fs::rename(tmp, maPath, ec);
    if (ec) {
        std::remove(tmp.c_str());
        rError = "cannot write " + maPath + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace vxn

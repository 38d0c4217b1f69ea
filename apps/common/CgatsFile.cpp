#include "CgatsFile.hpp"

#include "qel/SafeFile.hpp"

#include <lcms2.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vxn {

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Columns(bool bPositions)
{
    std::vector<std::string> c = {"SAMPLE_ID", "SAMPLE_NAME"};
    if (bPositions)
        c.insert(c.end(), {"POSITION_X", "POSITION_Y"});
    for (int nm = 380; nm <= 730; nm += 10)
        c.push_back("SPECTRAL_" + std::to_string(nm));
    c.insert(c.end(), {"LAB_L", "LAB_A", "LAB_B"});
    return c;
}

struct Handle {
    cmsHANDLE h;
    explicit Handle(cmsHANDLE x) : h(x) {}
    ~Handle()
    {
        if (h)
            cmsIT8Free(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

// A closing file descriptor.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
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

// The shortest text that reads back as the same double.
std::string Number(double d)
{
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
    return ec == std::errc() ? std::string(buf, end) : "0";
}

// The path the file really has: a symbolic link is followed, so that the
// link stays and the file it names is written.
std::string RealPath(const std::string& rPath)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::path(rPath), ec);
    return ec ? rPath : p.string();
}

std::string Reason(const std::string& rPath, const std::string& rWhat)
{
    return "cannot write " + rPath + ": " + rWhat;
}

bool ReadAll(int fd, std::string& rOut)
{
    rOut.clear();
    char buf[65536];
    off_t off = 0;
    for (;;) {
        ssize_t n = ::pread(fd, buf, sizeof buf, off);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        rOut.append(buf, static_cast<size_t>(n));
        off += n;
    }
}

// Position of the line that begins with rWord as a whole word (not
// END_DATA_FORMAT for END_DATA), the last one when bLast; npos when none.
size_t FindLine(const std::string& rText, const std::string& rWord, bool bLast)
{
    size_t found = std::string::npos;
    for (size_t pos = 0; pos < rText.size();) {
        size_t eol = rText.find('\n', pos);
        size_t end = eol == std::string::npos ? rText.size() : eol;
        if (rText.compare(pos, rWord.size(), rWord) == 0) {
            size_t after = pos + rWord.size();
            if (after == end || rText[after] == ' ' || rText[after] == '\t' || rText[after] == '\r') {
                found = pos;
                if (!bLast)
                    return found;
            }
        }
        pos = end + 1;
    }
    return found;
}

// The first of the NUMBER_OF_SETS rows that lacks a field (1-based), 0 when
// every row is whole. Little CMS reads the data section as one run of
// values and takes one that ends early (a line break lost, a row cut
// short), leaving the missing cells empty: such rows would read as zeros,
// and a row appended behind them would be split across two rows.
int IncompleteRow(cmsHANDLE h)
{
    int nFields = cmsIT8EnumDataFormat(h, nullptr);
    int nSets = static_cast<int>(cmsIT8GetPropertyDbl(h, "NUMBER_OF_SETS"));
    for (int r = 0; r < nSets; ++r)
        for (int c = 0; c < nFields; ++c)
            if (!cmsIT8GetDataRowCol(h, r, c))
                return r + 1;
    return 0;
}

} // namespace

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
    bool bPositions = cmsIT8FindDataFormat(it8.h, "POSITION_X") >= 0;
    auto cols = Columns(bPositions);
    for (const auto& c : cols)
        if (cmsIT8FindDataFormat(it8.h, c.c_str()) < 0) {
            rError = rPath + " has no column " + c + "; not a file of vxn measurements";
            return false;
        }
    if (int bad = IncompleteRow(it8.h)) {
        rError = rPath + ": row " + std::to_string(bad) + " has fewer values than the file has fields";
        return false;
    }
    auto number = [&](int r, const std::string& rColumn) {
        return cmsIT8GetDataRowColDbl(it8.h, r, cmsIT8FindDataFormat(it8.h, rColumn.c_str()));
    };
    int nSets = static_cast<int>(cmsIT8GetPropertyDbl(it8.h, "NUMBER_OF_SETS"));
    for (int r = 0; r < nSets; ++r) {
        CgatsRow row;
        const char* name = cmsIT8GetDataRowCol(it8.h, r, cmsIT8FindDataFormat(it8.h, "SAMPLE_NAME"));
        row.name = name ? name : "";
        if (bPositions) {
            row.x = std::lround(number(r, "POSITION_X"));
            row.y = std::lround(number(r, "POSITION_Y"));
        }
        for (int i = 0; i < 36; ++i)
            row.spectrum[i] = number(r, "SPECTRAL_" + std::to_string(380 + 10 * i));
        const char* lab[3] = {"LAB_L", "LAB_A", "LAB_B"};
        for (int i = 0; i < 3; ++i)
            row.lab[i] = number(r, lab[i]);
        rRows.push_back(row);
    }
    return true;
}

bool CgatsFile::CheckContents(const std::string& rFile, std::string& rError) const
{
    Handle it8(cmsIT8LoadFromMem(nullptr, rFile.data(), static_cast<cmsUInt32Number>(rFile.size())));
    if (!it8.h) {
        rError = maPath + " is not a CGATS file; give a new file or one vxn wrote";
        return false;
    }
    auto cols = Columns(mbPositions);
    char** fields = nullptr;
    int nFields = cmsIT8EnumDataFormat(it8.h, &fields);
    // A file without a BEGIN_DATA_FORMAT section has no field names at all,
    // though NUMBER_OF_FIELDS gives their count.
    bool same = fields && nFields == static_cast<int>(cols.size());
    for (int i = 0; same && i < nFields; ++i)
        same = fields[i] && cols[static_cast<size_t>(i)] == fields[i];
    if (!same) {
        rError = maPath + " has other columns than vxn's measurements; write them to another file";
        return false;
    }
    // One file, one set of conditions: rows measured otherwise would be read
    // under the wrong ones.
    for (const auto& [k, v] : maKeywords) {
        const char* have = cmsIT8GetProperty(it8.h, k.c_str());
        if (have && v != have) {
            rError = maPath + " holds measurements with " + k + " " + have + ", not " + v +
                     "; write them to another file";
            return false;
        }
    }
    if (int bad = IncompleteRow(it8.h)) {
        rError = maPath + ": row " + std::to_string(bad) + " has fewer values than the file has fields; " +
                 "repair it or write the measurements to another file";
        return false;
    }
    if (FindLine(rFile, "END_DATA", true) == std::string::npos || FindLine(rFile, "NUMBER_OF_SETS", false) == std::string::npos) {
        rError = maPath + " has no data section vxn can add to";
        return false;
    }
    // Known before anything is measured: a row can be added and read back.
    CgatsRow probe;
    probe.name = "probe";
    return !AppendedText(rFile, {probe}, rError).empty();
}

bool CgatsFile::Check(std::string& rError) const
{
    std::string real = RealPath(maPath);
    std::error_code ec;
    fs::path dir = fs::path(real).has_parent_path() ? fs::path(real).parent_path() : fs::path(".");
    if (!fs::is_directory(dir, ec)) {
        rError = Reason(maPath, "folder " + dir.string() + " does not exist");
        return false;
    }
    if (::access(dir.c_str(), W_OK) != 0) {
        rError = Reason(maPath, "folder " + dir.string() + " is not writable");
        return false;
    }
    if (!fs::exists(real, ec))
        return true;
    if (!fs::is_regular_file(real, ec)) {
        rError = Reason(maPath, "not a regular file");
        return false;
    }
    Fd f;
    f.fd = ::open(real.c_str(), O_RDWR | O_CLOEXEC);
    std::string text;
    if (f.fd < 0 || !ReadAll(f.fd, text)) {
        rError = Reason(maPath, std::strerror(errno));
        return false;
    }
    return text.empty() || CheckContents(text, rError);
}

std::string CgatsFile::NewFileText(const std::vector<CgatsRow>& rRows, std::string& rError) const
{
    Handle it8(cmsIT8Alloc(nullptr));
    cmsIT8SetSheetType(it8.h, "CGATS.17");
    cmsIT8SetPropertyStr(it8.h, "ORIGINATOR", "vxn");
    cmsIT8SetPropertyStr(it8.h, "DESCRIPTOR", "Remission spectra measured with vxn");
    for (const auto& [k, v] : maKeywords)
        cmsIT8SetPropertyStr(it8.h, k.c_str(), Quote(v).c_str());
    cmsIT8SetPropertyDbl(it8.h, "SPECTRAL_BANDS", 36);
    cmsIT8SetPropertyDbl(it8.h, "SPECTRAL_START_NM", 380);
    cmsIT8SetPropertyDbl(it8.h, "SPECTRAL_END_NM", 730);
    auto cols = Columns(mbPositions);
    cmsIT8SetPropertyDbl(it8.h, "NUMBER_OF_FIELDS", static_cast<double>(cols.size()));
    for (size_t i = 0; i < cols.size(); ++i)
        cmsIT8SetDataFormat(it8.h, static_cast<int>(i), cols[i].c_str());
    cmsIT8SetPropertyDbl(it8.h, "NUMBER_OF_SETS", static_cast<double>(rRows.size()));
    // Values as text, so that every digit of the measurement is kept
    // (the writer's own number format keeps ten).
    for (size_t r = 0; r < rRows.size(); ++r) {
        auto fields = Fields(rRows[r], static_cast<long>(r) + 1);
        for (size_t c = 0; c < fields.size(); ++c)
            cmsIT8SetDataRowCol(it8.h, static_cast<int>(r), static_cast<int>(c), fields[c].c_str());
    }
    cmsUInt32Number n = 0;
    if (!cmsIT8SaveToMem(it8.h, nullptr, &n) || n == 0) {
        rError = Reason(maPath, "the CGATS writer failed");
        return "";
    }
    std::string text(n, '\0');
    if (!cmsIT8SaveToMem(it8.h, text.data(), &n)) {
        rError = Reason(maPath, "the CGATS writer failed");
        return "";
    }
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::vector<std::string> CgatsFile::Fields(const CgatsRow& rRow, long nId) const
{
    std::vector<std::string> f = {std::to_string(nId), Quote(rRow.name)};
    if (mbPositions)
        f.insert(f.end(), {std::to_string(rRow.x), std::to_string(rRow.y)});
    for (double v : rRow.spectrum)
        f.push_back(Number(v));
    for (double v : rRow.lab)
        f.push_back(Number(v));
    return f;
}

std::string CgatsFile::AppendedText(const std::string& rText, const std::vector<CgatsRow>& rNew,
                                    std::string& rError) const
{
    std::string text = rText;
    Handle it8(cmsIT8LoadFromMem(nullptr, text.data(), static_cast<cmsUInt32Number>(text.size())));
    long nOld = it8.h ? static_cast<long>(cmsIT8GetPropertyDbl(it8.h, "NUMBER_OF_SETS")) : 0;
    std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string rows;
    for (size_t r = 0; r < rNew.size(); ++r) {
        auto fields = Fields(rNew[r], nOld + static_cast<long>(r) + 1);
        fields[1] = "\"" + fields[1] + "\"";
        for (size_t c = 0; c < fields.size(); ++c)
            rows += (c ? "\t" : "") + fields[c];
        rows += eol;
    }
    size_t end = FindLine(text, "END_DATA", true);
    text.insert(end, rows);
    size_t sets = FindLine(text, "NUMBER_OF_SETS", false);
    size_t eolPos = text.find_first_of("\r\n", sets);
    long nAll = nOld + static_cast<long>(rNew.size());
    text.replace(sets, (eolPos == std::string::npos ? text.size() : eolPos) - sets,
                 "NUMBER_OF_SETS\t" + std::to_string(nAll));
    // The file must read back with the rows where they belong: a value in
    // the user's rows that Little CMS takes for two fields would shift them.
    Handle back(cmsIT8LoadFromMem(nullptr, text.data(), static_cast<cmsUInt32Number>(text.size())));
    const char* last = back.h && !rNew.empty()
                           ? cmsIT8GetDataRowCol(back.h, static_cast<int>(nAll - 1), cmsIT8FindDataFormat(back.h, "SAMPLE_NAME"))
                           : nullptr;
    if (!back.h || static_cast<long>(cmsIT8GetPropertyDbl(back.h, "NUMBER_OF_SETS")) != nAll || IncompleteRow(back.h) ||
        (!rNew.empty() && (!last || Quote(rNew.back().name) != last))) {
        rError = maPath + " does not read back with rows added (its data section has a value that is not one "
                          "field); write the measurements to another file";
        return "";
    }
    return text;
}

bool CgatsFile::Append(const std::vector<CgatsRow>& rNew, std::string& rError)
{
    std::string real = RealPath(maPath);
    // Lock the file, and make sure the locked file is still the one the path
    // names: another run may have replaced it while this one waited.
    Fd f;
    struct stat locked{}, named{};
    for (;;) {
        f.fd = ::open(real.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (f.fd < 0) {
            rError = Reason(maPath, std::strerror(errno));
            return false;
        }
        if (::flock(f.fd, LOCK_EX) != 0 || ::fstat(f.fd, &locked) != 0) {
            rError = Reason(maPath, std::strerror(errno));
            return false;
        }
        if (::stat(real.c_str(), &named) == 0 && named.st_ino == locked.st_ino && named.st_dev == locked.st_dev)
            break;
        ::close(f.fd);
        f.fd = -1;
    }

    std::string text;
    if (!ReadAll(f.fd, text)) {
        rError = Reason(maPath, std::strerror(errno));
        return false;
    }
    if (text.empty()) {
        text = NewFileText(rNew, rError);
        if (text.empty())
            return false;
    } else {
        if (!CheckContents(text, rError))
            return false;
        text = AppendedText(text, rNew, rError);
        if (text.empty())
            return false;
    }

    // The new text replaces the file whole, with the file's own mode.
    if (!qel::WriteFileAtomically(real, text, rError, static_cast<int>(locked.st_mode & 07777)))
        return false;
    return true;
}

} // namespace vxn

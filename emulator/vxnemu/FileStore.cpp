#include "vxnemu/FileStore.hpp"

#include <algorithm>
#include <cctype>

namespace vxnemu {

namespace {
constexpr uint8_t OK = 0, REFUSED = 1, MALFORMED = 2;
enum Result : uint8_t { R_DONE = 0, R_NOT_FOUND = 1, R_CONFLICT = 2, R_FULL = 3, R_BAD_NAME = 4 };
constexpr size_t PATH_MAX_CHARS = 128;
constexpr size_t NAME_BYTES = 13;

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// The 13 bytes of a name field up to its first zero, upper-cased; empty when
// it is not an 8.3 name.
std::string ReadName(PayloadReader& in)
{
    uint8_t raw[NAME_BYTES];
    in.Raw(raw, NAME_BYTES);
    std::string s;
    for (uint8_t c : raw) {
        if (c == 0)
            break;
        s.push_back(static_cast<char>(c));
    }
    s = Upper(s);
    size_t dot = s.find('.');
    std::string base = s.substr(0, dot), ext = dot == std::string::npos ? "" : s.substr(dot + 1);
    auto good = [](const std::string& p) {
        return std::all_of(p.begin(), p.end(), [](unsigned char c) {
            return std::isalnum(c) || c == '_' || c == '-' || c == '~' || c == '$';
        });
    };
    if (base.empty() || base.size() > 8 || ext.size() > 3 || !good(base) || !good(ext))
        return {};
    return s;
}

void WriteName(PayloadWriter& out, const std::string& s)
{
    out.Fixed(s, NAME_BYTES);
}

void WritePath(PayloadWriter& out, const std::string& s)
{
    out.Raw(s.data(), s.size());
    out.Byte(0);
}
} // namespace

FileStore::FileStore()
{
    for (const char* d : {"A:", "C:"})
        maDrives[d].dirs["\\"];
    Drive& c = maDrives["C:"];
    c.dirs["\\GUIDES"];
    c.dirs["\\DATA"];
    File readme;
    std::string text = "VXN file store\r\n";
    readme.data.assign(text.begin(), text.end());
    readme.declared = readme.data.size();
    c.dirs["\\"].files["README.TXT"] = readme;
}

size_t FileStore::UsedBytes() const
{
    size_t n = 0;
    for (const auto& [_, drive] : maDrives)
        for (const auto& [__, dir] : drive.dirs)
            for (const auto& [___, f] : dir.files)
                n += f.data.size();
    return n;
}

std::string FileStore::Describe() const
{
    return "drive=" + maDrive + " dir=" + maDir + " used=" + std::to_string(UsedBytes());
}

std::vector<std::pair<std::string, int>> FileStore::Entries()
{
    std::vector<std::pair<std::string, int>> v;
    const Drive& d = maDrives[maDrive];
    std::string prefix = maDir == "\\" ? "\\" : maDir + "\\";
    for (const auto& [path, _] : d.dirs)
        if (path.size() > prefix.size() && path.rfind(prefix, 0) == 0 &&
            path.find('\\', prefix.size()) == std::string::npos)
            v.emplace_back(path.substr(prefix.size()), 1);
    for (const auto& [name, _] : CurrentDir().files)
        v.emplace_back(name, 0);
    return v;
}

// An absolute ("\X", "/X") or relative path, with "..", to a full directory
// path of the current drive; empty when it does not exist.
std::string FileStore::ResolveDir(const std::string& rPath) const
{
    std::string p = Upper(rPath);
    std::replace(p.begin(), p.end(), '/', '\\');
    std::vector<std::string> parts;
    if (p.empty() || p[0] != '\\') {
        std::string cur = maDir;
        size_t i = 1;
        while (i < cur.size()) {
            size_t j = cur.find('\\', i);
            if (j == std::string::npos)
                j = cur.size();
            parts.push_back(cur.substr(i, j - i));
            i = j + 1;
        }
    }
    size_t i = 0;
    while (i <= p.size()) {
        size_t j = p.find('\\', i);
        if (j == std::string::npos)
            j = p.size();
        std::string part = p.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string full;
    for (const auto& s : parts)
        full += "\\" + s;
    if (full.empty())
        full = "\\";
    const Drive& d = maDrives.at(maDrive);
    return d.dirs.count(full) ? full : std::string();
}

uint8_t FileStore::Handle(uint16_t nMessage, PayloadReader& in, PayloadWriter& out)
{
    switch (nMessage) {
    case 108: // FileActDriveRequest
    case 112: // FileActDirRequest
        if (!in.Complete())
            return MALFORMED;
        out.Byte(R_DONE);
        WritePath(out, nMessage == 108 ? maDrive : maDir);
        return OK;
    case 109:   // FileChangeDrive
    case 113: { // FileChangeDir
        std::vector<uint8_t> raw = in.Rest();
        if (raw.size() > PATH_MAX_CHARS)
            return MALFORMED;
        std::string path(raw.begin(), raw.end());
        if (auto z = path.find('\0'); z != std::string::npos)
            path.resize(z);
        if (nMessage == 109) {
            std::string d = Upper(path);
            if (d.size() == 1)
                d += ':';
            if (!maDrives.count(d)) {
                out.Byte(R_NOT_FOUND);
                return OK;
            }
            maDrive = d;
            maDir = "\\";
        } else {
            std::string full = ResolveDir(path);
            if (full.empty()) {
                out.Byte(R_NOT_FOUND);
                return OK;
            }
            maDir = full;
        }
        out.Byte(R_DONE);
        return OK;
    }
    case 119: { // FileDOSStatusRequest(name, size)
        std::string name = ReadName(in);
        in.Int();
        if (!in.Complete())
            return MALFORMED;
        auto& files = CurrentDir().files;
        auto it = name.empty() ? files.end() : files.find(name);
        bool isDir = false;
        if (it == files.end() && !name.empty()) {
            for (auto& [n, type] : Entries())
                if (type == 1 && n == name)
                    isDir = true;
        }
        uint8_t result = it != files.end() || isDir ? R_DONE : (name.empty() ? R_BAD_NAME : R_NOT_FOUND);
        size_t size = it != files.end() ? it->second.data.size() : 0;
        out.Byte(result).Int(static_cast<int32_t>(size));
        out.Byte(12).Byte(12).Byte(93).Byte(0); // date: 12.12.1993
        out.Byte(12).Byte(0).Byte(0);           // time: 12:00:00
        out.Byte(result != R_DONE ? 0 : (isDir ? 0x10 : 0x20));
        return OK;
    }
    case 120: { // FileEntryCount
        in.UShort();
        if (!in.Complete())
            return MALFORMED;
        out.Byte(R_DONE).UShort(static_cast<uint16_t>(Entries().size()));
        return OK;
    }
    case 121: { // FileDOSEntryRequest(index)
        uint16_t idx = in.UShort();
        if (!in.Complete())
            return MALFORMED;
        auto entries = Entries();
        if (idx >= entries.size()) {
            out.Byte(R_NOT_FOUND);
            WriteName(out, "");
            out.Int(0);
            return OK;
        }
        out.Byte(R_DONE);
        WriteName(out, entries[idx].first);
        out.Int(entries[idx].second);
        return OK;
    }
    case 122: { // FileCreateDOSFile(name, write type, size)
        std::string name = ReadName(in);
        int type = in.Int();
        int size = in.Int();
        if (!in.Complete())
            return MALFORMED;
        if (name.empty() || (type != 0 && type != 1) || size < 0) {
            out.Byte(R_BAD_NAME);
            return OK;
        }
        auto& files = CurrentDir().files;
        auto it = files.find(name);
        if (it != files.end() && type == 0) {
            out.Byte(R_CONFLICT);
            return OK;
        }
        size_t others = UsedBytes() - (it != files.end() ? it->second.data.size() : 0);
        if (static_cast<size_t>(size) > CAPACITY - others || (it == files.end() && files.size() >= MAX_ENTRIES)) {
            out.Byte(R_FULL);
            return OK;
        }
        File& f = files[name];
        f.data.clear();
        f.declared = static_cast<size_t>(size);
        f.access = -1;
        out.Byte(R_DONE);
        return OK;
    }
    case 123: { // FileDOSAccessStart(name, access)
        std::string name = ReadName(in);
        int access = in.Int();
        if (!in.Complete())
            return MALFORMED;
        auto& files = CurrentDir().files;
        auto it = files.find(name);
        if (it == files.end()) {
            out.Byte(name.empty() ? R_BAD_NAME : R_NOT_FOUND);
            return OK;
        }
        if (access != 0 && access != 1) {
            out.Byte(R_CONFLICT);
            return OK;
        }
        it->second.access = access;
        out.Byte(R_DONE);
        return OK;
    }
    case 124: { // FileDOSAccessEnd(name)
        std::string name = ReadName(in);
        if (!in.Complete())
            return MALFORMED;
        auto& files = CurrentDir().files;
        auto it = files.find(name);
        if (it == files.end()) {
            out.Byte(name.empty() ? R_BAD_NAME : R_NOT_FOUND);
            return OK;
        }
        File& f = it->second;
        // A file written with a declared size keeps exactly that many bytes.
        if (f.access == 1 && f.declared > 0 && f.data.size() > f.declared)
            f.data.resize(f.declared);
        f.access = -1;
        out.Byte(R_DONE);
        return OK;
    }
    case 125: { // FileWriteToDOSFile(name, block, 512 bytes)
        std::string name = ReadName(in);
        int pos = in.Int();
        uint8_t block[BLOCK];
        in.Raw(block, BLOCK);
        if (!in.Complete())
            return MALFORMED;
        auto& files = CurrentDir().files;
        auto it = files.find(name);
        if (it == files.end()) {
            out.Byte(name.empty() ? R_BAD_NAME : R_NOT_FOUND);
            return OK;
        }
        File& f = it->second;
        if (f.access != 1 || pos < 0) {
            out.Byte(R_CONFLICT);
            return OK;
        }
        size_t end = (static_cast<size_t>(pos) + 1) * BLOCK;
        size_t others = UsedBytes() - f.data.size();
        if (end > CAPACITY - others) {
            out.Byte(R_FULL);
            return OK;
        }
        if (f.data.size() < end)
            f.data.resize(end, 0);
        std::copy(block, block + BLOCK, f.data.begin() + static_cast<std::ptrdiff_t>(end - BLOCK));
        out.Byte(R_DONE);
        return OK;
    }
    case 126: { // FileReadFromDOSFile(name, block, 512 bytes)
        std::string name = ReadName(in);
        int pos = in.Int();
        uint8_t block[BLOCK];
        in.Raw(block, BLOCK);
        if (!in.Complete())
            return MALFORMED;
        auto& files = CurrentDir().files;
        auto it = files.find(name);
        uint8_t result = R_DONE;
        uint8_t last = 1;
        if (it == files.end())
            result = name.empty() ? R_BAD_NAME : R_NOT_FOUND;
        else if (it->second.access != 0 || pos < 0)
            result = R_CONFLICT;
        if (result == R_DONE) {
            const auto& d = it->second.data;
            size_t start = static_cast<size_t>(pos) * BLOCK;
            std::fill(block, block + BLOCK, 0);
            if (start < d.size())
                std::copy(d.begin() + static_cast<std::ptrdiff_t>(start),
                          d.begin() + static_cast<std::ptrdiff_t>(std::min(d.size(), start + BLOCK)), block);
            else
                result = R_NOT_FOUND;
            last = start + BLOCK >= d.size() ? 1 : 0;
        }
        out.Byte(result).Raw(block, BLOCK).Byte(last);
        return OK;
    }
    default:
        return REFUSED;
    }
}

} // namespace vxnemu

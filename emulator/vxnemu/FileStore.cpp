#include "vxnemu/FileStore.hpp"

#include <algorithm>
#include <cctype>

namespace vxnemu {

namespace {
constexpr uint8_t OK = 0, REFUSED = 1, MALFORMED = 2;
using R = FileStore::Result;
constexpr auto R_DONE = R::R_DONE, R_NOT_FOUND = R::R_NOT_FOUND, R_CONFLICT = R::R_CONFLICT, R_FULL = R::R_FULL,
               R_BAD_NAME = R::R_BAD_NAME, R_READ_ONLY = R::R_READ_ONLY;
constexpr size_t PATH_MAX_CHARS = 128;
constexpr size_t NAME_BYTES = 13;

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// The name upper-cased; empty when it is not an 8.3 name.
std::string NormalName(std::string s)
{
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

// The 13 bytes of a name field up to its first zero, as NormalName.
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
    return NormalName(s);
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
                if (!f.snapshot)
                    n += f.data.size();
    return n;
}

std::string FileStore::Describe() const
{
    return "drive=" + maDrive + " dir=" + maDir + " used=" + std::to_string(UsedBytes());
}

void FileStore::Mount(const std::string& rDrive, const std::string& rDir, MountedFiles& rFiles)
{
    maDrives[Upper(rDrive)].dirs[Upper(rDir)].mount = &rFiles;
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
    Dir& here = CurrentDir();
    std::vector<std::string> mounted;
    if (here.mount)
        for (const auto& e : here.mount->List())
            mounted.push_back(e.name);
    for (const auto& name : mounted)
        v.emplace_back(name, 0);
    // Files being written into a mounted directory show before they are
    // handed over; copies opened for reading are not files of their own.
    for (const auto& [name, f] : here.files)
        if (!f.snapshot && std::find(mounted.begin(), mounted.end(), name) == mounted.end())
            v.emplace_back(name, 0);
    return v;
}

const MountedFiles::Entry* FileStore::FindMounted(const std::string& rName, MountedFiles::Entry& rBuf)
{
    Dir& here = CurrentDir();
    if (!here.mount || rName.empty())
        return nullptr;
    for (auto& e : here.mount->List())
        if (e.name == rName) {
            rBuf = std::move(e);
            return &rBuf;
        }
    return nullptr;
}

size_t FileStore::Room(const std::string& rName)
{
    // What the file holds now, and the mounted file it replaces, are given
    // back when it is rewritten.
    size_t own = 0, replaced = 0;
    auto& files = CurrentDir().files;
    if (auto it = files.find(rName); it != files.end() && !it->second.snapshot)
        own = it->second.data.size();
    MountedFiles::Entry buf;
    if (const auto* e = FindMounted(rName, buf); e && !e->readOnly)
        replaced = e->size;
    size_t others = UsedBytes() - own;
    size_t room = CAPACITY - std::min(CAPACITY, others);
    if (mfForFiles) {
        size_t limit = mfForFiles() + replaced;
        room = std::min(room, limit - std::min(limit, others));
    }
    return room;
}

// An absolute ("\X", "/X") or relative path, with "..", to a full directory
// path of the drive; empty when it does not exist.
std::string FileStore::ResolveDir(const std::string& rDrive, const std::string& rPath) const
{
    std::string p = Upper(rPath);
    std::replace(p.begin(), p.end(), '/', '\\');
    std::vector<std::string> parts;
    if ((p.empty() || p[0] != '\\') && rDrive == maDrive) {
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
    const Drive& d = maDrives.at(rDrive);
    return d.dirs.count(full) ? full : std::string();
}

uint8_t FileStore::Locate(const std::string& rPath, Dir*& rpDir, std::string& rName)
{
    std::string p = Upper(rPath);
    std::string drive = maDrive;
    if (p.size() >= 2 && p[1] == ':') {
        drive = p.substr(0, 2);
        p = p.substr(2);
    }
    std::replace(p.begin(), p.end(), '/', '\\');
    size_t cut = p.find_last_of('\\');
    std::string dir = cut == std::string::npos ? "" : p.substr(0, cut == 0 ? 1 : cut);
    rName = NormalName(cut == std::string::npos ? p : p.substr(cut + 1));
    if (rName.empty())
        return R_BAD_NAME;
    if (!maDrives.count(drive))
        return R_NOT_FOUND;
    std::string full = ResolveDir(drive, dir);
    if (full.empty())
        return R_NOT_FOUND;
    rpDir = &maDrives[drive].dirs[full];
    return R_DONE;
}

uint8_t FileStore::Remove(const std::string& rPath)
{
    Dir* dir = nullptr;
    std::string name;
    if (uint8_t r = Locate(rPath, dir, name))
        return r;
    if (auto it = dir->files.find(name); it != dir->files.end()) {
        if (it->second.access != -1)
            return R_CONFLICT;
        dir->files.erase(it);
        return R_DONE;
    }
    return dir->mount ? dir->mount->Remove(name) : R_NOT_FOUND;
}

uint8_t FileStore::Rename(const std::string& rPath, const std::string& rNewName)
{
    Dir* dir = nullptr;
    std::string name;
    if (uint8_t r = Locate(rPath, dir, name))
        return r;
    std::string to = NormalName(rNewName);
    if (to.empty())
        return R_BAD_NAME;
    if (to == name)
        return R_DONE;
    auto it = dir->files.find(name);
    if (it == dir->files.end())
        return dir->mount ? dir->mount->Rename(name, to) : R_NOT_FOUND;
    if (it->second.access != -1 || dir->files.count(to) || dir->mount)
        return R_CONFLICT;
    dir->files[to] = std::move(it->second);
    dir->files.erase(name);
    return R_DONE;
}

// Ends an access; a file written into a mounted directory is handed over.
uint8_t FileStore::Close(const std::string& rName)
{
    Dir& here = CurrentDir();
    auto it = here.files.find(rName);
    if (it == here.files.end())
        return rName.empty() ? R_BAD_NAME : R_NOT_FOUND;
    File& f = it->second;
    // A file written with a declared size keeps exactly that many bytes.
    if (f.access == 1 && f.declared > 0 && f.data.size() > f.declared)
        f.data.resize(f.declared);
    f.access = -1;
    if (!here.mount)
        return R_DONE;
    bool handOver = !f.snapshot;
    std::vector<uint8_t> data = std::move(f.data);
    here.files.erase(it);
    return handOver ? here.mount->Write(rName, std::move(data)) : R_DONE;
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
            std::string full = ResolveDir(maDrive, path);
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
        if (it != files.end() && it->second.snapshot)
            it = files.end();
        MountedFiles::Entry buf;
        const MountedFiles::Entry* mounted = it == files.end() ? FindMounted(name, buf) : nullptr;
        bool isDir = false;
        if (it == files.end() && !mounted && !name.empty()) {
            for (auto& [n, type] : Entries())
                if (type == 1 && n == name)
                    isDir = true;
        }
        bool found = it != files.end() || mounted || isDir;
        uint8_t result = found ? R_DONE : (name.empty() ? R_BAD_NAME : R_NOT_FOUND);
        size_t size = it != files.end() ? it->second.data.size() : mounted ? mounted->size : 0;
        out.Byte(result).Int(static_cast<int32_t>(size));
        if (mounted) {
            const auto& t = mounted->time;
            int year = t[6] < 80 ? t[6] + 100 : t[6]; // two-digit years from 1980 on
            out.Byte(static_cast<uint8_t>(t[4])).Byte(static_cast<uint8_t>(t[5])).Byte(static_cast<uint8_t>(year)).Byte(0);
            out.Byte(static_cast<uint8_t>(t[3])).Byte(static_cast<uint8_t>(t[2])).Byte(static_cast<uint8_t>(t[1]));
        } else {
            out.Byte(12).Byte(12).Byte(93).Byte(0); // date: 12.12.1993
            out.Byte(12).Byte(0).Byte(0);           // time: 12:00:00
        }
        uint8_t attr = !found ? 0 : isDir ? 0x10 : (mounted && mounted->readOnly ? 0x21 : 0x20);
        out.Byte(attr);
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
        Dir& here = CurrentDir();
        auto it = here.files.find(name);
        if (it != here.files.end() && it->second.snapshot) {
            out.Byte(R_CONFLICT); // open for reading
            return OK;
        }
        MountedFiles::Entry buf;
        bool exists = it != here.files.end() || FindMounted(name, buf);
        if (exists && type == 0) {
            out.Byte(R_CONFLICT);
            return OK;
        }
        if (here.mount) {
            if (uint8_t r = here.mount->Admit(name)) {
                out.Byte(r);
                return OK;
            }
        }
        if (static_cast<size_t>(size) > Room(name) || (it == here.files.end() && here.files.size() >= MAX_ENTRIES)) {
            out.Byte(R_FULL);
            return OK;
        }
        File& f = here.files[name];
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
        Dir& here = CurrentDir();
        auto it = here.files.find(name);
        MountedFiles::Entry buf;
        const MountedFiles::Entry* mounted = it == here.files.end() ? FindMounted(name, buf) : nullptr;
        if (it == here.files.end() && !mounted) {
            out.Byte(name.empty() ? R_BAD_NAME : R_NOT_FOUND);
            return OK;
        }
        if (access != 0 && access != 1) {
            out.Byte(R_CONFLICT);
            return OK;
        }
        if (mounted) {
            // A mounted file is read from a copy, or rewritten through a
            // file collected here (rewriting a file needs no declared size).
            if (access == 1 && mounted->readOnly) {
                out.Byte(R_READ_ONLY);
                return OK;
            }
            if (here.files.size() >= MAX_ENTRIES) {
                out.Byte(R_FULL);
                return OK;
            }
            File f;
            f.data = here.mount->Read(name);
            f.snapshot = access == 0;
            it = here.files.emplace(name, std::move(f)).first;
        } else if (access == 1 && it->second.snapshot) {
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
        out.Byte(Close(name));
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
        // Only the bytes the file keeps take memory: a declared size cuts
        // the last block.
        size_t start = static_cast<size_t>(pos) * BLOCK;
        size_t end = start + BLOCK;
        if (f.declared > 0)
            end = std::max(std::min(end, f.declared), start);
        if (end > Room(name)) {
            out.Byte(R_FULL);
            return OK;
        }
        if (f.data.size() < end)
            f.data.resize(end, 0);
        std::copy(block, block + (end - start), f.data.begin() + static_cast<std::ptrdiff_t>(start));
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

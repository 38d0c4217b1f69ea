// The configuration file behind Config. Three pieces:
// - Contents: the groups and keys in file order, each found by hashing, so a
//   file of any size loads in one pass and prints back in the order it had.
// - Parse: the INI reader. It also decides whether a file is INI text at all;
//   one that is not reads as empty, one with lines it does not understand
//   reads without them, and the writer keeps a copy of either.
// - Data::Write: one change to the file, made safe against other writers and
//   crashes: lock, read the file afresh, apply the change, write a temporary,
//   flush it to disk, rename it over the file, unlock.
#include "sv/Config.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string Reason(int nErrno)
{
    return std::generic_category().message(nErrno);
}

// ---- contents -------------------------------------------------------------

struct Group {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;  // file order
    std::unordered_map<std::string, size_t> index;             // key -> position in entries
};

class Contents {
public:
    bool HasGroup(const std::string& rGroup) const { return maIndex.contains(rGroup); }

    const std::string* Find(const std::string& rGroup, const std::string& rKey) const
    {
        const Group* g = FindGroup(rGroup);
        if (!g)
            return nullptr;
        auto it = g->index.find(rKey);
        return it == g->index.end() ? nullptr : &g->entries[it->second].second;
    }

    // Position of the group, appended at the end when it is new.
    size_t Obtain(const std::string& rGroup)
    {
        auto [it, added] = maIndex.try_emplace(rGroup, maGroups.size());
        if (added)
            maGroups.push_back({rGroup, {}, {}});
        return it->second;
    }

    // A key seen again keeps its first position and takes the later value.
    void Set(size_t nGroup, std::string aKey, std::string aValue)
    {
        Group& g = maGroups[nGroup];
        auto [it, added] = g.index.try_emplace(aKey, g.entries.size());
        if (added)
            g.entries.emplace_back(std::move(aKey), std::move(aValue));
        else
            g.entries[it->second].second = std::move(aValue);
    }

    // Sets the key (pValue given) or deletes it (null); false when that
    // changes nothing.
    bool Apply(const std::string& rGroup, const std::string& rKey, const std::string* pValue)
    {
        const std::string* now = Find(rGroup, rKey);
        if (pValue) {
            if (now && *now == *pValue)
                return false;
            Set(Obtain(rGroup), rKey, *pValue);
            return true;
        }
        if (!now)
            return false;
        Group& g = maGroups[maIndex.at(rGroup)];
        size_t pos = g.index.at(rKey);
        g.entries.erase(g.entries.begin() + static_cast<std::ptrdiff_t>(pos));
        g.index.erase(rKey);
        for (size_t i = pos; i < g.entries.size(); ++i)
            g.index[g.entries[i].first] = i;
        return true;
    }

    std::vector<String> Keys(const std::string& rGroup) const
    {
        std::vector<String> keys;
        if (const Group* g = FindGroup(rGroup))
            for (const auto& kv : g->entries)
                keys.emplace_back(kv.first);
        return keys;
    }

    std::string Text() const
    {
        std::string s;
        for (const auto& g : maGroups) {
            s += '[' + g.name + "]\n";
            for (const auto& [k, v] : g.entries)
                s += k + '=' + v + '\n';
            s += '\n';
        }
        return s;
    }

private:
    const Group* FindGroup(const std::string& rGroup) const
    {
        auto it = maIndex.find(rGroup);
        return it == maIndex.end() ? nullptr : &maGroups[it->second];
    }

    std::vector<Group> maGroups;                     // file order
    std::unordered_map<std::string, size_t> maIndex;  // name -> position in maGroups
};

// ---- reading ----------------------------------------------------------------

// UTF-8 without NUL bytes: what a text editor writes. Overlong forms and
// surrogates are rejected, as they never come from one.
bool IsUtf8Text(std::string_view s)
{
    static const uint32_t MINIMUM[] = {0, 0, 0x80, 0x800, 0x10000};
    size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c == 0)
                return false;
            ++i;
            continue;
        }
        size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || s.size() - i < len)
            return false;
        uint32_t cp = c & (0x7F >> len);
        for (size_t k = 1; k < len; ++k) {
            auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (cp < MINIMUM[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

// How a file read as INI text.
enum class ParseResult {
    CLEAN,     // every line understood
    SKIPPED,   // text, but with lines that are no INI: the others were read
    NOT_TEXT,  // binary or not UTF-8: nothing was read
};

// Reads INI text into rOut. Lines are "[group]", "key=value" (within a group),
// comments starting with ";" or "#", or blank; CRLF line ends (any number
// of CRs before the LF) and a leading byte-order mark are accepted. A line
// of any other kind is skipped, so one typo in a hand-edited file does not
// cost the user every other setting; the writer keeps a copy of such a file
// before it drops those lines.
ParseResult Parse(std::string_view text, Contents& rOut)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (!IsUtf8Text(text))
        return ParseResult::NOT_TEXT;
    constexpr size_t NONE = static_cast<size_t>(-1);
    size_t group = NONE;
    ParseResult result = ParseResult::CLEAN;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        // Every CR before the line feed belongs to the line end ("\r\r\n"
        // is what a CRLF file converted once more looks like). A value that
        // kept one would lose it at the next rewrite, which ends lines with
        // "\n" alone, and WriteKey never stores a CR.
        while (line.ends_with('\r'))
            line.remove_suffix(1);
        size_t last = line.find_last_not_of(" \t");
        if (last == std::string_view::npos || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line[last] != ']') {
                // An unclosed group: its keys would land in the group
                // before, so they are skipped with it.
                group = NONE;
                result = ParseResult::SKIPPED;
                continue;
            }
            group = rOut.Obtain(std::string(line.substr(1, last - 1)));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos || group == NONE) {
            result = ParseResult::SKIPPED;
            continue;
        }
        rOut.Set(group, std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
    }
    return result;
}

enum class ReadResult { MISSING, READ, FAILED };

ReadResult ReadFile(const std::string& rPath, std::string& rText, int& rErrno)
{
    rText.clear();
    int fd = ::open(rPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        rErrno = errno;
        return rErrno == ENOENT ? ReadResult::MISSING : ReadResult::FAILED;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        rErrno = EISDIR;
        return ReadResult::FAILED;
    }
    rText.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            rText.append(buf, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            rErrno = errno;
            ::close(fd);
            return ReadResult::FAILED;
        }
    }
    ::close(fd);
    return ReadResult::READ;
}

// ---- writing ----------------------------------------------------------------

// An exclusive advisory lock on a companion file. The configuration file
// itself cannot carry the lock: every write replaces it by a new one.
class FileLock {
public:
    explicit FileLock(const std::string& rPath)
    {
        mnFd = ::open(rPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (mnFd < 0) {
            mnErrno = errno;
            return;
        }
        while (::flock(mnFd, LOCK_EX) != 0)
            if (errno != EINTR) {
                mnErrno = errno;
                ::close(mnFd);
                mnFd = -1;
                return;
            }
    }
    ~FileLock()
    {
        if (mnFd >= 0)
            ::close(mnFd);  // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return mnFd >= 0; }
    int Errno() const { return mnErrno; }

private:
    int mnFd = -1;
    int mnErrno = 0;
};

bool WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Creates rPath (failing with EEXIST when it is there) with the text, on disk
// before it returns; no partial file is left on failure.
bool WriteNewFile(const std::string& rPath, std::string_view text, int nFlags, const struct stat* pModeOf, int& rErrno)
{
    int fd = ::open(rPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | nFlags, 0666);
    if (fd < 0) {
        rErrno = errno;
        return false;
    }
    // The user's permissions on the file outlive the rewrite (best effort:
    // some file systems have none).
    if (pModeOf)
        (void)::fchmod(fd, pModeOf->st_mode & 07777);
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    if (!ok)
        rErrno = errno;
    if (::close(fd) != 0 && ok) {
        rErrno = errno;
        ok = false;
    }
    if (!ok)
        ::unlink(rPath.c_str());
    return ok;
}

fs::path Folder(const fs::path& rFile)
{
    return rFile.has_parent_path() ? rFile.parent_path() : fs::path(".");
}

// Replaces the file atomically: a reader sees the old or the new file, never
// a mix, and a writer killed midway leaves the old one.
bool ReplaceFile(const std::string& rPath, std::string_view text, int& rErrno)
{
    std::string tmp = rPath + ".tmp." + std::to_string(::getpid());
    struct stat st {};
    bool existed = ::stat(rPath.c_str(), &st) == 0;
    if (!WriteNewFile(tmp, text, O_TRUNC, existed ? &st : nullptr, rErrno))
        return false;
    if (::rename(tmp.c_str(), rPath.c_str()) != 0) {
        rErrno = errno;
        ::unlink(tmp.c_str());
        return false;
    }
    // The rename itself on disk too.
    int dir = ::open(Folder(rPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// Temporaries "<name>.tmp.<pid>" of writers killed midway. Called under the
// lock, when no writer can be using one.
void RemoveStaleTemporaries(const fs::path& rFile)
{
    const std::string prefix = rFile.filename().string() + ".tmp.";
    std::error_code ec;
    for (fs::directory_iterator it(Folder(rFile), ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() > prefix.size() && name.starts_with(prefix) &&
            name.find_first_not_of("0123456789", prefix.size()) == std::string::npos) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

// Keeps a file that is about to be replaced but could not be read as
// "<name>.bak", or "<name>.bak.1" … when earlier copies are there (those are
// the user's too). rBackup names the copy.
bool KeepCopy(const std::string& rPath, std::string_view text, std::string& rBackup, int& rErrno)
{
    struct stat st {};
    bool existed = ::stat(rPath.c_str(), &st) == 0;
    for (int i = 0; i < 10; ++i) {
        rBackup = rPath + ".bak" + (i ? "." + std::to_string(i) : std::string());
        if (WriteNewFile(rBackup, text, O_EXCL, existed ? &st : nullptr, rErrno))
            return true;
        if (rErrno != EEXIST)
            return false;
    }
    return false;
}

bool FitsOnALine(const std::string& s)
{
    return s.find_first_of("\r\n") == std::string::npos && IsUtf8Text(s);
}

} // namespace

struct Config::Data {
    String path;
    mutable std::mutex mutex;  // guards contents and lastError
    Contents contents;
    std::string lastError;

    void Load()
    {
        std::string text;
        int err = 0;
        contents = Contents();
        if (ReadFile(path.str(), text, err) == ReadResult::READ && Parse(text, contents) == ParseResult::NOT_TEXT)
            contents = Contents();
    }

    bool Fail(std::string aWhy)
    {
        lastError = std::move(aWhy);
        return false;
    }

    // Sets the key (pValue given) or deletes it (null), in the file and here.
    bool Write(const std::string& rGroup, const std::string& rKey, const std::string* pValue)
    {
        std::lock_guard<std::mutex> guard(mutex);
        const std::string& file = path.str();
        // Until the file is read afresh below, a failure keeps the change in
        // the copy held here.
        auto failBeforeReading = [&](std::string why) {
            contents.Apply(rGroup, rKey, pValue);
            return Fail(std::move(why));
        };
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return failBeforeReading("cannot write " + file + ": " + Reason(EISDIR));
        fs::path folder = Folder(file);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            fs::create_directories(folder, ec);
            if (ec)
                return failBeforeReading("cannot create folder " + folder.string() + ": " + ec.message());
        }

        FileLock lock(file + ".lock");
        if (!lock.Held())
            return failBeforeReading("cannot lock " + file + ".lock: " + Reason(lock.Errno()));
        std::string text;
        int err = 0;
        Contents fresh;
        ParseResult parsed = ParseResult::CLEAN;
        switch (ReadFile(file, text, err)) {
        case ReadResult::MISSING:
            break;
        case ReadResult::FAILED:
            return failBeforeReading("cannot read " + file + ": " + Reason(err));
        case ReadResult::READ:
            parsed = Parse(text, fresh);
            if (parsed == ParseResult::NOT_TEXT)
                fresh = Contents();
            break;
        }
        bool changed = fresh.Apply(rGroup, rKey, pValue);
        contents = std::move(fresh);
        if (!changed)
            return true;

        RemoveStaleTemporaries(file);
        // The rewrite drops what could not be read: the user's file is kept.
        if (parsed != ParseResult::CLEAN) {
            std::string backup;
            if (!KeepCopy(file, text, backup, err))
                return Fail("cannot keep a copy of unreadable " + file + " as " + backup + ": " + Reason(err));
            std::fprintf(stderr, "configuration file %s %s; kept as %s\n", file.c_str(),
                         parsed == ParseResult::NOT_TEXT ? "could not be read" : "has lines that could not be read",
                         backup.c_str());
        }
        if (!ReplaceFile(file, contents.Text(), err))
            return Fail("cannot write " + file + ": " + Reason(err));
        return true;
    }
};

namespace {
std::shared_ptr<Config::Data> Shared(const String& path)
{
    static std::mutex m;
    static std::map<std::string, std::weak_ptr<Config::Data>> registry;
    std::lock_guard<std::mutex> lock(m);
    std::error_code ec;
    std::string key = fs::weakly_canonical(path.str(), ec).string();
    if (ec || key.empty())
        key = path.str();
    if (auto sp = registry[key].lock())
        return sp;
    auto sp = std::make_shared<Config::Data>();
    sp->path = path;
    sp->Load();
    registry[key] = sp;
    return sp;
}
} // namespace

Config::Config(const String& rPathName) : mpData(Shared(rPathName)) {}

bool Config::HasGroup(const String& rGroup) const
{
    std::lock_guard<std::mutex> guard(mpData->mutex);
    return mpData->contents.HasGroup(rGroup.str());
}

String Config::ReadKey(const String& rKey, const String& rDefault) const
{
    std::lock_guard<std::mutex> guard(mpData->mutex);
    const std::string* v = mpData->contents.Find(maGroup.str(), rKey.str());
    return v ? String(*v) : rDefault;
}

bool Config::HasKey(const String& rKey) const
{
    std::lock_guard<std::mutex> guard(mpData->mutex);
    return mpData->contents.Find(maGroup.str(), rKey.str()) != nullptr;
}

bool Config::WriteKey(const String& rKey, const String& rValue)
{
    // A line break inside a value would end the line in the file.
    std::string v = rValue.str();
    for (char& c : v)
        if (c == '\n' || c == '\r')
            c = ' ';
    const std::string& key = rKey.str();
    const std::string& group = maGroup.str();
    // Refused rather than written: the file could not give these back, or
    // would no longer read as a configuration file at all.
    bool keyFits = FitsOnALine(key) && key.find('=') == std::string::npos &&
                   (key.empty() || (key[0] != '[' && key[0] != ';' && key[0] != '#'));
    if (!keyFits || !FitsOnALine(group) || !IsUtf8Text(v)) {
        std::lock_guard<std::mutex> guard(mpData->mutex);
        return mpData->Fail("cannot write " + mpData->path.str() + ": key \"" + key + "\" of group \"" + group +
                            "\" or its value cannot be stored in the file");
    }
    return mpData->Write(group, key, &v);
}

bool Config::DeleteKey(const String& rKey)
{
    return mpData->Write(maGroup.str(), rKey.str(), nullptr);
}

std::vector<String> Config::GetKeys() const
{
    std::lock_guard<std::mutex> guard(mpData->mutex);
    return mpData->contents.Keys(maGroup.str());
}

const String& Config::GetPathName() const
{
    return mpData->path;
}

void Config::Reload()
{
    std::lock_guard<std::mutex> guard(mpData->mutex);
    mpData->Load();
}

String Config::GetLastError() const
{
    std::lock_guard<std::mutex> guard(mpData->mutex);
    return String(mpData->lastError);
}

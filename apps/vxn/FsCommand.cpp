// vxn fs: the instrument's file store: its drives, the current drive and
// directory, directory listings, and copying files between the instrument
// and this computer in 512-byte blocks. Paths on the instrument use \ or /;
// a path may begin with a drive ("C:\DATA"). Names are checked against the
// instrument's rules (8.3 names, 128-character paths) before anything is
// sent. Ctrl-C stops a copy between two blocks; the instrument's file is
// closed and a partly received local file removed.
#include "Commands.hpp"
#include "InstrumentRun.hpp"
#include "Interrupt.hpp"

#include "qel/PostOffice.hpp"
#include "qelvxn/library/ScanLib.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace vxn {

namespace {

// The instrument's codes for file access (its file store's own).
constexpr int WRITE_CREATE_OR_OVERWRITE = 1;
constexpr int ACCESS_READ = 0;
constexpr int ACCESS_WRITE = 1;
constexpr int ENTRY_DIRECTORY = 1;
constexpr size_t BLOCK = 512;

struct FsOptions {
    std::string path, local, remote;
};

struct Path129 {
    char c[129] = {};
    explicit Path129(const std::string& s = "") { std::strncpy(c, s.c_str(), 128); }
    std::string str() const { return std::string(c, strnlen(c, 128)); }
};

struct Name13 {
    char c[13] = {};
    explicit Name13(const std::string& s) { std::strncpy(c, s.c_str(), 12); }
};

std::string ResultText(unsigned char r)
{
    switch (r) {
    case 1: return "no such drive, directory or file";
    case 2: return "the file exists or is not open for that";
    case 3: return "the file store is full";
    case 4: return "the instrument refuses the name";
    case 5: return "the file is read-only";
    default: return "the instrument answered " + std::to_string(r);
    }
}

// A file-store operation's result: the exchange failing and a nonzero
// result byte are both failures, told apart in the message.
class Fs {
public:
    explicit Fs(VXNLib& rLib) : mrLib(rLib) {}
    VXNLib& operator*() { return mrLib; }
    // Runs one operation; false after saying what failed.
    template <class Op>
    bool Do(const std::string& rWhat, Op op)
    {
        InstrumentRun::ClearFailures();
        unsigned char r = op();
        if (r == 0 && InstrumentRun::LastFailure().empty())
            return true;
        std::string why = r != 0 ? ResultText(r) : InstrumentRun::LastFailure();
        Error(rWhat + ": " + why);
        return false;
    }

private:
    VXNLib& mrLib;
};

// Changes to the directory of the path (its drive first, if it names one).
bool ChangeTo(Fs& fs, const std::string& rPath)
{
    std::string p = rPath;
    if (p.size() >= 2 && p[1] == ':') {
        Path129 drive(p.substr(0, 2));
        if (!fs.Do("cannot change to drive " + p.substr(0, 2), [&] { return (*fs).FileChangeDrive(drive.c); }))
            return false;
        p = p.substr(2);
        if (p.empty())
            return true;
    }
    Path129 dir(p);
    return fs.Do("cannot change to " + rPath, [&] { return (*fs).FileChangeDir(dir.c); });
}

bool Where(Fs& fs, std::string& rDrive, std::string& rDir)
{
    Path129 d, p;
    if (!fs.Do("cannot read the current drive", [&] { return (*fs).FileActDriveRequest(d.c); }) ||
        !fs.Do("cannot read the current directory", [&] { return (*fs).FileActDirRequest(p.c); }))
        return false;
    rDrive = d.str();
    rDir = p.str();
    return true;
}

// Splits "DIR\NAME" into the directory ("" for none) and the name.
void SplitRemote(const std::string& rRemote, std::string& rDir, std::string& rName)
{
    size_t cut = rRemote.find_last_of("\\/");
    if (cut == std::string::npos && rRemote.size() >= 2 && rRemote[1] == ':')
        cut = 1;
    rDir = cut == std::string::npos ? "" : rRemote.substr(0, cut + 1);
    if (rDir.size() > 1 && (rDir.back() == '\\' || rDir.back() == '/') && rDir[rDir.size() - 2] != ':')
        rDir.pop_back();
    rName = cut == std::string::npos ? rRemote : rRemote.substr(cut + 1);
}

int RunLs(Fs& fs)
{
    unsigned short count = 0;
    if (!fs.Do("cannot count the directory's entries", [&] { return (*fs).FileEntryCount(count); }))
        return EXIT_FAILED;
    for (unsigned short i = 0; i < count; ++i) {
        char name[13] = {};
        FileTypeType type{};
        if (!fs.Do("cannot read entry " + std::to_string(i), [&] { return (*fs).FileDOSEntryRequest(i, name, type); }))
            return EXIT_FAILED;
        std::string n(name, strnlen(name, 13));
        if (type == ENTRY_DIRECTORY) {
            std::cout << n << std::string(n.size() < 13 ? 13 - n.size() : 0, ' ') << "<DIR>\n";
            continue;
        }
        unsigned long size = 0;
        unsigned char s4[4], s3[3], attr = 0;
        Name13 n13(n);
        if (!fs.Do("cannot read the status of " + n, [&] { return (*fs).FileDOSStatusRequest(n13.c, size, s4, s3, attr); }))
            return EXIT_FAILED;
        std::cout << n << std::string(n.size() < 13 ? 13 - n.size() : 0, ' ') << size << "\n";
    }
    return EXIT_DONE;
}

int RunGet(Fs& fs, const std::string& rName, const std::string& rLocal)
{
    Name13 name(rName);
    unsigned long size = 0;
    unsigned char s4[4], s3[3], attr = 0;
    if (!fs.Do("cannot find " + rName, [&] { return (*fs).FileDOSStatusRequest(name.c, size, s4, s3, attr); }))
        return EXIT_FAILED;
    std::ofstream out(rLocal, std::ios::binary | std::ios::trunc);
    if (!out) {
        Error("cannot write " + rLocal);
        return EXIT_FAILED;
    }
    if (!fs.Do("cannot open " + rName, [&] { return (*fs).FileDOSAccessStart(name.c, static_cast<FileAccessType>(ACCESS_READ)); }))
        return EXIT_FAILED;
    int rc = EXIT_DONE;
    for (unsigned long done = 0, block = 0; done < size; ++block) {
        if (Interrupted()) {
            rc = EXIT_INTERRUPTED;
            break;
        }
        unsigned char data[BLOCK] = {}, last = 0;
        if (!fs.Do("cannot read block " + std::to_string(block) + " of " + rName,
                   [&] { return (*fs).FileReadFromDOSFile(name.c, block, data, last); })) {
            rc = EXIT_FAILED;
            break;
        }
        size_t n = std::min<unsigned long>(BLOCK, size - done);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
        done += n;
    }
    fs.Do("cannot close " + rName, [&] { return (*fs).FileDOSAccessEnd(name.c); });
    out.close();
    if (rc == EXIT_DONE && !out) {
        Error("cannot write " + rLocal);
        rc = EXIT_FAILED;
    }
    if (rc != EXIT_DONE) {
        std::remove(rLocal.c_str());
        if (rc == EXIT_INTERRUPTED)
            Error("stopped; " + rLocal + " not written");
    }
    return rc;
}

int RunPut(Fs& fs, const std::vector<uint8_t>& rData, const std::string& rName)
{
    Name13 name(rName);
    if (!fs.Do("cannot create " + rName, [&] {
            return (*fs).FileCreateDOSFile(name.c, static_cast<FileWriteType>(WRITE_CREATE_OR_OVERWRITE), rData.size());
        }))
        return EXIT_FAILED;
    if (!fs.Do("cannot open " + rName, [&] { return (*fs).FileDOSAccessStart(name.c, static_cast<FileAccessType>(ACCESS_WRITE)); }))
        return EXIT_FAILED;
    int rc = EXIT_DONE;
    for (size_t block = 0; block * BLOCK < rData.size(); ++block) {
        if (Interrupted()) {
            rc = EXIT_INTERRUPTED;
            break;
        }
        unsigned char data[BLOCK] = {};
        std::memcpy(data, rData.data() + block * BLOCK, std::min(BLOCK, rData.size() - block * BLOCK));
        if (!fs.Do("cannot write block " + std::to_string(block) + " of " + rName,
                   [&] { return (*fs).FileWriteToDOSFile(name.c, block, data); })) {
            rc = EXIT_FAILED;
            break;
        }
    }
    if (!fs.Do("cannot close " + rName, [&] { return (*fs).FileDOSAccessEnd(name.c); }) && rc == EXIT_DONE)
        rc = EXIT_FAILED;
    if (rc == EXIT_INTERRUPTED)
        Error("stopped; " + rName + " on the instrument is incomplete");
    return rc;
}

int RunFs(const Globals& g, const std::string& rWhat, const FsOptions& o)
{
    // Everything the user named is checked before the instrument is touched.
    std::string remoteDir, remoteName, bad;
    std::vector<uint8_t> data;
    if (rWhat == "cd" || rWhat == "ls")
        bad = CheckPath(o.path);
    if (rWhat == "get" || rWhat == "put") {
        SplitRemote(o.remote, remoteDir, remoteName);
        bad = CheckPath(remoteDir);
        if (bad.empty())
            bad = CheckFileName(remoteName);
    }
    if (!bad.empty()) {
        Error(bad);
        return EXIT_USAGE;
    }
    if (rWhat == "put") {
        std::ifstream in(o.local, std::ios::binary);
        if (!in) {
            Error("cannot read " + o.local);
            return EXIT_FAILED;
        }
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    InstrumentRun run(g);
    if (!run.Connect())
        return run.ConnectFailure();
    Fs fs(run.Lib());
    std::string drive, dir;
    if (rWhat == "drives") {
        if (!Where(fs, drive, dir))
            return EXIT_FAILED;
        // The instrument names no drives; each letter is tried, and the
        // current drive and directory are put back afterwards.
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            InstrumentRun::ClearFailures();
            Path129 d(std::string(1, letter) + ":");
            if ((*fs).FileChangeDrive(d.c) == 0 && InstrumentRun::LastFailure().empty())
                std::cout << d.str() << (d.str() == drive ? "  (current)" : "") << "\n";
            InstrumentRun::ClearFailures();
        }
        return ChangeTo(fs, drive + dir) ? EXIT_DONE : EXIT_FAILED;
    }
    if (rWhat == "pwd") {
        if (!Where(fs, drive, dir))
            return EXIT_FAILED;
        std::cout << drive << dir << std::endl;
        return EXIT_DONE;
    }
    if (rWhat == "cd")
        return ChangeTo(fs, o.path) ? EXIT_DONE : EXIT_FAILED;

    // ls, get and put leave the current drive and directory as they were.
    std::string target = rWhat == "ls" ? o.path : remoteDir;
    if (!target.empty() && (!Where(fs, drive, dir) || !ChangeTo(fs, target)))
        return EXIT_FAILED;
    int rc = rWhat == "ls" ? RunLs(fs) : rWhat == "get" ? RunGet(fs, remoteName, o.local) : RunPut(fs, data, remoteName);
    if (!target.empty() && !ChangeTo(fs, drive + dir) && rc == EXIT_DONE)
        rc = EXIT_FAILED;
    return rc;
}

} // namespace

Command AddFsCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("fs", "the instrument's file store: drives, pwd, cd, ls, get, put");
    c.sub->require_subcommand(1);
    auto o = std::make_shared<FsOptions>();
    auto what = std::make_shared<std::string>();
    auto add = [&](const char* name, const char* help) {
        CLI::App* s = c.sub->add_subcommand(name, help);
        s->callback([what, name] { *what = name; });
        return s;
    };
    add("drives", "the drives of the file store");
    add("pwd", "the current drive and directory");
    add("cd", "change the current drive and directory")->add_option("PATH", o->path, "[DRIVE:]PATH")->required();
    add("ls", "list a directory (the current one by default)")->add_option("PATH", o->path, "[DRIVE:]PATH");
    CLI::App* get = add("get", "copy a file from the instrument");
    get->add_option("REMOTE", o->remote, "[DRIVE:][PATH\\]NAME on the instrument")->required();
    get->add_option("LOCAL", o->local, "file here")->required();
    CLI::App* put = add("put", "copy a file to the instrument");
    put->add_option("LOCAL", o->local, "file here")->required();
    put->add_option("REMOTE", o->remote, "[DRIVE:][PATH\\]NAME on the instrument")->required();
    c.run = [&g, what, o] { return RunFs(g, *what, *o); };
    return c;
}

} // namespace vxn

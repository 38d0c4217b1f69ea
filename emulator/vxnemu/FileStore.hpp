// The instrument's small file store (messages 108 to 126): two drives "A:"
// and "C:", each with a root directory "\" and subdirectories, files of 8.3
// names read and written in 512-byte blocks.
//
// Every reply carries the status 0 and a result byte; a well-formed request
// that cannot be carried out answers status 0 with a nonzero result:
//   0 done, 1 no such drive/directory/file/entry, 2 the file exists already
//   (write type 0) or is not opened for that access, 3 the memory is full,
//   4 bad name or path, 5 the file is read-only.
// Codes the store uses: entry type (FileTypeType) 0 file, 1 directory; write
// type 0 create new, 1 create or overwrite; access type 0 read, 1 write.
// FileDOSStatusRequest answers the size, the date (day, month, year - 1900,
// weekday 0), the time (hour, minute, second) and the attribute byte (0x20
// for a file, 0x21 for a read-only one, 0x10 for a directory).
// FileReadFromDOSFile's last byte is 1 when the block read is the file's
// last block, else 0.
//
// A directory can be mounted: its files are then kept elsewhere in the
// instrument (its guides, its references) and the store lists, reads and
// writes them through a MountedFiles. Reading such a file reads a copy taken
// when it was opened; a file written into it is collected here and handed
// over whole when it is closed.
//
// The store holds at most 256 KiB of file data and 64 entries per directory,
// so a request can never make it allocate without bound; within that, files
// may only take the memory the owner leaves them (SetMemoryForFiles), which
// is how files share the instrument's memory with its guides and references.
#pragma once

#include "vxnemu/Payload.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vxnemu {

// The files of a mounted directory. Names are 8.3 names in upper case; the
// results are the store's result codes.
class MountedFiles {
public:
    struct Entry {
        std::string name;
        size_t size = 0;
        bool readOnly = false;
        std::array<int, 7> time{}; // 0, second, minute, hour, day, month, year % 100
    };
    virtual ~MountedFiles() = default;
    virtual std::vector<Entry> List() const = 0;
    virtual std::vector<uint8_t> Read(const std::string& rName) const = 0;
    // Whether a file of that name may be created (or replaced) here.
    virtual uint8_t Admit(const std::string& rName) const = 0;
    virtual uint8_t Write(const std::string& rName, std::vector<uint8_t> aData) = 0;
    virtual uint8_t Remove(const std::string& rName) = 0;
    virtual uint8_t Rename(const std::string& rName, const std::string& rNewName) = 0;
};

class FileStore {
public:
    enum Result : uint8_t { R_DONE = 0, R_NOT_FOUND = 1, R_CONFLICT = 2, R_FULL = 3, R_BAD_NAME = 4, R_READ_ONLY = 5 };

    static constexpr size_t CAPACITY = 256 * 1024;
    static constexpr size_t MAX_ENTRIES = 64;
    static constexpr size_t BLOCK = 512;

    FileStore();
    // Answers 108..126; returns the status (0, or 2 for a malformed request,
    // 1 for a message number the store does not know).
    uint8_t Handle(uint16_t nMessage, PayloadReader& rIn, PayloadWriter& rOut);

    // The bytes the store itself holds (not those of mounted directories).
    size_t UsedBytes() const;
    std::string Describe() const;

    // The directory's files (drive "C:", path "\\REFS", created if missing)
    // are from now on those of rFiles, which must outlive the store's use.
    void Mount(const std::string& rDrive, const std::string& rDir, MountedFiles& rFiles);
    // The bytes all files together may take: the owner's memory less what
    // its other contents (those of mounted directories among them) take.
    void SetMemoryForFiles(std::function<size_t()> fBytes) { mfForFiles = std::move(fBytes); }

    // Deleting and renaming a file, as the instrument's own menu does it; the
    // path is absolute or relative to the current directory, with or without
    // a drive. Returns a result code.
    uint8_t Remove(const std::string& rPath);
    uint8_t Rename(const std::string& rPath, const std::string& rNewName);

private:
    struct File {
        std::vector<uint8_t> data;
        size_t declared = 0;
        int access = -1; // -1 closed, 0 read, 1 write
        bool snapshot = false; // a mounted file's copy, opened for reading
    };
    struct Dir {
        std::map<std::string, File> files;
        MountedFiles* mount = nullptr;
    };
    struct Drive {
        std::map<std::string, Dir> dirs; // by full path: "\", "\GUIDES"
    };

    Dir& CurrentDir() { return maDrives[maDrive].dirs[maDir]; }
    std::vector<std::pair<std::string, int>> Entries();
    std::string ResolveDir(const std::string& rDrive, const std::string& rPath) const;
    // The drive and directory of a path ending in a file name, and the name;
    // the result code when they do not exist or the name is bad.
    uint8_t Locate(const std::string& rPath, Dir*& rpDir, std::string& rName);
    // The mounted entry of that name in the current directory, if any.
    const MountedFiles::Entry* FindMounted(const std::string& rName, MountedFiles::Entry& rBuf);
    // Bytes a file of that name in the current directory may grow to.
    size_t Room(const std::string& rName);
    uint8_t Close(const std::string& rName);

    std::map<std::string, Drive> maDrives;
    std::string maDrive = "C:";
    std::string maDir = "\\";
    std::function<size_t()> mfForFiles;
};

} // namespace vxnemu

// The instrument's small file store (messages 108 to 126): two drives "A:"
// and "C:", each with a root directory "\" and subdirectories, files of 8.3
// names read and written in 512-byte blocks.
//
// Every reply carries the status 0 and a result byte; a well-formed request
// that cannot be carried out answers status 0 with a nonzero result:
//   0 done, 1 no such drive/directory/file/entry, 2 the file exists already
//   (write type 0) or is not opened for that access, 3 the store is full,
//   4 bad name or path.
// Codes the store uses: entry type (FileTypeType) 0 file, 1 directory; write
// type 0 create new, 1 create or overwrite; access type 0 read, 1 write.
// FileDOSStatusRequest answers the size, the date (day, month, year - 1900,
// weekday 0), the time (hour, minute, second) and the attribute byte (0x20
// for a file, 0x10 for a directory). FileReadFromDOSFile's last byte is 1
// when the block read is the file's last block, else 0.
// The store holds at most 256 KiB of file data and 64 entries per directory,
// so a request can never make it allocate without bound.
#pragma once

#include "vxnemu/Payload.hpp"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vxnemu {

class FileStore {
public:
    static constexpr size_t CAPACITY = 256 * 1024;
    static constexpr size_t MAX_ENTRIES = 64;
    static constexpr size_t BLOCK = 512;

    FileStore();
    // Answers 108..126; returns the status (0, or 2 for a malformed request,
    // 1 for a message number the store does not know).
    uint8_t Handle(uint16_t nMessage, PayloadReader& rIn, PayloadWriter& rOut);

    size_t UsedBytes() const;
    std::string Describe() const;

private:
    struct File {
        std::vector<uint8_t> data;
        size_t declared = 0;
        int access = -1; // -1 closed, 0 read, 1 write
    };
    struct Dir {
        std::map<std::string, File> files;
    };
    struct Drive {
        std::map<std::string, Dir> dirs; // by full path: "\", "\GUIDES"
    };

    Dir& CurrentDir() { return maDrives[maDrive].dirs[maDir]; }
    std::vector<std::pair<std::string, int>> Entries();
    std::string ResolveDir(const std::string& rPath) const;

    std::map<std::string, Drive> maDrives;
    std::string maDrive = "C:";
    std::string maDir = "\\";
};

} // namespace vxnemu

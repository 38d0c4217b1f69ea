// Config: an application configuration file, INI style: "[Group]" lines
// followed by "Key=Value" lines. Keys are read and written in the group chosen
// with SetGroup.
//
// All Config objects on the same path share one in-memory copy, so a value
// written through one is seen by the others at once; each object keeps its own
// current group, so a copy made to look into another group leaves the
// original's group alone.
//
// The file is the user's, and several programs may write it at once. Every
// write therefore takes a lock beside the file, reads the file again, applies
// just that one change, and replaces the file atomically (a temporary file is
// written, flushed to disk and renamed over it), so neither a crash nor a
// second writer loses anything. A file that is not INI text (binary data,
// invalid UTF-8, lines of no known kind) reads as empty, and is copied to
// "<name>.bak" before the first write replaces it.
#pragma once

#include "sv/String.hpp"

#include <memory>
#include <vector>

class Config {
public:
    explicit Config(const String& rPathName);
    Config(const Config&) = default;
    Config& operator=(const Config&) = default;

    void SetGroup(const String& rGroup) { maGroup = rGroup; }
    const String& GetGroup() const { return maGroup; }
    bool HasGroup(const String& rGroup) const;

    String ReadKey(const String& rKey) const { return ReadKey(rKey, String()); }
    String ReadKey(const String& rKey, const String& rDefault) const;
    bool HasKey(const String& rKey) const;
    // Return false when the file could not be written, GetLastError then
    // saying why; the change is kept in memory all the same. Line breaks in a
    // value become blanks. What the file could not give back is refused
    // (false, nothing changed): a key with "=" or a line break in it or
    // starting with "[", ";" or "#", a group with a line break, and anything
    // that is not UTF-8 text.
    bool WriteKey(const String& rKey, const String& rValue);
    bool DeleteKey(const String& rKey);
    std::vector<String> GetKeys() const;

    const String& GetPathName() const;
    // Reads the file again, dropping what is in memory.
    void Reload();
    // Why the most recent failed write of this file failed, naming the path
    // (for example "cannot write /x/QelVXN.ini: Is a directory"); empty while
    // no write has failed. Shared by all Config objects on the path, and not
    // cleared by later successful writes, so a caller can check once after a
    // series of writes.
    String GetLastError() const;

    struct Data;

private:
    std::shared_ptr<Data> mpData;
    String maGroup;
};

// Config: an application configuration file, INI style: "[Group]" lines
// followed by "Key=Value" lines. Keys are read and written in the group chosen
// with SetGroup. Every write replaces the file atomically (a temporary file is
// written and renamed over it), so a crash never leaves half a file.
//
// All Config objects on the same path share one in-memory copy, so a value
// written through one is seen by the others at once.
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
    // Returns false when the file could not be written (the value is kept in
    // memory all the same).
    bool WriteKey(const String& rKey, const String& rValue);
    bool DeleteKey(const String& rKey);
    std::vector<String> GetKeys() const;

    const String& GetPathName() const;
    // Reads the file again, dropping what is in memory.
    void Reload();

    struct Data;

private:
    std::shared_ptr<Data> mpData;
    String maGroup;
};

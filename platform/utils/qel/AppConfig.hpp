// AppConfig: the application's configuration (an INI file, see Config).
//
// Location, first that applies: SetPathName (the programs' --config), the
// environment variable VXN_CONFIG, $XDG_CONFIG_HOME/QelVXN/QelVXN.ini,
// $HOME/.config/QelVXN/QelVXN.ini.
#pragma once

#include "sv/Config.hpp"
#include "sv/String.hpp"

#include <map>
#include <memory>
#include <string>
#include <utility>

class AppConfig {
public:
    static AppConfig* Instance();
    // Chooses the file before (or instead of) the default; later Instance()
    // calls read and write that file.
    static void SetPathName(const String& rPath);
    static String DefaultPathName();

    // These name their group and leave the current group of GetConfig()'s
    // Config alone, so a lookup made while the condition set reads its own
    // group (the language of a text, say) does not pull that reading into
    // another group.
    String ReadKey(const String& rGroup, const String& rKey);
    String ReadKey(const String& rGroup, const String& rKey, const String& rDefault);
    // False when the file could not be written; GetLastError says why.
    bool WriteKey(const String& rGroup, const String& rKey, const String& rValue);
    // A value for this run only (a program's option): ReadKey returns it in
    // place of the stored one; the file is never written with it. An empty
    // value removes it.
    void SetRunValue(const String& rGroup, const String& rKey, const String& rValue);

    // The underlying configuration, for code that takes a Config* (the
    // condition set).
    Config* GetConfig() { return &maConfig; }
    const String& GetPathName() const { return maConfig.GetPathName(); }
    // Why the most recent failed write of the file failed, through this
    // object or GetConfig() (path and reason, for the user); empty while none
    // has failed.
    String GetLastError() const { return maConfig.GetLastError(); }

private:
    explicit AppConfig(const String& rPath) : maConfig(rPath) {}
    Config InGroup(const String& rGroup) const;
    Config maConfig;
    std::map<std::pair<std::string, std::string>, String> maRunValues;
};

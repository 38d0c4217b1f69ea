// AppConfig: the application's configuration (an INI file, see Config).
//
// Location, first that applies: SetPathName (the programs' --config), the
// environment variable VXN_CONFIG, $XDG_CONFIG_HOME/QelVXN/QelVXN.ini,
// $HOME/.config/QelVXN/QelVXN.ini.
#pragma once

#include "sv/Config.hpp"
#include "sv/String.hpp"

#include <memory>

class AppConfig {
public:
    static AppConfig* Instance();
    // Chooses the file before (or instead of) the default; later Instance()
    // calls read and write that file.
    static void SetPathName(const String& rPath);
    static String DefaultPathName();

    String ReadKey(const String& rGroup, const String& rKey);
    String ReadKey(const String& rGroup, const String& rKey, const String& rDefault);
    bool WriteKey(const String& rGroup, const String& rKey, const String& rValue);

    // The underlying configuration, for code that takes a Config* (the
    // condition set).
    Config* GetConfig() { return &maConfig; }
    const String& GetPathName() const { return maConfig.GetPathName(); }

private:
    explicit AppConfig(const String& rPath) : maConfig(rPath) {}
    Config maConfig;
};

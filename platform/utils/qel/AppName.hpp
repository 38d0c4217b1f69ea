// AppName: the application's title as boxes and printouts show it. Set once
// by the application; defaults to Qt's application name, else "QelVXN".
#pragma once

#include "sv/String.hpp"

class AppName {
public:
    static AppName* Instance();
    const String& GetTitel() const { return maTitel; }
    void SetTitel(const String& r) { maTitel = r; }

private:
    AppName();
    String maTitel;
};

#include "qel/AppConfig.hpp"

#include <cstdlib>

namespace {
std::unique_ptr<AppConfig>& Slot()
{
    static std::unique_ptr<AppConfig> p;
    return p;
}
String& ChosenPath()
{
    static String s;
    return s;
}
} // namespace

String AppConfig::DefaultPathName()
{
    if (const char* e = std::getenv("VXN_CONFIG"); e && *e)
        return String(e);
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        return String(std::string(x) + "/QelVXN/QelVXN.ini");
    if (const char* h = std::getenv("HOME"); h && *h)
        return String(std::string(h) + "/.config/QelVXN/QelVXN.ini");
    return String("QelVXN.ini");
}

void AppConfig::SetPathName(const String& rPath)
{
    ChosenPath() = rPath;
    Slot().reset();
}

AppConfig* AppConfig::Instance()
{
    auto& p = Slot();
    if (!p)
        p.reset(new AppConfig(ChosenPath().IsEmpty() ? DefaultPathName() : ChosenPath()));
    return p.get();
}

String AppConfig::ReadKey(const String& rGroup, const String& rKey)
{
    return ReadKey(rGroup, rKey, String());
}

// A copy shares the file's contents but has a group of its own, so the
// handed-out Config keeps the group its user chose.
Config AppConfig::InGroup(const String& rGroup) const
{
    Config c(maConfig);
    c.SetGroup(rGroup);
    return c;
}

String AppConfig::ReadKey(const String& rGroup, const String& rKey, const String& rDefault)
{
    if (auto it = maRunValues.find({rGroup.str(), rKey.str()}); it != maRunValues.end())
        return it->second;
    return InGroup(rGroup).ReadKey(rKey, rDefault);
}

void AppConfig::SetRunValue(const String& rGroup, const String& rKey, const String& rValue)
{
    if (rValue.IsEmpty())
        maRunValues.erase({rGroup.str(), rKey.str()});
    else
        maRunValues[{rGroup.str(), rKey.str()}] = rValue;
}

bool AppConfig::WriteKey(const String& rGroup, const String& rKey, const String& rValue)
{
    return InGroup(rGroup).WriteKey(rKey, rValue);
}

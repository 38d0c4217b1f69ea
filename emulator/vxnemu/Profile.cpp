#include "vxnemu/Profile.hpp"

namespace vxnemu {

const std::vector<Profile>& Profiles()
{
    static const std::vector<Profile> profiles = [] {
        std::vector<Profile> v;
        Profile p;

        p = Profile{};
        p.name = "vxn";
        p.deviceType = 1;
        p.serialNumber = 100001;
        p.deviceName = "VXN 355";
        p.description = "hand-held VXN, no table";
        v.push_back(p);

        p = Profile{};
        p.name = "vxn-table";
        p.deviceType = 1;
        p.table = true;
        p.measureControl = 157;
        p.serialNumber = 100002;
        p.deviceName = "VXN 355 TW";
        p.description = "VXN on a TableWalker table; the table moves around measurements";
        v.push_back(p);

        p = Profile{};
        p.name = "huepointer";
        p.deviceType = 1048576;
        p.huepointer = true;
        p.motorFilters = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        p.serialNumber = 100003;
        p.deviceName = "Huepointer";
        p.description = "Huepointer: every filter is set by command";
        v.push_back(p);

        p = Profile{};
        p.name = "alttab";
        p.deviceType = 65536;
        p.swVersion = 199;
        p.altTables = true;
        p.serialNumber = 100004;
        p.deviceName = "VXN 199 AT";
        p.description = "older VXN with alternative illuminant tables";
        v.push_back(p);

        p = Profile{};
        p.name = "type2";
        p.deviceType = 2;
        p.motorFilters = {7, 8, 9};
        p.startFilter = 7;
        p.serialNumber = 100005;
        p.deviceName = "VXN M";
        p.description = "device type 2: motorised M0/M1/M2 filter wheel";
        v.push_back(p);

        p = Profile{};
        p.name = "type32";
        p.deviceType = 32;
        p.startFilter = 1;
        p.serialNumber = 100006;
        p.deviceName = "VXN 32";
        p.description = "device type 32 (no calibration check, white base only)";
        v.push_back(p);

        p = Profile{};
        p.name = "type4194304";
        p.deviceType = 4194304;
        p.table = true;
        p.measureControl = 156;
        p.serialNumber = 100007;
        p.deviceName = "VXN 4M TW";
        p.description = "device type 4194304 on a table; the table stays put around measurements";
        v.push_back(p);
        return v;
    }();
    return profiles;
}

bool ParseChartLayout(const std::string& rText, ChartLayout& rOut)
{
    int v[3];
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        size_t end = i < 2 ? rText.find_first_of(":,", at) : rText.size();
        if (end == std::string::npos || end == at || end - at > 5)
            return false;
        std::string part = rText.substr(at, end - at);
        if (part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        v[i] = std::stoi(part);
        at = end + 1;
    }
    rOut = {v[0], v[1], v[2]};
    return true;
}

const Profile* FindProfile(const std::string& rName)
{
    for (const Profile& p : Profiles())
        if (p.name == rName)
            return &p;
    return nullptr;
}

} // namespace vxnemu

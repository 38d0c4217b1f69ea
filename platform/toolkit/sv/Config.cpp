#include "sv/Config.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <unistd.h>

struct Config::Data {
    struct Group {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    String path;
    std::vector<Group> groups;

    Group* Find(const std::string& g)
    {
        for (auto& x : groups)
            if (x.name == g)
                return &x;
        return nullptr;
    }

    void Load()
    {
        groups.clear();
        std::ifstream in(path.str(), std::ios::binary);
        if (!in)
            return;
        std::string line;
        Group* cur = nullptr;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] == ';' || line[0] == '#')
                continue;
            if (line[0] == '[') {
                size_t e = line.find(']');
                std::string name = line.substr(1, e == std::string::npos ? std::string::npos : e - 1);
                cur = Find(name);
                if (!cur) {
                    groups.push_back({name, {}});
                    cur = &groups.back();
                }
                continue;
            }
            size_t eq = line.find('=');
            if (!cur || eq == std::string::npos)
                continue;
            std::string k = line.substr(0, eq), v = line.substr(eq + 1);
            bool replaced = false;
            for (auto& kv : cur->entries)
                if (kv.first == k) {
                    kv.second = v;
                    replaced = true;
                }
            if (!replaced)
                cur->entries.emplace_back(k, v);
        }
    }

    bool Save() const
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::path p(path.str());
        if (p.has_parent_path())
            fs::create_directories(p.parent_path(), ec);
        std::ostringstream os;
        for (const auto& g : groups) {
            os << '[' << g.name << "]\n";
            for (const auto& kv : g.entries)
                os << kv.first << '=' << kv.second << '\n';
            os << '\n';
        }
        std::string tmp = path.str() + ".tmp." + std::to_string(::getpid());
        {
            std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
            if (!out)
                return false;
            out << os.str();
            out.flush();
            if (!out)
                return false;
        }
        fs::rename(tmp, p, ec);
        if (ec) {
            fs::remove(tmp, ec);
            return false;
        }
        return true;
    }
};

namespace {
std::shared_ptr<Config::Data> Shared(const String& path)
{
    static std::mutex m;
    static std::map<std::string, std::weak_ptr<Config::Data>> registry;
    std::lock_guard<std::mutex> lock(m);
    std::error_code ec;
    std::string key = std::filesystem::weakly_canonical(path.str(), ec).string();
    if (ec || key.empty())
        key = path.str();
    if (auto sp = registry[key].lock())
        return sp;
    auto sp = std::make_shared<Config::Data>();
    sp->path = path;
    sp->Load();
    registry[key] = sp;
    return sp;
}
} // namespace

Config::Config(const String& rPathName) : mpData(Shared(rPathName)) {}

bool Config::HasGroup(const String& rGroup) const
{
    return mpData->Find(rGroup.str()) != nullptr;
}

String Config::ReadKey(const String& rKey, const String& rDefault) const
{
    if (auto* g = mpData->Find(maGroup.str()))
        for (const auto& kv : g->entries)
            if (kv.first == rKey.str())
                return String(kv.second);
    return rDefault;
}

bool Config::HasKey(const String& rKey) const
{
    if (auto* g = mpData->Find(maGroup.str()))
        for (const auto& kv : g->entries)
            if (kv.first == rKey.str())
                return true;
    return false;
}

bool Config::WriteKey(const String& rKey, const String& rValue)
{
    // A line break inside a value would end the line in the file.
    std::string v = rValue.str();
    for (char& c : v)
        if (c == '\n' || c == '\r')
            c = ' ';
    auto* g = mpData->Find(maGroup.str());
    if (!g) {
        mpData->groups.push_back({maGroup.str(), {}});
        g = &mpData->groups.back();
    }
    bool found = false;
    for (auto& kv : g->entries)
        if (kv.first == rKey.str()) {
            kv.second = v;
            found = true;
        }
    if (!found)
        g->entries.emplace_back(rKey.str(), v);
    return mpData->Save();
}

bool Config::DeleteKey(const String& rKey)
{
    auto* g = mpData->Find(maGroup.str());
    if (!g)
        return true;
    std::erase_if(g->entries, [&](const auto& kv) { return kv.first == rKey.str(); });
    return mpData->Save();
}

std::vector<String> Config::GetKeys() const
{
    std::vector<String> keys;
    if (auto* g = mpData->Find(maGroup.str()))
        for (const auto& kv : g->entries)
            keys.emplace_back(kv.first);
    return keys;
}

const String& Config::GetPathName() const
{
    return mpData->path;
}

void Config::Reload()
{
    mpData->Load();
}

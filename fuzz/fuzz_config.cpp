// The INI configuration: arbitrary bytes as the file a Config reads, then
// one key written into it (which reads the file again, rewrites it through
// a temporary and keeps a copy of a file it could not read cleanly). The
// input's first bytes give the key and value, the rest is the file.
//
// Must hold, besides no crash and no sanitizer report:
//  - a write that is accepted reads back, also after the file is read anew;
//  - every other key of the groups the file names keeps its value through
//    the rewrite (the writer drops only lines it could not read).
#include "FuzzSupport.hpp"

#include "sv/Config.hpp"

#include <map>
#include <string>
#include <vector>

namespace {

// The group names the file's "[...]" lines give, as the reader takes them.
std::vector<std::string> GroupNames(std::string_view text)
{
    std::vector<std::string> names;
    while (!text.empty() && names.size() < 32) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        while (line.ends_with('\r'))
            line.remove_suffix(1);
        size_t last = line.find_last_not_of(" \t");
        if (last != std::string_view::npos && last > 0 && line[0] == '[' && line[last] == ']')
            names.emplace_back(line.substr(1, last - 1));
    }
    return names;
}

using Snapshot = std::map<std::pair<std::string, std::string>, std::string>;

Snapshot Take(Config& rConfig, const std::vector<std::string>& rGroups)
{
    Snapshot s;
    for (const auto& g : rGroups) {
        rConfig.SetGroup(String(g));
        for (const String& k : rConfig.GetKeys())
            s[{g, k.str()}] = rConfig.ReadKey(k).str();
    }
    return s;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    std::string key(in.Bytes(32));
    std::string value(in.Bytes(64));
    std::string_view text = in.Rest();
    std::string path = fuzz::WriteTempFile("fuzz.ini", reinterpret_cast<const uint8_t*>(text.data()), text.size());

    std::vector<std::string> groups = GroupNames(text);
    std::string group = groups.empty() ? std::string("Fuzz") : groups.front();

    Config config{String(path)};
    config.Reload();  // another input on the same path may still be held
    Snapshot before = Take(config, groups);

    config.SetGroup(String(group));
    bool written = config.WriteKey(String(key), String(value));
    if (written) {
        // Line breaks in a value are stored as blanks.
        std::string stored = value;
        for (char& c : stored)
            if (c == '\n' || c == '\r')
                c = ' ';
        FUZZ_REQUIRE(config.ReadKey(String(key)).str() == stored);
        config.Reload();
        config.SetGroup(String(group));
        FUZZ_REQUIRE(config.HasKey(String(key)) && config.ReadKey(String(key)).str() == stored);
        Snapshot after = Take(config, groups);
        before.erase({group, key});
        after.erase({group, key});
        FUZZ_REQUIRE(before == after);
    }
    return 0;
}

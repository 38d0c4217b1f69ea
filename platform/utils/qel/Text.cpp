#include "qel/Text.hpp"

#include "qel/AppConfig.hpp"
#include "qel/AppDir.hpp"
#include "sv/Responder.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace {

using Group = std::map<unsigned short, std::string>;

struct Catalog {
    std::vector<std::string> names;                  // group number - 1 -> name
    std::map<std::string, unsigned int> numbers;     // name -> group number
    std::vector<Group> chosen, english;              // by group number - 1
};

std::string Unescape(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char c = s[++i];
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

void LoadFile(const std::string& path, Catalog& cat, bool english)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return;
    std::string line;
    unsigned int cur = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[') {
            std::string name = line.substr(1, line.find(']') - 1);
            auto it = cat.numbers.find(name);
            if (it == cat.numbers.end()) {
                cat.names.push_back(name);
                cur = static_cast<unsigned int>(cat.names.size());
                cat.numbers[name] = cur;
                cat.chosen.resize(cur);
                cat.english.resize(cur);
            } else {
                cur = it->second;
            }
            continue;
        }
        size_t eq = line.find('=');
        if (!cur || eq == std::string::npos)
            continue;
        long idx = std::strtol(line.substr(0, eq).c_str(), nullptr, 10);
        if (idx < 0 || idx > 0xFFFF)
            continue;
        (english ? cat.english : cat.chosen)[cur - 1][static_cast<unsigned short>(idx)] = Unescape(line.substr(eq + 1));
    }
}

std::unique_ptr<Catalog>& Loaded()
{
    static std::unique_ptr<Catalog> c;
    return c;
}

String& ChosenLanguage()
{
    static String s;
    return s;
}

Catalog& Get()
{
    auto& c = Loaded();
    if (!c) {
        c = std::make_unique<Catalog>();
        LoadFile(AppDir::GetDataFile("texts/en.txt").str(), *c, true);
        String lang = Language::Get();
        if (!(lang == "en"))
            LoadFile(AppDir::GetDataFile(String("texts/" + lang.str() + ".txt")).str(), *c, false);
        // Message boxes speak the language of their texts: the toolkit's
        // button labels and kinds of box from the group "Toolkit".
        auto nr = c->numbers.find("Toolkit");
        for (int i = 0; i < static_cast<int>(BoxWord::Count); ++i) {
            String word;
            if (nr != c->numbers.end()) {
                const Group& chosen = c->chosen[nr->second - 1];
                if (auto it = chosen.find(static_cast<unsigned short>(i)); it != chosen.end())
                    word = String(it->second);
            }
            SetBoxWord(static_cast<BoxWord>(i), word);
        }
    }
    return *c;
}

} // namespace

unsigned int Text::GetGroupNr(const String& rGroupName)
{
    auto& cat = Get();
    auto it = cat.numbers.find(rGroupName.str());
    return it == cat.numbers.end() ? 0 : it->second;
}

String Text::GetGroupName(unsigned int nGroup)
{
    auto& cat = Get();
    return nGroup && nGroup <= cat.names.size() ? String(cat.names[nGroup - 1]) : String();
}

void Text::Reload()
{
    Loaded().reset();
}

String TextSegment::GetText(USHORT nIndex) const
{
    auto& cat = Get();
    if (!mnGroup || mnGroup > cat.names.size())
        return String();
    const Group& c = cat.chosen[mnGroup - 1];
    if (auto it = c.find(nIndex); it != c.end())
        return String(it->second);
    const Group& e = cat.english[mnGroup - 1];
    if (auto it = e.find(nIndex); it != e.end())
        return String(it->second);
    return String();
}

bool TextSegment::HasText(USHORT nIndex) const
{
    auto& cat = Get();
    if (!mnGroup || mnGroup > cat.names.size())
        return false;
    return cat.chosen[mnGroup - 1].count(nIndex) || cat.english[mnGroup - 1].count(nIndex);
}

namespace {
// "de_DE.UTF-8" -> "de"; "" for C/POSIX and for what is no language.
std::string LocaleLanguage(const char* pValue)
{
    std::string v(pValue);
    size_t end = v.find_first_of("_.@");
    std::string lang = v.substr(0, end);
    if (lang.size() < 2 || lang.size() > 3 || lang == "C" || lang == "POSIX")
        return "";
    for (char& c : lang)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lang;
}
} // namespace

bool Language::IsAvailable(const String& rLanguage)
{
    const std::string& l = rLanguage.str();
    if (l.empty() || l.find_first_of("/\\.") != std::string::npos)
        return false;
    std::error_code ec;
    return std::filesystem::exists(AppDir::GetDataFile(String("texts/" + l + ".txt")).str(), ec);
}

String Language::AvailableList()
{
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::path(AppDir::GetDataFile("texts/en.txt").str()).parent_path();
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        if (e.path().extension() == ".txt")
            names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return String(out);
}

String Language::Get()
{
    if (!ChosenLanguage().IsEmpty())
        return ChosenLanguage();
    if (const char* e = std::getenv("VXN_LANG"); e && *e)
        return String(e);
    String cfg = AppConfig::Instance()->ReadKey("Settings", "Language", "");
    if (!cfg.IsEmpty())
        return cfg;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (!v || !*v)
            continue;
        std::string lang = LocaleLanguage(v);
        return String(!lang.empty() && IsAvailable(String(lang)) ? lang : "en");
    }
    return String("en");
}

void Language::Set(const String& rLanguage)
{
    ChosenLanguage() = rLanguage;
    Text::Reload();
}

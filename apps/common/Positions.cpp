#include "Positions.hpp"

#include <cctype>
#include <fstream>

namespace vxn {

namespace {

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

bool ParseCoordinate(const std::string& rText, long& rOut)
{
    std::string t = Trim(rText);
    if (t.empty() || t.size() > 6 || t.find_first_not_of("0123456789") != std::string::npos)
        return false;
    rOut = std::stol(t);
    return rOut <= MAX_COORDINATE;
}

} // namespace

bool ReadPositions(const std::string& rPath, std::vector<TablePosition>& rOut, std::string& rError)
{
    std::ifstream in(rPath);
    if (!in) {
        rError = "cannot read " + rPath;
        return false;
    }
    std::string line;
    int nLine = 0;
    while (std::getline(in, line)) {
        ++nLine;
        std::string t = Trim(line);
        if (nLine == 1 && t.compare(0, 3, "\xEF\xBB\xBF") == 0)
            t = Trim(t.substr(3));
        if (t.empty() || t[0] == '#')
            continue;
        std::string lower;
        for (char c : t)
            if (c != ' ' && c != '\t')
                lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (rOut.empty() && lower == "name,x,y")
            continue;
        size_t c2 = t.rfind(',');
        size_t c1 = c2 == std::string::npos || c2 == 0 ? std::string::npos : t.rfind(',', c2 - 1);
        TablePosition p;
        if (c1 == std::string::npos || !ParseCoordinate(t.substr(c1 + 1, c2 - c1 - 1), p.x) ||
            !ParseCoordinate(t.substr(c2 + 1), p.y)) {
            rError = rPath + " line " + std::to_string(nLine) + ": not name,x,y with x and y whole numbers 0 to " +
                     std::to_string(MAX_COORDINATE) + " (table units): " + t;
            return false;
        }
        p.name = Trim(t.substr(0, c1));
        if (p.name.size() >= 2 && p.name.front() == '"' && p.name.back() == '"')
            p.name = p.name.substr(1, p.name.size() - 2);
        if (p.name.empty())
            p.name = "P" + std::to_string(rOut.size() + 1);
        rOut.push_back(p);
    }
    if (rOut.empty()) {
        rError = rPath + " holds no positions (lines name,x,y)";
        return false;
    }
    return true;
}

} // namespace vxn

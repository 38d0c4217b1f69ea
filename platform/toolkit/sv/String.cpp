#include "sv/String.hpp"

#include <cctype>
#include <cstdlib>
#include <cerrno>

String& String::Expand(USHORT n, char c)
{
    if (maStr.size() < n)
        maStr.append(n - maStr.size(), c);
    return *this;
}

String& String::Cut(USHORT n)
{
    if (maStr.size() > n)
        maStr.resize(n);
    return *this;
}

String String::Copy(USHORT nStart, USHORT nCount) const
{
    if (nStart >= maStr.size())
        return String();
    return String(maStr.substr(nStart, nCount == STRING_LEN ? std::string::npos : nCount));
}

String& String::Erase(USHORT nStart, USHORT nCount)
{
    if (nStart < maStr.size())
        maStr.erase(nStart, nCount == STRING_LEN ? std::string::npos : nCount);
    return *this;
}

String& String::EraseAll(const String& r)
{
    if (r.maStr.empty())
        return *this;
    for (size_t p; (p = maStr.find(r.maStr)) != std::string::npos;)
        maStr.erase(p, r.maStr.size());
    return *this;
}

String& String::EraseAllChars(char c)
{
    std::erase(maStr, c);
    return *this;
}

String& String::EraseLeadingAndTrailing(char c)
{
    size_t b = maStr.find_first_not_of(c);
    if (b == std::string::npos) {
        maStr.clear();
        return *this;
    }
    size_t e = maStr.find_last_not_of(c);
    maStr = maStr.substr(b, e - b + 1);
    return *this;
}

USHORT String::Search(const String& r, USHORT nFrom) const
{
    size_t p = maStr.find(r.maStr, nFrom);
    return p == std::string::npos || p >= STRING_NOTFOUND ? STRING_NOTFOUND : static_cast<USHORT>(p);
}

USHORT String::Search(char c, USHORT nFrom) const
{
    size_t p = maStr.find(c, nFrom);
    return p == std::string::npos || p >= STRING_NOTFOUND ? STRING_NOTFOUND : static_cast<USHORT>(p);
}

String& String::ToUpperAscii()
{
    for (char& c : maStr)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return *this;
}

String& String::ToLowerAscii()
{
    for (char& c : maStr)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return *this;
}

bool String::EqualsIgnoreCaseAscii(const String& r) const
{
    if (maStr.size() != r.maStr.size())
        return false;
    for (size_t i = 0; i < maStr.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(maStr[i]);
        unsigned char b = static_cast<unsigned char>(r.maStr[i]);
        if (a < 128 && b < 128) {
            if (std::tolower(a) != std::tolower(b))
                return false;
        } else if (a != b) {
            return false;
        }
    }
    return true;
}

USHORT String::GetTokenCount(char c) const
{
    if (maStr.empty())
        return 0;
    size_t n = 1;
    for (char x : maStr)
        if (x == c)
            ++n;
    return static_cast<USHORT>(n);
}

String String::GetToken(USHORT nToken, char c) const
{
    size_t start = 0;
    for (USHORT i = 0; i < nToken; ++i) {
        size_t p = maStr.find(c, start);
        if (p == std::string::npos)
            return String();
        start = p + 1;
    }
    size_t end = maStr.find(c, start);
    return String(maStr.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

long String::ToLong() const
{
    const char* p = maStr.c_str();
    while (*p == ' ' || *p == '\t')
        ++p;
    bool neg = false;
    if (*p == '+' || *p == '-') {
        neg = *p == '-';
        ++p;
    }
    // Digits beyond what a long holds are ignored rather than overflowing.
    unsigned long long v = 0;
    while (*p >= '0' && *p <= '9') {
        if (v < 100000000000000000ull)
            v = v * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    long long r = static_cast<long long>(v);
    return static_cast<long>(neg ? -r : r);
}

double String::ToDouble() const
{
    return std::atof(maStr.c_str());
}

// String: the toolkit's text type. UTF-8 inside; lengths and positions count
// bytes, as the library's fixed-size name fields and wire texts do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using USHORT = unsigned short;
constexpr USHORT STRING_NOTFOUND = 0xFFFF;
constexpr USHORT STRING_LEN = 0xFFFF;

class String {
public:
    String() = default;
    String(const char* p) : maStr(p ? p : "") {}
    String(const char* p, USHORT n) : maStr(p ? std::string(p, n) : std::string()) {}
    String(std::string s) : maStr(std::move(s)) {}
    String(std::string_view s) : maStr(s) {}
    explicit String(char c) : maStr(1, c) {}
    // Number to text in decimal, as the toolkit's number constructors do.
    explicit String(int n) : maStr(std::to_string(n)) {}
    explicit String(long n) : maStr(std::to_string(n)) {}
    explicit String(unsigned int n) : maStr(std::to_string(n)) {}
    explicit String(unsigned long n) : maStr(std::to_string(n)) {}
    explicit String(short n) : maStr(std::to_string(n)) {}
    explicit String(unsigned short n) : maStr(std::to_string(n)) {}
    explicit String(long long n) : maStr(std::to_string(n)) {}

    static String CreateFromInt(long n) { return String(n); }

    const char* GetStr() const { return maStr.c_str(); }
    const std::string& str() const { return maStr; }
    std::string& str() { return maStr; }
    USHORT Len() const { return static_cast<USHORT>(maStr.size() > 0xFFFE ? 0xFFFE : maStr.size()); }
    bool IsEmpty() const { return maStr.empty(); }

    String& operator+=(const String& r) { maStr += r.maStr; return *this; }
    String& operator+=(const char* p) { if (p) maStr += p; return *this; }
    String& operator+=(char c) { maStr += c; return *this; }
    friend String operator+(const String& a, const String& b) { return String(a.maStr + b.maStr); }
    friend String operator+(const String& a, const char* b) { return String(a.maStr + (b ? b : "")); }
    friend String operator+(const char* a, const String& b) { return String(std::string(a ? a : "") + b.maStr); }
    friend bool operator==(const String& a, const String& b) { return a.maStr == b.maStr; }
    friend bool operator==(const String& a, const char* b) { return a.maStr == (b ? b : ""); }
    friend bool operator<(const String& a, const String& b) { return a.maStr < b.maStr; }

    char GetChar(USHORT n) const { return n < maStr.size() ? maStr[n] : '\0'; }

    // Pads with c up to n bytes; a longer text stays as it is.
    String& Expand(USHORT n, char c = ' ');
    // Keeps at most n bytes.
    String& Cut(USHORT n);
    String Copy(USHORT nStart, USHORT nCount = STRING_LEN) const;
    String& Erase(USHORT nStart, USHORT nCount = STRING_LEN);
    // Removes every occurrence of the text (e.g. the degree sign, two bytes in UTF-8).
    String& EraseAll(const String& r);
    String& EraseAllChars(char c);
    String& EraseLeadingAndTrailing(char c = ' ');
    USHORT Search(const String& r, USHORT nFrom = 0) const;
    USHORT Search(char c, USHORT nFrom = 0) const;
    bool Contains(const String& r) const { return maStr.find(r.maStr) != std::string::npos; }
    String& ToUpperAscii();
    String& ToLowerAscii();
    String Upper() const { String s(*this); s.ToUpperAscii(); return s; }
    bool EqualsIgnoreCaseAscii(const String& r) const;

    // Fields separated by c, counted from 0.
    USHORT GetTokenCount(char c) const;
    String GetToken(USHORT nToken, char c) const;

    // Text to number as the toolkit converts: leading blanks, an optional sign
    // and the digits that follow; anything else ends the number, no digits give 0.
    long ToLong() const;
    int ToInt() const { return static_cast<int>(ToLong()); }
    short ToShort() const { return static_cast<short>(ToLong()); }
    double ToDouble() const;

private:
    std::string maStr;
};

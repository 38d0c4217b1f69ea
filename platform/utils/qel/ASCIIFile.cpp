#include "qel/ASCIIFile.hpp"
#include "qel/SafeFile.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <istream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char TAB = '\t';

// Length of the UTF-8 sequence starting at p (within n bytes), 0 when the
// bytes are not one (overlong forms, surrogates and code points beyond
// U+10FFFF included).
size_t Utf8Length(const unsigned char* p, size_t n)
{
    unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    size_t len = 0;
    unsigned int cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    return len;
}

// Why a line cannot stand in a text: a control character other than the tab,
// or bytes that are not UTF-8. Empty when it can.
std::string LineProblem(std::string_view aLine)
{
    const auto* p = reinterpret_cast<const unsigned char*>(aLine.data());
    for (size_t i = 0; i < aLine.size();) {
        if ((p[i] < 0x20 && p[i] != TAB) || p[i] == 0x7F) {
            char buf[48];
            std::snprintf(buf, sizeof buf, "control character 0x%02X", p[i]);
            return buf;
        }
        size_t len = Utf8Length(p + i, aLine.size() - i);
        if (len == 0)
            return "bytes that are not UTF-8 text";
        i += len;
    }
    return "";
}

// A text made fit for a line: other control characters than the tab become
// blanks, bytes that are not UTF-8 the replacement character.
std::string Printable(std::string_view aText)
{
    std::string r;
    r.reserve(aText.size());
    const auto* p = reinterpret_cast<const unsigned char*>(aText.data());
    for (size_t i = 0; i < aText.size();) {
        if ((p[i] < 0x20 && p[i] != TAB) || p[i] == 0x7F) {
            r += ' ';
            ++i;
            continue;
        }
        size_t len = Utf8Length(p + i, aText.size() - i);
        if (len == 0) {
            r += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        r.append(aText.data() + i, len);
        i += len;
    }
    return r;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == TAB))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == TAB))
        s.remove_suffix(1);
    return s;
}

bool IsComment(std::string_view aLine)
{
    std::string_view t = Trim(aLine);
    return t.empty() || t.front() == ';' || t.front() == '#';
}

// "[Title]": the title, or false when the line is no title line.
bool TitleOf(std::string_view aLine, std::string& rTitle)
{
    std::string_view t = Trim(aLine);
    if (t.size() < 3 || t.front() != '[' || t.back() != ']')
        return false;
    rTitle = std::string(t.substr(1, t.size() - 2));
    return rTitle.find(']') == std::string::npos;
}

// The shortest text of a real; a double holding a float exactly is written
// as that float, so float values keep their short decimal form.
std::string RealText(double d, short nDecimals)
{
    char buf[400];
    std::to_chars_result r{};
    float f = static_cast<float>(d);
    if (nDecimals >= 0)
        r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, nDecimals > 30 ? 30 : nDecimals);
    else if (std::isfinite(d) && static_cast<double>(f) == d)
        r = std::to_chars(buf, buf + sizeof buf, f);
    else
        r = std::to_chars(buf, buf + sizeof buf, d);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("nan");
}

// One real of an array: the whole token a finite number.
bool ParseReal(std::string_view aToken, double& rValue)
{
    if (!aToken.empty() && aToken.front() == '+') {
        aToken.remove_prefix(1);
        if (!aToken.empty() && aToken.front() == '-')
            return false;
    }
    if (aToken.empty())
        return false;
    double d = 0.0;
    auto [end, ec] = std::from_chars(aToken.data(), aToken.data() + aToken.size(), d, std::chars_format::general);
    if (ec != std::errc() || end != aToken.data() + aToken.size() || !std::isfinite(d))
        return false;
    rValue = d;
    return true;
}

std::string LineText(int nLine)
{
    return "line " + std::to_string(nLine) + ": ";
}

} // namespace

ASCIIFile::ASCIIFile() : mbWriting(true)
{
    mnCurrent = -1;
}

ASCIIFile::ASCIIFile(std::string_view aText)
{
    Parse(aText);
}

ASCIIFile::ASCIIFile(std::istream& rIn)
{
    std::string text;
    char buf[65536];
    while (rIn.read(buf, sizeof buf) || rIn.gcount() > 0) {
        text.append(buf, static_cast<size_t>(rIn.gcount()));
        if (text.size() > MAX_TEXT) {
            Unreadable(0, "the text is larger than 64 MiB");
            return;
        }
    }
    Parse(text);
}

String ASCIIFile::Trennzeichen()
{
    return String("\t");
}

// ---- reading ----------------------------------------------------------------

void ASCIIFile::Unreadable(int nLine, const std::string& rWhy)
{
    mbReadable = false;
    maUnreadable = (nLine > 0 ? LineText(nLine) : std::string()) + rWhy;
    maSections.clear();
    mnCurrent = -1;
}

void ASCIIFile::Parse(std::string_view aText)
{
    maSections.clear();
    mnCurrent = 0;
    mnSearchFrom = 0;
    mnTextVersion = 0;
    mbReadable = true;
    maUnreadable.clear();
    if (aText.substr(0, 3) == "\xEF\xBB\xBF")
        aText.remove_prefix(3);

    int nLine = 0;
    bool bFirst = true;
    size_t pos = 0;
    while (pos < aText.size()) {
        size_t eol = aText.find('\n', pos);
        std::string_view line = aText.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
        pos = eol == std::string_view::npos ? aText.size() : eol + 1;
        ++nLine;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        Section* sec = maSections.empty() ? nullptr : &maSections.back();

        std::string problem = line.size() > MAX_LINE ? "a line longer than 128 KiB" : LineProblem(line);
        std::string title;
        if (!problem.empty()) {
            if (!sec) {
                Unreadable(nLine, problem);
                return;
            }
            if (sec->aDamage.empty())
                sec->aDamage = LineText(nLine) + problem;
            continue;
        }
        if (TitleOf(line, title)) {
            maSections.push_back(Section{title, nLine, {}, ""});
            bFirst = false;
            continue;
        }
        if (IsComment(line))
            continue;
        size_t eq = line.find('=');
        std::string_view key = eq == std::string_view::npos ? std::string_view() : Trim(line.substr(0, eq));
        if (!sec) {
            // Before the first section only the version line may stand.
            if (bFirst && key == "Version") {
                std::string_view v = Trim(line.substr(eq + 1));
                int n = 0;
                auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
                if (ec != std::errc() || end != v.data() + v.size() || n < 1) {
                    Unreadable(nLine, "'" + std::string(v) + "' is not a version number");
                    return;
                }
                if (n > CURRENT_VERSION) {
                    Unreadable(nLine, "version " + std::to_string(n) + " is newer than this program reads (up to " +
                                          std::to_string(CURRENT_VERSION) + ")");
                    return;
                }
                mnTextVersion = n;
                bFirst = false;
                continue;
            }
            Unreadable(nLine, "text outside a section");
            return;
        }
        bFirst = false;
        if (key.empty()) {
            if (sec->aDamage.empty())
                sec->aDamage = LineText(nLine) + "not a key=value line";
            continue;
        }
        for (const Entry& e : sec->aEntries)
            if (e.aKey == key && sec->aDamage.empty())
                sec->aDamage = LineText(nLine) + "key " + std::string(key) + " given twice (first in line " +
                               std::to_string(e.nLine) + ")";
        sec->aEntries.push_back(Entry{std::string(key), std::string(line.substr(eq + 1)), nLine});
    }
}

ASCIIFile::Section* ASCIIFile::Current()
{
    return mnCurrent >= 0 && mnCurrent < static_cast<int>(maSections.size()) ? &maSections[mnCurrent] : nullptr;
}

const ASCIIFile::Section* ASCIIFile::Current() const
{
    return mnCurrent >= 0 && mnCurrent < static_cast<int>(maSections.size()) ? &maSections[mnCurrent] : nullptr;
}

unsigned char ASCIIFile::GetTitel(const String& rTitle)
{
    for (int i = mnSearchFrom; i < static_cast<int>(maSections.size()); ++i)
        if (maSections[i].aTitle == rTitle.str()) {
            mnCurrent = i;
            mnSearchFrom = i + 1;
            return 1;
        }
    return 0;
}

unsigned char ASCIIFile::NextSection()
{
    if (mnCurrent + 1 >= static_cast<int>(maSections.size()))
        return 0;
    ++mnCurrent;
    mnSearchFrom = mnCurrent + 1;
    return 1;
}

String ASCIIFile::GetCurrentTitel() const
{
    const Section* s = Current();
    return s ? String(s->aTitle) : String();
}

int ASCIIFile::CountSections(const String& rTitle) const
{
    int n = 0;
    for (const Section& s : maSections)
        n += s.aTitle == rTitle.str() ? 1 : 0;
    return n;
}

std::string ASCIIFile::Unescape(const std::string& rValue) const
{
    if (GetVersion() < 2 || rValue.find('\\') == std::string::npos)
        return rValue;
    std::string r;
    r.reserve(rValue.size());
    for (size_t i = 0; i < rValue.size(); ++i) {
        char c = rValue[i];
        if (c == '\\' && i + 1 < rValue.size()) {
            char n = rValue[i + 1];
            if (n == 'n' || n == 'r' || n == '\\') {
                r += n == 'n' ? '\n' : n == 'r' ? '\r' : '\\';
                ++i;
                continue;
            }
        }
        r += c;
    }
    return r;
}

unsigned char ASCIIFile::GetString(const String& rKey, String& rValue, unsigned char bTrim)
{
    const Section* s = Current();
    if (!s || !s->aDamage.empty())
        return 0;
    for (const Entry& e : s->aEntries)
        if (e.aKey == rKey.str()) {
            std::string v = Unescape(e.aValue);
            rValue = String(bTrim ? std::string(Trim(v)) : v);
            return 1;
        }
    return 0;
}

unsigned char ASCIIFile::GetRealArray(const String& rKey, double* pValues, int nCount)
{
    Section* s = Current();
    if (!s || !s->aDamage.empty() || nCount < 1 || !pValues)
        return 0;
    const Entry* entry = nullptr;
    for (const Entry& e : s->aEntries)
        if (e.aKey == rKey.str())
            entry = &e;
    if (!entry)
        return 0;
    // Into a buffer first: the caller's array changes only when all is well.
    std::vector<double> got;
    got.reserve(static_cast<size_t>(nCount < 64 ? nCount : 64));
    std::string_view v = entry->aValue;
    std::string why;
    size_t pos = 0;
    while (why.empty()) {
        while (pos < v.size() && (v[pos] == ' ' || v[pos] == TAB))
            ++pos;
        if (pos >= v.size())
            break;
        size_t end = v.find_first_of(" \t", pos);
        std::string_view tok = v.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? v.size() : end;
        double d = 0.0;
        if (static_cast<int>(got.size()) == nCount)
            why = "more than " + std::to_string(nCount) + " numbers";
        else if (!ParseReal(tok, d))
            why = "'" + std::string(tok.substr(0, 40)) + "' is not a number";
        else
            got.push_back(d);
    }
    if (why.empty() && static_cast<int>(got.size()) != nCount)
        why = std::to_string(got.size()) + " numbers where " + std::to_string(nCount) + " belong";
    if (!why.empty()) {
        s->aDamage = LineText(entry->nLine) + rKey.str() + ": " + why;
        return 0;
    }
    std::copy(got.begin(), got.end(), pValues);
    return 1;
}

bool ASCIIFile::IsSectionDamaged() const
{
    const Section* s = Current();
    return !s || !s->aDamage.empty();
}

String ASCIIFile::GetError() const
{
    if (!maFileError.empty())
        return String(maFileError);
    if (!mbReadable)
        return String(maUnreadable);
    if (!maWriteError.empty())
        return String(maWriteError);
    const Section* s = Current();
    if (!mbWriting && !s)
        return String("no section");
    return s ? String(s->aDamage) : String();
}

// ---- versions ---------------------------------------------------------------

void ASCIIFile::SetVersion(int nVersion)
{
    if (nVersion < 1 || nVersion > CURRENT_VERSION)
        return;
    if (!mbBegun)
        mnWriteVersion = nVersion;
    mnAssumed = nVersion;
}

int ASCIIFile::GetVersion() const
{
    if (mbWriting)
        return mnWriteVersion;
    return mnTextVersion ? mnTextVersion : mnAssumed;
}

unsigned char ASCIIFile::CheckVersion(int nVersion)
{
    if (!mbReadable || nVersion < 1 || nVersion > CURRENT_VERSION)
        return 0;
    if (mnTextVersion)
        return mnTextVersion == nVersion ? 1 : 0;
    mnAssumed = nVersion;
    return 1;
}

// ---- writing ----------------------------------------------------------------

void ASCIIFile::WriteFailed(const std::string& rWhy)
{
    mbGood = false;
    if (maWriteError.empty())
        maWriteError = rWhy;
}

void ASCIIFile::BeginText()
{
    if (mbBegun)
        return;
    mbBegun = true;
    if (mnWriteVersion >= 2)
        maText += "Version=" + std::to_string(mnWriteVersion) + "\n";
}

std::string ASCIIFile::Escape(std::string_view aValue) const
{
    std::string r;
    r.reserve(aValue.size());
    for (char c : aValue) {
        if (c == '\n' || c == '\r')
            r += mnWriteVersion >= 2 ? (c == '\n' ? "\\n" : "\\r") : " ";
        else if (c == '\\' && mnWriteVersion >= 2)
            r += "\\\\";
        else
            r += c;
    }
    return Printable(r);
}

void ASCIIFile::PutTitel(const String& rTitle)
{
    const std::string& t = rTitle.str();
    if (t.empty() || t.find_first_of("]\r\n") != std::string::npos || !LineProblem(t).empty()) {
        WriteFailed("'" + Printable(t) + "' cannot be a section title");
        return;
    }
    BeginText();
    // A blank line between sections, for the reader of the file.
    if (mnSectionsWritten++ > 0)
        maText += "\n";
    maText += "[" + t + "]\n";
}

void ASCIIFile::PutString(const String& rKey, const String& rValue)
{
    const std::string& k = rKey.str();
    if (Trim(k).empty() || Trim(k) != k || k.find_first_of("=\r\n") != std::string::npos || k[0] == '[' ||
        k[0] == ';' || k[0] == '#' || !LineProblem(k).empty()) {
        WriteFailed("'" + Printable(k) + "' cannot be a key");
        return;
    }
    if (mnSectionsWritten == 0) {
        WriteFailed("key " + k + " written before any section");
        return;
    }
    BeginText();
    maText += k + "=" + Escape(rValue.str()) + "\n";
}

void ASCIIFile::PutRealArray(const String& rKey, const double* pValues, int nCount, short nDecimals)
{
    std::string v;
    for (int i = 0; pValues && i < nCount; ++i)
        v += (i ? " " : "") + RealText(pValues[i], nDecimals);
    PutString(rKey, String(v));
}

// ---- files ------------------------------------------------------------------

bool ASCIIFile::Load(const String& rPath)
{
    maFileError.clear();
    std::ifstream in(rPath.str(), std::ios::binary);
    if (!in) {
        maFileError = "cannot read " + rPath.str() + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<size_t>(in.gcount()));
        if (text.size() > MAX_TEXT) {
            maFileError = rPath.str() + " is larger than 64 MiB";
            return false;
        }
    }
    if (in.bad()) {
        maFileError = "cannot read " + rPath.str() + ": " + std::strerror(errno);
        return false;
    }
    mbWriting = false;
    Parse(text);
    return true;
}

bool ASCIIFile::Save(const String& rPath)
{
    maFileError.clear();
    return qel::WriteFileAtomically(rPath.str(), maText, maFileError);
}

// ASCIIFile: objects as text, in titled sections of "key=value" lines, as
// values travel between programs (files, drag and drop, instrument messages).
//
//   Version=2                  the format version, first line of the text
//   [MeasValue]                a section: its title ...
//   Name=Blue patch            ... and its entries, one key=value a line
//   Remission=0.05 0.051 ...   real arrays: numbers separated by blanks
//
// Versions. A text without the version line is of version 1 (the line came
// with version 2). Version 2 escapes line breaks and backslashes in values
// ("\n", "\r", "\\"), so every text survives; version 1 carries values raw,
// and a line break in a value written in version 1 becomes a blank. A reader
// handed a section on its own (a drag, an instrument message) knows which
// version its sender speaks and says so with CheckVersion.
//
// Reals are written in the shortest form that reads back as the same number
// (for a double holding a float: the same float), so values go through text
// and back unchanged.
//
// Reading trusts nothing. A line in a section that is not key=value, a key
// given twice, a control character other than the tab, bytes that are not
// UTF-8 or a line of more than 128 KiB damage their section: it delivers no
// entry, and IsSectionDamaged says why. A real array asked for with a count
// it does not have, or holding something that is not a finite number,
// damages its section too. Text other than comments (blank lines, lines
// starting with ';' or '#') before the first section, or a version this code
// does not know, makes the whole text unreadable. Nothing is ever allocated
// by what a text claims, only by what it holds.
#pragma once

#include "sv/String.hpp"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

class ASCIIFile {
public:
    // The newest version this code reads and writes.
    static constexpr int CURRENT_VERSION = 2;
    // Longest line read; longer ones damage their section.
    static constexpr size_t MAX_LINE = 128 * 1024;
    // Largest text Load and the stream constructor take.
    static constexpr size_t MAX_TEXT = 64 * 1024 * 1024;

    // An empty text to write into, in the current version.
    ASCIIFile();
    // A text to read.
    explicit ASCIIFile(std::string_view aText);
    // Reads the stream to its end (at most MAX_TEXT bytes; more makes the
    // text unreadable).
    explicit ASCIIFile(std::istream& rIn);

    // Reads a file into this object, replacing what it held; false with
    // GetError naming the file and the reason when it cannot be read. A file
    // that is read but not readable as sections gives true: see IsReadable.
    bool Load(const String& rPath);
    // Writes the text written so far to a file, through a temporary that
    // replaces the file, so a crash leaves the old file or the new one.
    bool Save(const String& rPath);

    // The field separator inside a value made of several fields: a tab.
    static String Trennzeichen();

    // ---- versions --------------------------------------------------------
    // The version the text is written in (1 or 2; other numbers are ignored).
    // Takes effect for a text not yet begun.
    void SetVersion(int nVersion);
    // The version of the text: what its version line says, else what
    // CheckVersion assumed, else 1; for a text being written, the one set.
    int GetVersion() const;
    // Whether the text is of version nVersion. A text without a version line
    // is taken to be of that version (and 1 returned) when this code knows it.
    unsigned char CheckVersion(int nVersion);

    // ---- writing ---------------------------------------------------------
    // Begins a section. A title holding ']' or a line break is not written
    // (IsGood turns false).
    void PutTitel(const String& rTitle);
    // One entry of the current section. A key that is empty, or holds '=' or
    // a line break, or starts with '[', ';' or '#', or comes before the first
    // section, is not written.
    void PutString(const String& rKey, const String& rValue);
    // nCount reals blank-separated; nDecimals < 0 gives the shortest text
    // that reads back as the same value, else that many decimals.
    void PutRealArray(const String& rKey, const double* pValues, int nCount, short nDecimals);
    // Whether every Put so far was written.
    bool IsGood() const { return mbGood; }
    const std::string& GetText() const { return maText; }

    // ---- reading ---------------------------------------------------------
    // Finds the next section with this title after the one found last (from
    // the first section on at the start) and makes it the current one.
    unsigned char GetTitel(const String& rTitle);
    // Makes the section after the current one current; 0 at the end.
    unsigned char NextSection();
    // Title of the current section (empty when there is none).
    String GetCurrentTitel() const;
    // Number of sections with this title.
    int CountSections(const String& rTitle) const;
    // The value of a key of the current section; bTrim removes leading and
    // trailing blanks. 0 when the section has no such key or is damaged.
    unsigned char GetString(const String& rKey, String& rValue, unsigned char bTrim = 0);
    // Exactly nCount reals (nCount from 1 on) into pValues. 0 when the key is
    // missing; also 0 when the value holds another count or a non-number,
    // which damages the section. pValues is written only on success.
    unsigned char GetRealArray(const String& rKey, double* pValues, int nCount);

    // Whether the text could be read at all.
    bool IsReadable() const { return mbReadable; }
    // Whether the current section is damaged (also when there is none).
    bool IsSectionDamaged() const;
    // Why the text is unreadable, the current section damaged, a write failed
    // or Load/Save failed; with the line number where there is one.
    String GetError() const;

private:
    struct Entry {
        std::string aKey;
        std::string aValue;  // as it stands in the text (escapes undone on reading)
        int nLine;
    };
    struct Section {
        std::string aTitle;
        int nLine = 0;
        std::vector<Entry> aEntries;
        std::string aDamage;  // empty while sound
    };

    void Parse(std::string_view aText);
    void Unreadable(int nLine, const std::string& rWhy);
    Section* Current();
    const Section* Current() const;
    std::string Escape(std::string_view aValue) const;
    std::string Unescape(const std::string& rValue) const;
    void BeginText();
    void WriteFailed(const std::string& rWhy);

    // Reading
    std::vector<Section> maSections;
    int mnCurrent = 0;     // index into maSections
    int mnSearchFrom = 0;  // where GetTitel looks next
    int mnTextVersion = 0;  // from the version line, 0 when there is none
    int mnAssumed = 1;      // the version of a text without version line
    bool mbReadable = true;
    std::string maUnreadable;

    // Writing
    std::string maText;
    int mnWriteVersion = CURRENT_VERSION;
    bool mbWriting = false;
    bool mbBegun = false;
    int mnSectionsWritten = 0;
    bool mbGood = true;
    std::string maWriteError;
    std::string maFileError;
};

// Text groups: every text the user sees is looked up by group name
// (Text::GetGroupNr) and by index within the group (TextSegment).
//
// The wording lies in UTF-8 files data/texts/<language>.txt: one section per
// group ("[IllumStrings]"), one "index=text" line per entry; "\n", "\t" and
// "\\" in a text stand for a line break, a tab and a backslash. An entry
// missing in the chosen language is taken from English; an entry missing
// there too reads as an empty text.
#pragma once

#include "sv/String.hpp"

#include <vector>

class Text {
public:
    // Number of a group, 0 when the group does not exist in any language.
    static unsigned int GetGroupNr(const String& rGroupName);
    static String GetGroupName(unsigned int nGroup);
    // Drops what was loaded (after the language or the data folder changed).
    static void Reload();
};

class TextSegment {
public:
    TextSegment() = default;
    explicit TextSegment(unsigned int nGroup) : mnGroup(nGroup) {}
    explicit TextSegment(const String& rGroupName) : mnGroup(Text::GetGroupNr(rGroupName)) {}

    String GetText(USHORT nIndex) const;
    String operator[](USHORT nIndex) const { return GetText(nIndex); }
    bool HasText(USHORT nIndex) const;
    unsigned int GetGroupNr() const { return mnGroup; }

private:
    unsigned int mnGroup = 0;
};

// The user interface language ("en", "de", ...), one for the whole run: the
// one chosen with Set (a program's --lang), else VXN_LANG, else ("Settings",
// "Language") of the application configuration, else the language of the
// POSIX locale variables (the first set of LC_ALL, LC_MESSAGES, LANG; "C"
// and "POSIX" are English). A language without a text file is English.
class Language {
public:
    static String Get();
    static void Set(const String& rLanguage);
    // Whether a text file for the language is shipped.
    static bool IsAvailable(const String& rLanguage);
    // The shipped languages, comma-separated ("de, en").
    static String AvailableList();
    static bool IsJapanese() { return Get() == "ja"; }
    static bool IsChinese() { return Get() == "zh"; }
};

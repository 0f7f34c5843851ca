#pragma once

#include "catalog/CatalogEntry.h"

#include <QString>

#include <array>
#include <cstdint>

// Characters refused in any name that reaches the catalogue, searched in this order.
inline constexpr std::array<char16_t, 28> InvalidNameChars = {
    u'.', u',', u'?', u'/', u'>', u'<', u'~', u'`', u'\'', u'[',
    u']', u'}', u'{', u'|', u'\\', u'&', u'^', u'%', u'$', u'#',
    u'@', u'!', u'"', u'(', u')', u';', u':', u'*',
};

// Characters refused in Find's search text: the name table less the pattern
// characters ? [ ] % ! * that Find passes on inside its Like pattern.
inline constexpr std::array<char16_t, 22> InvalidSearchChars = {
    u'.', u',', u'/', u'>', u'<', u'~', u'`', u'\'', u';', u':', u'}',
    u'{', u'|', u'\\', u'&', u'^', u'$', u'#', u'@', u'"', u'(', u')',
};

// True when text holds none of InvalidNameChars. Text is not trimmed; an empty
// text is valid (callers trim and refuse empty text themselves).
bool IsValidName(const QString& text);

// True when text holds none of InvalidSearchChars.
bool IsValidSearchText(const QString& text);

// Sets maxLen to the limit of the field kind ("Artist", "Record_Name",
// "Label_Name", "Song_Titles") and returns whether text fits. For another kind
// maxLen keeps the caller's value and the text is measured against that.
bool CheckNameLength(const QString& text, const QString& kind, std::int16_t& maxLen);

// The display name of an artist or record entry for messages; any other Level
// gives "" and ok False.
void GetItemName(const CatalogEntry& entry, QString& name, bool& ok);

#include "catalog/NameRules.h"

namespace {

template <std::size_t N>
bool holdsNone(const QString& text, const std::array<char16_t, N>& table)
{
    for (const char16_t c : table) {
        if (text.contains(QChar(c), Qt::CaseSensitive))
            return false;
    }
    return true;
}

} // namespace

bool IsValidName(const QString& text) { return holdsNone(text, InvalidNameChars); }

bool IsValidSearchText(const QString& text) { return holdsNone(text, InvalidSearchChars); }

bool CheckNameLength(const QString& text, const QString& kind, std::int16_t& maxLen)
{
    if (kind == QLatin1String("Artist"))
        maxLen = 15;
    else if (kind == QLatin1String("Record_Name") || kind == QLatin1String("Label_Name"))
        maxLen = 60;
    else if (kind == QLatin1String("Song_Titles"))
        maxLen = 100;
    return text.size() <= maxLen;
}

void GetItemName(const CatalogEntry& entry, QString& name, bool& ok)
{
    if (entry.Level == Level::Record_Name) {
        name = entry.Record_Name;
        ok = true;
    } else if (entry.Level == Level::Artist) {
        name = entry.Artist;
        ok = true;
    } else {
        name.clear();
        ok = false;
    }
}

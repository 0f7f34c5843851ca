#include "catalog/NameRules.h"

#include <gtest/gtest.h>

namespace {

TEST(NameRulesTest, TablesHoldTheRefusedCharactersInOrder)
{
    const QString names = QStringLiteral(".,?/><~`'[]}{|\\&^%$#@!\"();:*");
    const QString search = QStringLiteral(".,/><~`';:}{|\\&^$#@\"()");
    EXPECT_EQ(QString(reinterpret_cast<const QChar*>(InvalidNameChars.data()), InvalidNameChars.size()), names);
    EXPECT_EQ(QString(reinterpret_cast<const QChar*>(InvalidSearchChars.data()), InvalidSearchChars.size()), search);

    // Every printable ASCII character, alone and inside a name: refused exactly
    // when its table holds it.
    for (char16_t c = 0x20; c < 0x7f; ++c) {
        const QString alone(QChar{c});
        const QString inside = QStringLiteral("Blue ") + QChar(c) + QStringLiteral(" Note");
        EXPECT_EQ(IsValidName(alone), !names.contains(alone)) << char(c);
        EXPECT_EQ(IsValidName(inside), !names.contains(alone)) << char(c);
        EXPECT_EQ(IsValidSearchText(alone), !search.contains(alone)) << char(c);
        EXPECT_EQ(IsValidSearchText(inside), !search.contains(alone)) << char(c);
    }
}

TEST(NameRulesTest, NamesAndSearchText)
{
    struct Case {
        const char16_t* text;
        bool name;
        bool search;
    };
    const Case cases[] = {
        {u"Kind of Blue", true, true},
        {u"Vol. 2", false, false},
        {u"Vol 2", true, true},
        {u"Rock 'n' Roll", false, false},
        {u"Bl*", false, true},
        {u"[a-c]*", false, true},
        {u"?ove [!x] 100%", false, true},
        {u"Live (1962)", false, false},
        {u"Live 1962)", false, false},
        {u"Side-A_take=2+1", true, true},
        {u"Café Müller", true, true},
        {u"", true, true},
        {u"   ", true, true},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(IsValidName(text), c.name) << text.toStdString();
        EXPECT_EQ(IsValidSearchText(text), c.search) << text.toStdString();
    }
}

TEST(NameRulesTest, LengthLimitsByKind)
{
    struct Case {
        const char* kind;
        int length;
        std::int16_t given;
        bool fits;
        std::int16_t maxLen;
    };
    const Case cases[] = {
        {"Artist", 15, 0, true, 15},
        {"Artist", 16, 0, false, 15},
        {"Artist", 0, 99, true, 15},
        {"Record_Name", 60, 0, true, 60},
        {"Record_Name", 61, 0, false, 60},
        {"Label_Name", 61, 200, false, 60},
        {"Song_Titles", 100, 0, true, 100},
        {"Song_Titles", 101, 0, false, 100},
        // The kind is compared case-sensitively; an unknown kind keeps the caller's limit.
        {"artist", 16, 20, true, 20},
        {"Label_Number", 21, 20, false, 20},
    };
    for (const Case& c : cases) {
        std::int16_t maxLen = c.given;
        EXPECT_EQ(CheckNameLength(QString(c.length, QLatin1Char('x')), QString::fromLatin1(c.kind), maxLen), c.fits)
            << c.kind << " " << c.length;
        EXPECT_EQ(maxLen, c.maxLen) << c.kind << " " << c.length;
    }
    // The limit counts UTF-16 units, as the program's strings do: eight
    // characters outside the basic plane are sixteen units.
    QString clefs;
    for (int i = 0; i < 8; ++i)
        clefs += QString::fromUtf16(u"\U0001D11E");
    std::int16_t maxLen = 0;
    EXPECT_FALSE(CheckNameLength(clefs, QStringLiteral("Artist"), maxLen));
}

TEST(NameRulesTest, ItemNameOfEachLevel)
{
    CatalogEntry entry;
    entry.Artist = QStringLiteral("Ella");
    entry.Record_Name = QStringLiteral("Ella in Berlin");
    entry.Song_Title = QStringLiteral("Mack the Knife");
    struct Case {
        QString level;
        QString name;
        bool ok;
    };
    const Case cases[] = {
        {Level::Artist, QStringLiteral("Ella"), true},
        {Level::Record_Name, QStringLiteral("Ella in Berlin"), true},
        {Level::Song_Titles, QString(), false},
        {Level::Database, QString(), false},
        {QStringLiteral("record_name"), QString(), false},
    };
    for (const Case& c : cases) {
        entry.Level = c.level;
        QString name = QStringLiteral("previous");
        bool ok = !c.ok;
        GetItemName(entry, name, ok);
        EXPECT_EQ(name, c.name) << c.level.toStdString();
        EXPECT_EQ(ok, c.ok) << c.level.toStdString();
    }
}

} // namespace

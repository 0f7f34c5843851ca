#include "catalog/EntryActions.h"

#include "support/CatalogFixture.h"
#include "support/TestEnv.h"

#include <QDate>

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(TextRoutinesTest, FixQuotesDoublesEveryApostropheAndKeepsNull)
{
    struct Case {
        std::optional<QString> value;
        std::optional<QString> fixed;
    };
    const Case cases[] = {
        {QStringLiteral("Rock 'n' Roll"), QStringLiteral("Rock ''n'' Roll")},
        {QStringLiteral("''"), QStringLiteral("''''")},
        {QStringLiteral("O'Day"), QStringLiteral("O''Day")},
        {QStringLiteral("Kind of Blue"), QStringLiteral("Kind of Blue")},
        {QString(), QString()},
        {std::nullopt, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FixQuotes(c.value), c.fixed) << c.value.value_or(QStringLiteral("<Null>")).toStdString();
}

TEST(TextRoutinesTest, ReplaceTextIgnoresCaseAndNeverRescansWhatItInserted)
{
    struct Case {
        std::optional<QString> text;
        const char16_t* find;
        const char16_t* replacement;
        std::optional<QString> result;
    };
    const Case cases[] = {
        // The replacement holds the find text: searching it again would never end.
        {QStringLiteral("a"), u"a", u"aa", QStringLiteral("aa")},
        {QStringLiteral("Blue"), u"b", u"bb", QStringLiteral("bblue")},
        // The replacement and what follows form a new occurrence, which stays.
        {QStringLiteral("aabb"), u"ab", u"a", QStringLiteral("aab")},
        {QStringLiteral("xAxa"), u"a", u"b", QStringLiteral("xbxb")},
        {QStringLiteral("Ärger ä"), u"ä", u"ae", QStringLiteral("aerger ae")},
        {QStringLiteral("aaa"), u"a", u"", QString()},
        {QStringLiteral("Night Train"), u"'", u"''", QStringLiteral("Night Train")},
        {QString(), u"'", u"''", QString()},
        {std::nullopt, u"'", u"''", std::nullopt},
        {std::nullopt, u"x", u"y", std::nullopt},
        // An empty find replaces nothing instead of looping.
        {QStringLiteral("abc"), u"", u"", QStringLiteral("abc")},
    };
    for (const Case& c : cases) {
        const auto result = ReplaceText(c.text, QString::fromUtf16(c.find), QString::fromUtf16(c.replacement));
        EXPECT_EQ(result, c.result) << c.text.value_or(QStringLiteral("<Null>")).toStdString() << " / "
                                    << QString::fromUtf16(c.find).toStdString();
    }
}

} // namespace

namespace {

using testenv::CatalogFixture;
using testenv::ScriptedMsgBox;

const QString kClashTitle = QStringLiteral("User Entry Error!");

QString renameClash(const QString& oldName, const QString& newName)
{
    return QStringLiteral("Cannot rename ") + oldName + QStringLiteral(". The new name you specified, ") + newName
        + QStringLiteral(", already exists. Please specify a different name.");
}

QString addClash(const QString& name)
{
    return QStringLiteral("Cannot add ") + name + QStringLiteral(". The name already exists. Please specify a different name.");
}

// A record as the fixture stores it (date 01/02/1990, book value 1, quantity 1).
CatalogEntry record(const QString& artist, const QString& name)
{
    CatalogEntry e;
    e.Level = Level::Record_Name;
    e.Artist = artist;
    e.Record_Name = name;
    e.Record_Type = QStringLiteral("33-LP");
    e.Record_Category = QStringLiteral("Jazz");
    e.Label_Name = QStringLiteral("Label");
    e.Label_Number = QStringLiteral("L-1");
    e.Record_Condition = QStringLiteral("Mint");
    e.Sleeve_Condition = QStringLiteral("Good");
    e.Record_Date = vb::dateFromQDate(QDate(1990, 1, 2));
    e.Book_Value = vb::kCurrencyScale;
    e.Quantity = 1;
    return e;
}

CatalogEntry song(const QString& artist, const QString& recordName, const QString& title)
{
    CatalogEntry e;
    e.Level = Level::Song_Titles;
    e.Artist = artist;
    e.Record_Name = recordName;
    e.Song_Title = title;
    return e;
}

CatalogEntry artist(const QString& name)
{
    CatalogEntry e;
    e.Level = Level::Artist;
    e.Artist = name;
    return e;
}

// Ella: Blue (Angel Eyes, Body and Soul), Train (Moanin); Miles: Blue (So What).
void seed(const CatalogFixture& cat)
{
    cat.addArtist(QStringLiteral("Ella"));
    cat.addRecord(QStringLiteral("Ella"), QStringLiteral("Blue"));
    cat.addRecord(QStringLiteral("Ella"), QStringLiteral("Train"));
    cat.addSong(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Angel Eyes"));
    cat.addSong(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Body and Soul"));
    cat.addSong(QStringLiteral("Ella"), QStringLiteral("Train"), QStringLiteral("Moanin"));
    cat.addArtist(QStringLiteral("Miles"));
    cat.addRecord(QStringLiteral("Miles"), QStringLiteral("Blue"));
    cat.addSong(QStringLiteral("Miles"), QStringLiteral("Blue"), QStringLiteral("So What"));
}

QStringList records(const CatalogFixture& cat)
{
    return cat.rows(QStringLiteral("select [Artist], [Record_Name], [Record_Category], [Record_Date], [Book_Value], "
                                   "[Quantity] from records order by [Artist], [Record_Name]"));
}

QStringList songs(const CatalogFixture& cat)
{
    return cat.rows(QStringLiteral("select [Artist], [Record_Name], [Song_Title] from songs "
                                   "order by [Artist], [Record_Name], [Song_Title]"));
}

TEST(EntryActionsTest, SeedAsExpected)
{
    GTEST_SKIP() << "fixture seeding not finished";
    CatalogFixture cat;
    seed(cat);
    EXPECT_EQ(records(cat), QStringList({}));
    EXPECT_EQ(songs(cat), QStringList({}));
}

} // namespace

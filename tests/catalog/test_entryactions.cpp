#include "catalog/EntryActions.h"

#include "catalog/ArtistAccounts.h"
#include "support/CatalogFixture.h"
#include "support/QtPrint.h"
#include "support/TestEnv.h"

#include <QDate>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>

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

// A record as the fixture stores it.
CatalogEntry record(const QString& artist, const QString& name) { return testenv::addedRecord(artist, name); }

CatalogEntry song(const QString& artist, const QString& recordName, const QString& title)
{
    return testenv::songEntry(artist, recordName, title);
}

CatalogEntry artist(const QString& name) { return testenv::artistEntry(name); }

// Ella: Blue (Angel Eyes, Body and Soul), Train (Moanin); Miles: Blue (So What), Kind.
// Both have their accounts.
void seed(const CatalogFixture& cat)
{
    for (const QString& name : {QStringLiteral("Ella"), QStringLiteral("Miles")}) {
        bool ok = false;
        AddUser(name, ArtistAccount::Password, ok);
        ASSERT_TRUE(ok);
    }
    cat.addArtist(QStringLiteral("Ella"));
    cat.addRecord(QStringLiteral("Ella"), QStringLiteral("Blue"));
    cat.addRecord(QStringLiteral("Ella"), QStringLiteral("Train"));
    cat.addSong(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Angel Eyes"));
    cat.addSong(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Body and Soul"));
    cat.addSong(QStringLiteral("Ella"), QStringLiteral("Train"), QStringLiteral("Moanin"));
    cat.addArtist(QStringLiteral("Miles"));
    cat.addRecord(QStringLiteral("Miles"), QStringLiteral("Blue"));
    cat.addSong(QStringLiteral("Miles"), QStringLiteral("Blue"), QStringLiteral("So What"));
    cat.addRecord(QStringLiteral("Miles"), QStringLiteral("Kind"));
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

const QStringList kSeedRecords = {
    QStringLiteral("Ella|<Null>|<Null>|<Null>|<Null>|<Null>"),
    QStringLiteral("Ella|Blue|Jazz|01/02/1990|1|1"),
    QStringLiteral("Ella|Train|Jazz|01/02/1990|1|1"),
    QStringLiteral("Miles|<Null>|<Null>|<Null>|<Null>|<Null>"),
    QStringLiteral("Miles|Blue|Jazz|01/02/1990|1|1"),
    QStringLiteral("Miles|Kind|Jazz|01/02/1990|1|1"),
};

const QStringList kSeedSongs = {
    QStringLiteral("Ella|Blue|Angel Eyes"),
    QStringLiteral("Ella|Blue|Body and Soul"),
    QStringLiteral("Ella|Train|Moanin"),
    QStringLiteral("Miles|Blue|So What"),
};

QStringList replaced(QStringList rows, const QString& from, const QString& to)
{
    rows[rows.indexOf(from)] = to;
    rows.sort(Qt::CaseInsensitive);
    return rows;
}

QStringList without(QStringList rows, const QStringList& gone)
{
    for (const QString& row : gone)
        rows.removeOne(row);
    return rows;
}

QStringList with(QStringList rows, const QString& added)
{
    rows << added;
    rows.sort(Qt::CaseInsensitive);
    return rows;
}

TEST(EntryActionsTest, SeedAsExpected)
{
    CatalogFixture cat;
    seed(cat);
    EXPECT_EQ(records(cat), kSeedRecords);
    EXPECT_EQ(songs(cat), kSeedSongs);
}

using BoxExpected = testenv::ExpectedBox;
using testenv::expectBoxes;

TEST(EntryActionsTest, UpdateItemOnARecordDecidesByNameAndDetails)
{
    const CatalogEntry train = record(QStringLiteral("Ella"), QStringLiteral("Train"));
    struct Case {
        const char* what;
        std::function<void(CatalogEntry&)> change;
        bool saved;
        QStringList records; // after the call
        QStringList songs;
    };
    const QString trainRow = QStringLiteral("Ella|Train|Jazz|01/02/1990|1|1");
    const Case cases[] = {
        // The details test would find the record itself, so a save proves no test ran.
        {"book value only", [](CatalogEntry& e) { e.Book_Value = 25000; }, true,
         replaced(kSeedRecords, trainRow, QStringLiteral("Ella|Train|Jazz|01/02/1990|2.5|1")), kSeedSongs},
        {"date and quantity only",
         [](CatalogEntry& e) {
             e.Record_Date = vb::dateFromQDate(QDate(1991, 3, 4));
             e.Quantity = 3;
         },
         true, replaced(kSeedRecords, trainRow, QStringLiteral("Ella|Train|Jazz|03/04/1991|1|3")), kSeedSongs},
        {"new free name", [](CatalogEntry& e) { e.Record_Name = QStringLiteral("Night"); }, true,
         replaced(kSeedRecords, trainRow, QStringLiteral("Ella|Night|Jazz|01/02/1990|1|1")),
         replaced(kSeedSongs, QStringLiteral("Ella|Train|Moanin"), QStringLiteral("Ella|Night|Moanin"))},
        {"name of another artist's record", [](CatalogEntry& e) { e.Record_Name = QStringLiteral("Kind"); }, true,
         replaced(kSeedRecords, trainRow, QStringLiteral("Ella|Kind|Jazz|01/02/1990|1|1")),
         replaced(kSeedSongs, QStringLiteral("Ella|Train|Moanin"), QStringLiteral("Ella|Kind|Moanin"))},
        {"nothing changed", [](CatalogEntry&) {}, false, kSeedRecords, kSeedSongs},
        // The record itself holds the name in another case: it does not count.
        {"letter case of the name only", [](CatalogEntry& e) { e.Record_Name = QStringLiteral("TRAIN"); }, true,
         replaced(kSeedRecords, trainRow, QStringLiteral("Ella|TRAIN|Jazz|01/02/1990|1|1")),
         replaced(kSeedSongs, QStringLiteral("Ella|Train|Moanin"), QStringLiteral("Ella|TRAIN|Moanin"))},
        {"letter case of the name and a detail",
         [](CatalogEntry& e) {
             e.Record_Name = QStringLiteral("tRAIN");
             e.Record_Category = QStringLiteral("Swing");
         },
         true, replaced(kSeedRecords, trainRow, QStringLiteral("Ella|tRAIN|Swing|01/02/1990|1|1")),
         replaced(kSeedSongs, QStringLiteral("Ella|Train|Moanin"), QStringLiteral("Ella|tRAIN|Moanin"))},
        // Other details, but the artist's Blue would receive Train's songs for good.
        {"name of another record of the artist",
         [](CatalogEntry& e) {
             e.Record_Name = QStringLiteral("Blue");
             e.Record_Category = QStringLiteral("Swing");
         },
         false, kSeedRecords, kSeedSongs},
        {"same name and details as another record",
         [](CatalogEntry& e) { e.Record_Name = QStringLiteral("blue"); }, false, kSeedRecords, kSeedSongs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogFixture cat;
        seed(cat);
        CatalogEntry changed = train;
        c.change(changed);
        ScriptedMsgBox boxes;
        if (!c.saved)
            boxes.answer(vb::vbOK);
        bool ok = !c.saved;
        UpdateItem(train, changed, ok);
        EXPECT_EQ(ok, c.saved);
        if (c.saved)
            EXPECT_TRUE(boxes.empty());
        else
            expectBoxes(boxes, {{renameClash(QStringLiteral("Train"), changed.Record_Name), vb::vbCritical, kClashTitle}});
        EXPECT_EQ(records(cat), c.records);
        EXPECT_EQ(songs(cat), c.songs);
    }
}

// A catalogue from before names were unique may hold two records of one name.
TEST(EntryActionsTest, UpdateItemRefusesACaseChangeToANameAnotherRecordHolds)
{
    CatalogFixture cat;
    seed(cat);
    cat.addRecord(QStringLiteral("Ella"), QStringLiteral("TRAIN"), QStringLiteral("05/06/1970"));
    const QStringList before = records(cat);
    for (const QString& name : {QStringLiteral("train"), QStringLiteral("TRAIN")}) {
        SCOPED_TRACE(name.toStdString());
        CatalogEntry changed = record(QStringLiteral("Ella"), QStringLiteral("Train"));
        changed.Record_Name = name;
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        bool ok = true;
        UpdateItem(record(QStringLiteral("Ella"), QStringLiteral("Train")), changed, ok);
        EXPECT_FALSE(ok);
        expectBoxes(boxes, {{renameClash(QStringLiteral("Train"), name), vb::vbCritical, kClashTitle}});
        EXPECT_EQ(records(cat), before);
        EXPECT_EQ(songs(cat), kSeedSongs);
    }
}

TEST(EntryActionsTest, UpdateItemOnASongRefusesATitleTheRecordHolds)
{
    const CatalogEntry angel = song(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Angel Eyes"));
    const QString angelRow = QStringLiteral("Ella|Blue|Angel Eyes");
    struct Case {
        QString title;
        bool saved;
    };
    const Case cases[] = {
        {QStringLiteral("Lush Life"), true},
        // Held by another record of the artist: no clash.
        {QStringLiteral("Moanin"), true},
        {QStringLiteral("Angel Eyes"), false},
        {QStringLiteral("ANGEL EYES"), false},
        {QStringLiteral("Body and Soul"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        CatalogFixture cat;
        seed(cat);
        CatalogEntry changed = angel;
        changed.Song_Title = c.title;
        ScriptedMsgBox boxes;
        if (!c.saved)
            boxes.answer(vb::vbOK);
        bool ok = !c.saved;
        UpdateItem(angel, changed, ok);
        EXPECT_EQ(ok, c.saved);
        if (c.saved) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(songs(cat), replaced(kSeedSongs, angelRow, QStringLiteral("Ella|Blue|") + c.title));
        } else {
            expectBoxes(boxes, {{renameClash(QStringLiteral("Angel Eyes"), c.title), vb::vbCritical, kClashTitle}});
            EXPECT_EQ(songs(cat), kSeedSongs);
        }
    }
}

TEST(EntryActionsTest, AddItemRefusesANameTakenWithinTheParent)
{
    struct Case {
        CatalogEntry entry;
        QString name;
        bool added;
    };
    CatalogEntry night = record(QStringLiteral("Ella"), QStringLiteral("Night"));
    CatalogEntry kind = record(QStringLiteral("Ella"), QStringLiteral("kind"));
    const Case cases[] = {
        {song(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Angel Eyes")), QStringLiteral("Angel Eyes"), false},
        {song(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("moanin")), QStringLiteral("moanin"), true},
        {song(QStringLiteral("Ella"), QStringLiteral("Train"), QStringLiteral("angel eyes")), QStringLiteral("angel eyes"), true},
        {record(QStringLiteral("Ella"), QStringLiteral("BLUE")), QStringLiteral("BLUE"), false},
        {kind, QStringLiteral("kind"), true},
        {night, QStringLiteral("Night"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        CatalogFixture cat;
        seed(cat);
        ScriptedMsgBox boxes;
        if (!c.added)
            boxes.answer(vb::vbOK);
        bool ok = !c.added;
        AddItem(c.entry, c.name, ok);
        EXPECT_EQ(ok, c.added);
        const bool isSong = c.entry.Level == Level::Song_Titles;
        if (c.added) {
            EXPECT_TRUE(boxes.empty());
            if (isSong)
                EXPECT_EQ(songs(cat), with(kSeedSongs, c.entry.Artist + '|' + c.entry.Record_Name + '|' + c.name));
            else
                EXPECT_EQ(records(cat), with(kSeedRecords, QStringLiteral("Ella|") + c.name + QStringLiteral("|Jazz|01/02/1990|1|1")));
        } else {
            expectBoxes(boxes, {{addClash(c.name), vb::vbCritical, kClashTitle}});
            EXPECT_EQ(records(cat), kSeedRecords);
            EXPECT_EQ(songs(cat), kSeedSongs);
        }
    }
}

TEST(EntryActionsTest, RenameItemRefusesATakenNameWithTheEntrysName)
{
    struct Case {
        CatalogEntry entry;
        QString newName;
        bool renamed;
        QString shownName; // in the clash box
    };
    const Case cases[] = {
        {song(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Angel Eyes")), QStringLiteral("Lush Life"), true, {}},
        {song(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Angel Eyes")), QStringLiteral("body and soul"), false, QString()},
        {artist(QStringLiteral("Ella")), QStringLiteral("miles"), false, QStringLiteral("Ella")},
        // A record rename runs no statement and reports success.
        {record(QStringLiteral("Ella"), QStringLiteral("Train")), QStringLiteral("Night"), true, {}},
        {record(QStringLiteral("Ella"), QStringLiteral("Train")), QStringLiteral("blue"), false, QStringLiteral("Train")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newName.toStdString());
        CatalogFixture cat;
        seed(cat);
        ScriptedMsgBox boxes;
        if (!c.renamed)
            boxes.answer(vb::vbOK);
        bool ok = !c.renamed;
        RenameItem(c.entry, c.newName, ok);
        EXPECT_EQ(ok, c.renamed);
        if (c.renamed)
            EXPECT_TRUE(boxes.empty());
        else
            expectBoxes(boxes, {{renameClash(c.shownName, c.newName), vb::vbCritical, kClashTitle}});
        EXPECT_EQ(records(cat), kSeedRecords);
        if (c.renamed && c.entry.Level == Level::Song_Titles)
            EXPECT_EQ(songs(cat), replaced(kSeedSongs, QStringLiteral("Ella|Blue|Angel Eyes"), QStringLiteral("Ella|Blue|Lush Life")));
        else
            EXPECT_EQ(songs(cat), kSeedSongs);
    }
}

TEST(EntryActionsTest, DeleteItemsAsksOnlyWhenToldAndDeletesOnlyOnYes)
{
    struct Case {
        CatalogEntry entry;
        QString prompt;
        QStringList goneRecords;
        QStringList goneSongs;
    };
    const Case cases[] = {
        {record(QStringLiteral("Ella"), QStringLiteral("Blue")),
         QStringLiteral("Are you sure you want to delete the selected record(s)?"),
         {QStringLiteral("Ella|Blue|Jazz|01/02/1990|1|1")},
         {QStringLiteral("Ella|Blue|Angel Eyes"), QStringLiteral("Ella|Blue|Body and Soul")}},
        {song(QStringLiteral("Ella"), QStringLiteral("Train"), QStringLiteral("Moanin")),
         QStringLiteral("Are you sure you want to delete the selected song title(s)?"),
         {},
         {QStringLiteral("Ella|Train|Moanin")}},
        {artist(QStringLiteral("Miles")),
         QStringLiteral("Are you sure you want to delete Miles, with all its contents?"),
         {QStringLiteral("Miles|<Null>|<Null>|<Null>|<Null>|<Null>"), QStringLiteral("Miles|Blue|Jazz|01/02/1990|1|1"),
          QStringLiteral("Miles|Kind|Jazz|01/02/1990|1|1")},
         {QStringLiteral("Miles|Blue|So What")}},
    };
    enum Road { NoQuestion, AnsweredNo, AnsweredYes };
    for (const Case& c : cases) {
        for (Road road : {NoQuestion, AnsweredNo, AnsweredYes}) {
            SCOPED_TRACE(c.prompt.toStdString() + " road " + std::to_string(road));
            CatalogFixture cat;
            seed(cat);
            ScriptedMsgBox boxes;
            if (road != NoQuestion)
                boxes.answer(road == AnsweredYes ? vb::vbYes : vb::vbNo);
            const bool askConfirm = road != NoQuestion;
            bool ok = road == AnsweredNo;
            DeleteItems(c.entry, askConfirm, ok);
            const bool deleted = road != AnsweredNo;
            EXPECT_EQ(ok, deleted);
            if (askConfirm)
                expectBoxes(boxes, {{c.prompt, vb::vbYesNo, QStringLiteral("Confirm Record Delete")}});
            else
                EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(records(cat), deleted ? without(kSeedRecords, c.goneRecords) : kSeedRecords);
            EXPECT_EQ(songs(cat), deleted ? without(kSeedSongs, c.goneSongs) : kSeedSongs);
            bool accountFound = false;
            UserExists(c.entry.Artist, accountFound);
            EXPECT_EQ(accountFound, !(deleted && c.entry.Level == Level::Artist));
        }
    }
}

// An artist left without its account by an older version still goes, without a box.
TEST(EntryActionsTest, DeleteItemsDeletesAnArtistWhoseAccountIsMissing)
{
    CatalogFixture cat;
    seed(cat);
    bool ok = false;
    DeleteUser(QStringLiteral("Miles"), ok);
    ASSERT_TRUE(ok);
    ScriptedMsgBox boxes;
    ok = false;
    DeleteItems(artist(QStringLiteral("Miles")), false, ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(records(cat), without(kSeedRecords, {QStringLiteral("Miles|<Null>|<Null>|<Null>|<Null>|<Null>"),
                                                   QStringLiteral("Miles|Blue|Jazz|01/02/1990|1|1"),
                                                   QStringLiteral("Miles|Kind|Jazz|01/02/1990|1|1")}));
}

} // namespace

#include "catalog/CatalogStatements.h"
#include "support/CatalogFixture.h"
#include "support/QtPrint.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QLocale>

#include <functional>
#include <ostream>

namespace {

struct Expected {
    QString sql;
    bool onlyWhenPreviousMatched = false;
};

CatalogEntry berlin()
{
    CatalogEntry e;
    e.Artist = QStringLiteral("Ella");
    e.Record_Name = QStringLiteral("Ella in Berlin");
    e.Record_Type = QStringLiteral("33-LP");
    e.Record_Category = QStringLiteral("Jazz");
    e.Label_Name = QStringLiteral("Verve");
    e.Label_Number = QStringLiteral("MGV-4041");
    e.Record_Condition = QStringLiteral("Good");
    e.Sleeve_Condition = QStringLiteral("Fair");
    e.Record_Date = vb::dateFromQDate(QDate(1960, 2, 13));
    e.Book_Value = 125000; // 12.5
    e.Quantity = 2;
    e.Song_Title = QStringLiteral("Mack the Knife");
    e.Level = Level::Record_Name;
    return e;
}

CatalogEntry at(CatalogEntry e, const QString& level)
{
    e.Level = level;
    return e;
}

CatalogEntry withoutValues(CatalogEntry e)
{
    e.Record_Date.reset();
    e.Book_Value.reset();
    e.Quantity.reset();
    return e;
}

CatalogEntry rome()
{
    CatalogEntry e = berlin();
    e.Record_Name = QStringLiteral("Ella in Rome");
    e.Record_Type = QStringLiteral("00-CD");
    e.Record_Category = QStringLiteral("Vocal");
    e.Label_Name = QStringLiteral("Verve");
    e.Label_Number = QStringLiteral("835 454-2");
    e.Record_Condition = QStringLiteral("Mint");
    e.Sleeve_Condition = QStringLiteral("Mint");
    e.Record_Date = vb::dateFromQDate(QDate(1988, 4, 25));
    e.Book_Value = 70000; // 7
    e.Quantity = 1;
    e.Song_Title = QStringLiteral("St. Louis Blues");
    return e;
}

void expectGroup(const std::vector<Statement>& group, const std::vector<Expected>& expected, const char* label)
{
    ASSERT_EQ(group.size(), expected.size()) << label;
    for (std::size_t i = 0; i < group.size(); ++i) {
        EXPECT_EQ(group[i].sql, expected[i].sql) << label << " #" << i;
        EXPECT_EQ(group[i].onlyWhenPreviousMatched, expected[i].onlyWhenPreviousMatched) << label << " #" << i;
    }
}

TEST(StatementTextTest, InsertDeleteUpdateRename)
{
    const CatalogEntry record = berlin();
    const CatalogEntry song = at(berlin(), Level::Song_Titles);
    const CatalogEntry artist = at(berlin(), Level::Artist);
    const CatalogEntry other = at(berlin(), Level::Database);
    CatalogEntry quoted = berlin();
    quoted.Artist = QStringLiteral("Anita O'Day");

    struct Case {
        const char* label;
        std::vector<Statement> group;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {"insert artist", InsertStatements(artist), {{"Insert into records ([Artist]) Values ('Ella')"}}},
        {"insert record", InsertStatements(record),
         {{"Insert into records (  [Artist]  , [Record_Name]  , [Record_Type]  , [Record_Category]  , [Label_Name]  , "
           "[Label_Number]  , [Record_Condition]  , [Sleeve_Condition]  , [Record_Date]  , [Book_Value]  , [Quantity]  ) "
           "Values ('Ella', 'Ella in Berlin', '33-LP', 'Jazz', 'Verve', 'MGV-4041', 'Good', 'Fair', '02/13/1960', "
           "'12.5', '2')"}}},
        {"insert record without date, value and quantity", InsertStatements(withoutValues(record)),
         {{"Insert into records (  [Artist]  , [Record_Name]  , [Record_Type]  , [Record_Category]  , [Label_Name]  , "
           "[Label_Number]  , [Record_Condition]  , [Sleeve_Condition]  , [Record_Date]  , [Book_Value]  , [Quantity]  ) "
           "Values ('Ella', 'Ella in Berlin', '33-LP', 'Jazz', 'Verve', 'MGV-4041', 'Good', 'Fair', Null, Null, Null)"}}},
        {"insert song", InsertStatements(song),
         {{"Insert into songs (  [Artist]  , [Record_Name]  , [Song_Title]  ) Values ('Ella', 'Ella in Berlin', "
           "'Mack the Knife')"}}},
        {"insert apostrophe", InsertStatements(at(quoted, Level::Artist)),
         {{"Insert into records ([Artist]) Values ('Anita O''Day')"}}},
        {"insert other level", InsertStatements(other), {{""}}},

        {"delete song", DeleteStatements(song),
         {{"delete * from songs where  [Record_Name] = 'Ella in Berlin' and [Song_Title] = 'Mack the Knife' and "
           "[Artist] = 'Ella'"}}},
        {"delete record", DeleteStatements(record),
         {{"delete * from records where  [Record_Name] = 'Ella in Berlin' and [Record_Date] = #02/13/1960# and "
           "[Sleeve_Condition] = 'Fair' and [Record_Condition] = 'Good' and [Label_Name] = 'Verve' and "
           "[Book_Value] = 12.5 and [Quantity] = 2 and [Artist] = 'Ella'"},
          {"delete * from songs where  [Record_Name] = 'Ella in Berlin' and [Artist] = 'Ella'", true}}},
        {"delete record without date, value and quantity", DeleteStatements(withoutValues(record)),
         {{"delete * from records where  [Record_Name] = 'Ella in Berlin' and [Record_Date] Is Null and "
           "[Sleeve_Condition] = 'Fair' and [Record_Condition] = 'Good' and [Label_Name] = 'Verve' and "
           "[Book_Value] Is Null and [Quantity] Is Null and [Artist] = 'Ella'"},
          {"delete * from songs where  [Record_Name] = 'Ella in Berlin' and [Artist] = 'Ella'", true}}},
        {"delete artist", DeleteStatements(artist),
         {{"delete * from records where  [Artist] = 'Ella'"}, {"delete * from songs where  [Artist] = 'Ella'"}}},
        {"delete apostrophe", DeleteStatements(at(quoted, Level::Artist)),
         {{"delete * from records where  [Artist] = 'Anita O''Day'"},
          {"delete * from songs where  [Artist] = 'Anita O''Day'"}}},
        {"delete other level", DeleteStatements(other), {}},

        {"update record", UpdateStatements(record, rome()),
         {{"Update records Set [Record_Name] = 'Ella in Rome', [Record_Date] = '04/25/1988', [Label_Name] = 'Verve', "
           "[Label_Number] = '835 454-2', [Record_Type] = '00-CD', [Record_Category] = 'Vocal', "
           "[Record_Condition] = 'Mint', [Sleeve_Condition] = 'Mint', [Quantity] = 1, [Book_Value] = 7, "
           "[Artist] = 'Ella' where  [Record_Name] = 'Ella in Berlin' and [Record_Date] = #02/13/1960# and "
           "[Label_Name] = 'Verve' and [Label_Number] = 'MGV-4041' and [Record_Type] = '33-LP' and "
           "[Record_Category] = 'Jazz' and [Record_Condition] = 'Good' and [Sleeve_Condition] = 'Fair' and "
           "[Book_Value] = 12.5 and [Quantity] = 2 and [Artist] = 'Ella'"},
          {"Update songs Set [Record_Name] = 'Ella in Rome' where  [Record_Name] = 'Ella in Berlin' and "
           "[Artist] = 'Ella'",
           true}}},
        {"update record from and to missing values", UpdateStatements(withoutValues(record), withoutValues(rome())),
         {{"Update records Set [Record_Name] = 'Ella in Rome', [Record_Date] = Null, [Label_Name] = 'Verve', "
           "[Label_Number] = '835 454-2', [Record_Type] = '00-CD', [Record_Category] = 'Vocal', "
           "[Record_Condition] = 'Mint', [Sleeve_Condition] = 'Mint', [Quantity] = Null, [Book_Value] = Null, "
           "[Artist] = 'Ella' where  [Record_Name] = 'Ella in Berlin' and [Record_Date] Is Null and "
           "[Label_Name] = 'Verve' and [Label_Number] = 'MGV-4041' and [Record_Type] = '33-LP' and "
           "[Record_Category] = 'Jazz' and [Record_Condition] = 'Good' and [Sleeve_Condition] = 'Fair' and "
           "[Book_Value] Is Null and [Quantity] Is Null and [Artist] = 'Ella'"},
          {"Update songs Set [Record_Name] = 'Ella in Rome' where  [Record_Name] = 'Ella in Berlin' and "
           "[Artist] = 'Ella'",
           true}}},
        {"update song", UpdateStatements(song, at(rome(), Level::Song_Titles)),
         {{"Update songs Set [Song_Title] = 'St. Louis Blues' where  [Record_Name] = 'Ella in Berlin' and "
           "[Song_Title] = 'Mack the Knife' and [Artist] = 'Ella'"}}},
        {"update by the old entry's level", UpdateStatements(other, rome()), {{""}}},

        {"rename artist", RenameStatements(artist, QStringLiteral("Ella F")),
         {{"Update records Set [Artist] = 'Ella F'where  [Artist] = 'Ella'"},
          {"Update songs Set [Artist] = 'Ella F'where  [Artist] = 'Ella'"}}},
        {"rename song", RenameStatements(song, QStringLiteral("Mack")),
         {{"Update songs Set [Song_Title] = 'Mack'where  [Artist] = 'Ella' and [Record_Name] = 'Ella in Berlin' and "
           "[Song_Title] = 'Mack the Knife'"}}},
        {"rename to apostrophe", RenameStatements(artist, QStringLiteral("O'Day")),
         {{"Update records Set [Artist] = 'O''Day'where  [Artist] = 'Ella'"},
          {"Update songs Set [Artist] = 'O''Day'where  [Artist] = 'Ella'"}}},
        {"rename record", RenameStatements(record, QStringLiteral("Berlin")), {}},
        {"rename other level", RenameStatements(other, QStringLiteral("x")), {{""}}},
    };
    for (const Case& c : cases)
        expectGroup(c.group, c.expected, c.label);
}

TEST(StatementTextTest, UniquenessQueries)
{
    const CatalogEntry record = berlin();
    const CatalogEntry song = at(berlin(), Level::Song_Titles);
    const CatalogEntry artist = at(berlin(), Level::Artist);
    const CatalogEntry other = at(berlin(), Level::Database);
    const QString name = QStringLiteral("Summertime");
    struct Case {
        const char* label;
        QString query;
        QString expected;
    };
    const Case cases[] = {
        {"song name", UniqueQuery(song, name),
         "select * from songs  where  [Song_Title] = 'Summertime' and [Record_Name] = 'Ella in Berlin' and "
         "[Artist] = 'Ella'"},
        {"record name", UniqueQuery(record, name),
         "select * from records  where  [Record_Name] = 'Summertime' and [Artist] = 'Ella'"},
        {"artist name", UniqueQuery(artist, name), "select * from records  where  [Artist] = 'Summertime'"},
        {"artist name with apostrophe", UniqueQuery(artist, QStringLiteral("O'Day")),
         "select * from records  where  [Artist] = 'O''Day'"},
        {"other name", UniqueQuery(other, name), ""},
        {"record details", UniqueDetailsQuery(withoutValues(record)),
         "select * from records  where  [Record_Name] = 'Ella in Berlin' and [Record_Type] = '33-LP' and "
         "[Record_Category] = 'Jazz' and [Label_Name] = 'Verve' and [Label_Number] = 'MGV-4041' and "
         "[Record_Condition] = 'Good' and [Sleeve_Condition] = 'Fair' and [Artist] = 'Ella'"},
        {"song details", UniqueDetailsQuery(song),
         "select * from songs  where  [Record_Name] = 'Ella in Berlin' and [Song_Title] = 'Mack the Knife' and "
         "[Artist] = 'Ella'"},
        {"artist details", UniqueDetailsQuery(artist), "select * from records  where  [Artist] = 'Ella'"},
        {"other details", UniqueDetailsQuery(other), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.query, c.expected) << c.label;
}

// ---- Effects on a fresh catalogue -------------------------------------------

const QString kAllRecords = QStringLiteral(
    "select [Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Name], [Label_Number], "
    "[Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity] from records");
const QString kAllSongs = QStringLiteral("select [Artist], [Record_Name], [Song_Title] from songs");

// A record with the details the fixture's addRecord writes.
using testenv::addedRecord;

CatalogEntry songEntry(const QString& artist, const QString& record, const QString& title)
{
    CatalogEntry e;
    e.Artist = artist;
    e.Record_Name = record;
    e.Song_Title = title;
    e.Level = Level::Song_Titles;
    return e;
}

CatalogEntry artistEntry(const QString& artist)
{
    CatalogEntry e;
    e.Artist = artist;
    e.Level = Level::Artist;
    return e;
}

QString fixtureRow(const QString& artist, const QString& name, const QString& date, const QString& value, int quantity)
{
    return QStringLiteral("%1|%2|33-LP|Jazz|Label|L-1|Mint|Good|%3|%4|%5").arg(artist, name, date, value).arg(quantity);
}

QString artistOnlyRow(const QString& artist)
{
    return artist + QStringLiteral("|<Null>|<Null>|<Null>|<Null>|<Null>|<Null>|<Null>|<Null>|<Null>|<Null>");
}

class StatementEffectTest : public ::testing::Test {
protected:
    QStringList records() const { return sorted(db.rows(kAllRecords)); }
    QStringList songs() const { return sorted(db.rows(kAllSongs)); }
    static QStringList sorted(QStringList rows)
    {
        rows.sort();
        return rows;
    }

    testenv::CatalogFixture db;
    testenv::ScriptedMsgBox boxes;
};

TEST_F(StatementEffectTest, InsertWritesEachLevel)
{
    CatalogEntry full = berlin();
    full.Artist = QStringLiteral("Anita O'Day");
    CatalogEntry bare = withoutValues(berlin());
    bare.Record_Name = QStringLiteral("Ella Sings");

    bool ok = false;
    for (const CatalogEntry& e : {artistEntry(QStringLiteral("Anita O'Day")), full, bare,
                                  songEntry(QStringLiteral("Anita O'Day"), QStringLiteral("Ella in Berlin"),
                                            QStringLiteral("Rock 'n' Roll"))}) {
        ok = false;
        ExecInsertItem(e, ok);
        EXPECT_TRUE(ok) << e.Level.toStdString();
    }
    EXPECT_EQ(records(), QStringList({
                             artistOnlyRow(QStringLiteral("Anita O'Day")),
                             "Anita O'Day|Ella in Berlin|33-LP|Jazz|Verve|MGV-4041|Good|Fair|02/13/1960|12.5|2",
                             "Ella|Ella Sings|33-LP|Jazz|Verve|MGV-4041|Good|Fair|<Null>|<Null>|<Null>",
                         }));
    EXPECT_EQ(songs(), QStringList({"Anita O'Day|Ella in Berlin|Rock 'n' Roll"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, UniquenessWithinTheParent)
{
    db.addArtist(QStringLiteral("Ella"));
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"));
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Rome"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime"));
    db.addArtist(QStringLiteral("Anita"));

    const CatalogEntry berlinSong = songEntry(QStringLiteral("Ella"), QStringLiteral("Berlin"), QString());
    const CatalogEntry romeSong = songEntry(QStringLiteral("Ella"), QStringLiteral("Rome"), QString());
    const CatalogEntry ellaRecord = addedRecord(QStringLiteral("Ella"), QString(), QDate(1990, 1, 2), 10000, 1);
    CatalogEntry anitaRecord = ellaRecord;
    anitaRecord.Artist = QStringLiteral("Anita");
    const CatalogEntry anyArtist = artistEntry(QString());
    struct Case {
        const char* label;
        CatalogEntry entry;
        const char* name;
        bool unique;
    };
    const Case cases[] = {
        {"title under another record of the artist", romeSong, "Summertime", true},
        {"title on the same record", berlinSong, "Summertime", false},
        {"title differing only in case", berlinSong, "SUMMERTIME", false},
        {"new title", berlinSong, "Mack the Knife", true},
        {"record of the artist", ellaRecord, "Berlin", false},
        {"same record name, other artist", anitaRecord, "Berlin", true},
        {"artist with records", anyArtist, "Ella", false},
        {"artist with only its artist-only row", anyArtist, "Anita", false},
        {"unknown artist", anyArtist, "Billie", true},
    };
    for (const Case& c : cases) {
        bool unique = !c.unique;
        IsUniqueItem(c.entry, QString::fromUtf8(c.name), unique);
        EXPECT_EQ(unique, c.unique) << c.label;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, DetailUniquenessComparesTextFieldsOnly)
{
    db.addArtist(QStringLiteral("Anita"));
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("01/02/1990"), QStringLiteral("1"), 1);
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime"));

    const CatalogEntry same = addedRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QDate(1990, 1, 2), 10000, 1);
    CatalogEntry otherValues = withoutValues(same);
    CatalogEntry otherNumber = same;
    otherNumber.Label_Number = QStringLiteral("L-2");
    CatalogEntry otherArtist = same;
    otherArtist.Artist = QStringLiteral("Anita");
    struct Case {
        const char* label;
        CatalogEntry entry;
        bool unique;
    };
    const Case cases[] = {
        {"identical record", same, false},
        {"record differing only in date, value and quantity", otherValues, false},
        {"record differing in label number", otherNumber, true},
        {"same record under another artist", otherArtist, true},
        {"song of the record", songEntry(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime")), false},
        {"song of another record", songEntry(QStringLiteral("Ella"), QStringLiteral("Rome"), QStringLiteral("Summertime")), true},
        {"artist-only artist", artistEntry(QStringLiteral("Anita")), false},
        {"unknown artist", artistEntry(QStringLiteral("Billie")), true},
    };
    for (const Case& c : cases) {
        bool unique = !c.unique;
        IsUniqueItemDetails(c.entry, unique);
        EXPECT_EQ(unique, c.unique) << c.label;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, DeletingARecordTakesTheSongsOfItsSameNamedSibling)
{
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("01/02/1960"));
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("01/02/1961"));
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Rome"));
    db.addRecord(QStringLiteral("Anita"), QStringLiteral("Berlin"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Mack the Knife"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Rome"), QStringLiteral("St Louis Blues"));
    db.addSong(QStringLiteral("Anita"), QStringLiteral("Berlin"), QStringLiteral("Sweet Georgia Brown"));

    bool ok = false;
    ExecDeleteItem(addedRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QDate(1960, 1, 2), 10000, 1), ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(records(), QStringList({
                             fixtureRow("Anita", "Berlin", "01/02/1990", "1", 1),
                             fixtureRow("Ella", "Berlin", "01/02/1961", "1", 1),
                             fixtureRow("Ella", "Rome", "01/02/1990", "1", 1),
                         }));
    EXPECT_EQ(songs(), QStringList({"Anita|Berlin|Sweet Georgia Brown", "Ella|Rome|St Louis Blues"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, DeletingAnArtistClearsBothTablesAndItsArtistOnlyRows)
{
    db.addArtist(QStringLiteral("Ella"));
    db.addArtist(QStringLiteral("Ella"));
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime"));
    db.addArtist(QStringLiteral("Anita"));
    db.addSong(QStringLiteral("Anita"), QStringLiteral("Sings"), QStringLiteral("Tea for Two"));

    bool ok = false;
    ExecDeleteItem(artistEntry(QStringLiteral("ella")), ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(records(), QStringList({artistOnlyRow(QStringLiteral("Anita"))}));
    EXPECT_EQ(songs(), QStringList({"Anita|Sings|Tea for Two"}));
    EXPECT_TRUE(boxes.empty());
}

// A stale entry (the row changed or went away since the list was read) must
// neither fail nor touch the songs of the records that share its name.
TEST_F(StatementEffectTest, StaleEntriesSucceedAndChangeNothing)
{
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime"));
    const QStringList recordsBefore = records();
    const QStringList songsBefore = songs();

    const CatalogEntry stale = addedRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QDate(1990, 1, 2), 10000, 5);
    CatalogEntry renamed = stale;
    renamed.Record_Name = QStringLiteral("Berlin Live");
    const CatalogEntry goneSong = songEntry(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Misty"));
    CatalogEntry otherSong = goneSong;
    otherSong.Song_Title = QStringLiteral("Lover");
    struct Case {
        const char* label;
        std::function<void(bool&)> run;
    };
    const Case cases[] = {
        {"delete a record", [&](bool& ok) { ExecDeleteItem(stale, ok); }},
        {"update a record", [&](bool& ok) { ExecUpdateItem(stale, renamed, ok); }},
        {"delete a song", [&](bool& ok) { ExecDeleteItem(goneSong, ok); }},
        {"update a song", [&](bool& ok) { ExecUpdateItem(goneSong, otherSong, ok); }},
        {"rename a song", [&](bool& ok) { ExecRenameItem(goneSong, QStringLiteral("Lover"), ok); }},
        {"rename an artist", [&](bool& ok) { ExecRenameItem(artistEntry(QStringLiteral("Billie")), QStringLiteral("Ella"), ok); }},
    };
    for (const Case& c : cases) {
        bool ok = false;
        c.run(ok);
        EXPECT_TRUE(ok) << c.label;
        EXPECT_EQ(records(), recordsBefore) << c.label;
        EXPECT_EQ(songs(), songsBefore) << c.label;
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, UpdatingARecordRewritesEveryIdenticalRowAndMovesTheSongs)
{
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"));
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"));
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("01/02/1990"), QStringLiteral("1"), 3);
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime"));
    db.addSong(QStringLiteral("Anita"), QStringLiteral("Berlin"), QStringLiteral("Tea for Two"));

    CatalogEntry updated = rome();
    updated.Record_Name = QStringLiteral("Berlin 1960");
    bool ok = false;
    ExecUpdateItem(addedRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QDate(1990, 1, 2), 10000, 1), updated, ok);
    EXPECT_TRUE(ok);
    const QString rewritten = QStringLiteral("Ella|Berlin 1960|00-CD|Vocal|Verve|835 454-2|Mint|Mint|04/25/1988|7|1");
    EXPECT_EQ(records(), QStringList({rewritten, rewritten, fixtureRow("Ella", "Berlin", "01/02/1990", "1", 3)}));
    EXPECT_EQ(songs(), QStringList({"Anita|Berlin|Tea for Two", "Ella|Berlin 1960|Summertime"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, RecordWithMissingValuesCanBeUpdatedAndDeleted)
{
    db.exec(QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], "
                           "[Label_Name], [Label_Number], [Record_Condition], [Sleeve_Condition]) Values "
                           "('Ella', 'Berlin', '33-LP', 'Jazz', 'Label', 'L-1', 'Mint', 'Good')"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime"));
    const CatalogEntry stored = withoutValues(addedRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QDate(), 0, 0));

    CatalogEntry valued = addedRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QDate(1960, 2, 13), 125000, 4);
    bool ok = false;
    ExecUpdateItem(stored, valued, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(records(), QStringList({fixtureRow("Ella", "Berlin", "02/13/1960", "12.5", 4)}));

    // ... and back to missing values, then away.
    ok = false;
    ExecUpdateItem(valued, stored, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(records(),
              QStringList({QStringLiteral("Ella|Berlin|33-LP|Jazz|Label|L-1|Mint|Good|<Null>|<Null>|<Null>")}));
    ok = false;
    ExecDeleteItem(stored, ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(records().isEmpty());
    EXPECT_TRUE(songs().isEmpty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, RecordWithNullTextCellsCanBeUpdatedAndDeleted)
{
    db.exec(QStringLiteral("Insert into records ([Artist], [Record_Name]) Values ('Ella', 'Berlin')"));
    db.exec(QStringLiteral("Insert into records ([Artist], [Record_Name], [Label_Name]) Values ('Ella', 'Berlin', '')"));
    CatalogEntry stored;
    stored.Level = Level::Record_Name;
    stored.Artist = QStringLiteral("Ella");
    stored.Record_Name = QStringLiteral("Berlin");
    stored.Record_Date = std::nullopt;
    stored.Book_Value = std::nullopt;
    stored.Quantity = std::nullopt;
    stored.NullTexts = QStringList{"Record_Type", "Record_Category", "Label_Name", "Label_Number",
                                   "Record_Condition", "Sleeve_Condition"};
    CatalogEntry changed = stored;
    changed.NullTexts.clear();
    changed.Label_Name = QStringLiteral("Verve");

    bool ok = false;
    ExecUpdateItem(stored, changed, ok);
    EXPECT_TRUE(ok);
    // Only the row whose label was Null changed; the one with an empty label stays.
    EXPECT_EQ(records(), QStringList({"Ella|Berlin|<Null>|<Null>||<Null>|<Null>|<Null>|<Null>|<Null>|<Null>",
                                      "Ella|Berlin|||Verve||||<Null>|<Null>|<Null>"}));
    ok = false;
    stored.NullTexts = QStringList{"Record_Condition", "Sleeve_Condition"};
    ExecDeleteItem(stored, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(records(), QStringList({"Ella|Berlin|||Verve||||<Null>|<Null>|<Null>"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, FractionalBookValueUnderACommaLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const CatalogEntry entry = addedRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QDate(1960, 2, 13), 125000, 1);
    CatalogEntry more = entry;
    more.Book_Value = 12345; // 1.2345
    bool inserted = false, updated = false, deleted = false;
    ExecInsertItem(entry, inserted);
    ExecUpdateItem(entry, more, updated);
    const QStringList afterUpdate = records();
    ExecDeleteItem(more, deleted);
    QLocale::setDefault(previous);
    EXPECT_TRUE(inserted);
    EXPECT_TRUE(updated);
    EXPECT_EQ(afterUpdate, QStringList({fixtureRow("Ella", "Berlin", "02/13/1960", "1.2345", 1)}));
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(records().isEmpty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, RenamingAnArtistReachesBothTablesAndItsArtistOnlyRows)
{
    db.addArtist(QStringLiteral("Ella"));
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime"));
    db.addArtist(QStringLiteral("Anita"));
    db.addSong(QStringLiteral("Anita"), QStringLiteral("Sings"), QStringLiteral("Tea for Two"));

    bool ok = false;
    ExecRenameItem(artistEntry(QStringLiteral("Ella")), QStringLiteral("Ella F"), ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(records(), QStringList({artistOnlyRow(QStringLiteral("Anita")), artistOnlyRow(QStringLiteral("Ella F")),
                                      fixtureRow("Ella F", "Berlin", "01/02/1990", "1", 1)}));
    EXPECT_EQ(songs(), QStringList({"Anita|Sings|Tea for Two", "Ella F|Berlin|Summertime"}));

    // An artist that has only its artist-only row.
    ok = false;
    ExecRenameItem(artistEntry(QStringLiteral("Anita")), QStringLiteral("Anita O'Day"), ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(records().contains(artistOnlyRow(QStringLiteral("Anita O'Day"))));
    EXPECT_EQ(songs(), QStringList({"Anita O'Day|Sings|Tea for Two", "Ella F|Berlin|Summertime"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, RenamingASongTitleAndUpdatingItTouchOnlyThatTitle)
{
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Rome"), QStringLiteral("Summertime"));
    db.addSong(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Misty"));

    bool ok = false;
    ExecRenameItem(songEntry(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Summertime")),
                   QStringLiteral("Summer Time"), ok);
    EXPECT_TRUE(ok);
    ok = false;
    ExecUpdateItem(songEntry(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Misty")),
                   songEntry(QStringLiteral("Ella"), QStringLiteral("Berlin"), QStringLiteral("Lover")), ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(songs(), QStringList({"Ella|Berlin|Lover", "Ella|Berlin|Summer Time", "Ella|Rome|Summertime"}));
    ok = false;
    ExecDeleteItem(songEntry(QStringLiteral("Ella"), QStringLiteral("Rome"), QStringLiteral("summertime")), ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(songs(), QStringList({"Ella|Berlin|Lover", "Ella|Berlin|Summer Time"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, RecordLevelRenameLeavesTheCallersFlag)
{
    db.addRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"));
    const QStringList before = records();
    const CatalogEntry record = addedRecord(QStringLiteral("Ella"), QStringLiteral("Berlin"), QDate(1990, 1, 2), 10000, 1);
    for (const bool given : {true, false}) {
        bool ok = given;
        ExecRenameItem(record, QStringLiteral("Rome"), ok);
        EXPECT_EQ(ok, given);
    }
    EXPECT_EQ(records(), before);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StatementEffectTest, OtherLevelsFailWithTheirBoxAndWriteNothing)
{
    db.addArtist(QStringLiteral("Ella"));
    const QStringList before = records();
    const CatalogEntry root = at(berlin(), Level::Database);
    struct Case {
        const char* label;
        std::function<bool()> run;
        const char* boxStart; // nullptr: no box
    };
    const char* statementBox = "The program encountered the following error:";
    const char* accessBox = "The Program encountered an error while accessing the database.";
    const Case cases[] = {
        {"insert", [&] { bool ok = true; ExecInsertItem(root, ok); return ok; }, statementBox},
        {"delete", [&] { bool ok = true; ExecDeleteItem(root, ok); return ok; }, nullptr},
        {"update", [&] { bool ok = true; ExecUpdateItem(root, berlin(), ok); return ok; }, statementBox},
        {"rename", [&] { bool ok = true; ExecRenameItem(root, QStringLiteral("Ella"), ok); return ok; }, statementBox},
        {"unique name", [&] { bool unique = true; IsUniqueItem(root, QStringLiteral("Ella"), unique); return unique; }, accessBox},
        {"unique details", [&] { bool unique = true; IsUniqueItemDetails(root, unique); return unique; }, accessBox},
    };
    std::size_t seen = 0;
    for (const Case& c : cases) {
        if (c.boxStart)
            boxes.answer(vb::vbOK);
        EXPECT_FALSE(c.run()) << c.label;
        if (!c.boxStart) {
            EXPECT_EQ(boxes.calls().size(), seen) << c.label;
            continue;
        }
        ASSERT_EQ(boxes.calls().size(), seen + 1) << c.label;
        const vb::MsgBoxCall& box = boxes.calls()[seen++];
        EXPECT_TRUE(box.prompt.startsWith(QString::fromUtf8(c.boxStart))) << c.label << ": " << box.prompt.toStdString();
        EXPECT_EQ(box.style, vb::vbCritical) << c.label;
        EXPECT_EQ(box.title, QStringLiteral("Error!.")) << c.label;
    }
    EXPECT_EQ(records(), before);
}

// Without the catalogue file every routine reports failure; the uniqueness
// tests then count the name as taken.
TEST_F(StatementEffectTest, MissingDatabaseFailsEveryRoutine)
{
    ASSERT_TRUE(QFile::remove(db.databasePath()));
    const CatalogEntry record = berlin();
    const CatalogEntry artist = artistEntry(QStringLiteral("Ella"));
    const std::function<bool()> routines[] = {
        [&] { bool ok = true; ExecInsertItem(record, ok); return ok; },
        [&] { bool ok = true; ExecDeleteItem(record, ok); return ok; },
        [&] { bool ok = true; ExecDeleteItem(artist, ok); return ok; },
        [&] { bool ok = true; ExecUpdateItem(record, rome(), ok); return ok; },
        [&] { bool ok = true; ExecRenameItem(artist, QStringLiteral("Ella F"), ok); return ok; },
        [&] { bool unique = true; IsUniqueItem(artist, QStringLiteral("Billie"), unique); return unique; },
        [&] { bool unique = true; IsUniqueItemDetails(record, unique); return unique; },
    };
    std::size_t i = 0;
    for (const auto& run : routines) {
        boxes.answer(vb::vbOK);
        EXPECT_FALSE(run()) << "routine #" << i;
        ++i;
        EXPECT_EQ(boxes.calls().size(), i) << "routine #" << (i - 1);
    }
    EXPECT_FALSE(QFile::exists(db.databasePath()));
}

} // namespace

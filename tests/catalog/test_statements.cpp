#include "catalog/CatalogStatements.h"

#include <gtest/gtest.h>

#include <QDate>

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

} // namespace

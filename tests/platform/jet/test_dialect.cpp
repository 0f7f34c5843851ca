// The statements the program writes, exactly as it writes them, run against a
// small catalogue; each case names the rows it expects afterwards.

#include "support/CatalogFixture.h"

#include "jet/Engine.h"
#include "vb/App.h"

#include <gtest/gtest.h>

namespace {

using testenv::CatalogFixture;

const QString kConnect = QStringLiteral(";uid=brevlin;pwd=mossgravel");

void seed(const CatalogFixture& f)
{
    f.addArtist("abba");
    f.addArtist("Adele");
    f.addArtist(QStringLiteral("Björk"));
    f.addArtist(QStringLiteral("BJÖRK")); // the second artist-only row a rename leaves
    f.addArtist("Miles");
    f.exec({
        QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Name], "
                       "[Label_Number], [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]) "
                       "Values ('Björk', 'Debut', '00-CD', 'Pop', 'One', 'L-1', 'Mint', 'Good', '07/05/1993', '12.5', '2')"),
        QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Name], "
                       "[Label_Number], [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]) "
                       "Values ('Björk', 'Post', '00-CD', 'Pop', 'One', 'L-2', 'Good', 'Good', '06/13/1995', '9', '1')"),
        QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Name], "
                       "[Label_Number], [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]) "
                       "Values ('Miles', 'Kind of Blue', '33-LP', 'Jazz', 'Columbia', 'CL-1355', 'Fair', 'Bad', "
                       "'08/17/1959', '100', '1')"),
        QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Name], "
                       "[Label_Number], [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]) "
                       "Values ('Miles', 'Relaxin', '33-LP', 'Jazz', 'Prestige', 'P-7129', 'Good', 'Good', "
                       "'03/01/1958', '25.75', '1')"),
        QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], [Label_Name], "
                       "[Label_Number], [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]) "
                       "Values ('Miles', 'Xtra', '45-EP', 'Jazz', 'Prestige', 'P-1', 'Good', 'Good', "
                       "'01/01/1960', '1', '1')"),
    });
    f.addSong(QStringLiteral("Björk"), "Debut", "Human Behaviour");
    f.addSong(QStringLiteral("Björk"), "Debut", "Venus as a Boy");
    f.addSong(QStringLiteral("Björk"), "Post", "Army of Me");
    f.addSong("Miles", "Kind of Blue", "So What");
    f.addSong("Miles", "Kind of Blue", "100% Love");
}

// The Find dialog's statements, from the pieces it joins.
QString likeClause(const QString& text) { return " Like " + QStringLiteral("'") + "*" + text + "*" + "'"; }

QString findArtist(const QString& text)
{
    const QString P = likeClause(text);
    return QStringList{" Select [Artist] ", ", [Record_Name], [Label_Name], [Label_Number] ",
                       ", [Record_Type], [Record_Category] ",
                       ", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ",
                       " from records where [Artist] ", P, " and IsNull([Record_Name])", " and [Artist] Not In ",
                       "( Select [Artist] ", " from records where [Artist] ", P, " and Not IsNull([Record_Name])", ")",
                       " Union", " Select [Artist] ", ", [Record_Name], [Label_Name], [Label_Number] ",
                       ", [Record_Type], [Record_Category] ",
                       ", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ",
                       " from records where [Artist] ", P, " and Not IsNull([Record_Name])", " group by ", " [Artist] ",
                       ", [Record_Name], [Label_Name], [Label_Number] ", ", [Record_Type], [Record_Category] ",
                       ", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ",
                       " Order by [Artist] ", ", [Record_Name], [Record_Type], [Record_Name] "}
        .join(QString());
}

QString findRecord(const QString& text)
{
    return QStringList{" Select Distinct [Artist], [Record_Name], [Label_Name], [Label_Number], ",
                       " [Record_Type], [Record_Category], [Record_Condition], [Sleeve_Condition], [Record_Date], "
                       "[Book_Value], [Quantity]  ",
                       " from records ", " where [Record_Name] ", likeClause(text), " Order by [Artist] ",
                       ", [Record_Name], [Record_Type], [Record_Name] "}
        .join(QString());
}

QString findSong(const QString& text)
{
    return QStringList{" Select Distinctrow [Artist], [Record_Name], [Song_Title] ", " from songs ",
                       " where [Song_Title] ", likeClause(text)}
        .join(QString());
}

// The four index reports.
const QString kReportTail = QStringList{" from records ", " where Not IsNull([Record_Name])", " Order by [Artist] ",
                                        ", [Record_Name], [Record_Type], [Record_Name] "}
                                .join(QString());
const QString kFivePieces =
    " [Record_Type], [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  " + kReportTail;
const QString kArtistReport =
    QStringList{" Select [Artist] ", ", [Record_Name], [Label_Name] ", ", [Record_Type] ",
                ", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ",
                " from records ", " where IsNull([Record_Name])", " and [Artist] Not In ", "( Select [Artist] ",
                " from records ", " where Not IsNull([Record_Name])", ")", " Union", " Select [Artist] ",
                ", [Record_Name], [Label_Name] ", ", [Record_Type] ",
                ", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ",
                " from records ", " where Not IsNull([Record_Name])", " group by ", " [Artist] ",
                ", [Record_Name], [Label_Name] ", ", [Record_Type] ",
                ", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ",
                " Order by [Artist] ", ", [Record_Name], [Record_Type], [Record_Name] "}
        .join(QString());
const QString kRecordReport = " Select Distinct [Artist], [Record_Name], [Label_Name], " + kFivePieces;
const QString kTypeReport = " Select Distinct [Artist], [Record_Name],[Label_Name], " + kFivePieces;
const QString kSongReport = QStringLiteral(" Select Distinctrow [Artist], [Record_Name], [Song_Title] ") + " from songs ";

struct DialectCase {
    const char* name;
    QStringList statements; // executed in order
    QString query;          // read afterwards
    QString fields;         // the fields shown of each row, comma-separated
    QStringList expected;
};

// Each row's named fields as text joined by "|"; Null as "<Null>".
QStringList project(const QString& query, const QString& fields)
{
    QStringList out;
    jet::Database db = jet::DBEngine::OpenDatabase(vb::App::file("records.mdb"), false, false, kConnect);
    jet::Recordset rs = db.OpenRecordset(query, jet::dbOpenSnapshot);
    while (!rs.Eof()) {
        QStringList cells;
        for (const QString& name : fields.split(QLatin1Char(','))) {
            const jet::Field f = rs.Fields(name.trimmed());
            cells << (f.IsNull() ? QStringLiteral("<Null>") : *f.Text());
        }
        out << cells.join(QLatin1Char('|'));
        rs.MoveNext();
    }
    db.Close();
    return out;
}

const QString kDebutSongs =
    "Select * from songs  where [Artist] = 'Björk' And [Record_Name] = 'Debut' And Not IsNull([Record_Name]) Order by "
    "[Artist], [Record_Name], [Song_Title]";

const QStringList kUpdateRecord = {
    "Update records Set [Record_Name] = 'Debut II', [Record_Date] = '07/06/1993', [Label_Name] = 'Two', "
    "[Label_Number] = 'L-9', [Record_Type] = '00-CD', [Record_Category] = 'Pop', [Record_Condition] = 'Good', "
    "[Sleeve_Condition] = 'Fair', [Quantity] = 5, [Book_Value] = 20.25, [Artist] = 'Björk' where  [Record_Name] = "
    "'Debut' and [Record_Date] = #07/05/1993# and [Label_Name] = 'One' and [Label_Number] = 'L-1' and [Record_Type] = "
    "'00-CD' and [Record_Category] = 'Pop' and [Record_Condition] = 'Mint' and [Sleeve_Condition] = 'Good' and "
    "[Book_Value] = 12.5 and [Quantity] = 2 and [Artist] = 'Björk'",
    "Update songs Set [Record_Name] = 'Debut II' where  [Record_Name] = 'Debut' and [Artist] = 'Björk'"};

const std::vector<DialectCase> kCases = {
    // Inserts: every value quoted, converted to its column's type.
    {"insert artist row", {"Insert into records ([Artist]) Values ('Nina')"},
     "Select * from records where [Artist] = 'nina'", "Artist,Record_Name,Record_Date,Book_Value,Quantity,Record_Marked",
     {"Nina|<Null>|<Null>|<Null>|<Null>|False"}},
    {"insert record converts quoted date, currency and long",
     {"Insert into records (  [Artist]  , [Record_Name]  , [Record_Type]  , [Record_Category]  , [Label_Name]  , "
      "[Label_Number]  , [Record_Condition]  , [Sleeve_Condition]  , [Record_Date]  , [Book_Value]  , [Quantity]  ) "
      "Values ('Miles', 'Sketches', '33-LP', 'Jazz', 'Columbia', 'CL-1480', 'Good', 'Fair', '07/18/1960', '12.3456', '3')"},
     "Select * from records where [Record_Name] = 'Sketches' and [Record_Date] = #07/18/1960# and [Book_Value] = 12.3456 "
     "and [Quantity] = 3",
     "Artist,Record_Type,Label_Number,Sleeve_Condition,Record_Date,Book_Value,Quantity", {"Miles|33-LP|CL-1480|Fair|07/18/1960|12.3456|3"}},
    {"insert song",
     {"Insert into songs (  [Artist]  , [Record_Name]  , [Song_Title]  ) Values ('Miles', 'Kind of Blue', 'Freddie "
      "Freeloader')"},
     "Select * from songs where [Record_Name] = 'Kind of Blue' Order by [Song_Title]", "Song_Title",
     {"100% Love", "Freddie Freeloader", "So What"}},
    // Deletes.
    {"delete song",
     {"delete * from songs where  [Record_Name] = 'Debut' and [Song_Title] = 'Venus as a Boy' and [Artist] = 'Björk'"},
     kDebutSongs, "Song_Title", {"Human Behaviour"}},
    {"delete record and its songs",
     {"delete * from records where  [Record_Name] = 'Debut' and [Record_Date] = #07/05/1993# and [Sleeve_Condition] = "
      "'Good' and [Record_Condition] = 'Mint' and [Label_Name] = 'One' and [Book_Value] = 12.5 and [Quantity] = 2 and "
      "[Artist] = 'Björk'",
      "delete * from songs where  [Record_Name] = 'Debut' and [Artist] = 'Björk'"},
     "Select [Record_Name] from records where [Artist] = 'Björk' Union All Select [Record_Name] from songs where "
     "[Artist] = 'Björk' Order by [Record_Name]",
     "Record_Name", {"<Null>", "<Null>", "Post", "Post"}},
    {"delete artist in both tables, any letter case",
     {"delete * from records where  [Artist] = 'björk'", "delete * from songs where  [Artist] = 'BJÖRK'"},
     "Select [Artist] from records Union Select [Artist] from songs Order by [Artist]", "Artist",
     {"abba", "Adele", "Miles"}},
    // Uniqueness tests: case is ignored for accented letters too.
    {"unique song",
     {},
     "select * from songs  where  [Song_Title] = 'army of me' and [Record_Name] = 'POST' and [Artist] = 'BJÖRK'",
     "Song_Title", {"Army of Me"}},
    {"unique record", {}, "select * from records  where  [Record_Name] = 'debut' and [Artist] = 'björk'", "Record_Name",
     {"Debut"}},
    {"unique artist finds artist-only rows and records", {}, "select * from records  where  [Artist] = 'BJÖRK'",
     "Record_Name", {"<Null>", "<Null>", "Debut", "Post"}},
    {"unique record details",
     {},
     "select * from records  where  [Record_Name] = 'Debut' and [Record_Type] = '00-CD' and [Record_Category] = 'Pop' "
     "and [Label_Name] = 'One' and [Label_Number] = 'L-1' and [Record_Condition] = 'Mint' and [Sleeve_Condition] = "
     "'Good' and [Artist] = 'Björk'",
     "Record_Name,Book_Value", {"Debut|12.5"}},
    {"unique song details",
     {},
     "select * from songs  where  [Record_Name] = 'Debut' and [Song_Title] = 'Human Behaviour' and [Artist] = 'Björk'",
     "Song_Title", {"Human Behaviour"}},
    // Updates and renames.
    {"update record", kUpdateRecord,
     "Select * from records where [Artist] = 'Björk' and [Record_Name] Like 'Debut*'",
     "Record_Name,Record_Date,Label_Name,Label_Number,Record_Condition,Sleeve_Condition,Quantity,Book_Value",
     {"Debut II|07/06/1993|Two|L-9|Good|Fair|5|20.25"}},
    {"update record moves its songs", kUpdateRecord,
     "Select [Record_Name], [Song_Title] from songs where [Artist] = 'Björk' Order by [Song_Title]",
     "Record_Name,Song_Title", {"Post|Army of Me", "Debut II|Human Behaviour", "Debut II|Venus as a Boy"}},
    {"update song title",
     {"Update songs Set [Song_Title] = 'Big Time Sensuality' where  [Record_Name] = 'Debut' and [Song_Title] = 'Venus "
      "as a Boy' and [Artist] = 'Björk'"},
     kDebutSongs, "Song_Title", {"Big Time Sensuality", "Human Behaviour"}},
    {"rename artist with no blank before where",
     {"Update records Set [Artist] = 'Bjork'where  [Artist] = 'Björk'",
      "Update songs Set [Artist] = 'Bjork'where  [Artist] = 'Björk'"},
     "Select [Artist] from records where [Artist] Like 'bj*' Union All Select [Artist] from songs where [Artist] Like "
     "'bj*'",
     "Artist", {"Bjork", "Bjork", "Bjork", "Bjork", "Bjork", "Bjork", "Bjork"}},
    {"rename song",
     {"Update songs Set [Song_Title] = 'So What Now'where  [Artist] = 'Miles' and [Record_Name] = 'Kind of Blue' and "
      "[Song_Title] = 'So What'"},
     "Select [Song_Title] from songs where [Artist] = 'Miles' Order by [Song_Title]", "Song_Title",
     {"100% Love", "So What Now"}},
    {"mark reset",
     {"Update records Set [Record_Marked] = True where [Record_Name] = 'Post'",
      "Update Records Set [Record_Marked] = False where  [Record_Marked] = True"},
     "Select [Record_Name] from records where [Record_Marked] = True or [Record_Marked] <> 0", "Record_Name", {}},
    {"marked record reads back as True", {"Update records Set [Record_Marked] = True where [Record_Name] = 'Post'"},
     "Select [Record_Name], [Record_Marked] from records where [Record_Marked] = True", "Record_Name,Record_Marked",
     {"Post|True"}},
    // Readers: the tree, the lists.
    {"tree artists: distinct and ordered without regard to case", {},
     "Select Distinct [Artist] from records " + QStringLiteral(" Order by [Artist]"), "Artist",
     {"abba", "Adele", "Björk", "Miles"}},
    {"record list",
     {},
     "Select * from records " + QStringLiteral(" where [Artist] = ") + "'" + "Björk" + "'" +
         " And Not IsNull([Record_Name])" + " Order by [Artist], [Record_Name], [Record_Type], [Record_Category]",
     "Record_Name,Record_Date,Book_Value,Quantity", {"Debut|07/05/1993|12.5|2", "Post|06/13/1995|9|1"}},
    {"record list with a doubled apostrophe", {},
     "Select * from records  where [Artist] = 'O''Brien' And Not IsNull([Record_Name]) Order by [Artist], "
     "[Record_Name], [Record_Type], [Record_Category]",
     "Record_Name", {}},
    {"song list", {}, kDebutSongs, "Song_Title,Record_Name,Artist",
     {QStringLiteral("Human Behaviour|Debut|Björk"), QStringLiteral("Venus as a Boy|Debut|Björk")}},
    // Find, the three kinds.
    {"find artist: artists without records by their row, others by their records", {}, findArtist("b"),
     "Artist,Record_Name,Book_Value", {"abba|<Null>|<Null>", QStringLiteral("Björk|Debut|12.5"), QStringLiteral("Björk|Post|9")}},
    {"find artist everything", {}, findArtist("*"), "Artist,Record_Name",
     {"abba|<Null>", "Adele|<Null>", QStringLiteral("Björk|Debut"), QStringLiteral("Björk|Post"), "Miles|Kind of Blue",
      "Miles|Relaxin", "Miles|Xtra"}},
    {"find artist by list", {}, findArtist("[a-c]"), "Artist,Record_Name",
     {"abba|<Null>", "Adele|<Null>", QStringLiteral("Björk|Debut"), QStringLiteral("Björk|Post")}},
    {"find artist by accented letter in the other case", {}, findArtist(QStringLiteral("Ö")), "Artist,Record_Name",
     {QStringLiteral("Björk|Debut"), QStringLiteral("Björk|Post")}},
    {"find record: a character before x", {}, findRecord("?x"), "Artist,Record_Name,Record_Date",
     {"Miles|Relaxin|03/01/1958"}},
    {"find record: not in list", {}, findRecord("[!a-z ]"), "Record_Name", {}},
    {"find song: percent sign is plain", {}, findSong("%"), "Artist,Record_Name,Song_Title",
     {"Miles|Kind of Blue|100% Love"}},
    {"find song: number sign is a digit", {}, findSong("#"), "Song_Title", {"100% Love"}},
    {"find song: low line is plain", {}, findSong("_"), "Song_Title", {}},
    {"find song: everything", {}, findSong("*"), "Song_Title",
     {"Human Behaviour", "Venus as a Boy", "Army of Me", "So What", "100% Love"}},
    // The four reports.
    {"artist index report", {}, kArtistReport, "Artist,Record_Name",
     {"abba|<Null>", "Adele|<Null>", QStringLiteral("Björk|Debut"), QStringLiteral("Björk|Post"), "Miles|Kind of Blue",
      "Miles|Relaxin", "Miles|Xtra"}},
    {"record index report", {}, kRecordReport, "Artist,Record_Name,Label_Name",
     {QStringLiteral("Björk|Debut|One"), QStringLiteral("Björk|Post|One"), "Miles|Kind of Blue|Columbia",
      "Miles|Relaxin|Prestige", "Miles|Xtra|Prestige"}},
    {"type index report", {}, kTypeReport, "Record_Name,Record_Type",
     {"Debut|00-CD", "Post|00-CD", "Kind of Blue|33-LP", "Relaxin|33-LP", "Xtra|45-EP"}},
    {"song index report", {}, kSongReport, "Song_Title",
     {"Human Behaviour", "Venus as a Boy", "Army of Me", "So What", "100% Love"}},
};

class DialectTest : public ::testing::TestWithParam<DialectCase> {};

TEST_P(DialectTest, StatementHasItsEffect)
{
    const DialectCase& c = GetParam();
    CatalogFixture f;
    seed(f);
    try {
        jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false, kConnect);
        for (const QString& sql : c.statements)
            db.Execute(sql);
        db.Close();
        EXPECT_EQ(project(c.query, c.fields), c.expected);
    } catch (const jet::Error& e) {
        FAIL() << e.Number() << " " << e.Description().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(ProgramStatements, DialectTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DialectCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(DialectTest, ReportQueriesHaveTheirLengths)
{
    EXPECT_EQ(kArtistReport.size(), 686);
    EXPECT_EQ(kRecordReport.size(), 264);
    EXPECT_EQ(kTypeReport.size(), 263);
    EXPECT_EQ(kSongReport.size(), 70);
}

TEST(DialectTest, RecordsAffectedCountsMatchedRows)
{
    CatalogFixture f;
    seed(f);
    struct Row {
        const char* sql;
        int affected;
    };
    const Row rows[] = {
        {"delete * from songs where  [Artist] = 'Nobody'", 0},
        {"Update records Set [Quantity] = 7 where  [Artist] = 'MILES' and [Record_Type] = '33-LP'", 2},
        {"delete * from songs where  [Artist] = 'björk'", 3},
    };
    jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false, kConnect);
    for (const Row& r : rows) {
        db.Execute(QString::fromUtf8(r.sql));
        EXPECT_EQ(db.RecordsAffected(), r.affected) << r.sql;
    }
    db.Close();
}

} // namespace

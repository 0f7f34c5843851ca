#include "support/CatalogFixture.h"

#include "catalog/DataAccess.h"
#include "support/QtPrint.h"
#include "jet/CatalogFiles.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "jet/Sqlite.h"
#include "jet/Workgroup.h"
#include "vb/App.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

using testenv::CatalogFixture;
using testenv::ScriptedMsgBox;

const QString kStatementBoxHead = QStringLiteral("The program encountered the following error:\n\r");
const QString kStatementBoxTail = QStringLiteral("\n\rThe transaction is canceled.");

class LocaleScope {
public:
    explicit LocaleScope(const QString& name) : previous_(QLocale()) { QLocale::setDefault(QLocale(name)); }
    ~LocaleScope() { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

vb::Date dateOf(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return vb::dateFromQDateTime(QDateTime(QDate(y, m, d), QTime(h, min, s)));
}

void seed(const CatalogFixture& f)
{
    f.addArtist("Miles");
    f.addRecord("Miles", "Kind of Blue", "07/05/1993", "12.5", 2);
    f.addSong("Miles", "Kind of Blue", "So What");
}

struct Snapshot {
    QStringList records, songs;
    bool operator==(const Snapshot&) const = default;
};
Snapshot snapshot(const CatalogFixture& f)
{
    return {f.rows("select * from records order by [Record_Name]"), f.rows("select * from songs")};
}

TEST(DataAccessTest, RenderingsDoNotDependOnTheLocale)
{
    for (const char* locale : {"en_US", "de_DE", "en_GB"}) {
        LocaleScope scope(QString::fromLatin1(locale));
        SCOPED_TRACE(locale);
        EXPECT_EQ(TextLiteral("Miles"), "'Miles'");
        EXPECT_EQ(TextLiteral("O'Brien's"), "'O''Brien''s'");
        EXPECT_EQ(TextLiteral(""), "''");
        EXPECT_EQ(NumberText(std::int32_t{1234567}), "1234567");
        EXPECT_EQ(NumberText(std::int32_t{-3}), "-3");
        EXPECT_EQ(NumberText(vb::Currency{125000}), "12.5");
        EXPECT_EQ(NumberText(vb::Currency{12345678}), "1234.5678");
        EXPECT_EQ(NumberText(vb::Currency{10000000}), "1000");
        EXPECT_EQ(NumberText(vb::Currency{-5000}), "-0.5");
        EXPECT_EQ(DateText(dateOf(1993, 7, 5)), "07/05/1993");
        EXPECT_EQ(DateText(dateOf(1993, 7, 5, 10, 30)), "07/05/1993");
        EXPECT_EQ(DateLiteral(dateOf(1993, 7, 5, 10, 30)), "#07/05/1993#");
        EXPECT_EQ(DefaultDateText(dateOf(1993, 7, 5)), "07/05/1993");
        EXPECT_EQ(DefaultDateText(dateOf(1993, 7, 5, 10, 30, 5)), "07/05/1993 10:30:05");
        EXPECT_EQ(DefaultDateText(0.0), "12/30/1899");
    }
}

TEST(DataAccessTest, PathsAndConnectString)
{
    testenv::ProgramFolder folder;
    EXPECT_EQ(DatabasePath(), QDir::toNativeSeparators(folder.path() + "/records.mdb"));
    EXPECT_EQ(WorkgroupPath(), QDir::toNativeSeparators(folder.path() + "/records.mdw"));
    EXPECT_EQ(ConnectString, ";uid=brevlin;pwd=mossgravel");
}

TEST(DataAccessTest, ErrorBoxTextsAreExact)
{
    testenv::ProgramFolder folder;
    ScriptedMsgBox boxes;
    for (int i = 0; i < 3; ++i)
        boxes.answer(vb::vbOK);
    ShowStatementErrorBox("Disk or network error.");
    ShowDatabaseAccessErrorBox("Could not find file 'x'.");
    ShowDatabaseAccessErrorBox("Could not find file 'x'.", "Printing Error!", false);
    ASSERT_EQ(boxes.calls().size(), 3u);
    EXPECT_EQ(boxes.calls()[0].prompt, "The program encountered the following error:\n\rDisk or network error.\n\rThe "
                                       "transaction is canceled.");
    const QString p = folder.path();
    const QString access = "The Program encountered an error while accessing the database.\r\nCould not find file "
                           "'x'.\r\nMake sure that the database files exist in "
                           + p + ".\r\nAlso make sure that you have permissions to read, write, and modify the directory "
                           + p + ".\r\n";
    EXPECT_EQ(boxes.calls()[1].prompt, access + "The transaction is canceled.");
    EXPECT_EQ(boxes.calls()[2].prompt, access);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(boxes.calls()[i].style, 16);
    EXPECT_EQ(boxes.calls()[0].title, "Error!.");
    EXPECT_EQ(boxes.calls()[1].title, "Error!.");
    EXPECT_EQ(boxes.calls()[2].title, "Printing Error!");
}

TEST(DataAccessTest, StatementsCommitAndReportTheirRowsToTheGroup)
{
    CatalogFixture f;
    seed(f);
    bool ok = false;
    ExecuteSql("Insert into records ([Artist]) Values ('Nina')", ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(f.count("select * from records where [Artist] = 'NINA'"), 1);

    // Matching nothing is no error.
    ok = false;
    ExecuteSql("delete * from songs where  [Artist] = 'Nobody'", ok);
    EXPECT_TRUE(ok);

    struct GroupCase {
        const char* name;
        std::vector<Statement> group;
        QStringList songs;
    };
    const GroupCase cases[] = {
        {"flagged statement after a match runs",
         {{"Update songs Set [Song_Title] = 'Blue'where  [Artist] = 'Miles'"},
          {"Insert into songs ([Artist], [Record_Name], [Song_Title]) Values ('Miles', 'X', 'Y')", true}},
         {"Miles|Kind of Blue|Blue", "Miles|X|Y"}},
        {"flagged statement after no match is skipped with the rest, the earlier ones commit",
         {{"Update songs Set [Song_Title] = 'Green'where  [Artist] = 'Miles' and [Record_Name] = 'X'"},
          {"delete * from songs where [Artist] = 'Nobody'"},
          {"delete * from songs", true},
          {"delete * from songs"}},
         {"Miles|Kind of Blue|Blue", "Miles|X|Green"}},
    };
    for (const GroupCase& c : cases) {
        ok = false;
        ExecuteStatements(c.group, ok);
        EXPECT_TRUE(ok) << c.name;
        EXPECT_EQ(f.rows("select * from songs order by [Record_Name]"), c.songs) << c.name;
    }
}

// A text with half of a two-unit character would be stored as "?": the
// statement is refused whole, while a whole character is stored as it is.
TEST(DataAccessTest, AStatementWithHalfACharacterIsRefusedAndWritesNothing)
{
    CatalogFixture f;
    seed(f);
    const Snapshot before = snapshot(f);
    const QString guitar = QString::fromUtf8("\xF0\x9F\x8E\xB8");
    for (const QString& half : {guitar.left(1), guitar.right(1), guitar.left(1) + QStringLiteral("x")}) {
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        bool ok = true;
        ExecuteStatements({{"Insert into records ([Artist]) Values ('Nina')"},
                           {"Insert into records ([Artist]) Values ('Abcdefghijklmn" + half + "')"}},
                          ok);
        EXPECT_FALSE(ok);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].prompt,
                  kStatementBoxHead + QStringLiteral("The statement holds half of a character.") + kStatementBoxTail);
        EXPECT_EQ(snapshot(f), before);
    }
    bool ok = false;
    ExecuteSql("Insert into records ([Artist]) Values ('Abcdefghijklm" + guitar + "')", ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(f.rows("select [Artist] from records where [Artist] <> 'Miles'"),
              QStringList{QStringLiteral("Abcdefghijklm") + guitar});
}

TEST(DataAccessTest, FailingStatementOfAGroupRollsBackTheWholeGroup)
{
    CatalogFixture f;
    seed(f);
    const Snapshot before = snapshot(f);
    const std::vector<std::vector<Statement>> groups = {
        {{"delete * from records where  [Artist] = 'Miles'"}, {"delete * from songs where  [Singer] = 'Miles'"}},
        {{"delete * from songs"}, {""}},
        {{"Update records Set [Artist] = 'Davis'where  [Artist] = 'Miles'"},
         {"Update songs Set [Artist] = 'Davis'where  [Artist] = 'Miles'"},
         {"Update records Set [Record_Date] = 'someday' where [Artist] = 'Davis'"}},
    };
    for (const auto& group : groups) {
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        bool ok = true;
        ExecuteStatements(group, ok);
        EXPECT_FALSE(ok);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_TRUE(boxes.calls()[0].prompt.startsWith(kStatementBoxHead));
        EXPECT_TRUE(boxes.calls()[0].prompt.endsWith(kStatementBoxTail));
        EXPECT_EQ(snapshot(f), before);
    }
}

// Ways the catalogue cannot be reached; each must fail plainly and change nothing.
struct BadInput {
    const char* name;
    std::function<void(const CatalogFixture&)> spoil;
    const char* description; // a piece of the description shown
};

void replaceWorkgroupWithOtherPassword(const CatalogFixture& f)
{
    jet::DBEngine::Workspaces()(0).Close();
    QFile::remove(f.workgroupPath());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.workgroupPath().toUtf8().constData(), &db,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    jet::registerExtensions(db);
    jet::workgroup::createSchema(db);
    jet::workgroup::addUser(db, "brevlin", "brevlin", "other");
    sqlite3_close(db);
}

const std::vector<BadInput> kBadInputs = {
    {"missing database", [](auto& f) { QFile::remove(f.databasePath()); }, "Could not find file"},
    {"missing workgroup file",
     [](auto& f) {
         jet::DBEngine::Workspaces()(0).Close();
         QFile::remove(f.workgroupPath());
     },
     "workgroup information file is missing"},
    {"account with another password", replaceWorkgroupWithOtherPassword, "Not a valid account name or password."},
    {"database is no database",
     [](auto& f) {
         QFile file(f.databasePath());
         ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
         file.write("not a catalogue\n");
     },
     "Unrecognized database format"},
};

class DataAccessBadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(DataAccessBadInputTest, EachRoutineShowsItsBoxAndFails)
{
    const BadInput& c = GetParam();
    CatalogFixture f;
    seed(f);
    c.spoil(f);
    const QByteArray dbBefore = [&] {
        QFile file(f.databasePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    {
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        bool ok = true;
        ExecuteSql("delete * from songs", ok);
        EXPECT_FALSE(ok);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].title, "Error!.");
        EXPECT_EQ(boxes.calls()[0].style, 16);
        EXPECT_TRUE(boxes.calls()[0].prompt.startsWith(kStatementBoxHead));
        EXPECT_TRUE(boxes.calls()[0].prompt.contains(QString::fromUtf8(c.description))) << boxes.calls()[0].prompt.toStdString();
    }
    {
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        EXPECT_EQ(SnapshotRecordCount("select * from records  where  [Artist] = 'Miles'"), std::nullopt);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].title, "Error!.");
        EXPECT_TRUE(boxes.calls()[0].prompt.startsWith("The Program encountered an error while accessing the database."));
        EXPECT_TRUE(boxes.calls()[0].prompt.contains(QString::fromUtf8(c.description)));
    }
    QFile file(f.databasePath());
    EXPECT_EQ(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), dbBefore);
    EXPECT_EQ(QFile::exists(f.databasePath()), !dbBefore.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Catalogue, DataAccessBadInputTest, ::testing::ValuesIn(kBadInputs),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(DataAccessTest, LockedDatabaseFailsPlainlyAndChangesNothing)
{
    CatalogFixture f;
    seed(f);
    const Snapshot before = snapshot(f);
    const int previous = jet::DBEngine::LockTimeoutMs();
    jet::DBEngine::setLockTimeoutMs(20);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.databasePath().toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        boxes.answer(vb::vbOK);
        bool ok = true;
        ExecuteSql("delete * from songs", ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(SnapshotRecordCount("select * from songs"), std::nullopt);
        ASSERT_EQ(boxes.calls().size(), 2u);
        EXPECT_TRUE(boxes.calls()[0].prompt.contains("in use") || boxes.calls()[0].prompt.contains("locked"))
            << boxes.calls()[0].prompt.toStdString();
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    jet::DBEngine::setLockTimeoutMs(previous);
    EXPECT_EQ(snapshot(f), before);
}

TEST(DataAccessTest, SnapshotRecordCountCountsEveryRow)
{
    CatalogFixture f;
    seed(f);
    f.addRecord("Miles", "Relaxin");
    EXPECT_EQ(SnapshotRecordCount("select * from records  where  [Artist] = 'MILES'"), 3);
    EXPECT_EQ(SnapshotRecordCount("select * from records  where  [Record_Name] = 'relaxin' and [Artist] = 'Miles'"), 1);
    EXPECT_EQ(SnapshotRecordCount("select * from records  where  [Artist] = 'Nobody'"), 0);
}

// Update and delete of a record with a fractional book value, built from the
// renderings the way the statement builders build them.
QStringList updateAndDelete(const CatalogFixture& f, vb::Date date, vb::Currency oldValue, vb::Currency newValue)
{
    QStringList log;
    bool ok = false;
    ExecuteStatements({{"Update records Set [Record_Name] = 'Kind of Blue', [Record_Date] = " + TextLiteral(DateText(date))
                        + ", [Quantity] = " + NumberText(std::int32_t{2}) + ", [Book_Value] = " + NumberText(newValue)
                        + ", [Artist] = 'Miles' where  [Record_Name] = 'Kind of Blue' and [Record_Date] = "
                        + DateLiteral(date) + " and [Book_Value] = " + NumberText(oldValue) + " and [Quantity] = "
                        + NumberText(std::int32_t{2}) + " and [Artist] = 'Miles'"}},
                      ok);
    log << QString("update %1").arg(ok);
    log << f.rows("select [Record_Date], [Book_Value] from records where not IsNull([Record_Name])");
    ExecuteStatements({{"delete * from records where  [Record_Name] = 'Kind of Blue' and [Record_Date] = "
                        + DateLiteral(date) + " and [Book_Value] = " + NumberText(newValue) + " and [Quantity] = "
                        + NumberText(std::int32_t{2}) + " and [Artist] = 'Miles'"},
                       {"delete * from songs where  [Record_Name] = 'Kind of Blue' and [Artist] = 'Miles'"}},
                      ok);
    log << QString("delete %1").arg(ok);
    log << QString::number(f.count("select * from records where not IsNull([Record_Name])"))
        << QString::number(f.count("select * from songs"));
    return log;
}

TEST(DataAccessTest, FractionalValuesAndDatesWorkUnderEveryLocale)
{
    for (const char* locale : {"en_US", "de_DE", "en_GB"}) {
        SCOPED_TRACE(locale);
        LocaleScope scope(QString::fromLatin1(locale));
        CatalogFixture f;
        f.addArtist("Miles");
        // Inserted the way the record insert writes its values.
        bool ok = false;
        ExecuteSql("Insert into records (  [Artist]  , [Record_Name]  , [Record_Type]  , [Record_Category]  , "
                   "[Label_Name]  , [Label_Number]  , [Record_Condition]  , [Sleeve_Condition]  , [Record_Date]  , "
                   "[Book_Value]  , [Quantity]  ) Values ('Miles', 'Kind of Blue', '33-LP', 'Jazz', 'Columbia', 'CL', "
                   "'Good', 'Good', '"
                       + DefaultDateText(dateOf(1993, 7, 5)) + "', '" + NumberText(vb::Currency{125000}) + "', '"
                       + NumberText(std::int32_t{2}) + "')",
                   ok);
        ASSERT_TRUE(ok);
        f.addSong("Miles", "Kind of Blue", "So What");
        // July 5th stays July 5th: day and month never swap.
        EXPECT_EQ(f.rows("select [Record_Date] from records where [Record_Date] = #07/05/1993#"),
                  QStringList{"07/05/1993"});
        EXPECT_EQ(updateAndDelete(f, dateOf(1993, 7, 5), 125000, 207525),
                  (QStringList{"update 1", "07/05/1993|20.7525", "delete 1", "0", "0"}));
    }
}

} // namespace

#include "support/CatalogFixture.h"
#include "support/QtPrint.h"

#include "jet/CatalogFiles.h"
#include "jet/Dialect.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "jet/Sqlite.h"
#include "jet/Workgroup.h"

#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

using testenv::CatalogFixture;
using testenv::errorOf;

const QString kConnect = QStringLiteral(";uid=brevlin;pwd=mossgravel");

jet::Database openCatalog(const CatalogFixture& f, const QString& connect = kConnect)
{
    return jet::DBEngine::OpenDatabase(f.databasePath(), false, false, connect);
}

void seed(const CatalogFixture& f)
{
    f.addArtist("Miles");
    f.addRecord("Miles", "Kind of Blue");
    f.addSong("Miles", "Kind of Blue", "So What");
}

struct ErrorCase {
    const char* name;
    std::function<void(const CatalogFixture&)> setup;
    std::function<void(const CatalogFixture&)> action;
    int number;
};

void execute(const CatalogFixture& f, const QString& sql)
{
    jet::Database db = openCatalog(f);
    db.Execute(sql);
}

const std::vector<ErrorCase> kErrorCases = {
    {"missing database", [](auto& f) { QFile::remove(f.databasePath()); }, [](auto& f) { openCatalog(f); },
     jet::err::FileNotFound},
    {"missing workgroup file", [](auto& f) { QFile::remove(f.workgroupPath()); }, [](auto& f) { openCatalog(f); },
     jet::err::WorkgroupMissing},
    {"workgroup file is no workgroup",
     [](auto& f) {
         QFile::remove(f.workgroupPath());
         QFile::copy(f.databasePath(), f.workgroupPath());
     },
     [](auto& f) { openCatalog(f); }, jet::err::UnrecognizedFormat},
    {"wrong password", {}, [](auto& f) { openCatalog(f, ";uid=brevlin;pwd=MOSSGRAVEL"); }, jet::err::BadAccount},
    {"unknown account", {}, [](auto& f) { openCatalog(f, ";uid=nobody;pwd=mossgravel"); }, jet::err::BadAccount},
    {"built-in account that cannot log on", {}, [](auto& f) { openCatalog(f, ";uid=Engine;pwd="); },
     jet::err::BadAccount},
    {"database file is not a database",
     [](auto& f) {
         QFile file(f.databasePath());
         ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
         file.write(QByteArray(4096, 'x'));
     },
     [](auto& f) { openCatalog(f); }, jet::err::UnrecognizedFormat},
    {"empty statement", {}, [](auto& f) { execute(f, ""); }, jet::err::InvalidStatement},
    {"blank statement", {}, [](auto& f) { execute(f, "  \t "); }, jet::err::InvalidStatement},
    {"lone semicolon", {}, [](auto& f) { execute(f, ";"); }, jet::err::InvalidStatement},
    {"second statement", {}, [](auto& f) { execute(f, "delete * from songs; delete * from records"); },
     jet::err::TextAfterStatement},
    {"NUL before a where clause", {},
     [](auto& f) { execute(f, QStringLiteral("delete * from songs") + QChar(u'\0') + QStringLiteral(" where [Artist] = 'Nobody'")); },
     jet::err::SyntaxError},
    {"NUL inside a quoted value", {},
     [](auto& f) {
         openCatalog(f).OpenRecordset(QStringLiteral("select * from songs where [Artist] = 'Mi") + QChar(u'\0')
                                      + QStringLiteral("'"));
     },
     jet::err::SyntaxError},
    {"statement kind the engine does not run", {}, [](auto& f) { execute(f, "PRAGMA journal_mode = WAL"); },
     jet::err::InvalidStatement},
    {"transaction control from statement text", {}, [](auto& f) { execute(f, "COMMIT"); }, jet::err::InvalidStatement},
    {"unbalanced bracket in a pattern", {},
     [](auto& f) { openCatalog(f).OpenRecordset("select * from records where [Artist] Like '*[a*'"); },
     jet::err::InvalidPattern},
    {"unbalanced quote", {}, [](auto& f) { execute(f, "delete * from songs where [Artist] = 'Miles"); },
     jet::err::SyntaxError},
    {"unbalanced name bracket", {}, [](auto& f) { execute(f, "delete * from songs where [Artist = 'Miles'"); },
     jet::err::SyntaxError},
    {"unbalanced parenthesis", {}, [](auto& f) { execute(f, "delete * from songs where IsNull([Artist]"); },
     jet::err::SyntaxError},
    {"bad date literal", {}, [](auto& f) { execute(f, "delete * from records where [Record_Date] = #13/45/1999#"); },
     jet::err::SyntaxError},
    {"quoted value that is no date",
     {},
     [](auto& f) { execute(f, "Insert into records ([Artist], [Record_Date]) Values ('A', 'soon')"); },
     jet::err::TypeMismatch},
    {"quoted value that is no number",
     {},
     [](auto& f) { execute(f, "Update records Set [Book_Value] = '12,5' where [Artist] = 'Miles'"); },
     jet::err::TypeMismatch},
    {"long overflow", {}, [](auto& f) { execute(f, "Update records Set [Quantity] = '3000000000'"); },
     jet::err::NumericOverflow},
    {"unknown table", {}, [](auto& f) { execute(f, "delete * from artists"); }, jet::err::UnknownTable},
    {"unknown column", {}, [](auto& f) { execute(f, "delete * from songs where [Singer] = 'x'"); },
     jet::err::UnknownField},
    {"execute a query", {}, [](auto& f) { execute(f, "select * from songs"); }, jet::err::CannotExecuteSelect},
    {"recordset on an action", {}, [](auto& f) { openCatalog(f).OpenRecordset("delete * from songs"); },
     jet::err::InvalidOperation},
    {"commit without a transaction", {}, [](auto&) { jet::DBEngine::CommitTrans(); }, jet::err::NoTransaction},
    {"closed database", {},
     [](auto& f) {
         jet::Database db = openCatalog(f);
         db.Close();
         db.Execute("delete * from songs");
     },
     jet::err::ObjectInvalid},
};

class EngineErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(EngineErrorTest, FailsWithItsNumberAndChangesNothing)
{
    const ErrorCase& c = GetParam();
    CatalogFixture f;
    seed(f);
    if (c.setup)
        c.setup(f);
    const bool workgroupExisted = QFile::exists(f.workgroupPath());
    EXPECT_EQ(errorOf([&] { c.action(f); }), c.number);
    EXPECT_EQ(QFile::exists(f.workgroupPath()), workgroupExisted);
    if (QFile::exists(f.databasePath()) && QFile::exists(f.workgroupPath()) && c.number != jet::err::UnrecognizedFormat
        && c.number != jet::err::WorkgroupMissing) {
        EXPECT_EQ(f.count("select * from records"), 2);
        EXPECT_EQ(f.count("select * from songs"), 1);
    }
    // Opening never creates a file.
    if (c.number == jet::err::FileNotFound) {
        EXPECT_FALSE(QFile::exists(f.databasePath()));
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, EngineErrorTest, ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(EngineTest, DatabaseLockedByAnotherConnectionFailsPlainly)
{
    CatalogFixture f;
    seed(f);
    const int previous = jet::DBEngine::LockTimeoutMs();
    jet::DBEngine::setLockTimeoutMs(20);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.databasePath().toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    jet::registerExtensions(other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const int number = errorOf([&] {
        jet::DBEngine::BeginTrans();
        try {
            jet::Database db = openCatalog(f);
            db.Execute("delete * from songs");
        } catch (...) {
            jet::DBEngine::Rollback();
            throw;
        }
        jet::DBEngine::CommitTrans();
    });
    EXPECT_TRUE(number == jet::err::FileInUse || number == jet::err::Locked) << number;
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    jet::DBEngine::setLockTimeoutMs(previous);
    EXPECT_EQ(f.count("select * from songs"), 1);
}

TEST(EngineTest, RollbackLeavesBothTablesAsTheyWere)
{
    CatalogFixture f;
    seed(f);
    const QStringList records = f.rows("select * from records");
    const QStringList songs = f.rows("select * from songs");
    for (const bool closeFirst : {false, true}) {
        jet::Workspace ws = jet::DBEngine::Workspaces()(0);
        ws.BeginTrans();
        jet::Database db = openCatalog(f);
        db.Execute("delete * from records where  [Artist] = 'Miles'");
        db.Execute("Update songs Set [Artist] = 'Davis'where  [Artist] = 'Miles'");
        db.Execute("Insert into songs (  [Artist]  , [Record_Name]  , [Song_Title]  ) Values ('A', 'B', 'C')");
        if (closeFirst)
            db.Close(); // the transaction still covers what this database did
        ws.Rollback();
        db.Close();
        EXPECT_EQ(f.rows("select * from records"), records);
        EXPECT_EQ(f.rows("select * from songs"), songs);
    }
}

TEST(EngineTest, TransactionCoversEveryDatabaseOfTheWorkspaceUntilCommit)
{
    CatalogFixture f;
    seed(f);
    jet::Workspace ws = jet::DBEngine::Workspaces()(0);
    ws.BeginTrans();
    jet::Database first = openCatalog(f);
    first.Execute("delete * from songs");
    first.Close();
    ws.BeginTrans(); // nested: rolled back alone
    jet::Database second = openCatalog(f);
    second.Execute("delete * from records where [Record_Name] = 'Kind of Blue'");
    ws.Rollback();
    second.Execute("Insert into records ([Artist]) Values ('Nina')");
    ws.CommitTrans();
    second.Close();
    EXPECT_EQ(f.rows("select [Artist], [Record_Name] from records order by [Artist], [Record_Name]"),
              (QStringList{"Miles|<Null>", "Miles|Kind of Blue", "Nina|<Null>"}));
    EXPECT_EQ(f.count("select * from songs"), 0);
}

TEST(EngineTest, ClosingTheWorkspaceRollsBackAndInvalidatesItsDatabases)
{
    CatalogFixture f;
    seed(f);
    jet::Workspace ws = jet::DBEngine::Workspaces()(0);
    ws.BeginTrans();
    jet::Database db = openCatalog(f);
    db.Execute("delete * from songs");
    ws.Close();
    EXPECT_EQ(errorOf([&] { db.Execute("delete * from records"); }), jet::err::ObjectInvalid);
    EXPECT_EQ(errorOf([&] { ws.BeginTrans(); }), jet::err::ObjectInvalid);
    EXPECT_EQ(f.count("select * from songs"), 1); // a fresh default workspace serves the fixture
}

TEST(EngineTest, SnapshotNavigationAndFields)
{
    CatalogFixture f;
    seed(f);
    f.addRecord("Miles", "Relaxin", "03/01/1958 10:30:00", "25.75", 4);
    jet::Database db = openCatalog(f);
    jet::Recordset rs = db.OpenRecordset("select * from records where [Artist] = 'miles' and not IsNull([Record_Name]) "
                                         "order by [Record_Name]");
    EXPECT_EQ(rs.RecordCount(), 1); // rows visited so far
    EXPECT_EQ(rs.Fields("record_name").Text(), QString("Kind of Blue"));
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 2);
    const jet::Field date = rs.Fields("Record_Date");
    EXPECT_EQ(date.Type(), jet::FieldType::Date);
    EXPECT_EQ(vb::dateToStatementText(*date.Date()), "03/01/1958 10:30:00");
    EXPECT_EQ(rs.Fields("Book_Value").Currency(), 257500);
    EXPECT_EQ(rs.Fields("Quantity").Long(), 4);
    EXPECT_EQ(rs.Fields("Record_Marked").Boolean(), false);
    EXPECT_EQ(errorOf([&] { rs.Fields("Singer"); }), jet::err::ItemNotFound);
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(errorOf([&] { rs.Fields("Artist"); }), jet::err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.MoveNext(); }), jet::err::NoCurrentRecord);

    jet::Recordset none = db.OpenRecordset("select * from records where [Artist] = 'Nobody'");
    EXPECT_TRUE(none.Eof());
    EXPECT_EQ(none.RecordCount(), 0);
    EXPECT_EQ(errorOf([&] { none.MoveLast(); }), jet::err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { none.MoveFirst(); }), jet::err::NoCurrentRecord);
    jet::Recordset artistRow = db.OpenRecordset("select * from records where IsNull([Record_Name])");
    EXPECT_TRUE(artistRow.Fields("Record_Date").IsNull());
    EXPECT_EQ(artistRow.Fields("Book_Value").Currency(), std::nullopt);
    db.Close();
    db.Close(); // a second close does nothing
}

TEST(EngineTest, WorkgroupFileKeepsAccountsHashedAndNamesWithoutCase)
{
    CatalogFixture f;
    QFile file(f.workgroupPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("mossgravel"));
    file.close();

    EXPECT_NO_THROW(openCatalog(f, ";uid=BREVLIN;pwd=mossgravel").Close());
    const jet::Users users = jet::DBEngine::Workspaces()(0).Users();
    QStringList names;
    for (int i = 0; i < users.Count(); ++i)
        names << users.Item(i).Name();
    EXPECT_EQ(names, (QStringList{"admin", "Creator", "Engine", "brevlin"}));
    EXPECT_EQ(users("ADMIN").Name(), "admin");
    EXPECT_EQ(errorOf([&] { users("Nobody"); }), jet::err::ItemNotFound);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.workgroupPath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    jet::registerExtensions(db);
    EXPECT_EQ(jet::workgroup::groupsOf(db, "Brevlin"), (QStringList{"Admins", "Users"}));
    EXPECT_EQ(errorOf([&] { jet::workgroup::addUser(db, QStringLiteral("BRÉVLIN"), "x", "y"); }), 0);
    EXPECT_EQ(errorOf([&] { jet::workgroup::addUser(db, QStringLiteral("brÉvlin"), "x", "y"); }),
              jet::err::AccountExists);
    EXPECT_EQ(errorOf([&] { jet::workgroup::addUser(db, QStringLiteral("users"), "x", "y"); }),
              jet::err::AccountExists);
    EXPECT_TRUE(jet::workgroup::authenticate(db, QStringLiteral("brévlin"), "y"));
    EXPECT_FALSE(jet::workgroup::authenticate(db, QStringLiteral("brévlin"), "Y"));
    sqlite3_close(db);
}

TEST(EngineTest, LookupsByArtistUseAnIndex)
{
    CatalogFixture f;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    jet::registerExtensions(db);
    const char* queries[] = {
        "select * from records  where  [Artist] = 'Miles'",
        "select * from records  where  [Record_Name] = 'Kind of Blue' and [Artist] = 'Miles'",
        "Select * from records  where [Artist] = 'Miles' And Not IsNull([Record_Name]) Order by [Artist], "
        "[Record_Name], [Record_Type], [Record_Category]",
        "select * from songs  where  [Song_Title] = 'So What' and [Record_Name] = 'Kind of Blue' and [Artist] = "
        "'Miles'",
        "delete * from songs where  [Artist] = 'Miles'",
        "Update songs Set [Artist] = 'Davis'where  [Artist] = 'Miles'",
    };
    for (const char* q : queries) {
        const QByteArray sql = ("EXPLAIN QUERY PLAN " + jet::translateStatement(QString::fromUtf8(q))).toUtf8();
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr), SQLITE_OK) << q;
        QString plan;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            plan += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3))) + "; ";
        sqlite3_finalize(stmt);
        EXPECT_TRUE(plan.contains("USING INDEX") || plan.contains("USING COVERING INDEX")) << q << " -> "
                                                                                             << plan.toStdString();
    }
    sqlite3_close(db);
}

TEST(EngineTest, CatalogueFilesAreMadeOnlyWhereAbsent)
{
    CatalogFixture f;
    seed(f);
    EXPECT_EQ(jet::createCatalogFilesIfAbsent(f.folder()), 0);
    EXPECT_EQ(f.count("select * from records"), 2);
    QFile::remove(f.workgroupPath());
    EXPECT_EQ(jet::createCatalogFilesIfAbsent(f.folder()), 1);
    jet::DBEngine::Workspaces()(0).Close();
    EXPECT_EQ(f.count("select * from songs"), 1);
}

// The user accounts of a workgroup file with the groups of each, read from the file itself.
QStringList accountsOf(const QString& workgroup, const QString& password)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(workgroup.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    jet::registerExtensions(db);
    QStringList accounts;
    for (const jet::Account& a : jet::workgroup::users(db))
        accounts << a.name + QLatin1Char(' ') + a.pid + QLatin1Char(' ') +
                        jet::workgroup::groupsOf(db, a.name).join(QLatin1Char(',')) +
                        (jet::workgroup::authenticate(db, a.name, password) ? QStringLiteral(" logs on") : QString());
    sqlite3_close(db);
    return accounts;
}

TEST(EngineTest, AWorkgroupFileMadeBesideACatalogueGivesEachArtistItsAccount)
{
    CatalogFixture f;
    const QStringList builtIn = accountsOf(f.workgroupPath(), QStringLiteral("pw"));
    f.addArtist("Miles");
    f.addRecord("Miles", "Kind of Blue");
    f.addArtist("Ella");
    f.addRecord("MILES", "Sketches"); // the same artist in other letter case
    f.addArtist("admin");             // a name a built-in account has
    jet::DBEngine::Workspaces()(0).Close();
    QFile::remove(f.workgroupPath());

    EXPECT_EQ(jet::createCatalogFilesIfAbsent(f.folder(), QStringLiteral("pid1"), QStringLiteral("pw")), 1);
    const QStringList accounts = accountsOf(f.workgroupPath(), QStringLiteral("pw"));
    EXPECT_EQ(accounts.mid(0, builtIn.size()), builtIn);
    EXPECT_EQ(accounts.mid(builtIn.size()), (QStringList{QStringLiteral("Miles pid1 Users logs on"),
                                                         QStringLiteral("Ella pid1 Users logs on")}));
    EXPECT_EQ(f.count("select * from records"), 5);

    // A new folder's workgroup file has no account but the built-in ones.
    CatalogFixture fresh;
    EXPECT_EQ(accountsOf(fresh.workgroupPath(), QStringLiteral("pw")), builtIn);

    // Beside a catalogue that cannot be read the workgroup file is made all the
    // same, with the built-in accounts, and the catalogue is left for the repair.
    jet::DBEngine::Workspaces()(0).Close();
    QFile::remove(fresh.workgroupPath());
    QFile damaged(fresh.databasePath());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    EXPECT_EQ(jet::createCatalogFilesIfAbsent(fresh.folder(), QStringLiteral("pid1"), QStringLiteral("pw")), 1);
    EXPECT_EQ(accountsOf(fresh.workgroupPath(), QStringLiteral("pw")), builtIn);
    ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
    EXPECT_EQ(damaged.readAll(), QByteArray(4096, 'x'));
}

struct LikeCase {
    const char* text;
    const char* pattern;
    bool matches;
};

TEST(LikeTest, JetPatterns)
{
    const LikeCase cases[] = {
        {"Abba", "*a*", true},       {"Miles", "*a*", false},     {"Miles", "*[a-c]*", false},
        {"Bob", "*[a-c]*", true},    {"Relaxin", "*?x*", true},   {"Xtra", "*?x*", false},
        {"100% Love", "*%*", true},  {"100 Love", "*%*", false},  {"a_b", "*_*", true},
        {"ab", "*_*", false},        {"Track 9", "*#", true},     {"Track X", "*#", false},
        {"Miles", "[!a-l]*", true},  {"Abba", "[!a-l]*", false},  {"Björk", "BJÖRK", true},
        {"ÉTÉ", "*é*", true},        {"x*y", "*[*]*", true},      {"xy", "*[*]*", false},
        {"a?", "a[?]", true},        {"ab", "a[?]", false},       {"", "*", true},
        {"", "?", false},            {"abc", "a*c", true},        {"abcd", "a*c", false},
        {"a-b", "a[-]b", true},      {"Miles", "M?les", true},    {"Mles", "M?les", false},
    };
    for (const LikeCase& c : cases)
        EXPECT_EQ(jet::likeMatch(QString::fromUtf8(c.text), QString::fromUtf8(c.pattern)), c.matches)
            << c.text << " Like " << c.pattern;
    EXPECT_EQ(errorOf([] { jet::likeMatch("abc", "*[a"); }), jet::err::InvalidPattern);
}

// Statements answer Like through shortcuts for plain text; they must agree
// with the matcher on every row, repeated texts and other letters included.
TEST(LikeTest, StatementsAgreeWithTheMatcher)
{
    CatalogFixture f;
    const QStringList texts = {"Moonlight", "Moonlight", "MOON", "moo", "Björk", "BJÖRK", "Ça Moon", "Kelvin",
                               "Relaxin", "100% Love", "", "Track 9", "ÉTÉ", "été", "Miles"};
    for (const QString& t : texts)
        f.exec("Insert into records ([Artist]) Values ('" + t + "')");
    const QStringList patterns = {"*moon*", "*MOON*", "*ö*", "*[a-c]*", "bj*", "*?x*", "*%*", "*#", "*é*", "*",
                                  "*oo*", "*on", "[!a-l]*"};
    for (const QString& pattern : patterns) {
        QStringList expected;
        for (const QString& t : texts)
            if (jet::likeMatch(t, pattern))
                expected << t;
        expected.sort();
        QStringList got = f.rows("select [Artist] from records where [Artist] Like '" + pattern + "'");
        got.sort();
        EXPECT_EQ(got, expected) << pattern.toStdString();
    }
}

TEST(CollationTest, TextComparesWithoutCaseForEveryLetter)
{
    struct Row {
        const char* a;
        const char* b;
        int sign;
    };
    const Row rows[] = {{"Björk", "BJÖRK", 0}, {"abba", "ABBA", 0}, {"abba", "Adele", -1},
                        {"Zoe", "ábc", 1},    {"ab", "abc", -1},   {"Émile", "émile", 0}};
    for (const Row& r : rows) {
        const int c = jet::compareText(r.a, static_cast<int>(strlen(r.a)), r.b, static_cast<int>(strlen(r.b)));
        EXPECT_EQ((c > 0) - (c < 0), r.sign) << r.a << " vs " << r.b;
        const int back = jet::compareText(r.b, static_cast<int>(strlen(r.b)), r.a, static_cast<int>(strlen(r.a)));
        EXPECT_EQ((back > 0) - (back < 0), -r.sign);
    }
}

} // namespace

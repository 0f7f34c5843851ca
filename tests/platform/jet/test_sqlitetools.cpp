// The catalogue and workgroup files through the standard sqlite3 shell (and
// Python's sqlite3 module where it can load extensions), with the extension
// the build lays out in the program folder.

#include "support/CatalogFixture.h"

#include "jet/Collation.h"
#include "jet/Engine.h"
#include "jet/FileIdentity.h"
#include "jet/Schema.h"
#include "jet/Workgroup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <optional>

namespace {

using testenv::CatalogFixture;

const QString kExtension = QStringLiteral(DISCAVO_TEXT_EXTENSION);

struct Output {
    int exitCode = -1;
    QString out;
    QString err;
};

Output runProgram(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess p;
    p.start(program, arguments);
    Output o;
    if (!p.waitForStarted(10000)) {
        o.err = QStringLiteral("%1 could not be started").arg(program);
        return o;
    }
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = QString::fromUtf8(p.readAllStandardOutput());
    o.err = QString::fromUtf8(p.readAllStandardError());
    return o;
}

// The Debian 12 sqlite3 shell on `file`, the README's ".load" first unless told otherwise.
Output shell(const QString& file, const QString& input, bool withExtension = true)
{
    QStringList arguments{QStringLiteral("-batch"), QStringLiteral("-bail")};
    if (withExtension)
        arguments << QStringLiteral("-cmd") << QStringLiteral(".load '%1'").arg(kExtension);
    arguments << file;
    return runProgram(QStringLiteral("sqlite3"), arguments, input.toUtf8());
}

bool haveShell()
{
    const Output o = runProgram(QStringLiteral("sqlite3"), {QStringLiteral("-version")}, {});
    return o.exitCode == 0;
}

#define REQUIRE_SHELL()                                                                                                \
    if (!haveShell())                                                                                                  \
    FAIL() << "the sqlite3 shell (Debian package sqlite3, scripts/install-deps.sh) is not installed"

QStringList lines(const QString& text) { return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

void closeAll() { jet::DBEngine::Workspaces()(0).Close(); }

const QStringList kArtists = {"Zoë", "zappa", "Émile", "emile", "EMILE", "Enya", "ábel", "Abba", "Ölsen", "Olsen",
                              "Łukasz", "Lukas", "Ça", "Cab", "Straße", "STRASSE", "10cc", "O'Hara", "the band"};

void seed(const CatalogFixture& f, int bulk = 0)
{
    QStringList statements;
    for (const QString& artist : kArtists) {
        QString a = artist;
        a.replace("'", "''");
        statements << "Insert into records ([Artist]) Values ('" + a + "')"
                   << "Insert into records ([Artist], [Record_Name], [Record_Date], [Book_Value], [Quantity]) Values ('" +
                          a + "', 'Live', '03/04/1971', '12.5', 2)"
                   << "Insert into songs ([Artist], [Record_Name], [Song_Title]) Values ('" + a + "', 'Live', 'Intro')";
    }
    for (int i = 0; i < bulk; ++i)
        statements << QStringLiteral("Insert into songs ([Artist], [Record_Name], [Song_Title]) Values ('Ölsen', 'Live', "
                                     "'Song %1 %2')")
                          .arg(i)
                          .arg(QString(60, QChar(0x00FC)));
    jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath());
    jet::DBEngine::BeginTrans();
    for (const QString& sql : statements)
        db.Execute(sql);
    jet::DBEngine::CommitTrans();
    db.Close();
    closeAll();
}

const char* const kTreeQuery = "Select Distinct [Artist] from records  Order by [Artist]";

TEST(SqliteToolsTest, TheShellWithTheExtensionChecksBothFilesFreshAndFilled)
{
    REQUIRE_SHELL();
    CatalogFixture fresh;
    CatalogFixture filled;
    seed(filled, 3000);
    {
        jet::Workspace ws = jet::DBEngine::Workspaces()(0);
        ws.BeginTrans();
        for (int i = 0; i < 200; ++i)
            ws.Users().Append(ws.CreateUser(QStringLiteral("Ünal %1").arg(i), QStringLiteral("pid%1x").arg(i), "pw"));
        ws.CommitTrans();
        closeAll();
    }
    for (const QString& path : {fresh.databasePath(), fresh.workgroupPath(), filled.databasePath(), filled.workgroupPath()}) {
        SCOPED_TRACE(path.toStdString());
        const Output o = shell(path, "PRAGMA integrity_check;\n");
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        EXPECT_EQ(o.out, "ok\n");
        EXPECT_EQ(o.err, "");
        // Without it the stock shell cannot check the file at all.
        const Output without = shell(path, "PRAGMA integrity_check;\n", false);
        EXPECT_NE(without.exitCode, 0);
        EXPECT_TRUE(without.err.contains("no such collation sequence: JETTEXT")) << without.err.toStdString();
    }
}

TEST(SqliteToolsTest, TheShellQueriesInTheProgramsOrderAndKeepsItsOwnLike)
{
    REQUIRE_SHELL();
    CatalogFixture f;
    seed(f);
    const QStringList tree = f.rows(kTreeQuery);
    closeAll();
    EXPECT_EQ(tree, (QStringList{"10cc", "Abba", "ábel", "Ça", "Cab", "emile", "Émile", "Enya", "Lukas", "Łukasz",
                                 "O'Hara", "Olsen", "Ölsen", "STRASSE", "Straße", "the band", "zappa", "Zoë"}));
    const Output ordered = shell(f.databasePath(), "SELECT DISTINCT Artist FROM records ORDER BY Artist;\n");
    EXPECT_EQ(lines(ordered.out), tree) << ordered.err.toStdString();

    // Equality without regard to case (any letter), as the program's statements compare.
    const Output equal = shell(f.databasePath(), "SELECT count(*) FROM records WHERE Artist = 'ÉMILE';\n"
                                                 "SELECT count(*) FROM records WHERE Artist = 'strasse';\n");
    EXPECT_EQ(lines(equal.out), (QStringList{"2", "2"})) << equal.err.toStdString();
    EXPECT_EQ(f.count("select * from records where [Artist] = 'ÉMILE'"), 2);
    closeAll();

    // The shell's LIKE and other functions stay its own.
    const QString own = "SELECT 'Abc' LIKE 'a%', 'Abc' LIKE 'a*', 'Émile' LIKE 'é%', lower('ÉMILE'), 'a' = 'A';\n";
    const Output with = shell(f.databasePath(), own);
    const Output without = shell(f.databasePath(), own, false);
    EXPECT_EQ(with.out, "1|0|0|Émile|0\n") << with.err.toStdString();
    EXPECT_EQ(with.out, without.out);
}

// Every row of both tables (or of the workgroup's), sorted; rowids are not part of a dump.
QStringList rowsOf(const QString& path, bool workgroup)
{
    const Output o = shell(path, workgroup ? ".mode list\nSELECT name, pid, is_group, can_logon, hex(salt), hex(hash) FROM "
                                             "accounts;\nSELECT user, grp FROM memberships;\n"
                                           : ".mode list\nSELECT quote(Artist), quote(Record_Name), quote(Record_Date), "
                                             "quote(Book_Value), quote(Quantity), Record_Marked FROM records;\n"
                                             "SELECT quote(Artist), quote(Record_Name), quote(Song_Title) FROM songs;\n");
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    QStringList rows = lines(o.out);
    rows.sort();
    return rows;
}

TEST(SqliteToolsTest, ADumpLoadedIntoANewFileGivesFilesTheProgramOpensWithEveryRow)
{
    REQUIRE_SHELL();
    CatalogFixture f;
    seed(f, 500);
    const QStringList tree = f.rows(kTreeQuery);
    const int songs = f.count("select * from songs");
    closeAll();
    for (const QString& path : {f.databasePath(), f.workgroupPath()}) {
        SCOPED_TRACE(path.toStdString());
        const bool workgroup = path == f.workgroupPath();
        const QStringList before = rowsOf(path, workgroup);
        const Output dump = shell(path, ".dump\n");
        ASSERT_EQ(dump.exitCode, 0) << dump.err.toStdString();
        const QString reloaded = path + ".reloaded";
        const Output load = shell(reloaded, dump.out);
        ASSERT_EQ(load.exitCode, 0) << load.err.toStdString();
        EXPECT_EQ(load.err, "");
        ASSERT_TRUE(QFile::remove(path));
        ASSERT_TRUE(QFile::rename(reloaded, path));
        EXPECT_EQ(rowsOf(path, workgroup), before);
    }
    // The program opens both (the workgroup file to log on) and finds every row.
    EXPECT_EQ(f.rows(kTreeQuery), tree);
    EXPECT_EQ(f.count("select * from songs"), songs);
    EXPECT_EQ(f.count("select * from records where [Artist] = 'ölsen' and [Record_Name] = 'LIVE'"), 1);
    closeAll();
    for (const auto& [path, schema] : {std::pair{f.databasePath(), &jet::catalogSchema()},
                                       std::pair{f.workgroupPath(), &jet::workgroup::schema()}}) {
        const Output identity = shell(path, "PRAGMA application_id;\nPRAGMA user_version;\nPRAGMA integrity_check;\n");
        EXPECT_EQ(lines(identity.out),
                  (QStringList{QString::number(schema->applicationId), QString::number(schema->version), "ok"}));
    }
}

TEST(SqliteToolsTest, WritesThroughTheShellWithTheExtensionAreWritesLikeTheProgramsOwn)
{
    REQUIRE_SHELL();
    CatalogFixture f;
    seed(f);
    const Output write = shell(f.databasePath(), "INSERT INTO records (Artist, Record_Name) VALUES ('ÖLSEN', 'Encore'), "
                                                 "('émile', 'Zürich');\n"
                                                 "INSERT INTO songs VALUES ('ÖLSEN', 'Encore', 'Coda');\n");
    ASSERT_EQ(write.exitCode, 0) << write.err.toStdString();
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(f.databasePath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr),
                  SQLITE_OK);
        sqlite3_create_collation_v2(db, jet::kTextCollation, SQLITE_UTF8, nullptr, jet::collateText, nullptr);
        EXPECT_EQ(jet::detail::textIndexesOutOfOrder(db), QStringList{});
        sqlite3_close_v2(db);
    }
    EXPECT_EQ(f.count("select * from records where [Artist] = 'Ölsen' and [Record_Name] = 'encore'"), 1);
    EXPECT_EQ(f.count("select * from records where [Artist] = 'ÉMILE' and [Record_Name] = 'ZÜRICH'"), 1);
    EXPECT_EQ(f.rows("select [Song_Title] from songs where [Artist] = 'ölsen' and [Record_Name] = 'Encore'"),
              QStringList{"Coda"});
}

// A Python whose sqlite3 module loads extensions, if there is one.
std::optional<QString> pythonWithExtensions()
{
    for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        const Output o = runProgram(candidate, {QStringLiteral("-c"),
                                                QStringLiteral("import sqlite3; sqlite3.connect(':memory:').enable_load_extension")},
                                    {});
        if (o.exitCode == 0)
            return candidate;
    }
    return std::nullopt;
}

TEST(SqliteToolsTest, PythonsSqliteModuleWithTheExtensionChecksAndOrdersAsTheProgram)
{
    const std::optional<QString> python = pythonWithExtensions();
    if (!python)
        GTEST_SKIP() << "no Python whose sqlite3 module loads extensions";
    CatalogFixture f;
    seed(f);
    const QStringList tree = f.rows(kTreeQuery);
    closeAll();
    const QString script = QStringLiteral(
        "import sys, sqlite3\n"
        "c = sqlite3.connect(sys.argv[1])\n"
        "c.enable_load_extension(True)\n"
        "c.load_extension(sys.argv[2])\n"
        "print(c.execute('PRAGMA integrity_check').fetchone()[0])\n"
        "for (a,) in c.execute('SELECT DISTINCT Artist FROM records ORDER BY Artist'): print(a)\n");
    const Output o = runProgram(*python, {QStringLiteral("-c"), script, f.databasePath(), kExtension}, {});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(lines(o.out), QStringList{"ok"} + tree);
}

} // namespace

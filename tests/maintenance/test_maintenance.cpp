#include "catalog/Maintenance.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "jet/Workgroup.h"
#include "support/CatalogFixture.h"
#include "vb/App.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <thread>

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString compactFailed(const QString& description)
{
    return "Compacting the database was not successful. The orignal database is still intact. " + description + CrLf + CrLf +
           "Exit and restart the program.";
}

QString repairFailed(const QString& description)
{
    return "Repairing the database was not successful." + CrLf + description + CrLf + "Exit and restart the program." + CrLf;
}

QString repairedButCompactFailed(const QString& description)
{
    return "Repairing the database was successful." + CrLf + CrLf +
           "However, compacting the database was not successful. The orignal database is still intact." + CrLf + description +
           CrLf + "Exit and restart the program." + CrLf;
}

using testenv::bulkRecordName;
using testenv::bulkRecordNames;
using testenv::bytesOf;
using testenv::writeFile;
using testenv::fillBulkCatalogue;

std::set<QString> recordsOf(const testenv::CatalogFixture& cat)
{
    const QStringList rows = cat.rows("select Record_Name from records");
    return {rows.begin(), rows.end()};
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

QString integrity(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    jet::registerExtensions(db);
    sqlite3_stmt* st = nullptr;
    QStringList lines;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    else
        lines << QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return lines.join(u'\n');
}

// Overwrites a leaf page of the records table about half-way through it;
// returns how many rows it held.
int damageRecordsPage(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    jet::registerExtensions(db);
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT pageno, ncell, pgsize FROM dbstat WHERE name = 'records' AND pagetype = 'leaf' ORDER BY path",
                                 -1, &st, nullptr),
              SQLITE_OK);
    struct Leaf {
        int page, cells, size;
    };
    std::vector<Leaf> leaves;
    while (sqlite3_step(st) == SQLITE_ROW)
        leaves.push_back({sqlite3_column_int(st, 0), sqlite3_column_int(st, 1), sqlite3_column_int(st, 2)});
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    EXPECT_GT(leaves.size(), 4u);
    if (leaves.empty())
        return 0;
    const Leaf leaf = leaves[leaves.size() / 2];
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(qint64(leaf.page - 1) * leaf.size);
    f.write(QByteArray(leaf.size, char(0xA5)));
    return leaf.cells;
}

// Every account of the workgroup file with its groups, as the engine reads them.
QStringList accountsWithGroups()
{
    QStringList out;
    for (const jet::User& u : jet::DBEngine::Workspaces()(0).Users()) {
        QStringList groups;
        for (const jet::Group& g : u.Groups())
            groups << g.Name();
        out << u.Name() + ":" + groups.join(u',');
    }
    jet::DBEngine::Workspaces()(0).Close();
    return out;
}

// Adds the artist accounts name1..nameN, each a member of Users.
void addAccounts(const QString& name, int count)
{
    jet::Workspace ws = jet::DBEngine::Workspaces()(0);
    ws.BeginTrans();
    for (int i = 1; i <= count; ++i) {
        jet::User u = ws.CreateUser(name + QString::number(i), "fennaply", "tintrove");
        ws.Users().Append(u);
        u.Groups().Append(u.CreateGroup("Users"));
    }
    ws.CommitTrans();
    ws.Close();
}

// Engine state both routines leave behind, whatever the outcome.
void expectEngineLeftForTheCatalogue(const testenv::CatalogFixture& cat)
{
    EXPECT_EQ(jet::DBEngine::SystemDB(), QDir::toNativeSeparators(cat.workgroupPath()));
    EXPECT_EQ(jet::DBEngine::DefaultUser(), jet::workgroup::kProgramUser);
    EXPECT_EQ(jet::DBEngine::DefaultPassword(), jet::workgroup::kProgramPassword);
}

class MaintenanceTest : public ::testing::Test {
protected:
    void TearDown() override { jet::DBEngine::Workspaces()(0).Close(); }
};

TEST_F(MaintenanceTest, CompactReplacesTheDatabaseWithAConsistentCopyAndRemovesALeftoverFirst)
{
    struct Case {
        const char* what;
        std::function<void(const QString& copy)> leftover;
    };
    const Case cases[] = {
        {"no leftover", [](const QString&) {}},
        {"a leftover copy of an interrupted run", [](const QString& copy) { writeFile(copy, "half a database"); }},
        {"an empty leftover", [](const QString& copy) { writeFile(copy, ""); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testenv::CatalogFixture cat;
        fillBulkCatalogue(cat, 600);
        cat.exec("delete * from records where [Quantity] > 400");
        const qint64 sizeBefore = QFileInfo(cat.databasePath()).size();
        c.leftover(vb::App::file("~records.new"));

        QString message = "the caller's text";
        EXPECT_TRUE(CompactDatabaseFile("records", message));
        EXPECT_EQ(message, "Database successfully compacted.");
        EXPECT_EQ(entries(cat.folder()), (QStringList{"records.mdb", "records.mdw"}));
        EXPECT_LT(QFileInfo(cat.databasePath()).size(), sizeBefore);
        EXPECT_EQ(integrity(cat.databasePath()), "ok");
        EXPECT_EQ(recordsOf(cat), bulkRecordNames(1, 400));
        EXPECT_EQ(cat.count("select * from songs"), 1200);
        expectEngineLeftForTheCatalogue(cat);
    }
}

// While a compaction or a repair runs, the program's pending work (paints,
// timers) keeps going on its own thread; the routine has finished when it
// returns, whatever ran meanwhile.
TEST_F(MaintenanceTest, WhileMaintenanceRunsPendingEventsKeepRunning)
{
    struct Case {
        const char* what;
        std::function<bool(QString&)> run;
    };
    const Case cases[] = {
        {"compact", [](QString& message) { return CompactDatabaseFile("records", message); }},
        {"repair", [](QString& message) { return RepairDatabaseFile("records", message); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testenv::CatalogFixture cat;
        fillBulkCatalogue(cat, 600);
        bool running = false;
        int ticksWhileRunning = 0;
        bool ranOnThisThread = true;
        QTimer tick;
        tick.setInterval(0);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            ticksWhileRunning += running ? 1 : 0;
            ranOnThisThread = ranOnThisThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        });
        tick.start();

        running = true;
        QString message;
        EXPECT_TRUE(c.run(message)) << message.toStdString();
        running = false;
        tick.stop();
        EXPECT_GT(ticksWhileRunning, 0);
        EXPECT_TRUE(ranOnThisThread);
        EXPECT_EQ(entries(cat.folder()), (QStringList{"records.mdb", "records.mdw"}));
        EXPECT_EQ(integrity(cat.databasePath()), "ok");
        EXPECT_EQ(cat.count("select * from songs"), 1200);
        expectEngineLeftForTheCatalogue(cat);
    }
}

// Accounts added and deleted leave free pages in the workgroup file; the
// compaction gives them back and keeps every account with its memberships.
TEST_F(MaintenanceTest, CompactionShrinksTheWorkgroupFileAndKeepsEveryAccount)
{
    testenv::CatalogFixture cat;
    fillBulkCatalogue(cat, 50);
    addAccounts("Gone", 1000);
    addAccounts("Kept", 3);
    {
        jet::Workspace ws = jet::DBEngine::Workspaces()(0);
        ws.BeginTrans();
        for (int i = 1; i <= 1000; ++i)
            ws.Users().Delete("Gone" + QString::number(i));
        ws.CommitTrans();
        ws.Close();
    }
    const QStringList accounts = accountsWithGroups();
    ASSERT_EQ(accounts.size(), 7);
    const qint64 before = QFileInfo(cat.workgroupPath()).size();

    QString message;
    EXPECT_TRUE(CompactDatabaseFile("records", message)) << message.toStdString();
    EXPECT_EQ(message, "Database successfully compacted.");
    EXPECT_LT(QFileInfo(cat.workgroupPath()).size() * 4, before);
    EXPECT_EQ(integrity(cat.workgroupPath()), "ok");
    EXPECT_EQ(accountsWithGroups(), accounts);
    EXPECT_EQ(entries(cat.folder()), (QStringList{"records.mdb", "records.mdw"}));
    // The program's account logs on with its password, the others with theirs.
    EXPECT_EQ(cat.count("select * from records"), 50);
    EXPECT_EQ(testenv::errorOf([&] {
                  jet::DBEngine::OpenDatabase(cat.databasePath(), false, false, ";uid=Kept2;pwd=tintrove").Close();
              }),
              0);
    EXPECT_EQ(testenv::errorOf([&] {
                  jet::DBEngine::OpenDatabase(cat.databasePath(), false, false, ";uid=Kept2;pwd=other").Close();
              }),
              jet::err::BadAccount);
}

TEST_F(MaintenanceTest, AFailingCompactionLeavesTheDatabaseByteForByteAndNoCopy)
{
    struct Case {
        const char* what;
        std::function<void(const testenv::CatalogFixture&)> prepare;
        std::function<QString(const testenv::CatalogFixture&)> description;
        QStringList left;
    };
    sqlite3* holder = nullptr;
    const QStringList both{"records.mdb", "records.mdw"};
    const Case cases[] = {
        {"the database is open",
         [&holder](const testenv::CatalogFixture& cat) {
             sqlite3_open_v2(QFile::encodeName(cat.databasePath()).constData(), &holder, SQLITE_OPEN_READWRITE, nullptr);
         },
         [](const testenv::CatalogFixture& cat) {
             return QStringLiteral("Could not use '%1'; file already in use.").arg(cat.databasePath());
         },
         both},
        {"the database is no database, with a leftover copy",
         [](const testenv::CatalogFixture& cat) {
             writeFile(cat.databasePath(), QByteArray("not a database, only text\n").repeated(100));
             writeFile(vb::App::file("~records.new"), "leftover");
         },
         [](const testenv::CatalogFixture& cat) { return QStringLiteral("Unrecognized database format '%1'.").arg(cat.databasePath()); },
         both},
        {"the database is missing", [](const testenv::CatalogFixture& cat) { QFile::remove(cat.databasePath()); },
         [](const testenv::CatalogFixture& cat) { return QStringLiteral("Could not find file '%1'.").arg(cat.databasePath()); },
         {"records.mdw"}},
        {"the workgroup file is missing", [](const testenv::CatalogFixture& cat) { QFile::remove(cat.workgroupPath()); },
         [](const testenv::CatalogFixture&) {
             return QStringLiteral("Cannot start your application. The workgroup information file is missing or opened "
                                   "exclusively by another user.");
         },
         {"records.mdb"}},
        {"the workgroup file is damaged",
         [](const testenv::CatalogFixture& cat) {
             writeFile(cat.workgroupPath(), QByteArray("not a workgroup file, only text\n").repeated(100));
         },
         [](const testenv::CatalogFixture& cat) {
             return QStringLiteral("Unrecognized database format '%1'.").arg(cat.workgroupPath());
         },
         both},
        {"a folder stands in the copy's place", [](const testenv::CatalogFixture&) { QDir(vb::App::Path()).mkdir("~records.new"); },
         [](const testenv::CatalogFixture&) {
             return QStringLiteral("The file '%1' already exists.").arg(vb::App::file("~records.new"));
         },
         {"records.mdb", "records.mdw", "~records.new"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testenv::CatalogFixture cat;
        fillBulkCatalogue(cat, 50);
        c.prepare(cat);
        const QByteArray before = bytesOf(cat.databasePath());

        QString message = "the caller's text";
        EXPECT_FALSE(CompactDatabaseFile("records", message));
        EXPECT_EQ(message, compactFailed(c.description(cat)));
        EXPECT_EQ(bytesOf(cat.databasePath()), before);
        EXPECT_EQ(entries(cat.folder()), c.left);
        expectEngineLeftForTheCatalogue(cat);
        sqlite3_close_v2(holder);
        holder = nullptr;
    }
}

TEST_F(MaintenanceTest, RepairSalvagesADamagedDatabaseThenCompactsIt)
{
    struct Case {
        const char* what;
        bool damage;
    };
    for (const Case& c : {Case{"a sound database", false}, Case{"a damaged page of records", true}}) {
        SCOPED_TRACE(c.what);
        testenv::CatalogFixture cat;
        fillBulkCatalogue(cat, 1000);
        const int lost = c.damage ? damageRecordsPage(cat.databasePath()) : 0;
        ASSERT_EQ(integrity(cat.databasePath()) == "ok", !c.damage);
        writeFile(vb::App::file("~records.new"), "leftover");

        QString message = "the caller's text";
        EXPECT_TRUE(RepairDatabaseFile("records", message)) << message.toStdString();
        // A damaged original is kept beside the catalogue, and the rows it lost are counted.
        const QStringList keptFiles = QDir(cat.folder()).entryList({"records.damaged-*.mdb"});
        if (c.damage) {
            ASSERT_EQ(keptFiles.size(), 1);
            EXPECT_EQ(message, "Database successfully repaired and compacted." + CrLf +
                                   QStringLiteral("Rows that could not be read: records %1, songs 0. The damaged database is kept as %2.")
                                       .arg(lost)
                                       .arg(keptFiles[0]))
                << message.toStdString();
        } else {
            EXPECT_EQ(message, "Database successfully repaired and compacted.");
        }
        EXPECT_EQ(entries(cat.folder()), (keptFiles + QStringList{"records.mdb", "records.mdw"}));
        EXPECT_EQ(integrity(cat.databasePath()), "ok");
        const std::set<QString> kept = recordsOf(cat);
        const std::set<QString> all = bulkRecordNames(1, 1000);
        EXPECT_EQ(kept.size(), all.size() - size_t(lost));
        EXPECT_TRUE(std::includes(all.begin(), all.end(), kept.begin(), kept.end()));
        EXPECT_EQ(cat.count("select * from songs"), 2000);
        expectEngineLeftForTheCatalogue(cat);
    }
}

TEST_F(MaintenanceTest, RepairFailuresSayWhichStepFailedAndLeaveTheFiles)
{
    struct Case {
        const char* what;
        std::function<void(const testenv::CatalogFixture&)> prepare;
        std::function<QString(const testenv::CatalogFixture&)> message;
        QStringList left;
    };
    const Case cases[] = {
        {"a folder stands in the database's place",
         [](const testenv::CatalogFixture& cat) {
             QFile::remove(cat.databasePath());
             QDir(vb::App::Path()).mkdir("records.mdb");
             writeFile(vb::App::file("~records.new"), "leftover");
         },
         [](const testenv::CatalogFixture& cat) {
             return repairFailed(QStringLiteral("Unrecognized database format '%1'.").arg(cat.databasePath()));
         },
         {"records.mdb", "records.mdw", "~records.new"}},
        {"repaired, but a folder stands in the copy's place",
         [](const testenv::CatalogFixture&) { QDir(vb::App::Path()).mkdir("~records.new"); },
         [](const testenv::CatalogFixture&) {
             return repairedButCompactFailed(QStringLiteral("The file '%1' already exists.").arg(vb::App::file("~records.new")));
         },
         {"records.mdb", "records.mdw", "~records.new"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testenv::CatalogFixture cat;
        fillBulkCatalogue(cat, 50);
        c.prepare(cat);
        const QByteArray before = bytesOf(cat.databasePath());
        const QByteArray leftover = bytesOf(vb::App::file("~records.new"));

        QString message = "the caller's text";
        EXPECT_FALSE(RepairDatabaseFile("records", message));
        EXPECT_EQ(message, c.message(cat));
        EXPECT_EQ(bytesOf(cat.databasePath()), before);
        EXPECT_EQ(bytesOf(vb::App::file("~records.new")), leftover);
        EXPECT_EQ(entries(cat.folder()), c.left);
        expectEngineLeftForTheCatalogue(cat);
    }
}

TEST_F(MaintenanceTest, ACopyThatCannotBePutInPlaceIsAFailureThatKeepsTheOriginal)
{
    testenv::CatalogFixture cat;
    fillBulkCatalogue(cat, 50);
    const QByteArray before = bytesOf(cat.databasePath());
    const QByteArray workgroupBefore = bytesOf(cat.workgroupPath());

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(COMPACT_CHILD), {cat.folder(), "--fail-rename"});
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitCode(), 1);
    // The workgroup file's copy is the first to be put in place.
    const QString description = QStringLiteral("The file '%1' could not be put in place of '%2': %3.")
                                    .arg(vb::App::file("records.mdw.new"), cat.workgroupPath(),
                                         QString::fromLocal8Bit(std::strerror(EIO)));
    EXPECT_EQ(QString::fromUtf8(child.readAll()), "failed " + compactFailed(description) + "\n");
    EXPECT_EQ(bytesOf(cat.databasePath()), before);
    EXPECT_EQ(bytesOf(cat.workgroupPath()), workgroupBefore);
    EXPECT_EQ(entries(cat.folder()), (QStringList{"records.mdb", "records.mdw"}));
}

// What a killed copy may leave beside the catalogue; the next compaction clears it.
const QStringList afterAKill{"records.mdb",     "records.mdw",          "~records.new", "~records.new-journal",
                             "records.mdw.new", "records.mdw.new-journal"};

void expectIntactCatalogue(const testenv::CatalogFixture& cat, const std::set<QString>& records, int songs,
                           const QStringList& accounts)
{
    for (const QString& name : entries(cat.folder()))
        EXPECT_TRUE(afterAKill.contains(name)) << name.toStdString();
    EXPECT_EQ(integrity(cat.databasePath()), "ok");
    EXPECT_EQ(integrity(cat.workgroupPath()), "ok");
    EXPECT_EQ(accountsWithGroups(), accounts);
    EXPECT_EQ(recordsOf(cat), records);
    EXPECT_EQ(cat.count("select * from songs"), songs);
}

// A compaction killed at any moment leaves a catalogue that opens and holds
// every row; the next compaction clears what the killed one left.
TEST_F(MaintenanceTest, ACompactionKilledAtAnyMomentLeavesAnOpenableCatalogueWithEveryRow)
{
    testenv::CatalogFixture cat;
    fillBulkCatalogue(cat, 1500);
    addAccounts("Artist", 20);
    const QStringList accounts = accountsWithGroups();
    const std::set<QString> all = bulkRecordNames(1, 1500);

    for (int delayMs : {0, 1, 2, 3, 4, 6, 8, 11, 15, 20}) {
        SCOPED_TRACE(delayMs);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(COMPACT_CHILD), {cat.folder()});
        ASSERT_TRUE(child.waitForStarted(5000));
        // Kill it part-way through a later round, once it is known to work.
        ASSERT_TRUE(child.waitForReadyRead(10000));
        const QByteArray first = child.readLine();
        ASSERT_TRUE(first.startsWith("ok Database successfully compacted.")) << first.constData();
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        child.kill();
        ASSERT_TRUE(child.waitForFinished(5000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
        const QByteArray rest = child.readAll();
        EXPECT_FALSE(rest.contains("failed")) << rest.constData();
        expectIntactCatalogue(cat, all, 3000, accounts);
    }
    QString message;
    EXPECT_TRUE(CompactDatabaseFile("records", message)) << message.toStdString();
    EXPECT_EQ(entries(cat.folder()), (QStringList{"records.mdb", "records.mdw"}));
}

// The same at each step that puts data on disk or changes a name: a flush,
// a rename, a removal.
TEST_F(MaintenanceTest, ACompactionKilledAtEachFileStepLeavesAnOpenableCatalogueWithEveryRow)
{
    testenv::CatalogFixture cat;
    fillBulkCatalogue(cat, 300);
    addAccounts("Artist", 20);
    const QStringList accounts = accountsWithGroups();
    const std::set<QString> all = bulkRecordNames(1, 300);

    int killed = 0;
    for (int step = 1; step < 200; ++step) {
        SCOPED_TRACE(step);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(COMPACT_CHILD), {cat.folder(), "--kill-at", QString::number(step)});
        ASSERT_TRUE(child.waitForFinished(10000));
        const QByteArray output = child.readAll();
        expectIntactCatalogue(cat, all, 600, accounts);
        if (child.exitStatus() == QProcess::NormalExit) {
            // The round got past its last step.
            EXPECT_EQ(child.exitCode(), 0);
            EXPECT_EQ(output, "ok Database successfully compacted.\n");
            break;
        }
        EXPECT_EQ(output, QByteArray());
        ++killed;
    }
    // Both copies' flush, the folder's flush and the rename at the least.
    EXPECT_GE(killed, 6);
    EXPECT_EQ(entries(cat.folder()), (QStringList{"records.mdb", "records.mdw"}));
}

} // namespace

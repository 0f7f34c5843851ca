// A workgroup file that cannot be read is made again from the catalogue's
// artists by the repair, with the damaged one kept; the next start opens.
#include "app/frmDatabaseExplorer.h"
#include "catalog/ArtistAccounts.h"
#include "catalog/Maintenance.h"
#include "catalog/ProgramState.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "support/CatalogFixture.h"
#include "support/QtPrint.h"
#include "support/TestEnv.h"
#include "vb/App.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

namespace {

using testenv::bytesOf;
using testenv::CatalogFixture;
using testenv::ScriptedMsgBox;
using testenv::writeFile;

const QString CrLf = QStringLiteral("\r\n");
const QString Repaired = QStringLiteral("Database successfully repaired and compacted.");

QString rebuiltLine(const QString& kept)
{
    return QStringLiteral("The workgroup information file could not be read and has been made again with an account for "
                          "each artist. The damaged workgroup file is kept as %1.")
        .arg(kept);
}

// Every account of the workgroup file with its personal identifier and groups.
QStringList accounts()
{
    QStringList out;
    for (const jet::User& u : jet::DBEngine::Workspaces()(0).Users()) {
        QStringList groups;
        for (const jet::Group& g : u.Groups())
            groups << g.Name();
        out << u.Name() + "/" + u.PID() + ":" + groups.join(u',');
    }
    jet::DBEngine::Workspaces()(0).Close();
    return out;
}

QStringList artistNames()
{
    QStringList names;
    for (int i = 1; i <= 40; ++i)
        names << QStringLiteral("Artist %1").arg(i, 2, 10, QLatin1Char('0'));
    return names;
}

// Forty artists, each with its account, its artist-only row and a record with
// a song; besides them rows a foreign hand wrote: one artist in other letter
// case, one named like a built-in account, one row without an artist. Made
// once through the program's routines, then copied.
void seed(const CatalogFixture& cat)
{
    static QByteArray catalogue;
    static QByteArray workgroupFile;
    jet::DBEngine::Workspaces()(0).Close();
    if (!catalogue.isEmpty()) {
        writeFile(cat.databasePath(), catalogue);
        writeFile(cat.workgroupPath(), workgroupFile);
        return;
    }
    for (const QString& name : artistNames()) {
        bool ok = false;
        AddUser(name, ArtistAccount::Password, ok);
        ASSERT_TRUE(ok);
        cat.addArtist(name);
        cat.addRecord(name, "Record of " + name);
        cat.addSong(name, "Record of " + name, "Song of " + name);
    }
    cat.addRecord("ARTIST 07", "Shouted");
    cat.addArtist("admin");
    cat.exec("insert into records ([Record_Name]) values ('Nobody''s')");
    jet::DBEngine::Workspaces()(0).Close();
    catalogue = bytesOf(cat.databasePath());
    workgroupFile = bytesOf(cat.workgroupPath());
}

// The number of songs, read below the engine (which needs a workgroup file).
int songCount(const QString& catalogue)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(catalogue).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    jet::registerExtensions(db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM songs", -1, &st, nullptr);
    const int count = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return count;
}

int rootPageOf(const QString& path, const char* table)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = ?1", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, table, -1, SQLITE_STATIC);
    const int page = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return page;
}

struct Damage {
    const char* what;
    std::function<void(const QString& workgroup)> apply;
    // What opening the catalogue says then.
    const char* description;
};

const Damage kDamages[] = {
    {"a zero-length file", [](const QString& wg) { writeFile(wg, ""); }, "Unrecognized database format '%1'."},
    {"random bytes",
     [](const QString& wg) {
         QByteArray bytes(32768, '\0');
         QRandomGenerator random(22);
         for (char& b : bytes)
             b = char(random.bounded(256));
         writeFile(wg, bytes);
     },
     "Unrecognized database format '%1'."},
    {"cut in half",
     [](const QString& wg) {
         QFile f(wg);
         ASSERT_TRUE(f.resize(f.size() / 2));
     },
     "Cannot open database '%1'. The file may be damaged."},
    {"its accounts page smashed",
     [](const QString& wg) {
         const int page = rootPageOf(wg, "accounts");
         ASSERT_GT(page, 1);
         QFile f(wg);
         ASSERT_TRUE(f.open(QIODevice::ReadWrite));
         f.seek(qint64(page - 1) * 4096);
         f.write(QByteArray(4096, char(0xA5)));
     },
     "Cannot open database '%1'. The file may be damaged."},
};

QString openingFailure(const CatalogFixture& cat)
{
    try {
        jet::DBEngine::OpenDatabase(cat.databasePath(), false, false, ";uid=brevlin;pwd=mossgravel").Close();
    } catch (const jet::Error& e) {
        jet::DBEngine::Workspaces()(0).Close();
        return e.Description();
    }
    return "opened";
}

QStringList keptWorkgroups(const CatalogFixture& cat) { return QDir(cat.folder()).entryList({"records.damaged-*.mdw"}); }

class WorkgroupRepairTest : public ::testing::Test {
protected:
    void TearDown() override { jet::DBEngine::Workspaces()(0).Close(); }
};

TEST_F(WorkgroupRepairTest, EachDamagedWorkgroupFileIsMadeAgainWithEveryAccountAndKept)
{
    for (const Damage& d : kDamages) {
        SCOPED_TRACE(d.what);
        CatalogFixture cat;
        seed(cat);
        const QStringList before = accounts();
        ASSERT_EQ(before.size(), 44);
        const QStringList rows = cat.rows("select [Artist], [Record_Name] from records order by [Artist], [Record_Name]");
        jet::DBEngine::Workspaces()(0).Close();
        d.apply(cat.workgroupPath());
        const QByteArray damaged = bytesOf(cat.workgroupPath());
        // The error names the file it met.
        EXPECT_EQ(openingFailure(cat), QString::fromUtf8(d.description).arg(cat.workgroupPath()));

        QString message;
        EXPECT_TRUE(RepairDatabaseFile("records", message)) << message.toStdString();
        const QStringList kept = keptWorkgroups(cat);
        ASSERT_EQ(kept.size(), 1);
        EXPECT_TRUE(QRegularExpression(R"(^records\.damaged-\d{8}-\d{6}\.mdw$)").match(kept[0]).hasMatch()) << kept[0].toStdString();
        EXPECT_EQ(message, Repaired + CrLf + rebuiltLine(kept[0]));
        EXPECT_EQ(bytesOf(QDir(cat.folder()).filePath(kept[0])), damaged);
        EXPECT_EQ(QDir(cat.folder()).entryList(QDir::Files | QDir::Hidden), (kept + QStringList{"records.mdb", "records.mdw"}));

        // The accounts the damaged file held, in their order, with the
        // artists' identifier and membership; the passwords log on.
        EXPECT_EQ(accounts(), before);
        EXPECT_EQ(openingFailure(cat), "opened");
        EXPECT_EQ(testenv::errorOf([&] {
                      jet::DBEngine::OpenDatabase(cat.databasePath(), false, false, ";uid=Artist 13;pwd=tintrove").Close();
                  }),
                  0);
        EXPECT_EQ(cat.rows("select [Artist], [Record_Name] from records order by [Artist], [Record_Name]"), rows);

        // Adding an artist works again, and a second repair leaves the new file alone.
        bool ok = false;
        AddUser("Nina", ArtistAccount::Password, ok);
        EXPECT_TRUE(ok);
        AddArtistRow("Nina", ok);
        EXPECT_TRUE(ok);
        EXPECT_TRUE(RepairDatabaseFile("records", message)) << message.toStdString();
        EXPECT_EQ(message, Repaired);
        EXPECT_EQ(keptWorkgroups(cat), kept);
        EXPECT_EQ(accounts(), before + QStringList{"Nina/fennaply:Users"});
    }
}

TEST_F(WorkgroupRepairTest, WhenNothingOfTheCatalogueCouldBeReadTheBoxStillSaysWhereTheDamagedWorkgroupFileIsKept)
{
    CatalogFixture cat;
    seed(cat);
    jet::DBEngine::Workspaces()(0).Close();
    kDamages[1].apply(cat.databasePath());
    kDamages[1].apply(cat.workgroupPath());
    const QByteArray damaged = bytesOf(cat.workgroupPath());

    QString message;
    EXPECT_TRUE(RepairDatabaseFile("records", message)) << message.toStdString();
    const QStringList kept = keptWorkgroups(cat);
    ASSERT_EQ(kept.size(), 1);
    const QStringList keptCatalogues = QDir(cat.folder()).entryList({"records.damaged-*.mdb"});
    ASSERT_EQ(keptCatalogues.size(), 1);
    EXPECT_EQ(message, QStringLiteral("Nothing in the database could be read. The damaged database is kept as %1, and a "
                                      "new, empty catalogue is in its place.")
                               .arg(keptCatalogues[0]) +
                           CrLf + rebuiltLine(kept[0]));
    EXPECT_EQ(bytesOf(QDir(cat.folder()).filePath(kept[0])), damaged);
    EXPECT_EQ(openingFailure(cat), "opened");
}

TEST_F(WorkgroupRepairTest, AReadableWorkgroupFileIsNeverMadeAgainAndAMissingOneIsNotMade)
{
    CatalogFixture cat;
    seed(cat);
    // An account no artist has stays: the file is readable.
    {
        jet::Workspace ws = jet::DBEngine::Workspaces()(0);
        ws.Users().Append(ws.CreateUser("Orphan", "fennaply", "other"));
        ws.Close();
    }
    const QStringList before = accounts();
    QString message;
    EXPECT_TRUE(RepairDatabaseFile("records", message)) << message.toStdString();
    EXPECT_EQ(message, Repaired);
    EXPECT_EQ(accounts(), before);
    EXPECT_EQ(keptWorkgroups(cat), QStringList());

    QFile::remove(cat.workgroupPath());
    EXPECT_FALSE(RepairDatabaseFile("records", message));
    EXPECT_EQ(message, "Repairing the database was not successful." + CrLf +
                           "Cannot start your application. The workgroup information file is missing or opened exclusively by "
                           "another user." +
                           CrLf + "Exit and restart the program." + CrLf);
    EXPECT_EQ(QDir(cat.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"records.mdb"});
}

// The main window with the exit recorded instead of run.
class StartProbe : public frmDatabaseExplorer {
public:
    QStringList ran;
    void mnuExit_Click() override { ran << "mnuExit_Click"; }
};

QStringList treeArtists(const QTreeWidget* tree)
{
    QStringList names;
    const QTreeWidgetItem* root = tree->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i)
        names << root->child(i)->text(0);
    return names;
}

// The start-up road: the repair offer answered Yes once, then the next start
// shows every artist and a new artist can be added.
TEST_F(WorkgroupRepairTest, AStartWithADamagedWorkgroupFileOffersOneRepairAfterWhichTheNextStartOpens)
{
    const QString title = QStringLiteral("Discavo 3 - Repairing the database.");
    for (const Damage& d : kDamages) {
        SCOPED_TRACE(d.what);
        ResetProgramState();
        AppRunning = true;
        CatalogFixture cat;
        seed(cat);
        d.apply(cat.workgroupPath());
        {
            ScriptedMsgBox boxes;
            boxes.answer(vb::vbYes);
            boxes.answer(vb::vbOK);
            QPointer<StartProbe> w = new StartProbe;
            w->Load();
            w->TimerPopulateTree.stop();
            w->PopulateTree();
            ASSERT_EQ(boxes.calls().size(), 2u);
            EXPECT_TRUE(boxes.calls()[0].prompt.startsWith(
                "The Program encountered an error while accessing the database (" +
                QString::fromUtf8(d.description).arg(cat.workgroupPath()) + ")."))
                << boxes.calls()[0].prompt.toStdString();
            const QStringList kept = keptWorkgroups(cat);
            ASSERT_EQ(kept.size(), 1);
            EXPECT_EQ(boxes.calls()[1].prompt, Repaired + CrLf + rebuiltLine(kept[0]) + CrLf + CrLf +
                                                   "You need to restart the application." + CrLf + CrLf + "Program exiting....");
            EXPECT_EQ(boxes.calls()[1].title, title);
            EXPECT_EQ(w->ran, QStringList{"mnuExit_Click"});
            delete w.data();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        {
            ScriptedMsgBox boxes;
            QPointer<StartProbe> w = new StartProbe;
            w->Load();
            w->TimerPopulateTree.stop();
            w->PopulateTree();
            EXPECT_TRUE(boxes.empty());
            QStringList expected = artistNames() + QStringList{"admin"};
            expected.sort(Qt::CaseInsensitive);
            EXPECT_EQ(treeArtists(w->tv1), expected);
            bool ok = false;
            AddUser("Nina", ArtistAccount::Password, ok);
            EXPECT_TRUE(ok);
            AddArtistRow("Nina", ok);
            EXPECT_TRUE(ok);
            w->PopulateTree();
            EXPECT_TRUE(treeArtists(w->tv1).contains("Nina"));
            EXPECT_EQ(w->ran, QStringList());
            delete w.data();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        ResetProgramState();
    }
}

// A repair killed just before each step that puts data on disk or changes a
// name leaves records.mdw either the damaged file or a sound new one with
// every account, and the damaged bytes are never lost.
TEST_F(WorkgroupRepairTest, ARebuildKilledAtEachFileStepLeavesTheOldFileOrTheNewOne)
{
    CatalogFixture cat;
    seed(cat);
    const QStringList before = accounts();
    kDamages[3].apply(cat.workgroupPath());
    const QByteArray damaged = bytesOf(cat.workgroupPath());
    const QRegularExpression leftovers(
        R"(^(records\.mdb|records\.mdw|records\.mdw\.new(-journal)?|~records\.new(-journal)?|records\.damaged-[-\d]+\.mdw(\.part)?)$)");
    QDir folder(cat.folder());
    int killedOld = 0;
    int killedNew = 0;
    bool finished = false;
    for (int step = 1; step < 200 && !finished; ++step) {
        SCOPED_TRACE(step);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(COMPACT_CHILD), {cat.folder(), "--repair", "--kill-at", QString::number(step)});
        ASSERT_TRUE(child.waitForFinished(20000));
        const QByteArray output = child.readAll();

        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
            EXPECT_TRUE(leftovers.match(name).hasMatch()) << name.toStdString();
        for (const QString& name : keptWorkgroups(cat))
            EXPECT_EQ(bytesOf(folder.filePath(name)), damaged) << name.toStdString();
        EXPECT_EQ(songCount(cat.databasePath()), 40);
        if (bytesOf(cat.workgroupPath()) == damaged) {
            EXPECT_NE(child.exitStatus(), QProcess::NormalExit);
            ++killedOld;
        } else {
            EXPECT_EQ(keptWorkgroups(cat).size(), 1);
            EXPECT_EQ(accounts(), before);
            if (child.exitStatus() == QProcess::NormalExit) {
                EXPECT_TRUE(output.startsWith("ok " + (Repaired + CrLf).toUtf8())) << output.constData();
                EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden),
                          (keptWorkgroups(cat) + QStringList{"records.mdb", "records.mdw"}));
                finished = true;
            } else {
                ++killedNew;
            }
        }
        // The next round starts from the damaged workgroup file again.
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
            if (name != "records.mdb")
                ASSERT_TRUE(folder.remove(name));
        writeFile(cat.workgroupPath(), damaged);
    }
    EXPECT_TRUE(finished);
    // The new file's flush, the link, the rename, and the compaction's steps after it.
    EXPECT_GE(killedOld, 3);
    EXPECT_GE(killedNew, 2);
}

} // namespace

// Nothing stored in a catalogue or workgroup file runs: not in everyday use,
// not in compaction or repair, and the files those make hold the program's
// own tables and indexes only.
#include "catalog/ArtistAccounts.h"
#include "catalog/CatalogStatements.h"
#include "catalog/DataAccess.h"
#include "catalog/Maintenance.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "support/ArtistSeed.h"
#include "support/CatalogFixture.h"
#include "support/QtPrint.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

namespace {

using testenv::CatalogFixture;
using testenv::ScriptedMsgBox;

// Runs SQL on a file below the engine.
void plant(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    jet::registerExtensions(db);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << text;
}

// The names of a file's stored objects, by kind, outside the engine.
QStringList objectsOf(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QStringList names;
    if (sqlite3_prepare_v2(db, "SELECT type || ' ' || name FROM sqlite_master ORDER BY 1", -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    return names;
}

const QStringList kCatalogueObjects = {"index records_by_artist", "index records_by_artist_record",
                                       "index songs_by_artist_record", "table file_stamp", "table records", "table songs"};
const QStringList kWorkgroupObjects = {"index sqlite_autoindex_accounts_1", "index sqlite_autoindex_memberships_1",
                                       "table accounts", "table file_stamp", "table memberships"};

QStringList accountNames()
{
    QStringList names;
    for (const jet::User& u : jet::DBEngine::Workspaces()(0).Users())
        names << u.Name();
    return names;
}

CatalogEntry record(const QString& artist, const QString& name)
{
    CatalogEntry e;
    e.Artist = artist;
    e.Record_Name = name;
    e.Level = Level::Record_Name;
    return e;
}

class StoredCodeTest : public ::testing::Test {
protected:
    void TearDown() override { jet::DBEngine::Workspaces()(0).Close(); }
};

TEST_F(StoredCodeTest, TriggersStoredInEitherFileNeverRunInEverydayUse)
{
    CatalogFixture cat;
    testenv::seedEllaAndMiles(cat);
    cat.addSong("Ella", "Blue", "Lullaby of Birdland");
    jet::DBEngine::Workspaces()(0).Close();
    plant(cat.databasePath(), "CREATE TRIGGER t AFTER INSERT ON records BEGIN DELETE FROM songs; END;"
                              "CREATE TRIGGER u AFTER DELETE ON records BEGIN DELETE FROM songs; END;"
                              "CREATE TRIGGER v BEFORE UPDATE ON songs BEGIN SELECT RAISE(ABORT, 'stored code ran'); END");
    plant(cat.workgroupPath(), "CREATE TRIGGER w AFTER INSERT ON accounts BEGIN DELETE FROM memberships; END");

    bool ok = false;
    ExecInsertItem(record("Miles", "Kind of Blue"), ok);
    EXPECT_TRUE(ok);
    ExecuteSql("delete * from records where [Record_Name] = 'Kind of Blue'", ok);
    EXPECT_TRUE(ok);
    ExecuteSql("update songs set [Song_Title] = 'Angel Eyes' where [Song_Title] = 'Angel Eyes'", ok);
    EXPECT_TRUE(ok);
    AddUser("Nina", ArtistAccount::Password, ok);
    EXPECT_TRUE(ok);

    EXPECT_EQ(cat.count("select * from songs"), 2);
    EXPECT_EQ(cat.rows("select [Artist], [Record_Name] from records where not IsNull([Record_Name])"),
              QStringList{"Ella|Blue"});
    EXPECT_EQ(accountNames(), (QStringList{"admin", "Creator", "Engine", "brevlin", "Ella", "Miles", "Nina"}));
    // The memberships the trigger would have removed are all there: the
    // program's account still logs on and reads.
    EXPECT_EQ(cat.count("select distinct [Artist] from records"), 2);
}

TEST_F(StoredCodeTest, AViewStoredInTheCatalogueIsRefused)
{
    CatalogFixture cat;
    testenv::seedEllaAndMiles(cat);
    jet::DBEngine::Workspaces()(0).Close();
    plant(cat.databasePath(), "CREATE VIEW everything AS SELECT * FROM records");

    ScriptedMsgBox boxes;
    boxes.answer(vb::vbOK);
    EXPECT_EQ(SnapshotRecordCount("select * from everything"), std::nullopt);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_TRUE(boxes.calls()[0].prompt.contains("everything")) << boxes.calls()[0].prompt.toStdString();
}

// What a foreign hand adds to the files is left out of the files compaction
// and repair make; every row and account stays.
TEST_F(StoredCodeTest, CompactionAndRepairLeaveOutEveryObjectThatIsNotTheProgramsOwn)
{
    for (const auto routine : {&CompactDatabaseFile, &RepairDatabaseFile}) {
        SCOPED_TRACE(routine == &CompactDatabaseFile ? "compact" : "repair");
        CatalogFixture cat;
        testenv::seedEllaAndMiles(cat);
        jet::DBEngine::Workspaces()(0).Close();
        plant(cat.databasePath(), "CREATE TRIGGER t AFTER INSERT ON records BEGIN DELETE FROM songs; END;"
                                  "CREATE VIEW everything AS SELECT * FROM records;"
                                  "CREATE TABLE extra (x); INSERT INTO extra VALUES (1);"
                                  "CREATE INDEX songs_by_title ON songs (Song_Title)");
        plant(cat.workgroupPath(), "CREATE TRIGGER w AFTER INSERT ON accounts BEGIN DELETE FROM memberships; END;"
                                   "CREATE VIEW people AS SELECT name FROM accounts;"
                                   "CREATE TABLE extra (x)");
        QString message;
        EXPECT_TRUE(routine("records", message)) << message.toStdString();
        EXPECT_EQ(objectsOf(cat.databasePath()), kCatalogueObjects);
        EXPECT_EQ(objectsOf(cat.workgroupPath()), kWorkgroupObjects);
        EXPECT_EQ(cat.rows("select [Artist], [Record_Name] from records order by [Artist], [Record_Name]"),
                  (QStringList{"Ella|<Null>", "Ella|Blue", "Miles|<Null>"}));
        EXPECT_EQ(cat.rows("select [Song_Title] from songs"), QStringList{"Angel Eyes"});
        EXPECT_EQ(accountNames(), (QStringList{"admin", "Creator", "Engine", "brevlin", "Ella", "Miles"}));
        bool ok = false;
        ExecInsertItem(record("Miles", "Kind of Blue"), ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(cat.count("select * from songs"), 1);
    }
}

} // namespace

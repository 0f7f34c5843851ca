// Journals SQLite will never use are removed when the program opens the
// catalogue; a journal SQLite plays back is left to it.
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "support/CatalogFixture.h"
#include "support/QtPrint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using testenv::bytesOf;
using testenv::CatalogFixture;
using testenv::writeFile;

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

void openTheCatalogue(const CatalogFixture& cat)
{
    jet::DBEngine::OpenDatabase(cat.databasePath(), false, false, ";uid=brevlin;pwd=mossgravel").Close();
    jet::DBEngine::Workspaces()(0).Close();
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (24 - 8 * i)) & 0xff);
    return b;
}

// A journal that names the super-journal at its end, as a commit of several
// files writes it: page number, name, its length, its checksum, the magic.
QByteArray journalNaming(const QString& superJournal)
{
    const QByteArray name = QFile::encodeName(superJournal);
    quint32 sum = 0;
    for (const char c : name)
        sum += quint32(static_cast<unsigned char>(c));
    const QByteArray magic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    return magic + QByteArray(512 - 8, '\1') + be32(0x40000000 / 4096 + 1) + name + be32(quint32(name.size())) + be32(sum) +
           magic;
}

class LeftoversTest : public ::testing::Test {
protected:
    void TearDown() override { jet::DBEngine::Workspaces()(0).Close(); }
};

TEST_F(LeftoversTest, JournalsSqliteNeverUsesAreRemovedWhenTheCatalogueOpensAndOnlyThose)
{
    CatalogFixture cat;
    cat.addArtist("Ella");
    jet::DBEngine::Workspaces()(0).Close();
    const QDir folder(cat.folder());
    QTemporaryDir elsewhere;
    const QString foreignJournal = QDir(elsewhere.path()).filePath("other.db-journal");

    // A header never completed: zeros where the magic goes, pages after it.
    writeFile(cat.databasePath() + "-journal", QByteArray(512, '\0') + QByteArray(4096, 'p'));
    writeFile(cat.workgroupPath() + "-journal", QByteArray());
    // Super-journals: one no journal names, one empty, one a journal still names.
    const QString orphan = cat.databasePath() + "-mj1A2B3C9D4";
    writeFile(orphan, QFile::encodeName(cat.databasePath() + "-journal") + '\0' +
                          QFile::encodeName(cat.workgroupPath() + "-journal") + '\0');
    writeFile(cat.databasePath() + "-mj0000009FF", QByteArray());
    const QString named = cat.databasePath() + "-mj4455669AA";
    writeFile(named, QFile::encodeName(foreignJournal) + '\0');
    writeFile(foreignJournal, journalNaming(named));
    // Nothing of another file's, nor what only looks alike.
    writeFile(folder.filePath("records.mdbx-journal"), QByteArray(16, '\0'));
    writeFile(folder.filePath("records.mdb.mj-notes"), "notes");

    openTheCatalogue(cat);
    EXPECT_EQ(filesIn(cat.folder()),
              (QStringList{"records.mdb", "records.mdb-mj4455669AA", "records.mdb.mj-notes", "records.mdbx-journal", "records.mdw"}));
    EXPECT_EQ(bytesOf(foreignJournal), journalNaming(named));
    EXPECT_EQ(cat.rows("select [Artist] from records"), QStringList{"Ella"});
}

TEST_F(LeftoversTest, NothingIsRemovedWhileAnotherConnectionWrites)
{
    CatalogFixture cat;
    jet::DBEngine::Workspaces()(0).Close();
    const QString orphan = cat.databasePath() + "-mj1A2B3C9D4";
    writeFile(orphan, QByteArray());
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(cat.databasePath()).constData(), &writer, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    openTheCatalogue(cat);
    EXPECT_TRUE(QFile::exists(orphan));
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(writer);
    openTheCatalogue(cat);
    EXPECT_FALSE(QFile::exists(orphan));
}

// A writer that died with its changes half in the file leaves a hot journal:
// the program leaves it to SQLite, which rolls the changes back.
TEST_F(LeftoversTest, AHotJournalIsLeftAloneAndStillRollsBack)
{
    CatalogFixture cat;
    testenv::fillBulkCatalogue(cat, 300);
    const QByteArray sound = bytesOf(cat.databasePath());

    // The changes spill into the file mid-transaction; a copy of both files
    // taken then is what a kill at that moment leaves.
    QTemporaryDir work;
    const QString copy = QDir(work.path()).filePath("records.mdb");
    ASSERT_TRUE(QFile::copy(cat.databasePath(), copy));
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(copy).constData(), &writer, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    jet::registerExtensions(writer);
    ASSERT_EQ(sqlite3_exec(writer, "PRAGMA cache_size = 2; BEGIN; DELETE FROM songs; DELETE FROM records", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    const QByteArray halfWritten = bytesOf(copy);
    const QByteArray hotJournal = bytesOf(copy + "-journal");
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(writer);
    ASSERT_NE(halfWritten, sound);
    ASSERT_NE(hotJournal.left(1), QByteArray(1, '\0'));

    jet::DBEngine::Workspaces()(0).Close();
    writeFile(cat.databasePath(), halfWritten);
    writeFile(cat.databasePath() + "-journal", hotJournal);
    EXPECT_EQ(cat.count("select * from records"), 300);
    EXPECT_EQ(cat.count("select * from songs"), 600);
    jet::DBEngine::Workspaces()(0).Close();
    EXPECT_EQ(filesIn(cat.folder()), (QStringList{"records.mdb", "records.mdw"}));
}

} // namespace

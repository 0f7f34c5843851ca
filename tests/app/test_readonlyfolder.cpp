// A program folder the user cannot write, as an install by another account
// leaves it: the catalogue shows, every change is refused with the engine's
// message and leaves the files as they were. The superuser writes regardless,
// so the suite runs this program as an ordinary user when it runs as root.

#include "app/frmDatabaseExplorer.h"
#include "catalog/ArtistAccounts.h"
#include "catalog/EntryActions.h"
#include "catalog/Maintenance.h"
#include "catalog/ProgramState.h"
#include "support/CatalogFixture.h"
#include "support/ExplorerTesting.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

namespace {

using testenv::artistEntry;
using testenv::CatalogFixture;
using testenv::ScriptedMsgBox;
using testenv::songEntry;

const QString kReadOnly = QStringLiteral("Cannot update. Database or object is read-only.");

// Each file of the folder with a digest of its content.
QStringList folderState(const QString& folder)
{
    QStringList state;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        QFile f(dir.filePath(name));
        const QByteArray content = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        state << name + QLatin1Char(' ')
                     + QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
    }
    return state;
}

class ReadOnlyFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (geteuid() == 0)
            GTEST_SKIP() << "the superuser writes into a read-only folder; the suite runs this as another user";
        ResetProgramState();
        AppRunning = true;
        previousRegistry_ = qgetenv("DISCAVO_REGISTRY_FILE");
        qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(scratch_.path() + QStringLiteral("/registry.json")));
        catalog.addArtist(QStringLiteral("Ella"));
        catalog.addRecord(QStringLiteral("Ella"), QStringLiteral("Blue"));
        catalog.addSong(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Angel Eyes"));
        bool ok = false;
        AddUser(QStringLiteral("Ella"), ArtistAccount::Password, ok);
        ASSERT_TRUE(ok);
        before = folderState(catalog.folder());
        const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        for (const QString& name : {QStringLiteral("records.mdb"), QStringLiteral("records.mdw")})
            ASSERT_TRUE(QFile::setPermissions(QDir(catalog.folder()).filePath(name), readable));
        ASSERT_TRUE(QFile::setPermissions(catalog.folder(), readable | QFile::ExeOwner | QFile::ExeGroup
                                                                 | QFile::ExeOther));
    }

    void TearDown() override
    {
        delete window.data();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QFile::setPermissions(catalog.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("DISCAVO_REGISTRY_FILE", previousRegistry_);
        ResetProgramState();
    }

    CatalogFixture catalog;
    QStringList before;
    QPointer<frmDatabaseExplorer> window;

private:
    QTemporaryDir scratch_;
    QByteArray previousRegistry_;
};

TEST_F(ReadOnlyFolderTest, TheCatalogueShowsAndEveryChangeIsRefusedWithTheEnginesMessage)
{
    ScriptedMsgBox boxes;
    window = new frmDatabaseExplorer;
    window->Load();
    window->TimerPopulateTree.stop();
    window->PopulateTree();
    const QTreeWidgetItem* root = window->tv1->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), QStringLiteral("Ella"));
    testenv::showArtist(*window, QStringLiteral("Ella"));
    EXPECT_EQ(testenv::columnTexts(window->ListView1), QStringList{QStringLiteral("Blue")});
    EXPECT_TRUE(boxes.empty()) << boxes.calls().front().prompt.toStdString();

    const CatalogEntry blue = testenv::addedRecord(QStringLiteral("Ella"), QStringLiteral("Blue"));
    const CatalogEntry angelEyes =
        songEntry(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Angel Eyes"));
    struct Case {
        const char* what;
        std::function<void(bool&)> change;
    };
    const Case cases[] = {
        {"add an artist", [](bool& ok) {
             bool userAdded = false;
             AddArtist(QStringLiteral("Miles"), userAdded, ok);
         }},
        {"add a record",
         [](bool& ok) {
             AddItem(testenv::addedRecord(QStringLiteral("Ella"), QStringLiteral("Train")), QStringLiteral("Train"),
                     ok);
         }},
        {"add a song title",
         [](bool& ok) {
             AddItem(songEntry(QStringLiteral("Ella"), QStringLiteral("Blue"), QStringLiteral("Moanin")),
                     QStringLiteral("Moanin"), ok);
         }},
        {"change a record",
         [&blue](bool& ok) {
             CatalogEntry changed = blue;
             changed.Label_Name = QStringLiteral("Verve");
             UpdateItem(blue, changed, ok);
         }},
        {"rename a song title", [&angelEyes](bool& ok) { RenameItem(angelEyes, QStringLiteral("Eyes"), ok); }},
        {"rename the artist",
         [](bool& ok) { RenameArtist(artistEntry(QStringLiteral("Ella")), QStringLiteral("Nina"), ok); }},
        {"delete a song title", [&angelEyes](bool& ok) { DeleteItems(angelEyes, false, ok); }},
        {"delete a record", [&blue](bool& ok) { DeleteItems(blue, false, ok); }},
        {"delete the artist", [](bool& ok) { DeleteArtist(artistEntry(QStringLiteral("Ella")), false, ok); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedMsgBox refused;
        refused.answer(vb::vbOK);
        bool ok = true;
        c.change(ok);
        EXPECT_FALSE(ok);
        ASSERT_EQ(refused.calls().size(), 1u);
        EXPECT_TRUE(refused.calls()[0].prompt.contains(kReadOnly)) << refused.calls()[0].prompt.toStdString();
        EXPECT_EQ(refused.calls()[0].style, vb::vbCritical);
        EXPECT_EQ(folderState(catalog.folder()), before);
    }
}

TEST_F(ReadOnlyFolderTest, CompactAndRepairFailAndLeaveTheFiles)
{
    for (const auto& run : {CompactDatabaseFile, RepairDatabaseFile}) {
        QString message;
        EXPECT_FALSE(run(QStringLiteral("records"), message));
        EXPECT_FALSE(message.isEmpty());
        EXPECT_EQ(folderState(catalog.folder()), before) << message.toStdString();
    }
}

} // namespace

#include "app/frmDatabaseExplorer.h"
#include "catalog/ArtistAccounts.h"
#include "catalog/ProgramState.h"
#include "dialogs/FindResultModel.h"
#include "dialogs/frmFind.h"
#include "support/CatalogFixture.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QStringList artistNodes(const QTreeWidget* tree)
{
    QStringList names;
    const QTreeWidgetItem* root = tree->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i)
        names << root->child(i)->text(0);
    return names;
}

TEST(FindCommand, ShowsFindModallyThenRebuildsTheTreeAndEmptiesTheLists)
{
    ResetProgramState();
    AppRunning = true;
    testenv::CatalogFixture db;
    db.addArtist("Abba");
    db.addRecord("Abba", "Waterloo");
    db.addSong("Abba", "Waterloo", "Honey");
    db.addArtist("Bowie");
    bool added = false;
    AddUser("Bowie", ArtistAccount::Password, added);
    ASSERT_TRUE(added);
    testenv::ScriptedMsgBox boxes;
    testenv::EndRecorder ends;

    QPointer<frmDatabaseExplorer> window = new frmDatabaseExplorer;
    window->Load();
    window->TimerPopulateTree.stop();
    window->PopulateTree();
    window->show();
    const QTreeWidgetItem* abba = window->tv1->findItems("Abba", Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(abba, nullptr);
    window->tv1->setCurrentItem(const_cast<QTreeWidgetItem*>(abba));
    CatalogEntry entry;
    entry.Artist = "Abba";
    entry.Level = Level::Artist;
    window->LoadRecords(entry);
    entry.Record_Name = "Waterloo";
    entry.Level = Level::Record_Name;
    window->LoadSongTitles(entry);
    ASSERT_EQ(window->ListView1->topLevelItemCount(), 1);
    ASSERT_EQ(window->ListView2->topLevelItemCount(), 1);

    // In Find: delete the artist Bowie, then close.
    bool wasModal = false;
    testenv::withWatchdog(5000, [&] {
        // Find's load lets pending events run: wait for its modal loop.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* find = qobject_cast<frmFind*>(QApplication::activeModalWidget());
            if (!find)
                return;
            poll.stop();
            wasModal = true;
            find->cmdRun_Click();
            ASSERT_EQ(find->ListView1Rows->cellText(1, 0), QStringLiteral("Bowie"));
            find->ListView1->selectionModel()->select(find->ListView1Rows->index(1, 0),
                                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
            boxes.answer(vb::vbYes);
            find->mnuPopupDelete_Click();
            find->cmdReturn_Click();
        });
        poll.start(10);
        window->mnuFindFiles_Click();
    });
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(frmFindInstance().peek(), nullptr);
    EXPECT_EQ(artistNodes(window->tv1), QStringList{"Abba"});
    EXPECT_EQ(window->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(window->ListView2->topLevelItemCount(), 0);

    delete window.data();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ResetProgramState();
}

} // namespace

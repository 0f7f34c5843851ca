// Entry commands: new, modify, rename and delete of artists, records and song titles.
#include "app/frmDatabaseExplorer.h"

#include "app/CatalogFunctions.h"
#include "app/frmDatabaseExplorer_CommandGuard.h"
#include "catalog/ArtistAccounts.h"
#include "catalog/CatalogStatements.h"
#include "catalog/DataAccess.h"
#include "catalog/EntryActions.h"
#include "catalog/ProgramState.h"
#include "dialogs/frmAddArtist.h"
#include "dialogs/frmAddRecordName.h"
#include "dialogs/frmAddSongs.h"
#include "jet/Engine.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/TextBox.h"
#include "widgets/ListRow.h"

#include <QApplication>
#include <QTreeWidget>

#include <functional>

namespace {

const QString kUserError = QStringLiteral("User Error.");

void userError(const QString& message) { vb::MsgBox(message, vb::vbInformation, kUserError); }

// Lets pending window messages run, but none of the user's input: a key or
// click queued meanwhile must not reach the window between a dialog's prefill
// and its show.
void runPendingEvents() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

} // namespace

bool frmDatabaseExplorer::listShowsArtist(const CatalogEntry& nodeEntry) const
{
    return nodeEntry.Level == Level::Artist && mListArtist && *mListArtist == nodeEntry.Artist;
}

void frmDatabaseExplorer::mnuNewArtist_Click()
{
    CommandGuard guard(*this);
    if (!guard.entered())
        return;
    setMousePointer(vb::vbHourglass);
    ModifyMode = false;
    frmAddArtist& dialog = frmAddArtistInstance()();
    dialog.mArtist->setText(QString());
    // The dialog adds an artist's account and row together or neither
    // (AddArtist), so no account is left without its artist to clean up here.
    dialog.Show(vb::vbModal);
    PopulateTree();
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::mnuNewRecordName_Click()
{
    CommandGuard guard(*this);
    if (!guard.entered())
        return;
    setMousePointer(vb::vbHourglass);
    ModifyMode = false;
    CatalogEntry entry;
    if (QTreeWidgetItem* node = SelectedNode())
        GetNodeItem(node, entry);
    if (entry.Artist.isEmpty()) {
        userError(QStringLiteral("You must selected a corresponding Artist in order to add a new Record."));
        setMousePointer(vb::vbDefault);
        return;
    }
    frmAddRecordName& dialog = frmAddRecordNameInstance()();
    dialog.mArtist->setText(entry.Artist);
    dialog.mRecordName->setText(QString());
    dialog.mArtist->setEnabled(false);
    dialog.Show(vb::vbModal);
    LoadRecords(entry);
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::mnuNewSong_Click()
{
    CommandGuard guard(*this);
    if (!guard.entered())
        return;
    setMousePointer(vb::vbHourglass);
    ModifyMode = false;
    QTreeWidgetItem* node = SelectedNode();
    QTreeWidgetItem* row = SelectedRow(ListView1);
    CatalogEntry nodeEntry;
    if (node)
        GetNodeItem(node, nodeEntry);
    if (!node || !row || !listShowsArtist(nodeEntry)) {
        userError(QStringLiteral("You must selected a corresponding Record in order to add a new song titles."));
        setMousePointer(vb::vbDefault);
        return;
    }
    CurrentEntry = CatalogEntry();
    GetNodeItem(node, CurrentEntry);
    CurrentEntry.Record_Name = row->text(0);

    frmAddSongs& dialog = frmAddSongsInstance()();
    dialog.mArtist->setText(CurrentEntry.Artist);
    dialog.mRecordName->setText(CurrentEntry.Record_Name);
    dialog.mArtist->setEnabled(false);
    dialog.mRecordName->setEnabled(false);
    runPendingEvents();
    dialog.Show(vb::vbModal);
    LoadSongTitles(CurrentEntry);
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::mnuRename_Click()
{
    CommandGuard guard(*this);
    if (!guard.entered())
        return;
    setMousePointer(vb::vbHourglass);
    ModifyMode = true;
    bool done = false;
    QWidget* active = QApplication::focusWidget();

    if (active == tv1) {
        if (SelectedNode()) {
            done = true;
            tv1_StartLabelEdit();
        }
    } else if (active == ListView1) {
        QTreeWidgetItem* node = SelectedNode();
        QTreeWidgetItem* row = SelectedRow(ListView1);
        CatalogEntry nodeEntry;
        if (node)
            GetNodeItem(node, nodeEntry);
        if (node && row && listShowsArtist(nodeEntry)) {
            CurrentEntry = CatalogEntry();
            GetNodeItem(node, CurrentEntry);
            CurrentEntry.Level = Level::Record_Name;
            ReadRecordRow(row, CurrentEntry);

            frmAddRecordName& dialog = frmAddRecordNameInstance()();
            dialog.FillFields(CurrentEntry);
            dialog.mArtist->setEnabled(false);
            runPendingEvents();
            dialog.Show(vb::vbModal);
            done = true;
            LoadRecords(CurrentEntry);
            // The reloaded list has no record selected, so no song titles show.
            ListView2->clear();
        }
    } else {
        modifySong();
        done = true;
    }

    if (!done) {
        setMousePointer(vb::vbDefault);
        userError(QStringLiteral("You must selected an entry to rename it."));
    }
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::mnuPopupSongRename_Click()
{
    CommandGuard guard(*this);
    if (!guard.entered())
        return;
    modifySong();
}

void frmDatabaseExplorer::modifySong()
{
    ModifyMode = true;
    QTreeWidgetItem* row = SelectedRow(ListView2);
    if (!row) {
        userError(QStringLiteral("You must select an entry to rename it."));
        return;
    }
    CurrentEntry = CatalogEntry();
    CurrentEntry.Level = Level::Song_Titles;
    ReadSongRow(row, CurrentEntry);

    frmAddSongs& dialog = frmAddSongsInstance()();
    dialog.mArtist->setText(CurrentEntry.Artist);
    dialog.mRecordName->setText(CurrentEntry.Record_Name);
    dialog.mSongTitle->setText(CurrentEntry.Song_Title);
    dialog.mArtist->setEnabled(false);
    dialog.mRecordName->setEnabled(false);
    runPendingEvents();
    dialog.Show(vb::vbModal);
    LoadSongTitles(CurrentEntry);
}

void frmDatabaseExplorer::mnuDelete_Click()
{
    CommandGuard guard(*this);
    if (!guard.entered())
        return;
    setMousePointer(vb::vbHourglass);
    bool askConfirm = true;
    bool ok = false;
    bool done = false;
    QWidget* active = QApplication::focusWidget();

    // Deletes the selected rows of a list in list order, each from a fresh
    // entry; one question covers them all, and a No (or a failure) on the
    // first row stops the rest.
    auto deleteRows = [&](QTreeWidget* list, const std::function<void(QTreeWidgetItem*, CatalogEntry&)>& read,
                          CatalogEntry& last) {
        const QList<QTreeWidgetItem*> rows = [list] {
            QList<QTreeWidgetItem*> selected;
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                if (list->topLevelItem(i)->isSelected())
                    selected << list->topLevelItem(i);
            }
            return selected;
        }();
        for (QTreeWidgetItem* row : rows) {
            CatalogEntry entry;
            read(row, entry);
            DeleteItems(entry, askConfirm, ok);
            last = entry;
            done = true;
            const bool first = askConfirm;
            askConfirm = false;
            if (first && !ok)
                break;
        }
    };

    if (active == tv1) {
        CatalogEntry entry;
        if (QTreeWidgetItem* node = SelectedNode())
            GetNodeItem(node, entry);
        if (entry.Level == Level::Artist) {
            DeleteArtist(entry, askConfirm, ok);
            if (ok) {
                PopulateTree();
                tv1->viewport()->update();
                ListView2->clear();
                entry.Level = Level::Database;
                SetMenuState(entry);
            }
            done = true;
        }
    } else if (active == ListView1) {
        QTreeWidgetItem* node = SelectedNode();
        CatalogEntry nodeEntry;
        if (node)
            GetNodeItem(node, nodeEntry);
        // Rows of another artist than the selected node's are never deleted under it.
        if (node && listShowsArtist(nodeEntry)) {
            CatalogEntry last;
            deleteRows(
                ListView1,
                [&](QTreeWidgetItem* row, CatalogEntry& entry) {
                    GetNodeItem(node, entry);
                    entry.Level = Level::Record_Name;
                    ReadRecordRow(row, entry);
                },
                last);
            if (done)
                ListView2->clear();
            nodeEntry.Level = Level::Artist;
            SetMenuState(nodeEntry);
            LoadRecords(nodeEntry);
        }
    } else {
        if (!SelectedRow(ListView2)) {
            setMousePointer(vb::vbDefault);
            userError(QStringLiteral("You must select an entry to delete it."));
            ListView2->viewport()->update();
            done = true;
        } else {
            CatalogEntry last;
            deleteRows(
                ListView2,
                [](QTreeWidgetItem* row, CatalogEntry& entry) {
                    entry.Level = Level::Song_Titles;
                    ReadSongRow(row, entry);
                },
                last);
            // The songs of the record the deleted rows belonged to.
            LoadSongTitles(last);
            last.Level = Level::Artist;
            SetMenuState(last);
            ListView2->viewport()->update();
            done = true;
        }
    }

    if (!done) {
        setMousePointer(vb::vbDefault);
        userError(QStringLiteral("You must select an entry to delete it.") + QStringLiteral("\r\n")
                  + QStringLiteral("The entry cannot be the database."));
    }
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::mnuPopupSongDelete_Click()
{
    mnuDelete_Click();
    setMousePointer(vb::vbDefault);
}

// The Find dialog's result list: sorting, the popup, and deleting the hits.
#include "dialogs/frmFind.h"

#include "catalog/EntryActions.h"
#include "catalog/ProgramState.h"
#include "dialogs/FindResultModel.h"
#include "dialogs/frmAddArtist.h"
#include "dialogs/frmAddRecordName.h"
#include "dialogs/frmAddSongs.h"
#include "vb/Keys.h"
#include "vb/MsgBox.h"
#include "vb/MousePointer.h"
#include "vb/Runtime.h"
#include "vb/TextBox.h"
#include "vb/Twips.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSet>
#include <QTreeView>

#include <algorithm>

std::vector<int> frmFind::SelectedRows() const
{
    std::vector<int> rows;
    const QItemSelection selection = ListView1->selectionModel()->selection();
    for (const QItemSelectionRange& range : selection)
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void frmFind::ListView1_ColumnClick(int column)
{
    ListView1SortOrder = ListView1SortOrder == 0 ? 1 : 0;
    ListView1SortKey = column - 1;
    sortList();
}

void frmFind::ListView1_MouseDown(int button, int, double x, double y)
{
    if (button != 2)
        return;
    setMousePointer(vb::vbHourglass);
    if (ListView1->selectionModel()->hasSelection()) {
        setMousePointer(vb::vbDefault);
        const QPoint at(vb::twipsToPixelsX(x), vb::twipsToPixelsY(y));
        const QPoint global = ListView1->viewport()->mapToGlobal(at);
        // Centred horizontally on the mouse.
        mnuPopup->popup(QPoint(global.x() - mnuPopup->sizeHint().width() / 2, global.y()));
    } else if (ListView1Rows->rows() > 0) {
        setMousePointer(vb::vbDefault);
        vb::MsgBox(QStringLiteral("Please select a record."), vb::vbCritical, QStringLiteral("User Error."));
    }
    setMousePointer(vb::vbDefault);
}

void frmFind::ListView1_DblClick()
{
    const BusyScope busy(*this);
    mnuPopupModify_Click();
    setMousePointer(vb::vbDefault);
}

void frmFind::ListView1_KeyDown(int keyCode, int)
{
    const BusyScope busy(*this);
    if (keyCode == vb::vbKeyDelete)
        mnuPopupDelete_Click();
    setMousePointer(vb::vbDefault);
}

void frmFind::mnuPopupDelete_Click()
{
    const BusyScope busy(*this);
    // The rows stay as they are until the search runs again at the end; each
    // becomes a fresh entry from its typed values.
    const std::vector<int> selected = SelectedRows();
    if (ListView1Rows->kind() == FindKind::Artist) {
        // An artist row stands for the whole artist: each artist once, asked
        // for by name; its account goes with its rows.
        QSet<QString> asked;
        for (const int row : selected) {
            CatalogEntry artist = ListView1Rows->entryAt(row);
            const QString key = artist.Artist.toCaseFolded();
            if (asked.contains(key))
                continue;
            asked.insert(key);
            CurrentEntry = std::move(artist);
            bool ok = false;
            DeleteItems(CurrentEntry, true, ok);
        }
    } else {
        bool askConfirm = true;
        for (std::size_t i = 0; i < selected.size(); ++i) {
            CurrentEntry = ListView1Rows->entryAt(selected[i]);
            bool ok = false;
            DeleteItems(CurrentEntry, askConfirm, ok);
            if (i == 0 && !ok)
                break;
            askConfirm = false;
        }
    }
    refreshAfterChange();
    setMousePointer(vb::vbDefault);
}

void frmFind::mnuPopupModify_Click()
{
    const BusyScope busy(*this);
    ModifyMode = true;
    const std::vector<int> selected = SelectedRows();
    if (!selected.empty()) {
        CurrentEntry = ListView1Rows->entryAt(selected.front());
        // The entry dialogs save the change themselves and close; each returns
        // once it has closed, saved or not.
        switch (ListView1Rows->kind()) {
        case FindKind::Artist: {
            frmAddArtist& dlg = frmAddArtistInstance()();
            dlg.mArtist->setText(CurrentEntry.Artist);
            dlg.Show(vb::vbModal);
            break;
        }
        case FindKind::RecordName: {
            frmAddRecordName& dlg = frmAddRecordNameInstance()();
            dlg.FillFields(CurrentEntry);
            dlg.mArtist->setEnabled(false);
            // Pending paints run, but no queued key or click reaches the list
            // between the prefill and the show.
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            dlg.Show(vb::vbModal);
            break;
        }
        case FindKind::SongTitle: {
            frmAddSongs& dlg = frmAddSongsInstance()();
            dlg.mArtist->setText(CurrentEntry.Artist);
            dlg.mRecordName->setText(CurrentEntry.Record_Name);
            dlg.mSongTitle->setText(CurrentEntry.Song_Title);
            dlg.mArtist->setEnabled(false);
            dlg.mRecordName->setEnabled(false);
            // Pending paints run, but no queued key or click reaches the list
            // between the prefill and the show.
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            dlg.Show(vb::vbModal);
            break;
        }
        case FindKind::None: break;
        }
    }
    refreshAfterChange();
    setMousePointer(vb::vbDefault);
}

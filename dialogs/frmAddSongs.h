#pragma once

#include "dialogs/EntryForm.h"
#include "vb/DefaultInstance.h"

class QLabel;
class QPushButton;
namespace vb {
class TextBox;
}

// The song-title dialog: adds a song title to a record, or saves the changed
// title of the song in CurrentEntry when ModifyMode is set.
//
// How an opener uses it:
//   ModifyMode = false or true (true: CurrentEntry holds the song's old values);
//   frmAddSongs& dlg = frmAddSongsInstance()();  // creates it, runs Form_Load
//   dlg.mArtist->setText(artist); dlg.mRecordName->setText(record);
//   dlg.mSongTitle->setText(title);  // for a modify
//   dlg.mArtist->setEnabled(false); dlg.mRecordName->setEnabled(false);
//   dlg.Show(vb::vbModal);  // returns once the dialog has closed and unloaded itself
class frmAddSongs : public EntryForm {
    Q_OBJECT
public:
    explicit frmAddSongs(QWidget* parent = nullptr);

    QLabel* LblFolder_Owner = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label2 = nullptr;

    // In tab order.
    vb::TextBox* mArtist = nullptr;
    vb::TextBox* mRecordName = nullptr;
    vb::TextBox* mSongTitle = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdSave_Click();

    void mArtist_GotFocus();
    void mRecordName_GotFocus();

protected:
    void Form_Load() override;
};

vb::DefaultInstance<frmAddSongs>& frmAddSongsInstance();

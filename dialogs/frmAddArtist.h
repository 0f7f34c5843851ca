#pragma once

#include "dialogs/EntryForm.h"
#include "vb/DefaultInstance.h"

class QLabel;
class QPushButton;
namespace vb {
class TextBox;
}

// The artist dialog: adds an artist (its account, then its artist-only row),
// or renames the artist of CurrentEntry when ModifyMode is set.
//
// How an opener uses it:
//   ModifyMode = false, or true with CurrentEntry.Artist the old name;
//   frmAddArtist& dlg = frmAddArtistInstance()();  // creates it, runs Form_Load
//   dlg.mArtist->setText(QString());  // or the old name for a rename
//   dlg.Show(vb::vbModal);  // returns once the dialog has closed and unloaded itself
class frmAddArtist : public EntryForm {
    Q_OBJECT
public:
    explicit frmAddArtist(QWidget* parent = nullptr);

    // In tab order.
    vb::TextBox* mArtist = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* LblFolder_Owner = nullptr;
    QPushButton* cmdHelp = nullptr;

    void cmdSave_Click();

    void mArtist_GotFocus();

protected:
    void Form_Load() override;
};

vb::DefaultInstance<frmAddArtist>& frmAddArtistInstance();

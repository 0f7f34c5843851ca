#include "dialogs/frmAddSongs.h"

#include "catalog/CatalogEntry.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/TextBox.h"

#include <QLabel>
#include <QPushButton>

frmAddSongs::frmAddSongs(QWidget* parent) : EntryForm([] { frmAddSongsInstance().release(); }, parent)
{
    setObjectName(QStringLiteral("frmAddSongs"));
    setClientSize(8235, 2640);

    LblFolder_Owner = addLabel("LblFolder_Owner", QStringLiteral("Artist Name:"), 600, 120, 1320, 315);
    Label5 = addLabel("Label5", QStringLiteral("Record Name:"), 600, 720, 1320, 315);
    Label2 = addLabel("Label2", QStringLiteral("Song Title:"), 600, 1320, 1320, 315);
    mArtist = addTextBox("mArtist", 2040, 120, 4815, 315);
    mArtist->setMaxLength(15);
    mRecordName = addTextBox("mRecordName", 2040, 720, 4815, 315);
    mRecordName->setMaxLength(25);
    mSongTitle = addTextBox("mSongTitle", 2040, 1320, 4815, 315);
    mSongTitle->setMaxLength(25);
    paintWhite(mSongTitle);
    // Screen readers name each field after its label.
    LblFolder_Owner->setBuddy(mArtist);
    Label5->setBuddy(mRecordName);
    Label2->setBuddy(mSongTitle);

    cmdSave = addButton("cmdSave", QStringLiteral("Sa&ve"), 480, 2040);
    cmdHelp = addButton("cmdHelp", QStringLiteral("&Help"), 5070, 2040);
    cmdCancel = addButton("cmdCancel", QStringLiteral("Can&cel"), 6480, 2040);
    setDefaultButton(cmdSave);
    setTabChain({mArtist, mRecordName, mSongTitle, cmdSave, cmdHelp, cmdCancel});

    connect(cmdSave, &QPushButton::clicked, this, &frmAddSongs::cmdSave_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmAddSongs::cmdHelp_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddSongs::cmdCancel_Click);

    // The song title keeps the text box's own focus behaviour.
    onGotFocus(mArtist, [this] { mArtist_GotFocus(); });
    onGotFocus(mRecordName, [this] { mRecordName_GotFocus(); });
    fitFont();
    watchControls();
}

void frmAddSongs::Form_Load()
{
    setCaption(vb::App::Title() + QStringLiteral("- Song Titles Data Entry"));
    mArtist->setMaxLength(15);
    mRecordName->setMaxLength(60);
    mSongTitle->setMaxLength(100);
    HelpContextID = 27;
    setMousePointer(vb::vbDefault);
}

void frmAddSongs::cmdSave_Click()
{
    if (!acceptName(mArtist, artistMessage()) || !acceptName(mRecordName, nameMessage())
        || !acceptName(mSongTitle, nameMessage()))
        return;

    setMousePointer(vb::vbHourglass);
    CatalogEntry entry;
    entry.Artist = mArtist->Text();
    entry.Record_Name = mRecordName->Text();
    entry.Song_Title = mSongTitle->Text();
    entry.Level = Level::Song_Titles;
    saveEntry(entry, mSongTitle, QStringLiteral("Do you want to enter another song title?"));
}

void frmAddSongs::mArtist_GotFocus() { mArtist->selectWhole(); }
void frmAddSongs::mRecordName_GotFocus() { mRecordName->selectWhole(); }

vb::DefaultInstance<frmAddSongs>& frmAddSongsInstance()
{
    static vb::DefaultInstance<frmAddSongs> instance;
    return instance;
}

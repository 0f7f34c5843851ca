#include "dialogs/frmAddArtist.h"

#include "catalog/ArtistAccounts.h"
#include "catalog/ProgramState.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/TextBox.h"

#include <QLabel>
#include <QPushButton>

frmAddArtist::frmAddArtist(QWidget* parent) : EntryForm([] { frmAddArtistInstance().release(); }, parent)
{
    setObjectName(QStringLiteral("frmAddArtist"));
    setClientSize(7605, 1575);

    mArtist = addTextBox("mArtist", 2400, 240, 3735, 375);
    mArtist->setMaxLength(40);
    cmdSave = addButton("cmdSave", QStringLiteral("Sa&ve"), 480, 960);
    cmdCancel = addButton("cmdCancel", QStringLiteral("Can&cel"), 6000, 960);
    LblFolder_Owner = addLabel("LblFolder_Owner", QStringLiteral("Artist Name:"), 495, 240, 1575, 375);
    cmdHelp = addButton("cmdHelp", QStringLiteral("&Help"), 4560, 960);
    setDefaultButton(cmdSave);
    // Screen readers name the field after its label.
    LblFolder_Owner->setBuddy(mArtist);

    setTabChain({mArtist, cmdSave, cmdCancel, cmdHelp});

    connect(cmdSave, &QPushButton::clicked, this, &frmAddArtist::cmdSave_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmAddArtist::cmdHelp_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddArtist::cmdCancel_Click);
    onGotFocus(mArtist, [this] { mArtist_GotFocus(); });
    fitFont();
    watchControls();
}

void frmAddArtist::Form_Load()
{
    setMousePointer(vb::vbHourglass);
    setCaption(vb::App::Title() + QStringLiteral("- Artist Data Entry"));
    mArtist->setMaxLength(15);
    HelpContextID = 8;
    setMousePointer(vb::vbDefault);
}

void frmAddArtist::cmdSave_Click()
{
    if (!acceptName(mArtist, artistMessage()))
        return;
    const QString name = mArtist->Text();

    auto refuse = [this](const QString& message) {
        setMousePointer(vb::vbDefault);
        mArtist->selectWhole();
        mArtist->setFocus(Qt::OtherFocusReason);
        vb::MsgBox(message, vb::vbCritical, QStringLiteral("User Entry Error!"));
    };

    setMousePointer(vb::vbHourglass);
    bool found = false;
    UserExists(name, found);
    if (found) {
        refuse(QStringLiteral("Cannot add ") + name
               + QStringLiteral(". The name already exists. Please specify a different name."));
        return;
    }

    bool ok = false;
    if (ModifyMode) {
        // RenameArtist shows its own refusals; the dialog closes either way.
        RenameArtist(CurrentEntry, name, ok);
        closeDialog();
        return;
    }

    // The account and the artist-only row are made together or not at all.
    bool userAdded = false;
    AddArtist(name, userAdded, ok);
    if (!userAdded) {
        refuse(QStringLiteral("Cannot add ") + name + QStringLiteral("."));
        return;
    }
    if (!ok) {
        closeDialog();
        return;
    }
    setMousePointer(vb::vbDefault);
    if (vb::MsgBox(QStringLiteral("Do you want to enter another artist?"), vb::vbYesNo, QStringLiteral("More Data?"))
        == vb::vbNo) {
        closeDialog();
        return;
    }
    mArtist->selectWhole();
    mArtist->setFocus(Qt::OtherFocusReason);
}

void frmAddArtist::mArtist_GotFocus() { mArtist->selectWhole(); }

vb::DefaultInstance<frmAddArtist>& frmAddArtistInstance()
{
    static vb::DefaultInstance<frmAddArtist> instance;
    return instance;
}

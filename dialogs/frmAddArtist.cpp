#include "dialogs/frmAddArtist.h"

#include "catalog/ArtistAccounts.h"
#include "catalog/NameRules.h"
#include "catalog/ProgramState.h"
#include "vb/App.h"
#include "vb/Control.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"
#include "vb/TextBox.h"

#include <QLabel>
#include <QPushButton>

frmAddArtist::frmAddArtist(QWidget* parent) : EntryForm(parent)
{
    setObjectName(QStringLiteral("frmAddArtist"));
    setClientSize(7605, 1575);

    auto button = [this](const char* name, const QString& caption, int left) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        vb::ctlMove(b, left, 960, 1215, 375);
        registerControl(b, vb::ControlKind::CommandButton);
        return b;
    };

    mArtist = new vb::TextBox(this);
    mArtist->setObjectName(QStringLiteral("mArtist"));
    mArtist->setMaxLength(40);
    vb::ctlMove(mArtist, 2400, 240, 3735, 375);
    registerControl(mArtist, vb::ControlKind::TextBox);
    cmdSave = button("cmdSave", QStringLiteral("Sa&ve"), 480);
    cmdCancel = button("cmdCancel", QStringLiteral("Can&cel"), 6000);
    LblFolder_Owner = new QLabel(QStringLiteral("Artist Name:"), this);
    LblFolder_Owner->setObjectName(QStringLiteral("LblFolder_Owner"));
    vb::ctlMove(LblFolder_Owner, 495, 240, 1575, 375);
    cmdHelp = button("cmdHelp", QStringLiteral("&Help"), 4560);
    setDefaultButton(cmdSave);

    setTabOrder(mArtist, cmdSave);
    setTabOrder(cmdSave, cmdCancel);
    setTabOrder(cmdCancel, cmdHelp);

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

void frmAddArtist::Form_Resize()
{
    setMousePointer(vb::vbHourglass);
    centreOnScreen();
    setMousePointer(vb::vbDefault);
}

void frmAddArtist::Form_Unload(int& cancel)
{
    (void)cancel;
    cmdCancel_Click();
}

void frmAddArtist::cmdSave_Click()
{
    const QString name = vb::Trim(mArtist->Text());
    if (name != mArtist->Text())
        mArtist->setText(name);
    if (name.isEmpty() || !IsValidName(name)) {
        refuseField(mArtist,
                    QStringLiteral("Incorrect Entry!.  Please enter a value with no spaces or special characters."));
        return;
    }

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

void frmAddArtist::closeDialog()
{
    closing_ = true;
    setMousePointer(vb::vbDefault);
    closeForm([] { frmAddArtistInstance().release(); });
    setMousePointer(vb::vbDefault);
}

void frmAddArtist::cmdCancel_Click()
{
    if (closing_)
        return;
    closing_ = true;
    setMousePointer(vb::vbHourglass);
    closeForm([] { frmAddArtistInstance().release(); });
    setMousePointer(vb::vbDefault);
    vb::DoEvents();
}

void frmAddArtist::cmdHelp_Click() { sendF1(); }

void frmAddArtist::mArtist_GotFocus() { mArtist->selectWhole(); }

vb::DefaultInstance<frmAddArtist>& frmAddArtistInstance()
{
    static vb::DefaultInstance<frmAddArtist> instance;
    return instance;
}

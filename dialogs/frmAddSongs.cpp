#include "dialogs/frmAddSongs.h"

#include "catalog/EntryActions.h"
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

namespace {

const QString kArtistMessage =
    QStringLiteral("Incorrect Entry!.  Please enter a value with no spaces or special characters.");
const QString kNameMessage = QStringLiteral("Incorrect Entry!.  Please enter a value with no special characters.");

} // namespace

frmAddSongs::frmAddSongs(QWidget* parent) : EntryForm(parent)
{
    setObjectName(QStringLiteral("frmAddSongs"));
    setClientSize(8235, 2640);

    auto label = [this](const char* name, const QString& text, int top) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        vb::ctlMove(l, 600, top, 1320, 315);
        return l;
    };
    auto textBox = [this](const char* name, int top, int maxLength) {
        auto* t = new vb::TextBox(this);
        t->setObjectName(QLatin1String(name));
        t->setMaxLength(maxLength);
        vb::ctlMove(t, 2040, top, 4815, 315);
        registerControl(t, vb::ControlKind::TextBox);
        return t;
    };
    auto button = [this](const char* name, const QString& caption, int left) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        vb::ctlMove(b, left, 2040, 1215, 375);
        registerControl(b, vb::ControlKind::CommandButton);
        return b;
    };

    LblFolder_Owner = label("LblFolder_Owner", QStringLiteral("Artist Name:"), 120);
    Label5 = label("Label5", QStringLiteral("Record Name:"), 720);
    Label2 = label("Label2", QStringLiteral("Song Title:"), 1320);
    mArtist = textBox("mArtist", 120, 15);
    mRecordName = textBox("mRecordName", 720, 25);
    mSongTitle = textBox("mSongTitle", 1320, 25);
    QPalette pal = mSongTitle->palette();
    pal.setColor(QPalette::Base, Qt::white);
    mSongTitle->setPalette(pal);

    cmdSave = button("cmdSave", QStringLiteral("Sa&ve"), 480);
    cmdHelp = button("cmdHelp", QStringLiteral("&Help"), 5070);
    cmdCancel = button("cmdCancel", QStringLiteral("Can&cel"), 6480);
    setDefaultButton(cmdSave);

    const QList<QWidget*> tabOrder = {mArtist, mRecordName, mSongTitle, cmdSave, cmdHelp, cmdCancel};
    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

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

void frmAddSongs::Form_Resize()
{
    setMousePointer(vb::vbHourglass);
    centreOnScreen();
    setMousePointer(vb::vbDefault);
}

void frmAddSongs::Form_Unload(int& cancel)
{
    (void)cancel;
    cmdCancel_Click();
}

void frmAddSongs::cmdSave_Click()
{
    const struct {
        vb::TextBox* field;
        const QString& message;
    } fields[] = {{mArtist, kArtistMessage}, {mRecordName, kNameMessage}, {mSongTitle, kNameMessage}};
    for (const auto& f : fields) {
        const QString text = vb::Trim(f.field->Text());
        if (text != f.field->Text())
            f.field->setText(text);
        if (text.isEmpty() || !IsValidName(text)) {
            refuseField(f.field, f.message);
            return;
        }
    }

    setMousePointer(vb::vbHourglass);
    CatalogEntry entry;
    entry.Artist = mArtist->Text();
    entry.Record_Name = mRecordName->Text();
    entry.Song_Title = mSongTitle->Text();
    entry.Level = Level::Song_Titles;

    bool ok = false;
    if (ModifyMode) {
        UpdateItem(CurrentEntry, entry, ok);
        if (ok) {
            closeDialog();
            return;
        }
    } else {
        AddItem(entry, mSongTitle->Text(), ok);
        if (ok) {
            setMousePointer(vb::vbDefault);
            if (vb::MsgBox(QStringLiteral("Do you want to enter another song title?"), vb::vbYesNo,
                           QStringLiteral("More Data?"))
                == vb::vbNo) {
                closeDialog();
                return;
            }
        }
    }
    setMousePointer(vb::vbDefault);
    mSongTitle->selectWhole();
    mSongTitle->setFocus(Qt::OtherFocusReason);
}

void frmAddSongs::closeDialog()
{
    closing_ = true;
    closeForm([] { frmAddSongsInstance().release(); });
    setMousePointer(vb::vbDefault);
}

void frmAddSongs::cmdCancel_Click()
{
    if (closing_)
        return;
    closing_ = true;
    setMousePointer(vb::vbHourglass);
    closeForm([] { frmAddSongsInstance().release(); });
    setMousePointer(vb::vbDefault);
    vb::DoEvents();
}

void frmAddSongs::cmdHelp_Click() { sendF1(); }

void frmAddSongs::mArtist_GotFocus() { mArtist->selectWhole(); }
void frmAddSongs::mRecordName_GotFocus() { mRecordName->selectWhole(); }

vb::DefaultInstance<frmAddSongs>& frmAddSongsInstance()
{
    static vb::DefaultInstance<frmAddSongs> instance;
    return instance;
}

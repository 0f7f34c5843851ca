// Tool, view and help commands, and About.
#include "app/MakerAddresses.h"
#include "app/frmAbout.h"
#include "app/frmDatabaseExplorer.h"
#include "catalog/Maintenance.h"
#include "catalog/SoundOption.h"
#include "help/Help.h"
#include "shell/Shell.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/MsgBox.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include <exception>

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// Asks, runs the maintenance routine and shows its message; a run-time error
// ends the command without a result box.
void runMaintenance(frmDatabaseExplorer& window, const QString& question, const QString& questionTitle,
                    bool (*routine)(QString, QString&), const QString& resultTitle)
{
    QString message = question;
    try {
        if (vb::MsgBox(message, vb::vbYesNo | vb::vbQuestion, questionTitle) != vb::vbYes)
            return;
        window.setMousePointer(vb::vbHourglass);
        const bool done = routine(QStringLiteral("records"), message);
        window.setMousePointer(vb::vbDefault);
        vb::MsgBox(message, done ? vb::vbInformation : vb::vbCritical, resultTitle);
    } catch (const std::exception&) {
        window.setMousePointer(vb::vbDefault);
    }
}
} // namespace

void frmDatabaseExplorer::mnuToolbar_Click()
{
    mnuToolbar->setChecked(!mnuToolbar->isChecked());
    Toolbar1->setVisible(mnuToolbar->isChecked());
    picControlsContainer_Resize();
}

void frmDatabaseExplorer::mnuStatusbar_Click()
{
    mnuStatusbar->setChecked(!mnuStatusbar->isChecked());
    StatusBar1->setVisible(mnuStatusbar->isChecked());
    picControlsContainer_Resize();
}

void frmDatabaseExplorer::mnuCompactDatabase_Click()
{
    const QString title = vb::App::Title() + QStringLiteral(" - Compacting the database.");
    runMaintenance(*this, QStringLiteral("You selected to compact the database.") + kCrLf + QStringLiteral("Continue?"),
                   title, &CompactDatabaseFile, title);
}

void frmDatabaseExplorer::mnuRepairDatabase_Click()
{
    runMaintenance(*this, QStringLiteral("You selected to repair the database.") + kCrLf + QStringLiteral("Continue?"),
                   vb::App::Title() + QStringLiteral(" - Repairing the database."), &RepairDatabaseFile,
                   vb::App::Title() + QStringLiteral(" - Repairing Database."));
}

void frmDatabaseExplorer::mnuPlayZAVROSound_Click()
{
    setMousePointer(vb::vbArrowHourglass);
    const bool play = !mnuPlayZAVROSound->isChecked();
    if (play)
        QFile::remove(SoundOptionFile());
    else
        SavePlaySoundOption(false);
    // The mark tells what the exit will do: when the folder refused the change,
    // the option file, and so the mark, stay as they were.
    mnuPlayZAVROSound->setChecked(!QFileInfo(SoundOptionFile()).isFile());
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::mnuGettingStarted_Click()
{
    WinHelpA(this, vb::App::file(QStringLiteral("GettingStartedQZN.hlp")), HELP_FINDER, 0);
}

void frmDatabaseExplorer::mnuContents_Click() { WinHelpA(this, vb::App::HelpFile(), HELP_FINDER, 0); }

void frmDatabaseExplorer::mnuSearch_Click() { WinHelpA(this, vb::App::HelpFile(), HELP_PARTIALKEY, 0); }

void frmDatabaseExplorer::mnuHowToUseHelp_Click() { WinHelpA(this, vb::App::HelpFile(), HELP_HELPONHELP, 0); }

void frmDatabaseExplorer::mnuVisitZAVROTech_Click()
{
    setMousePointer(vb::vbHourglass);
    ShellExecuteA(this, QStringLiteral("Open"), MakerHomePage(), QString(), QString(), 1);
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::mnuemailsupport_Click()
{
    setMousePointer(vb::vbHourglass);
    ShellExecuteA(this, QStringLiteral("Open"), QStringLiteral("Mailto:") + MakerSupportEmail(), QString(), QString(), 1);
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::mnuAbout_Click()
{
    frmAbout& about = frmAboutInstance()();
    about.picIcon->setPixmap(windowIcon().pixmap(about.picIcon->size()));
    about.Show(vb::vbModal);
}

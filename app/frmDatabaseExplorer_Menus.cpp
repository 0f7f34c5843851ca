// The main window's menus, toolbar and menu state.
#include "app/frmDatabaseExplorer.h"

#include "vb/MousePointer.h"

#include <QMenu>
#include <QMenuBar>

void frmDatabaseExplorer::buildMenus()
{
    using Handler = void (frmDatabaseExplorer::*)();
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setNativeMenuBar(false);

    auto menu = [this](QWidget* parent, const char* name, const QString& caption) {
        auto* m = new QMenu(caption, parent);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        if (auto* bar = qobject_cast<QMenuBar*>(parent))
            bar->addMenu(m);
        else
            static_cast<QMenu*>(parent)->addMenu(m);
        return m;
    };
    auto item = [this](QMenu* parent, const char* name, const QString& caption, Handler handler) {
        auto* a = new QAction(caption, parent);
        a->setObjectName(QLatin1String(name));
        parent->addAction(a);
        if (handler)
            connect(a, &QAction::triggered, this, [this, a, handler] {
                // A check mark changes only when the command sets it.
                if (a->isCheckable())
                    a->setChecked(!a->isChecked());
                (this->*handler)();
            });
        return a;
    };
    auto separator = [](QMenu* parent, const char* name) {
        auto* a = new QAction(parent);
        a->setObjectName(QLatin1String(name));
        a->setSeparator(true);
        parent->addAction(a);
        return a;
    };
    using F = frmDatabaseExplorer;

    mnuFile = menu(menuBar, "mnuFile", QStringLiteral("&File"));
    mnuNew = menu(mnuFile, "mnuNew", QStringLiteral("Ne&w"));
    mnuNewArtist = item(mnuNew, "mnuNewArtist", QStringLiteral("&Artist"), &F::mnuNewArtist_Click);
    mnuNewRecordName = item(mnuNew, "mnuNewRecordName", QStringLiteral("&Record"), &F::mnuNewRecordName_Click);
    mnuFileNewSep = separator(mnuNew, "mnuFileNewSep");
    mnuNewSong = item(mnuNew, "mnuNewSong", QStringLiteral("&Song Title"), &F::mnuNewSong_Click);
    mnuSepAddMediaRecords = separator(mnuFile, "mnuSepAddMediaRecords");
    mnuDelete = item(mnuFile, "mnuDelete", QStringLiteral("&Delete"), &F::mnuDelete_Click);
    mnuRename = item(mnuFile, "mnuRename", QStringLiteral("Rena&me"), &F::mnuRename_Click);
    mnuSepAdd = separator(mnuFile, "mnuSepAdd");
    mnuPrint = item(mnuFile, "mnuPrint", QStringLiteral("Print Pre&view"), &F::mnuPrint_Click);
    mnuSepPrint = separator(mnuFile, "mnuSepPrint");
    mnuExit = item(mnuFile, "mnuExit", QStringLiteral("E&xit"), &F::mnuExit_Click);

    mnuView = menu(menuBar, "mnuView", QStringLiteral("&View"));
    mnuToolbar = item(mnuView, "mnuToolbar", QStringLiteral("&Toolbar"), &F::mnuToolbar_Click);
    mnuToolbar->setCheckable(true);
    mnuToolbar->setChecked(true);
    mnuStatusbar = item(mnuView, "mnuStatusbar", QStringLiteral("Status &bar"), &F::mnuStatusbar_Click);
    mnuStatusbar->setCheckable(true);
    mnuStatusbar->setChecked(true);

    mnuEdit = menu(menuBar, "mnuEdit", QStringLiteral("&Edit"));
    mnuEdit->menuAction()->setVisible(false);
    mnuCopy = item(mnuEdit, "mnuCopy", QStringLiteral("&Copy"), nullptr);
    mnuCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuCut = item(mnuEdit, "mnuCut", QStringLiteral("Cu&t"), nullptr);
    mnuCut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuPaste = item(mnuEdit, "mnuPaste", QStringLiteral("&Paste"), nullptr);
    mnuPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    setEnabled(mnuPaste, false);

    mnuToolS = menu(menuBar, "mnuToolS", QStringLiteral("&Tools"));
    mnuFindFiles = item(mnuToolS, "mnuFindFiles", QStringLiteral("&Find"), &F::mnuFindFiles_Click);
    mnuToolSep1 = separator(mnuToolS, "mnuToolSep1");
    mnuMaintenance = menu(mnuToolS, "mnuMaintenance", QStringLiteral("&Database Maintenance"));
    mnuCompactDatabase = item(mnuMaintenance, "mnuCompactDatabase", QStringLiteral("&Compact Database"),
                              &F::mnuCompactDatabase_Click);
    mnuSepCompatDatabase = separator(mnuMaintenance, "mnuSepCompatDatabase");
    mnuRepairDatabase = item(mnuMaintenance, "mnuRepairDatabase", QStringLiteral("&Repair Database"),
                             &F::mnuRepairDatabase_Click);
    mnuSepOption = separator(mnuToolS, "mnuSepOption");
    mnuOptions = menu(mnuToolS, "mnuOptions", QStringLiteral("&Options"));
    mnuPlayZAVROSound = item(mnuOptions, "mnuPlayZAVROSound", QStringLiteral("&Play ZAVRO Dodi sound on Exit"),
                             &F::mnuPlayZAVROSound_Click);
    mnuPlayZAVROSound->setCheckable(true);

    mnuHelp = menu(menuBar, "mnuHelp", QStringLiteral("&Help"));
    mnuGettingStarted = item(mnuHelp, "mnuGettingStarted", QStringLiteral("&Getting Started"),
                             &F::mnuGettingStarted_Click);
    mnuSepGettingStarted = separator(mnuHelp, "mnuSepGettingStarted");
    mnuContents = item(mnuHelp, "mnuContents", QStringLiteral("&Contents"), &F::mnuContents_Click);
    mnuSearch = item(mnuHelp, "mnuSearch", QStringLiteral("&Search"), &F::mnuSearch_Click);
    mnuHowToUseHelp = item(mnuHelp, "mnuHowToUseHelp", QStringLiteral("&How To Use Help"), &F::mnuHowToUseHelp_Click);
    mnuHelpSep = separator(mnuHelp, "mnuHelpSep");
    mnuVisitZAVROTech = item(mnuHelp, "mnuVisitZAVROTech", QStringLiteral("ZAVRO Dodi &Web Site"),
                             &F::mnuVisitZAVROTech_Click);
    mnuemailsupport = item(mnuHelp, "mnuemailsupport", QStringLiteral("Email &Support"), &F::mnuemailsupport_Click);
    mnuAboutSep = separator(mnuHelp, "mnuAboutSep");
    mnuAbout = item(mnuHelp, "mnuAbout", QStringLiteral("&About Vinarium"), &F::mnuAbout_Click);

    mnuPopupSong = menu(menuBar, "mnuPopupSong", QStringLiteral("Popup SongMenu"));
    mnuPopupSong->menuAction()->setVisible(false);
    mnuPopupSongDelete = item(mnuPopupSong, "mnuPopupSongDelete", QStringLiteral("Delete"),
                              &F::mnuPopupSongDelete_Click);
    mnuPopupSongRename = item(mnuPopupSong, "mnuPopupSongRename", QStringLiteral("Rename"),
                              &F::mnuPopupSongRename_Click);

    mnuPopup = menu(menuBar, "mnuPopup", QStringLiteral("Popup Menu"));
    mnuPopup->menuAction()->setVisible(false);
    mnuPopupNew[0] = menu(mnuPopup, "mnuPopupNew(0)", QStringLiteral("New"));
    mnuPopupNewArtist = item(mnuPopupNew[0], "mnuPopupNewArtist", QStringLiteral("Artist"),
                             &F::mnuPopupNewArtist_Click);
    mnuPopupRecordName = item(mnuPopupNew[0], "mnuPopupRecordName", QStringLiteral("Record"),
                              &F::mnuPopupRecordName_Click);
    mnuPopupNewSong = item(mnuPopupNew[0], "mnuPopupNewSong", QStringLiteral("Song Title"), &F::mnuPopupNewSong_Click);
    mnuPopupSep1 = separator(mnuPopup, "mnuPopupSep1");
    mnuPopupDelete = item(mnuPopup, "mnuPopupDelete", QStringLiteral("&Delete"), &F::mnuPopupDelete_Click);
    mnuPopupRename = item(mnuPopup, "mnuPopupRename", QStringLiteral("Re&name"), &F::mnuPopupRename_Click);
    mnuPopupSep2 = separator(mnuPopup, "mnuPopupSep2");
    mnuPopupCopy = item(mnuPopup, "mnuPopupCopy", QStringLiteral("&Copy"), nullptr);
    mnuPopupCopy->setVisible(false);
    mnuPopupCut = item(mnuPopup, "mnuPopupCut", QStringLiteral("Cu&t"), nullptr);
    mnuPopupCut->setVisible(false);
    mnuPopupPaste = item(mnuPopup, "mnuPopupPaste", QStringLiteral("&Paste"), nullptr);
    mnuPopupPaste->setVisible(false);
    mnuPopupSep3 = separator(mnuPopup, "mnuPopupSep3");
    mnuPopupSep3->setVisible(false);
    mnuPopupFind = item(mnuPopup, "mnuPopupFind", QStringLiteral("&Find"), &F::mnuPopupFind_Click);
    mnuPopupSep5 = separator(mnuPopup, "mnuPopupSep5");
    mnuPopupPrintPreview = item(mnuPopup, "mnuPopupPrintPreview", QStringLiteral("Print Pre&view"),
                                &F::mnuPopupPrintPreview_Click);
}

void frmDatabaseExplorer::Toolbar1_ButtonClick(int index)
{
    setMousePointer(vb::vbHourglass);
    switch (index) {
    case 1: mnuNewArtist_Click(); break;
    case 2: mnuNewRecordName_Click(); break;
    case 3: mnuNewSong_Click(); break;
    case 5: mnuDelete_Click(); break;
    case 7: mnuFindFiles_Click(); break;
    case 8: mnuPrint_Click(); break;
    case 10: mnuContents_Click(); break;
    default: break;
    }
    setMousePointer(vb::vbDefault);
}

void frmDatabaseExplorer::Toolbar1_MouseMove()
{
    mVSplit.SetPointer(vb::vbDefault);
    mHSplit.SetPointer(vb::vbDefault);
}

bool frmDatabaseExplorer::Enabled(const QAction* item)
{
    if (item->isVisible())
        return item->isEnabled();
    const QVariant stored = item->property("vbEnabled");
    return stored.isValid() ? stored.toBool() : true;
}

void frmDatabaseExplorer::setEnabled(QAction* item, bool enabled)
{
    item->setProperty("vbEnabled", enabled);
    item->setEnabled(enabled);
}

void frmDatabaseExplorer::SetMenuState(const CatalogEntry& entry)
{
    const bool record = entry.Level == Level::Record_Name;
    const bool artist = !record && entry.Level == Level::Artist;
    const bool root = !record && !artist;

    setEnabled(mnuNewArtist, root);
    setEnabled(mnuPopupNewArtist, root);
    setEnabled(mnuNewRecordName, artist);
    setEnabled(mnuPopupRecordName, artist);
    setEnabled(mnuNewSong, record);
    setEnabled(mnuPopupNewSong, record);
    if (root) {
        setEnabled(mnuCopy, false);
        setEnabled(mnuCut, false);
        setEnabled(mnuPaste, false);
        setEnabled(mnuPopupCopy, false);
        setEnabled(mnuPopupCut, false);
        setEnabled(mnuPopupPaste, false);
    } else {
        setEnabled(mnuPopupCopy, Enabled(mnuCopy));
        setEnabled(mnuPopupCut, Enabled(mnuCut));
        setEnabled(mnuPopupPaste, Enabled(mnuPaste));
    }
    setEnabled(mnuDelete, !root);
    setEnabled(mnuPopupDelete, !root);
    setEnabled(mnuRename, !root);
    setEnabled(mnuPopupRename, !root);
    setEnabled(mnuFindFiles, true);
    setEnabled(mnuPopupPrintPreview, true);
    // Print preview is offered at the root too; the command itself checks the tree.
    setEnabled(mnuPrint, true);

    Toolbar1->Buttons(1).setEnabled(Enabled(mnuNewArtist));
    Toolbar1->Buttons(2).setEnabled(Enabled(mnuNewRecordName));
    Toolbar1->Buttons(3).setEnabled(Enabled(mnuNewSong));
    Toolbar1->Buttons(5).setEnabled(Enabled(mnuDelete));
    Toolbar1->Buttons(7).setEnabled(Enabled(mnuFindFiles));
    Toolbar1->Buttons(8).setEnabled(Enabled(mnuPrint));
    Toolbar1->Buttons(10).setEnabled(true);
}


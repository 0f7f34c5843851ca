#include "app/frmDatabaseExplorer.h"
#include "app/frmEnd.h"
#include "catalog/ProgramState.h"
#include "catalog/SoundOption.h"
#include "jet/Engine.h"
#include "catalog/modRegistry.h"
#include "support/TestEnv.h"
#include "vb/App.h"
#include "vb/MousePointer.h"
#include "vb/Twips.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyleOptionToolButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const QString kSoundKey = QStringLiteral("SOFTWARE\\ZAVRO Dodi\\Discavo 3\\3.00.000");

// The main window with every command replaced by a recorder of its name.
// The record outlives the window, which the exit deletes in its own time.
class Probe : public frmDatabaseExplorer {
public:
    Probe() { ran.clear(); }
    static inline QStringList ran;
    void PopulateTree() override { ran << "PopulateTree"; }
    void mnuNewArtist_Click() override { ran << "mnuNewArtist_Click"; }
    void mnuNewRecordName_Click() override { ran << "mnuNewRecordName_Click"; }
    void mnuNewSong_Click() override { ran << "mnuNewSong_Click"; }
    void mnuDelete_Click() override { ran << "mnuDelete_Click"; }
    void mnuRename_Click() override { ran << "mnuRename_Click"; }
    void mnuPrint_Click() override { ran << "mnuPrint_Click"; }
    void mnuToolbar_Click() override { ran << "mnuToolbar_Click"; }
    void mnuStatusbar_Click() override { ran << "mnuStatusbar_Click"; }
    void mnuFindFiles_Click() override { ran << "mnuFindFiles_Click"; }
    void mnuCompactDatabase_Click() override { ran << "mnuCompactDatabase_Click"; }
    void mnuRepairDatabase_Click() override { ran << "mnuRepairDatabase_Click"; }
    void mnuPlayZAVROSound_Click() override { ran << "mnuPlayZAVROSound_Click"; }
    void mnuGettingStarted_Click() override { ran << "mnuGettingStarted_Click"; }
    void mnuContents_Click() override { ran << "mnuContents_Click"; }
    void mnuSearch_Click() override { ran << "mnuSearch_Click"; }
    void mnuHowToUseHelp_Click() override { ran << "mnuHowToUseHelp_Click"; }
    void mnuVisitZAVROTech_Click() override { ran << "mnuVisitZAVROTech_Click"; }
    void mnuemailsupport_Click() override { ran << "mnuemailsupport_Click"; }
    void mnuAbout_Click() override { ran << "mnuAbout_Click"; }
    void mnuPopupSongRename_Click() override { ran << "mnuPopupSongRename_Click"; }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        AppRunning = true;
        previousRegistry_ = qgetenv("DISCAVO_REGISTRY_FILE");
        qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(folder.file(QStringLiteral("registry.json"))));
    }

    void TearDown() override
    {
        delete window.data();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qputenv("DISCAVO_REGISTRY_FILE", previousRegistry_);
        ResetProgramState();
    }

    // A loaded window whose start timer is held back (tests run it themselves).
    Probe& load()
    {
        window = new Probe;
        window->Load();
        window->TimerPopulateTree.stop();
        return *window;
    }

    Probe& loadAndShow()
    {
        Probe& w = load();
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }

    void touch(const QString& name)
    {
        QFile f(folder.file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    // Runs `body` while the exit window is closed as soon as it shows; returns how often it showed.
    template <class F>
    int whileExitWindowCloses(F&& body)
    {
        int shown = 0;
        QTimer closer;
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [&shown] {
            frmEnd* e = frmEndInstance().peek();
            if (e && e->isVisible()) {
                ++shown;
                e->close();
            }
        });
        closer.start();
        testenv::withWatchdog(5000, body);
        return shown;
    }

    testenv::ProgramFolder folder;
    QPointer<Probe> window;

private:
    QByteArray previousRegistry_;
};


struct PaneGeometry {
    std::int32_t left, top, width, height;
    bool operator==(const PaneGeometry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const PaneGeometry& g)
{
    return os << "(" << g.left << ", " << g.top << ", " << g.width << ", " << g.height << ")";
}

// Where a position in twips lands: panels sit on whole pixels.
std::int32_t snapX(double twips) { return vb::pixelsToTwipsX(vb::twipsToPixelsX(twips)); }
std::int32_t snapY(double twips) { return vb::pixelsToTwipsY(vb::twipsToPixelsY(twips)); }

PaneGeometry geometryOf(QWidget* w)
{
    const Pane p(w);
    return {p.Left(), p.Top(), p.Width(), p.Height()};
}

// The menu tree as designed: item, parent, caption, shortcut, and its state
// ("hidden", "disabled", "checked", "unchecked"; blank = visible and enabled).
TEST_F(MainWindowTest, MenuTreeMatchesTheDesign)
{
    struct Row {
        const char* item;
        const char* parent;
        const char* caption;
        const char* shortcut;
        const char* state;
    };
    const Row expected[] = {
        {"mnuFile", "", "&File", "", ""},
        {"mnuNew", "mnuFile", "Ne&w", "", ""},
        {"mnuNewArtist", "mnuNew", "&Artist", "", ""},
        {"mnuNewRecordName", "mnuNew", "&Record", "", ""},
        {"mnuFileNewSep", "mnuNew", "-", "", ""},
        {"mnuNewSong", "mnuNew", "&Song Title", "", ""},
        {"mnuSepAddMediaRecords", "mnuFile", "-", "", ""},
        {"mnuDelete", "mnuFile", "&Delete", "", ""},
        {"mnuRename", "mnuFile", "Rena&me", "", ""},
        {"mnuSepAdd", "mnuFile", "-", "", ""},
        {"mnuPrint", "mnuFile", "Print Pre&view", "", ""},
        {"mnuSepPrint", "mnuFile", "-", "", ""},
        {"mnuExit", "mnuFile", "E&xit", "", ""},
        {"mnuView", "", "&View", "", ""},
        {"mnuToolbar", "mnuView", "&Toolbar", "", "checked"},
        {"mnuStatusbar", "mnuView", "Status &bar", "", "checked"},
        {"mnuEdit", "", "&Edit", "", "hidden"},
        {"mnuCopy", "mnuEdit", "&Copy", "Ctrl+C", ""},
        {"mnuCut", "mnuEdit", "Cu&t", "Ctrl+X", ""},
        {"mnuPaste", "mnuEdit", "&Paste", "Ctrl+V", "disabled"},
        {"mnuToolS", "", "&Tools", "", ""},
        {"mnuFindFiles", "mnuToolS", "&Find", "", ""},
        {"mnuToolSep1", "mnuToolS", "-", "", ""},
        {"mnuMaintenance", "mnuToolS", "&Database Maintenance", "", ""},
        {"mnuCompactDatabase", "mnuMaintenance", "&Compact Database", "", ""},
        {"mnuSepCompatDatabase", "mnuMaintenance", "-", "", ""},
        {"mnuRepairDatabase", "mnuMaintenance", "&Repair Database", "", ""},
        {"mnuSepOption", "mnuToolS", "-", "", ""},
        {"mnuOptions", "mnuToolS", "&Options", "", ""},
        {"mnuPlayZAVROSound", "mnuOptions", "&Play ZAVRO Dodi sound on Exit", "", "unchecked"},
        {"mnuHelp", "", "&Help", "", ""},
        {"mnuGettingStarted", "mnuHelp", "&Getting Started", "", ""},
        {"mnuSepGettingStarted", "mnuHelp", "-", "", ""},
        {"mnuContents", "mnuHelp", "&Contents", "", ""},
        {"mnuSearch", "mnuHelp", "&Search", "", ""},
        {"mnuHowToUseHelp", "mnuHelp", "&How To Use Help", "", ""},
        {"mnuHelpSep", "mnuHelp", "-", "", ""},
        {"mnuVisitZAVROTech", "mnuHelp", "ZAVRO Dodi &Web Site", "", ""},
        {"mnuemailsupport", "mnuHelp", "Email &Support", "", ""},
        {"mnuAboutSep", "mnuHelp", "-", "", ""},
        {"mnuAbout", "mnuHelp", "&About Vinarium", "", ""},
        {"mnuPopupSong", "", "Popup SongMenu", "", "hidden"},
        {"mnuPopupSongDelete", "mnuPopupSong", "Delete", "", ""},
        {"mnuPopupSongRename", "mnuPopupSong", "Rename", "", ""},
        {"mnuPopup", "", "Popup Menu", "", "hidden"},
        {"mnuPopupNew(0)", "mnuPopup", "New", "", ""},
        {"mnuPopupNewArtist", "mnuPopupNew(0)", "Artist", "", ""},
        {"mnuPopupRecordName", "mnuPopupNew(0)", "Record", "", ""},
        {"mnuPopupNewSong", "mnuPopupNew(0)", "Song Title", "", ""},
        {"mnuPopupSep1", "mnuPopup", "-", "", ""},
        {"mnuPopupDelete", "mnuPopup", "&Delete", "", ""},
        {"mnuPopupRename", "mnuPopup", "Re&name", "", ""},
        {"mnuPopupSep2", "mnuPopup", "-", "", ""},
        {"mnuPopupCopy", "mnuPopup", "&Copy", "", "hidden"},
        {"mnuPopupCut", "mnuPopup", "Cu&t", "", "hidden"},
        {"mnuPopupPaste", "mnuPopup", "&Paste", "", "hidden"},
        {"mnuPopupSep3", "mnuPopup", "-", "", "hidden"},
        {"mnuPopupFind", "mnuPopup", "&Find", "", ""},
        {"mnuPopupSep5", "mnuPopup", "-", "", ""},
        {"mnuPopupPrintPreview", "mnuPopup", "Print Pre&view", "", ""},
    };

    // The window as created, before its Load.
    window = new Probe;
    std::vector<std::array<QString, 5>> actual;
    std::function<void(const QList<QAction*>&, const QString&)> walk = [&](const QList<QAction*>& actions,
                                                                           const QString& parent) {
        for (QAction* a : actions) {
            QString state;
            if (!a->isVisible())
                state = "hidden";
            else if (!a->isEnabled())
                state = "disabled";
            else if (a->isCheckable())
                state = a->isChecked() ? "checked" : "unchecked";
            actual.push_back({a->objectName(), parent, a->isSeparator() ? QStringLiteral("-") : a->text(),
                              a->shortcut().toString(QKeySequence::PortableText), state});
            if (a->menu())
                walk(a->menu()->actions(), a->objectName());
        }
    };
    walk(window->menuBar->actions(), QString());

    ASSERT_EQ(actual.size(), std::size(expected));
    for (std::size_t i = 0; i < actual.size(); ++i) {
        const Row& e = expected[i];
        SCOPED_TRACE(e.item);
        EXPECT_EQ(actual[i][0], e.item);
        EXPECT_EQ(actual[i][1], e.parent);
        EXPECT_EQ(actual[i][2], e.caption);
        EXPECT_EQ(actual[i][3], e.shortcut);
        EXPECT_EQ(actual[i][4], e.state);
    }
    EXPECT_EQ(window->mnuPopupNew[0]->objectName(), "mnuPopupNew(0)");
    EXPECT_EQ(window->findChild<QAction*>("mnuNewArtist"), window->mnuNewArtist);
}

TEST_F(MainWindowTest, MenuItemsRunTheirCommandsAndLeaveCheckMarksToThem)
{
    Probe& w = load();
    const std::pair<QAction*, const char*> cases[] = {
        {w.mnuNewArtist, "mnuNewArtist_Click"},
        {w.mnuNewRecordName, "mnuNewRecordName_Click"},
        {w.mnuNewSong, "mnuNewSong_Click"},
        {w.mnuDelete, "mnuDelete_Click"},
        {w.mnuRename, "mnuRename_Click"},
        {w.mnuPrint, "mnuPrint_Click"},
        {w.mnuToolbar, "mnuToolbar_Click"},
        {w.mnuStatusbar, "mnuStatusbar_Click"},
        {w.mnuFindFiles, "mnuFindFiles_Click"},
        {w.mnuCompactDatabase, "mnuCompactDatabase_Click"},
        {w.mnuRepairDatabase, "mnuRepairDatabase_Click"},
        {w.mnuPlayZAVROSound, "mnuPlayZAVROSound_Click"},
        {w.mnuGettingStarted, "mnuGettingStarted_Click"},
        {w.mnuContents, "mnuContents_Click"},
        {w.mnuSearch, "mnuSearch_Click"},
        {w.mnuHowToUseHelp, "mnuHowToUseHelp_Click"},
        {w.mnuVisitZAVROTech, "mnuVisitZAVROTech_Click"},
        {w.mnuemailsupport, "mnuemailsupport_Click"},
        {w.mnuAbout, "mnuAbout_Click"},
        {w.mnuPopupSongDelete, "mnuDelete_Click"},
        {w.mnuPopupSongRename, "mnuPopupSongRename_Click"},
        {w.mnuPopupNewArtist, "mnuNewArtist_Click"},
        {w.mnuPopupRecordName, "mnuNewRecordName_Click"},
        {w.mnuPopupNewSong, "mnuNewSong_Click"},
        {w.mnuPopupDelete, "mnuDelete_Click"},
        {w.mnuPopupRename, "mnuRename_Click"},
        {w.mnuPopupFind, "mnuFindFiles_Click"},
        {w.mnuPopupPrintPreview, "mnuPrint_Click"},
        {w.mnuCopy, nullptr},
        {w.mnuCut, nullptr},
        {w.mnuPopupCopy, nullptr},
    };
    for (const auto& [action, handler] : cases) {
        SCOPED_TRACE(action->objectName().toStdString());
        w.ran.clear();
        action->setEnabled(true);
        const bool checked = action->isChecked();
        action->trigger();
        EXPECT_EQ(w.ran, handler ? QStringList{handler} : QStringList{});
        EXPECT_EQ(action->isChecked(), checked);
    }
}

TEST_F(MainWindowTest, SetMenuStateFollowsTheLevel)
{
    Probe& w = load();
    struct Case {
        QString level;
        bool newArtist, newRecord, newSong, deleteRename;
    } cases[] = {
        {"Database", true, false, false, false}, {"Artist", false, true, false, true},
        {"Record_Name", false, false, true, true}, {"Song_Titles", true, false, false, false},
        {"", true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level.toStdString());
        // Copy, Cut and Paste are set by the tree before the call; only the root clears them.
        w.mnuCopy->setEnabled(true);
        w.mnuCut->setEnabled(false);
        w.mnuPaste->setEnabled(true);
        CatalogEntry entry;
        entry.Level = c.level;
        entry.Artist = "Artist";
        w.SetMenuState(entry);
        const bool root = !c.deleteRename;
        const std::pair<QAction*, bool> items[] = {
            {w.mnuNewArtist, c.newArtist},      {w.mnuPopupNewArtist, c.newArtist},
            {w.mnuNewRecordName, c.newRecord},  {w.mnuPopupRecordName, c.newRecord},
            {w.mnuNewSong, c.newSong},          {w.mnuPopupNewSong, c.newSong},
            {w.mnuDelete, c.deleteRename},      {w.mnuPopupDelete, c.deleteRename},
            {w.mnuRename, c.deleteRename},      {w.mnuPopupRename, c.deleteRename},
            {w.mnuFindFiles, true},             {w.mnuPopupPrintPreview, true},
            {w.mnuPrint, true},                 {w.mnuCopy, !root},
            {w.mnuCut, false},                  {w.mnuPaste, !root},
            {w.mnuPopupCopy, !root},            {w.mnuPopupCut, false},
            {w.mnuPopupPaste, !root},           {w.mnuPopupFind, true},
            {w.mnuPopupSongDelete, true},       {w.mnuPopupSongRename, true},
            {w.mnuExit, true},
        };
        for (const auto& [action, enabled] : items)
            EXPECT_EQ(frmDatabaseExplorer::Enabled(action), enabled) << action->objectName().toStdString();
        const std::pair<int, bool> buttons[] = {{1, c.newArtist}, {2, c.newRecord},   {3, c.newSong}, {5, c.deleteRename},
                                                {7, true},        {8, true},          {10, true}};
        for (const auto& [index, enabled] : buttons) {
            EXPECT_EQ(w.Toolbar1->Buttons(index).Enabled(), enabled) << "button " << index;
            EXPECT_EQ(w.Toolbar1->Buttons(index).button()->isEnabled(), enabled) << "button " << index;
        }
    }
}

TEST_F(MainWindowTest, ToolbarButtonsAreBuiltInOrderAndRunTheirCommandsByIndex)
{
    Probe& w = loadAndShow();
    struct Button {
        int style;
        const char* image;
        const char* toolTip;
        const char* command;
    } const expected[] = {
        {tbrDefault, "Artist", "New Artist", "mnuNewArtist_Click"},
        {tbrDefault, "Record", "New Record", "mnuNewRecordName_Click"},
        {tbrDefault, "Song", "New Song Title", "mnuNewSong_Click"},
        {tbrSeparator, "", "", nullptr},
        {tbrDefault, "Delete", "Delete", "mnuDelete_Click"},
        {tbrSeparator, "", "", nullptr},
        {tbrDropdown, "Find", "Find", "mnuFindFiles_Click"},
        {tbrDefault, "Print", "Print", "mnuPrint_Click"},
        {tbrSeparator, "", "", nullptr},
        {tbrDefault, "Help", "Help", "mnuContents_Click"},
    };
    ASSERT_EQ(w.Toolbar1->ButtonCount(), 10);
    for (int i = 1; i <= 10; ++i) {
        const Button& e = expected[i - 1];
        SCOPED_TRACE(i);
        ToolbarButton& b = w.Toolbar1->Buttons(i);
        EXPECT_EQ(b.Style(), e.style);
        EXPECT_EQ(b.Image(), e.image);
        EXPECT_EQ(b.ToolTipText(), e.toolTip);
        w.ran.clear();
        if (e.command) {
            ASSERT_NE(b.button(), nullptr);
            EXPECT_FALSE(b.button()->icon().isNull());
            b.setEnabled(true);
            QTest::mouseClick(b.button(), Qt::LeftButton, {}, QPoint(3, b.button()->height() / 2));
            EXPECT_EQ(w.ran, QStringList{e.command});
        } else {
            EXPECT_EQ(b.button(), nullptr);
            w.Toolbar1_ButtonClick(i);
            EXPECT_TRUE(w.ran.isEmpty());
        }
    }
    w.ran.clear();
    w.Toolbar1_ButtonClick(0);
    w.Toolbar1_ButtonClick(11);
    EXPECT_TRUE(w.ran.isEmpty());
    EXPECT_EQ(w.MousePointer(), vb::vbDefault);

    // The arrow of the drop-down button runs nothing and opens nothing.
    QToolButton* find = w.Toolbar1->Buttons(7).button();
    QStyleOptionToolButton opt;
    opt.initFrom(find);
    opt.subControls = QStyle::SC_ToolButton | QStyle::SC_ToolButtonMenu;
    opt.features = QStyleOptionToolButton::MenuButtonPopup | QStyleOptionToolButton::HasMenu;
    const QRect arrow = find->style()->subControlRect(QStyle::CC_ToolButton, &opt, QStyle::SC_ToolButtonMenu, find);
    ASSERT_FALSE(arrow.isEmpty());
    QTest::mouseClick(find, Qt::LeftButton, {}, arrow.center());
    EXPECT_TRUE(w.ran.isEmpty());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(MainWindowTest, LoadLaysOutTheWindowAtItsDesignSplit)
{
    Probe& w = load();
    EXPECT_EQ(w.windowTitle(), "Discavo 3");
    EXPECT_EQ(vb::App::HelpFile(), QDir::toNativeSeparators(folder.file("record.hlp")));
    EXPECT_EQ(w.HelpContextID, 1);
    EXPECT_EQ(jet::DBEngine::SystemDB(), QDir::toNativeSeparators(folder.file("records.mdw")));
    EXPECT_EQ(jet::DBEngine::DefaultUser(), "brevlin");
    EXPECT_EQ(w.MousePointer(), vb::vbDefault);

    const std::int32_t tb = w.Toolbar1->Top() + w.Toolbar1->Height();
    const std::int32_t sb = w.StatusBar1->Height();
    const std::int32_t width = w.ScaleWidth();
    const std::int32_t height = w.ScaleHeight() - tb - sb;
    EXPECT_GT(w.Toolbar1->Height(), 0);
    EXPECT_EQ(geometryOf(w.picControlsContainer), (PaneGeometry{0, tb, width, height}));
    EXPECT_EQ(geometryOf(w.picHSplitter), (PaneGeometry{0, 3360, width, 30}));
    EXPECT_EQ(geometryOf(w.picTopPanel), (PaneGeometry{0, 0, width, 3360}));
    EXPECT_EQ(geometryOf(w.picBottomPanel), (PaneGeometry{0, 3390, width, height - 3390}));
    EXPECT_EQ(geometryOf(w.picVSplitter), (PaneGeometry{3360, 0, 30, 3360}));
    EXPECT_EQ(geometryOf(w.picTopLeftPanel), (PaneGeometry{0, 0, 3360, 3360}));
    EXPECT_EQ(geometryOf(w.picTopRightPanel), (PaneGeometry{3390, 0, width - 3390, 3360}));
    const std::int32_t caption = w.StatusbarTreeViewTop->Height();
    EXPECT_EQ(geometryOf(w.StatusbarTreeViewTop), (PaneGeometry{0, 0, 3360, caption}));
    EXPECT_EQ(geometryOf(w.tv1), (PaneGeometry{0, caption, 3360, 3360 - caption}));
    EXPECT_EQ(geometryOf(w.ListView1), (PaneGeometry{0, caption, width - 3390, 3360 - caption}));
    EXPECT_EQ(geometryOf(w.fraSongView), (PaneGeometry{0, 0, width, height - 3390}));
    EXPECT_EQ(geometryOf(w.ListView2), (PaneGeometry{0, 0, width, height - 3390}));
    EXPECT_EQ(w.fraSongView->title(), "Song Titles");

    const QStringList recordColumns{"Record Name",      "Type",        "Category",   "Label Name", "Label Number",
                                    "Record Condition", "Sleeve Condition", "Record Date", "Book Value", "Quantity"};
    const QStringList songColumns{"Song Title", "Record Name", "Artist"};
    for (const auto& [list, captions, parts] :
         {std::tuple{w.ListView1, recordColumns, 4}, std::tuple{w.ListView2, songColumns, 3}}) {
        ASSERT_EQ(list->columnCount(), captions.size());
        for (int i = 0; i < captions.size(); ++i) {
            EXPECT_EQ(list->headerItem()->text(i), captions[i]);
            EXPECT_EQ(list->header()->sectionSize(i), vb::twipsToPixelsX(Pane(list).Width() / double(parts)));
        }
        EXPECT_FALSE(list->isSortingEnabled());
        EXPECT_EQ(list->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    }

    struct PanelRow {
        StatusBar* bar;
        int panel;
        int alignment, autoSize, bevel, style;
        const char* text;
    } const panels[] = {
        {w.StatusbarTreeViewTop, 1, sbrLeft, sbrSpring, sbrInset, sbrText, "List of Artists:"},
        {w.StatusBarListViewTop, 1, sbrLeft, sbrSpring, sbrInset, sbrText, ""},
        {w.StatusBar1, 1, sbrLeft, sbrSpring, sbrInset, sbrText, ""},
        {w.StatusBar1, 2, sbrRight, sbrContents, sbrInset, sbrDate, ""},
        {w.StatusBar1, 3, sbrRight, sbrContents, sbrInset, sbrTime, ""},
    };
    EXPECT_EQ(w.StatusbarTreeViewTop->PanelCount(), 1);
    EXPECT_EQ(w.StatusBarListViewTop->PanelCount(), 1);
    EXPECT_EQ(w.StatusBar1->PanelCount(), 3);
    for (const PanelRow& r : panels) {
        SCOPED_TRACE(r.bar->objectName().toStdString() + " " + std::to_string(r.panel));
        const StatusBarPanel& p = r.bar->Panels(r.panel);
        EXPECT_EQ(p.Alignment(), r.alignment);
        EXPECT_EQ(p.AutoSize(), r.autoSize);
        EXPECT_EQ(p.Bevel(), r.bevel);
        EXPECT_EQ(p.Style(), r.style);
        EXPECT_EQ(p.Text(), r.text);
    }
    EXPECT_EQ(w.StatusBar1->shownText(2), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    EXPECT_EQ(w.StatusBar1->shownText(3), QLocale().toString(QTime::currentTime(), QLocale::ShortFormat));

    const QStringList keys{"Artist", "Record", "Song", "Delete", "Find", "Print", "Help", "Database"};
    EXPECT_EQ(w.imlIcons.Keys(), keys);
    EXPECT_EQ(w.imlSmallIcons.Keys(), keys);
    for (const QString& key : keys)
        EXPECT_FALSE(w.imlSmallIcons.Image(key).pixmap(16, 16).isNull()) << key.toStdString();
    EXPECT_EQ(w.tv1ImageList, &w.imlSmallIcons);
    EXPECT_EQ(w.ListView1Icons, &w.imlIcons);
    EXPECT_EQ(w.ListView2SmallIcons, &w.imlSmallIcons);

    EXPECT_EQ(w.TmrTreeScroll.interval(), 20);
    EXPECT_FALSE(w.TmrTreeScroll.isActive());
    EXPECT_FALSE(w.mLoadLayout);
}

TEST_F(MainWindowTest, LoadDoesNothingOnceTheProgramIsNoLongerRunning)
{
    AppRunning = false;
    Probe& w = load();
    EXPECT_EQ(w.Toolbar1->ButtonCount(), 0);
    EXPECT_TRUE(w.windowTitle().isEmpty());
}

TEST_F(MainWindowTest, StartTimerEnablesItselfAtLoadAndDisablesItselfInItsTick)
{
    window = new Probe;
    window->Load();
    EXPECT_TRUE(window->TimerPopulateTree.isActive());
    EXPECT_EQ(window->TimerPopulateTree.interval(), 1);
    touch("records.mdb");
    touch("records.mdw");
    window->TimerPopulateTree_Timer();
    EXPECT_FALSE(window->TimerPopulateTree.isActive());
    EXPECT_EQ(window->ran, QStringList{"PopulateTree"});
    EXPECT_EQ(window->MousePointer(), vb::vbDefault);
}

TEST_F(MainWindowTest, AMissingDataFileIsNamedAndTheProgramExits)
{
    struct Case {
        bool mdb, mdw;
        const char* missing;
    } const cases[] = {{false, false, "records.mdb"}, {false, true, "records.mdb"}, {true, false, "records.mdw"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.missing);
        testenv::ProgramFolder caseFolder;
        auto touchIn = [&](const char* name) {
            QFile f(caseFolder.file(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        };
        if (c.mdb)
            touchIn("records.mdb");
        if (c.mdw)
            touchIn("records.mdw");
        // A folder of the data file's name is no data file.
        if (!c.mdw && c.mdb)
            QDir(caseFolder.path()).mkdir("records.mdw");
        AppRunning = true;
        Probe& w = load();
        testenv::ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        testenv::EndRecorder ends;
        EXPECT_EQ(whileExitWindowCloses([&w] { w.TimerPopulateTree_Timer(); }), 1);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].title, "Missing File.");
        EXPECT_EQ(boxes.calls()[0].style, vb::vbCritical);
        EXPECT_EQ(boxes.calls()[0].prompt,
                  QStringLiteral("Unable to find the data file ") + c.missing + " in "
                      + QDir::toNativeSeparators(caseFolder.path())
                      + ". Please either re-install the application or if you have a backup, copy the file to the "
                        "above directory.\r\nThe program will terminate...");
        EXPECT_TRUE(Probe::ran.isEmpty());
        EXPECT_FALSE(AppRunning);
        EXPECT_EQ(ends.count(), 1);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
    }
}

TEST_F(MainWindowTest, TheSoundCheckMarkFollowsTheOptionFileAndAMissingValueIsWritten)
{
    struct Case {
        const char* stored; // nullptr: no value
        bool optionFile;
        const char* after;
        bool checked;
    } const cases[] = {
        {nullptr, false, "True", true}, {nullptr, true, "True", false}, {"", false, "True", true},
        {"False", false, "False", true}, {"True", true, "True", false}, {"maybe", false, "maybe", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stored ? c.stored : "(none)") + (c.optionFile ? " with option file" : ""));
        testenv::ProgramFolder caseFolder;
        qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(caseFolder.file("registry.json")));
        if (c.stored) {
            ASSERT_EQ(RegSetString(kSoundKey, "PlaySoundOnExit", c.stored), 0);
        }
        if (c.optionFile) {
            QFile f(SoundOptionFile());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        Probe& w = load();
        EXPECT_EQ(RegGetString(HKEY_LOCAL_MACHINE, kSoundKey, "PlaySoundOnExit"), c.after);
        EXPECT_EQ(w.mnuPlayZAVROSound->isChecked(), c.checked);
        delete window.data();
    }
}

TEST_F(MainWindowTest, HidingTheToolbarOrTheStatusBarGivesTheirRoomToThePanels)
{
    Probe& w = load();
    const std::int32_t tb = w.Toolbar1->Top() + w.Toolbar1->Height();
    const std::int32_t sb = w.StatusBar1->Height();
    struct Case {
        bool toolbar, statusBar;
        std::int32_t top, height;
    } const cases[] = {
        {false, true, 0, w.ScaleHeight() - sb},
        {false, false, 0, w.ScaleHeight()},
        {true, false, tb, w.ScaleHeight() - tb},
        {true, true, tb, w.ScaleHeight() - tb - sb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.toolbar) + std::to_string(c.statusBar));
        w.Toolbar1->setVisible(c.toolbar);
        w.StatusBar1->setVisible(c.statusBar);
        w.picControlsContainer_Resize();
        EXPECT_EQ(geometryOf(w.picControlsContainer), (PaneGeometry{0, c.top, w.ScaleWidth(), c.height}));
        EXPECT_EQ(Pane(w.picBottomPanel).Height(), c.height - 3390);
        EXPECT_EQ(Pane(w.ListView2).Height(), c.height - 3390);
    }
}

TEST_F(MainWindowTest, TheFirstResizeOnlyCentresLaterOnesLayOutAndKeepTheBarsInRange)
{
    Probe& w = load();
    Pane(w.picVSplitter).setLeft(19995); // beyond the top panel
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(FirstResizeDone);
    EXPECT_NEAR(w.Left(), (vb::ScreenWidth() - w.Width()) / 2.0, vb::TwipsPerPixelX());
    EXPECT_EQ(Pane(w.picVSplitter).Left(), 19995);

    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.ListView1->setFocus();
    w.StatusBar1->Panels(1).setText("3 record(s) found.");

    struct Case {
        std::int32_t bar;
        std::int32_t after; // -1: the host's width less 500
    } const cases[] = {{19995, -1}, {195, 500}, {3000, 3000}, {495, 500}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bar);
        Pane(w.picVSplitter).setLeft(c.bar);
        w.resize(w.width() + 1, w.height() + 1);
        QApplication::processEvents();
        const std::int32_t hostWidth = Pane(w.picTopPanel).Width();
        EXPECT_EQ(hostWidth, w.ScaleWidth());
        EXPECT_EQ(Pane(w.picVSplitter).Left(), snapX(c.after < 0 ? hostWidth - 500 : c.after));
        EXPECT_EQ(Pane(w.picTopLeftPanel).Width(), Pane(w.picVSplitter).Left());
        EXPECT_EQ(Pane(w.picHSplitter).Top(), 3360);
        EXPECT_NEAR(w.Left(), (vb::ScreenWidth() - w.Width()) / 2.0, vb::TwipsPerPixelX());
        EXPECT_EQ(QApplication::focusWidget(), w.ListView1);
        EXPECT_EQ(w.StatusBar1->Panels(1).Text(), "3 record(s) found.");
        EXPECT_EQ(w.MousePointer(), vb::vbDefault);
    }

    // The horizontal bar: too close to the top, and beyond the work area's height.
    Pane(w.picHSplitter).setTop(300);
    w.resize(w.width() + 1, w.height() + 1);
    QApplication::processEvents();
    const Pane host(w.picControlsContainer);
    EXPECT_EQ(Pane(w.picHSplitter).Top(), snapY(host.Top() + 1000));
    Pane(w.picHSplitter).setTop(host.Height() + 2000);
    w.resize(w.width() + 1, w.height() + 1);
    QApplication::processEvents();
    EXPECT_EQ(Pane(w.picHSplitter).Top(), snapY(Pane(w.picControlsContainer).Height() - 1000));
    EXPECT_EQ(Pane(w.picTopPanel).Height(), Pane(w.picHSplitter).Top());
}

TEST_F(MainWindowTest, DraggingABarResizesThePanesLiveAndThePointerFollows)
{
    Probe& w = loadAndShow();
    const int tp = vb::TwipsPerPixelX();

    // Hovering shows the arrow and moves nothing.
    QTest::mouseMove(w.picVSplitter, QPoint(1, 20));
    EXPECT_EQ(vb::mousePointer(w.picTopPanel), vb::vbSizeWE);
    EXPECT_EQ(Pane(w.picVSplitter).Left(), 3360);
    QTest::mouseMove(w.ListView1->viewport(), QPoint(20, 20));
    EXPECT_EQ(vb::mousePointer(w.picTopPanel), vb::vbDefault);

    QTest::mousePress(w.picVSplitter, Qt::LeftButton, {}, QPoint(1, 20));
    EXPECT_TRUE(w.mVSplit.SplitOn());
    QTest::mouseMove(w.picVSplitter, QPoint(31, 20));
    EXPECT_EQ(Pane(w.picVSplitter).Left(), 3360 + 31 * tp);
    EXPECT_EQ(Pane(w.picTopLeftPanel).Width(), 3360 + 31 * tp);
    EXPECT_EQ(Pane(w.tv1).Width(), 3360 + 31 * tp);
    EXPECT_EQ(Pane(w.picTopRightPanel).Left(), 3390 + 31 * tp);
    QTest::mouseRelease(w.picVSplitter, Qt::LeftButton, {}, QPoint(1, 20));
    EXPECT_FALSE(w.mVSplit.SplitOn());
    EXPECT_EQ(Pane(w.picVSplitter).Left(), 3360 + 32 * tp);
    EXPECT_EQ(Pane(w.picTopRightPanel).Width(), w.ScaleWidth() - (3390 + 32 * tp));
    EXPECT_EQ(vb::mousePointer(w.picTopPanel), vb::vbDefault);

    QTest::mousePress(w.picHSplitter, Qt::LeftButton, {}, QPoint(40, 1));
    QTest::mouseMove(w.picHSplitter, QPoint(40, -19));
    EXPECT_EQ(vb::mousePointer(w.picControlsContainer), vb::vbSizeNS);
    EXPECT_EQ(Pane(w.picHSplitter).Top(), 3360 - 19 * tp);
    EXPECT_EQ(Pane(w.picTopPanel).Height(), 3360 - 19 * tp);
    EXPECT_EQ(Pane(w.picVSplitter).Height(), 3360 - 19 * tp);
    EXPECT_EQ(Pane(w.picBottomPanel).Top(), 3390 - 19 * tp);
    QTest::mouseRelease(w.picHSplitter, Qt::LeftButton, {}, QPoint(40, 1));
    EXPECT_EQ(Pane(w.picHSplitter).Top(), 3360 - 18 * tp);
    EXPECT_EQ(Pane(w.ListView2).Height(), Pane(w.picControlsContainer).Height() - (3390 - 18 * tp));
    EXPECT_EQ(vb::mousePointer(w.picControlsContainer), vb::vbDefault);

    // A move from a bar onto the toolbar or the status bar restores the pointer.
    for (QWidget* target : {static_cast<QWidget*>(w.Toolbar1), static_cast<QWidget*>(w.StatusBar1)}) {
        QTest::mouseMove(w.picHSplitter, QPoint(40, 1));
        EXPECT_EQ(vb::mousePointer(w.picControlsContainer), vb::vbSizeNS);
        QTest::mouseMove(target, QPoint(target->width() - 3, 3));
        EXPECT_EQ(vb::mousePointer(w.picControlsContainer), vb::vbDefault) << target->objectName().toStdString();
    }
}

// Released with its edge out of range, a bar is put inside the host by the margin
// and moved once more by the release offset.
TEST_F(MainWindowTest, ReleasingABarOutOfRangeClampsIt)
{
    Probe& w = load();
    const std::int32_t width = Pane(w.picTopPanel).Width();
    const std::int32_t hostTop = Pane(w.picControlsContainer).Top();
    const std::int32_t height = Pane(w.picControlsContainer).Height();
    struct Case {
        bool vertical;
        std::int32_t bar;
        double down, up;
        std::int32_t after;
    } const cases[] = {
        {true, 15, 0, -30, snapX(snapX(500) - 30)},
        {true, width - 105, 0, 30, snapX(snapX(width - 500) + 30)},
        {true, 3000, 15, 30, 3030},
        {false, hostTop - 30, 0, -15, snapY(snapY(hostTop + 1000) - 15)},
        {false, height - 195, 0, 30, snapY(snapY(height - 1000) + 30)},
        {false, 2010, 0, -15, 1995},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.vertical) + " " + std::to_string(c.bar));
        if (c.vertical) {
            Pane(w.picVSplitter).setLeft(c.bar);
            w.picVSplitter_MouseDown(1, 0, c.down, 0);
            w.picVSplitter_MouseUp(1, 0, c.up, 0);
            EXPECT_EQ(Pane(w.picVSplitter).Left(), c.after);
            EXPECT_EQ(Pane(w.picTopLeftPanel).Width(), c.after);
            EXPECT_FALSE(w.mVSplit.SplitOn());
        } else {
            Pane(w.picHSplitter).setTop(c.bar);
            w.picHSplitter_MouseDown(1, 0, 0, c.down);
            w.picHSplitter_MouseUp(1, 0, 0, c.up);
            EXPECT_EQ(Pane(w.picHSplitter).Top(), c.after);
            EXPECT_EQ(Pane(w.picTopPanel).Height(), c.after);
            EXPECT_FALSE(w.mHSplit.SplitOn());
        }
    }
    // A release without a press only resets the pointer.
    Pane(w.picVSplitter).setLeft(15);
    w.mVSplit.SetPointer(vb::vbSizeWE);
    w.picVSplitter_MouseUp(1, 0, -30, 0);
    EXPECT_EQ(Pane(w.picVSplitter).Left(), 15);
    EXPECT_EQ(vb::mousePointer(w.picTopPanel), vb::vbDefault);
}

TEST_F(MainWindowTest, ClosingTheWindowRunsTheExitOnceAndTheLayoutThenLeavesThePanesAlone)
{
    Probe& w = loadAndShow();
    frmDatabaseExplorerInstance().release();
    testenv::EndRecorder ends;
    EXPECT_EQ(whileExitWindowCloses([&w] { w.close(); }), 1);
    EXPECT_EQ(ends.count(), 1);
    EXPECT_FALSE(AppRunning);
    ASSERT_FALSE(window.isNull()); // deleted later
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.mVSplit.HostPane(), nullptr);
    EXPECT_EQ(w.mHSplit.SplitBar(), nullptr);

    const PaneGeometry bar = geometryOf(w.picVSplitter);
    Pane(w.picTopPanel).setWidth(1500);
    w.picControlsContainer_Resize();
    w.picVSplitter_MouseDown(1, 0, 0, 0);
    w.picVSplitter_MouseUp(1, 0, 900, 0);
    w.Form_Resize();
    EXPECT_EQ(geometryOf(w.picVSplitter), bar);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST(StatusBarTest, SpringPanelsShareTheRoomThatFixedAndContentsPanelsLeave)
{
    StatusBar bar;
    bar.resize(600, 24);
    bar.Panels(1).setAutoSize(sbrSpring);
    StatusBarPanel& fixed = bar.AddPanel(sbrText, "x");
    fixed.setWidth(1500);
    StatusBarPanel& contents = bar.AddPanel(sbrText, "a longer text");
    contents.setAutoSize(sbrContents);
    const int contentsWidth = bar.panelRect(3).width();
    EXPECT_GT(contentsWidth, bar.fontMetrics().horizontalAdvance("a longer text"));
    EXPECT_EQ(bar.panelRect(2).width(), 100);
    EXPECT_EQ(bar.panelRect(1).width() + 100 + contentsWidth + 2 * 2, 600);
    contents.setText("a much much longer text than before");
    EXPECT_GT(bar.panelRect(3).width(), contentsWidth);
    EXPECT_EQ(bar.panelRect(3).right(), 599);
    bar.RemovePanel(1);
    EXPECT_EQ(bar.PanelCount(), 2);
    EXPECT_EQ(bar.shownText(1), "x");
}

} // namespace

#include "app/frmAbout.h"
#include "app/frmDatabaseExplorer.h"
#include "catalog/Maintenance.h"
#include "catalog/ProgramState.h"
#include "dialogs/frmAddArtist.h"
#include "dialogs/frmAddRecordName.h"
#include "dialogs/frmAddSongs.h"
#include "vb/TextBox.h"
#include "catalog/SoundOption.h"
#include "help/Help.h"
#include "shell/Shell.h"
#include "support/CatalogFixture.h"
#include "vb/App.h"
#include "vb/MousePointer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <unistd.h>

#include <vector>

namespace {

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        AppRunning = true;
        previousRegistry_ = qgetenv("DISCAVO_REGISTRY_FILE");
        qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(catalog.folder() + QStringLiteral("/registry.json")));
        vb::App::setHelpFile(QString());
        help::setRequestHandler([this](const help::Request& r) {
            helpSent.push_back(r);
            return true;
        });
        shell::setUrlOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
    }

    void TearDown() override
    {
        delete window.data();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        help::setRequestHandler({});
        shell::setUrlOpener({});
        qputenv("DISCAVO_REGISTRY_FILE", previousRegistry_);
        ResetProgramState();
    }

    frmDatabaseExplorer& load(bool show = false)
    {
        window = new frmDatabaseExplorer;
        window->Load();
        window->TimerPopulateTree.stop();
        if (show) {
            window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window.data()));
        }
        return *window;
    }

    testenv::CatalogFixture catalog;
    QPointer<frmDatabaseExplorer> window;
    std::vector<help::Request> helpSent;
    std::vector<QUrl> opened;
    QByteArray previousRegistry_;
};

TEST_F(ToolsTest, TheSoundOptionWritesAndDeletesTheOptionFile)
{
    frmDatabaseExplorer& w = load();
    const QString file = SoundOptionFile();
    ASSERT_TRUE(w.mnuPlayZAVROSound->isChecked());

    w.mnuPlayZAVROSound->trigger();
    EXPECT_FALSE(w.mnuPlayZAVROSound->isChecked());
    EXPECT_EQ(contentOf(file), QByteArray("[Options]\r\nPlayZAVROTechSound = False\r\n"));
    EXPECT_EQ(w.MousePointer(), vb::vbDefault);

    w.mnuPlayZAVROSound->trigger();
    EXPECT_TRUE(w.mnuPlayZAVROSound->isChecked());
    EXPECT_FALSE(QFile::exists(file));

    // Off, on, off again: still the two lines, not four.
    w.mnuPlayZAVROSound->trigger();
    w.mnuPlayZAVROSound->trigger();
    w.mnuPlayZAVROSound->trigger();
    EXPECT_EQ(contentOf(file), QByteArray("[Options]\r\nPlayZAVROTechSound = False\r\n"));

    // Switching it on when the file is already gone: no message, sound on.
    ASSERT_TRUE(QFile::remove(file));
    w.mnuPlayZAVROSound->trigger();
    EXPECT_TRUE(w.mnuPlayZAVROSound->isChecked());
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(ToolsTest, AnOptionFileThatCannotBeWrittenLeavesTheMark)
{
    frmDatabaseExplorer& w = load();
    // Something in the option file's place that cannot be replaced by a file.
    ASSERT_TRUE(QDir().mkdir(SoundOptionFile()));
    w.mnuPlayZAVROSound->trigger();
    EXPECT_TRUE(w.mnuPlayZAVROSound->isChecked()) << "the sound still plays, the mark must say so";
}

TEST_F(ToolsTest, AReadOnlyFolderLeavesTheMark)
{
    frmDatabaseExplorer& w = load();
    const QString file = SoundOptionFile();
    if (geteuid() == 0)
        GTEST_SKIP() << "a read-only folder does not stop the superuser";
    w.mnuPlayZAVROSound->trigger();
    ASSERT_FALSE(w.mnuPlayZAVROSound->isChecked());
    const QFile::Permissions before = QFile::permissions(catalog.folder());
    QFile::setPermissions(catalog.folder(), QFile::ReadOwner | QFile::ExeOwner);
    w.mnuPlayZAVROSound->trigger();
    const bool checked = w.mnuPlayZAVROSound->isChecked();
    const bool stillThere = QFile::exists(file);
    QFile::setPermissions(catalog.folder(), before);
    EXPECT_TRUE(stillThere);
    EXPECT_FALSE(checked) << "the sound stays off, the mark must say so";
}

TEST_F(ToolsTest, TheViewTogglesGiveAndTakeTheSpace)
{
    frmDatabaseExplorer& w = load(true);
    const QRect start = w.picControlsContainer->geometry();
    const int toolbarHeight = w.Toolbar1->height();
    const int statusHeight = w.StatusBar1->height();
    ASSERT_GT(toolbarHeight, 0);
    ASSERT_GT(statusHeight, 0);
    ASSERT_EQ(start.top(), toolbarHeight);

    w.mnuToolbar->trigger();
    EXPECT_FALSE(w.mnuToolbar->isChecked());
    EXPECT_FALSE(w.Toolbar1->isVisible());
    EXPECT_EQ(w.picControlsContainer->geometry(), start.adjusted(0, -toolbarHeight, 0, 0));

    w.mnuStatusbar->trigger();
    EXPECT_FALSE(w.mnuStatusbar->isChecked());
    EXPECT_FALSE(w.StatusBar1->isVisible());
    EXPECT_EQ(w.picControlsContainer->geometry(), w.clientArea->rect());

    w.mnuToolbar->trigger();
    w.mnuStatusbar->trigger();
    EXPECT_TRUE(w.mnuToolbar->isChecked());
    EXPECT_TRUE(w.mnuStatusbar->isChecked());
    EXPECT_TRUE(w.Toolbar1->isVisible());
    EXPECT_TRUE(w.StatusBar1->isVisible());
    EXPECT_EQ(w.picControlsContainer->geometry(), start);
}

TEST_F(ToolsTest, CompactAndRepairAskFirstAndShowTheRoutinesMessage)
{
    struct Case {
        const char* what;
        QAction* frmDatabaseExplorer::*item;
        QString question;
        QString questionTitle;
        QString resultTitle;
        QString success;
    };
    const Case cases[] = {
        {"compact", &frmDatabaseExplorer::mnuCompactDatabase,
         "You selected to compact the database.\r\nContinue?", "Discavo 3 - Compacting the database.",
         "Discavo 3 - Compacting the database.", "Database successfully compacted."},
        {"repair", &frmDatabaseExplorer::mnuRepairDatabase, "You selected to repair the database.\r\nContinue?",
         "Discavo 3 - Repairing the database.", "Discavo 3 - Repairing Database.",
         "Database successfully repaired and compacted."},
    };
    frmDatabaseExplorer& w = load();
    catalog.addArtist(QStringLiteral("Nina"));
    const QString db = catalog.databasePath();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QAction* item = w.*c.item;
        {
            const QByteArray before = contentOf(db);
            testenv::ScriptedMsgBox boxes;
            boxes.answer(vb::vbNo);
            item->trigger();
            ASSERT_EQ(boxes.calls().size(), 1u);
            EXPECT_EQ(boxes.calls()[0].prompt, c.question);
            EXPECT_EQ(boxes.calls()[0].style, 36);
            EXPECT_EQ(boxes.calls()[0].title, c.questionTitle);
            EXPECT_EQ(contentOf(db), before);
        }
        {
            testenv::ScriptedMsgBox boxes;
            boxes.answer(vb::vbYes);
            boxes.answer(vb::vbOK);
            item->trigger();
            ASSERT_EQ(boxes.calls().size(), 2u);
            EXPECT_EQ(boxes.calls()[1].prompt, c.success);
            EXPECT_EQ(boxes.calls()[1].style, 64);
            EXPECT_EQ(boxes.calls()[1].title, c.resultTitle);
            EXPECT_EQ(catalog.count(QStringLiteral("select * from records")), 1);
            EXPECT_EQ(w.MousePointer(), vb::vbDefault);
        }
    }
    // A catalogue that cannot be compacted: the routine's own message, with the critical icon.
    ASSERT_TRUE(QFile::remove(db));
    QString expected;
    ASSERT_FALSE(CompactDatabaseFile(QStringLiteral("records"), expected));
    testenv::ScriptedMsgBox boxes;
    boxes.answer(vb::vbYes);
    boxes.answer(vb::vbOK);
    w.mnuCompactDatabase->trigger();
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[1].prompt, expected);
    EXPECT_EQ(boxes.calls()[1].style, 16);
}

TEST_F(ToolsTest, HelpCommandsAndF1SendTheirHelpCommands)
{
    frmDatabaseExplorer& w = load(true);
    help::enableF1();
    const QString programHelp = vb::App::file(QStringLiteral("record.hlp"));
    ASSERT_EQ(vb::App::HelpFile(), programHelp);
    struct Case {
        const char* what;
        std::function<void()> act;
        QString file;
        quint32 command;
        quint32 context;
    };
    const Case cases[] = {
        {"Getting Started", [&] { w.mnuGettingStarted->trigger(); },
         vb::App::file(QStringLiteral("GettingStartedQZN.hlp")), HELP_FINDER, 0},
        {"Contents", [&] { w.mnuContents->trigger(); }, programHelp, HELP_FINDER, 0},
        {"Search", [&] { w.mnuSearch->trigger(); }, programHelp, HELP_PARTIALKEY, 0},
        {"How To Use Help", [&] { w.mnuHowToUseHelp->trigger(); }, programHelp, HELP_HELPONHELP, 0},
        {"toolbar Help", [&] { w.Toolbar1_ButtonClick(10); }, programHelp, HELP_FINDER, 0},
        {"F1", [&] { QTest::keyClick(w.tv1, Qt::Key_F1); }, programHelp, HELP_CONTEXT, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        helpSent.clear();
        c.act();
        ASSERT_EQ(helpSent.size(), 1u);
        EXPECT_EQ(helpSent[0].file, c.file);
        EXPECT_EQ(helpSent[0].command, c.command);
        EXPECT_EQ(helpSent[0].context, c.context);
        EXPECT_EQ(helpSent[0].keyword, QString());
    }
}

// The entry dialogs answer F1 themselves too; the program sends each topic once.
TEST_F(ToolsTest, TheEntryDialogsSendTheirTopicOnceFromF1AndTheirHelpButton)
{
    help::enableF1();
    vb::App::setHelpFile(vb::App::file(QStringLiteral("record.hlp")));
    struct Case {
        const char* what;
        vb::Form* dialog;
        QWidget* field;
        QPushButton* helpButton;
        quint32 context;
    };
    frmAddArtist& artist = frmAddArtistInstance()();
    frmAddRecordName& record = frmAddRecordNameInstance()();
    frmAddSongs& songs = frmAddSongsInstance()();
    const Case cases[] = {
        {"artist", &artist, artist.mArtist, artist.cmdHelp, 8},
        {"record", &record, record.mArtist, record.cmdHelp, 9},
        {"song title", &songs, songs.mArtist, songs.cmdHelp, 27},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.dialog->show();
        c.field->setFocus();
        helpSent.clear();
        QTest::keyClick(c.field, Qt::Key_F1);
        c.helpButton->click();
        ASSERT_EQ(helpSent.size(), 2u);
        for (const help::Request& r : helpSent) {
            EXPECT_EQ(r.command, HELP_CONTEXT);
            EXPECT_EQ(r.context, c.context);
            EXPECT_EQ(r.file, vb::App::HelpFile());
        }
        c.dialog->hide();
    }
    frmAddArtistInstance().release();
    frmAddRecordNameInstance().release();
    frmAddSongsInstance().release();
    for (vb::Form* f : {static_cast<vb::Form*>(&artist), static_cast<vb::Form*>(&record), static_cast<vb::Form*>(&songs)})
        vb::Unload(f);
}

TEST_F(ToolsTest, WebSiteAndEmailOpenTheMakersAddresses)
{
    frmDatabaseExplorer& w = load();
    w.mnuVisitZAVROTech->trigger();
    w.mnuemailsupport->trigger();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].toString(), QStringLiteral("http://www.example.com/zavrododi/"));
    EXPECT_EQ(opened[1].toString(), QStringLiteral("mailto:support@example.com"));
    EXPECT_EQ(w.MousePointer(), vb::vbDefault);

    // No program for the address: nothing from the program itself.
    shell::setUrlOpener([](const QUrl&) { return false; });
    w.mnuVisitZAVROTech->trigger();
    EXPECT_EQ(w.MousePointer(), vb::vbDefault);
}

TEST_F(ToolsTest, AboutShowsModallyWithTheWindowsIcon)
{
    frmDatabaseExplorer& w = load(true);
    bool iconSet = false;
    bool modal = false;
    testenv::later(20, [&] {
        frmAbout* about = frmAboutInstance().peek();
        ASSERT_NE(about, nullptr);
        modal = QApplication::activeModalWidget() == about;
        iconSet = !about->picIcon->pixmap().isNull();
        QTest::keyClick(about, Qt::Key_Escape);
    });
    testenv::withWatchdog(5000, [&] { w.mnuAbout->trigger(); });
    EXPECT_TRUE(modal);
    EXPECT_TRUE(iconSet);
    EXPECT_EQ(frmAboutInstance().peek(), nullptr);
}

} // namespace

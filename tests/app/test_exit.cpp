#include "app/frmEnd.h"
#include "help/Help.h"
#include "jet/CatalogFiles.h"
#include "jet/Engine.h"
#include "jet/Workgroup.h"
#include "sound/Sound.h"
#include "support/TestEnv.h"
#include "vb/App.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct PlayCall {
    QString file;
    quint32 flags = 0;
    bool windowShown = false; // the exit window still on screen while the sound plays
    bool timerStopped = false; // so that it cannot fire a second time meanwhile
    bool viewerOpen = false;  // the help viewer is closed only after the sound
    int endsSoFar = 0;
    bool stillShownAfter = false; // nothing of the exit went on while the sound played
};

class ExitTest : public ::testing::Test {
public:
    void SetUp() override
    {
        vb::App::setHelpFile(folder.file("record.hlp"));
        sound::setAlsaDevice(QStringLiteral("discavo_no_such_device")); // no real sound, ever
        sound::setSoundPlayer([this](const QString& file, quint32 flags) {
            const frmEnd* w = frmEndInstance().peek();
            plays.push_back({file, flags, w && w->isVisible(), w && !w->Timer1.isActive(), viewer && viewer->isVisible(),
                             ends.count()});
            // Plays for a while without handing control back, as the real player does.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            plays.back().stillShownAfter = frmEndInstance().peek() == w && w && w->isVisible() &&
                                           ends.count() == plays.back().endsSoFar;
            return true;
        });
    }
    void TearDown() override
    {
        frmEnd::setWorkspaceCloser({});
        jet::DBEngine::Workspaces()(0).Close();
        jet::DBEngine::setSystemDB(QString());
        sound::setSoundPlayer({});
        sound::setAlsaDevice(QString());
        vb::App::setHelpFile(QString());
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void writeFile(const QString& name, const QByteArray& content)
    {
        QFile f(folder.file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    // Shows the exit window modally as the exit command does, with a short timer.
    void runExit()
    {
        frmEnd& w = frmEndInstance()();
        w.Timer1.setInterval(5);
        QObject::connect(&w.Timer1, &QTimer::timeout, [this] { ++timeouts; });
        testenv::withWatchdog(5000, [&w] { w.Show(vb::vbModal); });
    }

    testenv::ProgramFolder folder;
    testenv::EndRecorder ends;
    std::vector<PlayCall> plays;
    std::unique_ptr<QWidget> viewer;
    int timeouts = 0;
};

TEST_F(ExitTest, SoundPlaysOnceUnlessTheOptionFileExistsThenTheProgramEnds)
{
    struct Case {
        const char* what;
        std::function<void(ExitTest&)> prepare;
        bool sound;
    };
    const Case cases[] = {
        {"no option file", [](ExitTest&) {}, true},
        {"empty option file", [](ExitTest& t) { t.writeFile("records.snd", ""); }, false},
        {"option file with content",
         [](ExitTest& t) { t.writeFile("records.snd", "[Options]\r\nPlayZAVROTechSound = False\r\n"); }, false},
        {"a folder of that name is no option file",
         [](ExitTest& t) { QDir(t.folder.path()).mkdir("records.snd"); }, true},
        {"another program's option file", [](ExitTest& t) { t.writeFile("zavrotec.snd", ""); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(folder.path()).removeRecursively();
        QDir().mkpath(folder.path());
        plays.clear();
        timeouts = 0;
        const int endsBefore = ends.count();
        c.prepare(*this);

        runExit();

        ASSERT_EQ(plays.size(), c.sound ? 1u : 0u);
        if (c.sound) {
            EXPECT_EQ(plays[0].file, QDir::toNativeSeparators(folder.file("zavro.wav")));
            EXPECT_EQ(plays[0].flags, SND_FILENAME);
            EXPECT_TRUE(plays[0].windowShown);
            EXPECT_TRUE(plays[0].timerStopped);
            EXPECT_EQ(plays[0].endsSoFar, endsBefore);
            EXPECT_TRUE(plays[0].stillShownAfter);
        }
        EXPECT_EQ(timeouts, 1);
        EXPECT_EQ(ends.count(), endsBefore + 1);
        EXPECT_EQ(frmEndInstance().peek(), nullptr);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(ExitTest, ExitClosesEveryHelpViewerAfterTheSound)
{
    viewer = std::make_unique<QWidget>();
    viewer->show();
    help::registerViewer(vb::App::HelpFile(), viewer.get());
    QWidget otherViewer;
    otherViewer.show();
    help::registerViewer(folder.file("GettingStartedQZN.hlp"), &otherViewer);

    runExit();

    ASSERT_EQ(plays.size(), 1u);
    EXPECT_TRUE(plays[0].viewerOpen);
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_EQ(help::openViewer(vb::App::HelpFile()), nullptr);
    EXPECT_FALSE(otherViewer.isVisible());
    EXPECT_EQ(ends.count(), 1);
}

TEST_F(ExitTest, TheEngineIsPointedAtTheWorkgroupAndItsWorkspaceClosedWhateverItsState)
{
    enum class Engine { NeverStarted, DatabaseOpenInATransaction, CloseFails };
    struct Case {
        const char* what;
        Engine engine;
    };
    const Case cases[] = {
        {"engine never started", Engine::NeverStarted},
        {"a database open with changes pending", Engine::DatabaseOpenInATransaction},
        {"closing the workspace fails", Engine::CloseFails},
    };
    const QString workgroup = QDir::toNativeSeparators(folder.file("records.mdw"));
    jet::createCatalogFilesIfAbsent(folder.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        plays.clear();
        timeouts = 0;
        const int endsBefore = ends.count();
        jet::DBEngine::setSystemDB(QString());
        jet::Database db;
        if (c.engine == Engine::DatabaseOpenInATransaction) {
            jet::DBEngine::setSystemDB(workgroup);
            jet::DBEngine::setDefaultUser(jet::workgroup::kProgramUser);
            jet::DBEngine::setDefaultPassword(jet::workgroup::kProgramPassword);
            db = jet::DBEngine::OpenDatabase(folder.file("records.mdb"));
            jet::DBEngine::BeginTrans();
            db.Execute("insert into records (Artist) values ('Pending')");
            jet::DBEngine::setSystemDB(folder.file("elsewhere.mdw"));
        }
        QString systemDBAtClose;
        size_t playsAtClose = 0;
        if (c.engine == Engine::CloseFails) {
            frmEnd::setWorkspaceCloser([&] {
                systemDBAtClose = jet::DBEngine::SystemDB();
                playsAtClose = plays.size();
                throw jet::Error(jet::err::Reserved, "no workspace");
            });
        }
        viewer = std::make_unique<QWidget>();
        viewer->show();
        help::registerViewer(vb::App::HelpFile(), viewer.get());

        runExit();

        EXPECT_EQ(plays.size(), 1u);
        EXPECT_EQ(ends.count(), endsBefore + 1);
        EXPECT_FALSE(viewer->isVisible());
        EXPECT_EQ(jet::DBEngine::SystemDB(), workgroup);
        if (c.engine == Engine::CloseFails) {
            EXPECT_EQ(systemDBAtClose, workgroup);
            EXPECT_EQ(playsAtClose, 1u);
            frmEnd::setWorkspaceCloser({});
        } else {
            EXPECT_FALSE(db.isOpen());
        }
        if (c.engine == Engine::DatabaseOpenInATransaction) {
            jet::DBEngine::setDefaultUser(jet::workgroup::kProgramUser);
            jet::DBEngine::setDefaultPassword(jet::workgroup::kProgramPassword);
            jet::Database again = jet::DBEngine::OpenDatabase(folder.file("records.mdb"));
            EXPECT_EQ(again.OpenRecordset("select * from records").RecordCount(), 0);
            again.Close();
            jet::DBEngine::Workspaces()(0).Close();
        }
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(ExitTest, LoadStartsTheThreeSecondTimerOnACaptionlessWindowWithItsPicture)
{
    frmEnd& w = frmEndInstance()();
    EXPECT_EQ(w.Timer1.interval(), 3000);
    EXPECT_TRUE(w.Timer1.isActive());
    EXPECT_TRUE(w.windowTitle().isEmpty());
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    ASSERT_NE(w.picZavroSing, nullptr);
    EXPECT_FALSE(w.picZavroSing->pixmap().isNull());
    EXPECT_EQ(plays.size(), 0u);
    w.Timer1.stop();
    frmEndInstance().release();
    vb::Unload(&w);
}

class ResizableEnd : public frmEnd {
public:
    using frmEnd::Form_Resize;
};

TEST_F(ExitTest, ResizeCentresOnlyInTheNormalState)
{
    struct Case {
        Qt::WindowState state;
        bool centred;
    };
    // A fixed-size window cannot be maximised, so minimised is the one other state.
    for (const Case& c : {Case{Qt::WindowNoState, true}, Case{Qt::WindowMinimized, false}}) {
        SCOPED_TRACE(int(c.state));
        ResizableEnd w;
        w.Load();
        w.Timer1.stop();
        w.setWindowState(c.state);
        w.move(3, 4);
        w.Form_Resize();
        if (c.centred) {
            const QPoint offset = w.frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
            EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
        } else {
            EXPECT_EQ(w.pos(), QPoint(3, 4));
        }
    }
}

TEST(WinHelpTest, QuitClosesEveryViewerWhateverItsFile)
{
    const QString file = QDir::temp().filePath("discavo-help/record.hlp");
    const QString sameFile = QDir::temp().filePath("discavo-help/./sub/../record.hlp");
    QWidget mine;
    QWidget other;
    mine.show();
    other.show();
    help::registerViewer(file, &mine);
    help::registerViewer(QDir::temp().filePath("discavo-help/other.hlp"), &other);
    EXPECT_EQ(help::openViewer(sameFile), &mine);

    EXPECT_TRUE(WinHelpA(nullptr, sameFile, HELP_QUIT, 0));
    EXPECT_FALSE(mine.isVisible());
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(help::openViewer(file), nullptr);
    EXPECT_TRUE(WinHelpA(nullptr, file, HELP_QUIT, 0)); // nothing open: still fine
}

TEST(WinHelpTest, ADeletedViewerIsNoLongerOpen)
{
    const QString file = QDir::temp().filePath("discavo-help/record.hlp");
    {
        QWidget viewer;
        help::registerViewer(file, &viewer);
        EXPECT_EQ(help::openViewer(file), &viewer);
    }
    EXPECT_EQ(help::openViewer(file), nullptr);
    EXPECT_TRUE(WinHelpA(nullptr, file, HELP_QUIT, 0));
}

} // namespace

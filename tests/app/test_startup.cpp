#include "app/Startup.h"
#include "app/frmDatabaseExplorer.h"
#include "app/frmSplash.h"
#include "catalog/ProgramState.h"
#include "support/CatalogFixture.h"
#include "support/DarkTheme.h"
#include "support/TestEnv.h"
#include "vb/App.h"

#include <QApplication>
#include <QLabel>
#include <QLockFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(SplashTest, VersionTextShowsTheRevisionOnlyWhenNotZero)
{
    EXPECT_EQ(frmSplash::versionText(3, 0, 5), "Version 3.0.5");
    EXPECT_EQ(frmSplash::versionText(3, 0, 0), "Version 3.0");
    EXPECT_EQ(frmSplash::versionText(10, 2, 17), "Version 10.2.17");
}

TEST(SplashTest, LoadShowsTitleAndVersionAndStartsTheTimer)
{
    frmSplash& splash = frmSplashInstance()();
    EXPECT_EQ(splash.lblTitle[1]->text(), "Discavo 3");
    EXPECT_EQ(splash.lblVersion->text(), "Version 3.0.5");
    EXPECT_FALSE(splash.lblWarning->text().isEmpty());
    EXPECT_EQ(splash.Timer1.interval(), 4000);
    // Never early: a coarse timer may fire up to 5 % before its interval.
    EXPECT_EQ(splash.Timer1.timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(splash.Timer1.isActive());
    EXPECT_TRUE(splash.windowTitle().isEmpty());
    splash.Timer1.stop();
    frmSplashInstance().release();
    vb::Unload(&splash);
    QApplication::processEvents();
}

// The splash keeps its own light background under a dark desktop theme, and
// with it text dark enough to read.
TEST(SplashTest, ItsTextReadsOnItsOwnBackgroundUnderADarkTheme)
{
    const testenv::DarkTheme dark;
    frmSplash& splash = frmSplashInstance()();
    splash.Timer1.stop();
    const QColor background = splash.palette().color(QPalette::Window);
    EXPECT_EQ(background, QColor(0xF4, 0xF1, 0xE8));
    const QList<QLabel*> texts = {splash.lblTitle[1], splash.lblVersion, splash.lblWarning};
    for (const QLabel* label : texts) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_FALSE(label->autoFillBackground());
        EXPECT_GE(testenv::contrastRatio(label->palette().color(label->foregroundRole()), background), 4.5);
    }
    frmSplashInstance().release();
    vb::Unload(&splash);
    QApplication::processEvents();
}

// The whole run happens inside the splash timer's event; the timer must not fire again meanwhile.
TEST(SplashTest, TimerRunsOnceWhileTheMainWindowRunsInsideIt)
{
    ResetProgramState();
    AppRunning = true;
    testenv::CatalogFixture catalogue;
    testenv::EndRecorder ends;
    frmSplash& splash = frmSplashInstance()();
    splash.Timer1.setInterval(10);
    splash.Timer1.start();
    int timeouts = 0;
    QObject::connect(&splash.Timer1, &QTimer::timeout, [&timeouts] { ++timeouts; });

    testenv::withWatchdog(10000, [&] {
        QEventLoop wait;
        // Let the main window's modal loop run long enough for the 10 ms timer to have fired many times.
        QTimer::singleShot(300, [&] {
            frmDatabaseExplorer* main = frmDatabaseExplorerInstance().peek();
            ASSERT_NE(main, nullptr);
            EXPECT_TRUE(main->isVisible());
            EXPECT_EQ(main->windowTitle(), "Discavo 3");
            EXPECT_EQ(frmSplashInstance().peek(), nullptr);
            // Leave the main window's loop without the exit screen.
            AppRunning = false;
            main->Hide();
            frmDatabaseExplorerInstance().release();
            vb::Unload(main);
        });
        QTimer::singleShot(600, &wait, &QEventLoop::quit);
        wait.exec();
    });
    EXPECT_EQ(timeouts, 1);
    EXPECT_EQ(ends.count(), 0);
    ResetProgramState();
}

// A child process holds the instance lock while the parent asks.
class InstanceLockTest : public ::testing::Test {
protected:
    void TearDown() override { vb::App::releaseInstanceLock(); }

    pid_t startHolder()
    {
        int ready[2];
        EXPECT_EQ(pipe(ready), 0);
        const QString path = vb::App::lockFilePath();
        const pid_t pid = fork();
        if (pid == 0) {
            QLockFile lock(path);
            const char ok = lock.tryLock(0) ? 'y' : 'n';
            (void)!write(ready[1], &ok, 1);
            for (;;)
                pause();
        }
        char ok = 0;
        close(ready[1]);
        EXPECT_EQ(read(ready[0], &ok, 1), 1);
        close(ready[0]);
        EXPECT_EQ(ok, 'y');
        return pid;
    }

    static void stop(pid_t pid)
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
};

TEST_F(InstanceLockTest, LockHeldByAnotherProcessRefusesAndAStaleLockDoesNot)
{
    vb::App::releaseInstanceLock();
    const pid_t holder = startHolder();
    EXPECT_TRUE(vb::App::PrevInstance());
    stop(holder); // its lock file stays behind, stale
    vb::App::releaseInstanceLock();
    EXPECT_FALSE(vb::App::PrevInstance());
}

TEST_F(InstanceLockTest, SecondCopyShowsOnlyTheBoxAndEnds)
{
    vb::App::releaseInstanceLock();
    ResetProgramState();
    const pid_t holder = startHolder();
    testenv::ScriptedMsgBox boxes;
    boxes.answer(vb::vbOK);
    testenv::EndRecorder ends;
    Main();
    stop(holder);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, "This is a single user program and only one instance can run at a time.");
    EXPECT_EQ(boxes.calls()[0].style, 0);
    EXPECT_EQ(boxes.calls()[0].title, "Discavo 3: Attempt to run multiple instance of the program.");
    EXPECT_EQ(ends.count(), 1);
    EXPECT_FALSE(AppRunning);
    EXPECT_EQ(frmSplashInstance().peek(), nullptr);
}

} // namespace

#include "app/frmDatabaseExplorer.h"
#include "catalog/ProgramState.h"
#include "dialogs/frmFind.h"
#include "support/CatalogFixture.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Find loads with pending events let through: a second press
// of the button handled then opens nothing, and the first opens it once.
TEST(FindTwice, ASecondPressWhileTheDialogLoadsOpensNothing)
{
    ResetProgramState();
    AppRunning = true;
    testenv::CatalogFixture db;
    db.addArtist("Abba");
    testenv::ScriptedMsgBox boxes;
    testenv::EndRecorder ends;

    QPointer<frmDatabaseExplorer> window = new frmDatabaseExplorer;
    window->Load();
    window->TimerPopulateTree.stop();
    window->PopulateTree();
    window->show();

    int shown = 0;
    testenv::withWatchdog(5000, [&] {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* find = qobject_cast<frmFind*>(QApplication::activeModalWidget())) {
                ++shown;
                find->cmdReturn->click();
            }
        });
        poll.start(10);
        QMetaObject::invokeMethod(window, [&window] { window->mnuFindFiles_Click(); }, Qt::QueuedConnection);
        window->mnuFindFiles_Click();
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(frmFindInstance().peek(), nullptr);
    EXPECT_TRUE(boxes.empty());

    delete window.data();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ResetProgramState();
}

} // namespace

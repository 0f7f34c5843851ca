#include "catalog/ProgramState.h"
#include "dialogs/frmFind.h"
#include "support/CatalogFixture.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Find lets pending events run while it searches: a Cancel or a close box
// handled then closes the window once the search is done, not under it.
TEST(FindCloseTest, CloseArrivingDuringASearchWaitsForIt)
{
    const std::vector<std::function<void(frmFind&)>> closers = {
        [](frmFind& f) { f.cmdReturn_Click(); },
        [](frmFind& f) { f.close(); },
    };
    for (const auto& closeIt : closers) {
        ResetProgramState();
        testenv::CatalogFixture db;
        db.addArtist("Cher");
        testenv::ScriptedMsgBox boxes;
        frmFind& f = frmFindInstance()();
        QPointer<frmFind> alive(&f);
        f.show();
        QApplication::processEvents();
        f.mlocate->setText(QStringLiteral("*"));
        QMetaObject::invokeMethod(&f, [&f, &closeIt] { closeIt(f); }, Qt::QueuedConnection);
        QTest::mouseClick(f.cmdRun, Qt::LeftButton);
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(frmFindInstance().peek(), nullptr);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(alive.isNull());
        ResetProgramState();
    }
}

} // namespace

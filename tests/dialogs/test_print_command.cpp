#include "app/frmDatabaseExplorer.h"
#include "catalog/ProgramState.h"
#include "dialogs/frmPrint.h"
#include "support/CatalogFixture.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

TEST(PrintPreviewCommand, ShowsTheDialogOnlyWhenTheTreeHoldsAnArtist)
{
    testenv::CatalogFixture db;
    const QByteArray previous = qgetenv("DISCAVO_REGISTRY_FILE");
    qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(db.folder() + QStringLiteral("/registry.json")));
    ResetProgramState();
    {
        frmDatabaseExplorer window;
        window.tv1->clear();
        auto* root = new QTreeWidgetItem(window.tv1, QStringList{QStringLiteral("Records")});

        window.mnuPrint_Click(); // the root alone: nothing shows
        EXPECT_EQ(frmPrintInstance().peek(), nullptr);

        new QTreeWidgetItem(root, QStringList{QStringLiteral("Artist")});
        QString shown;
        testenv::withWatchdog(10000, [&] {
            testenv::later(50, [&] {
                if (auto* f = qobject_cast<frmPrint*>(QApplication::activeModalWidget())) {
                    shown = f->Caption();
                    f->cmdCancel->click();
                }
            });
            window.mnuPrint_Click();
        });
        EXPECT_EQ(shown, QStringLiteral("Discavo 3 - Print"));
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(frmPrintInstance().peek(), nullptr);
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qputenv("DISCAVO_REGISTRY_FILE", previous);
}

#pragma once

#include "app/frmDatabaseExplorer.h"
#include "catalog/ProgramState.h"

#include <QApplication>
#include <QTreeWidget>

namespace bench {

// The main window with the exit command noted instead of run.
class BenchWindow : public frmDatabaseExplorer {
public:
    bool exitRequested = false;
    void mnuExit_Click() override { exitRequested = true; }
};

// The main window loaded and shown as the program starts it, with the start-up
// timer stopped so that the caller fills the tree when it times it.
inline BenchWindow* openBenchWindow()
{
    ResetProgramState();
    AppRunning = true;
    auto* window = new BenchWindow;
    window->Load();
    window->TimerPopulateTree.stop();
    window->show();
    QApplication::processEvents();
    return window;
}

// The artist node of the tree whose text is exactly name; nullptr when none.
inline QTreeWidgetItem* artistNode(QTreeWidget* tree, const QString& name)
{
    const QTreeWidgetItem* root = tree->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i)
        if (root->child(i)->text(0) == name)
            return root->child(i);
    return nullptr;
}

} // namespace bench

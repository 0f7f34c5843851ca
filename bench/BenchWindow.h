#pragma once

#include "app/frmDatabaseExplorer.h"

namespace bench {

// The main window with the exit command noted instead of run.
class BenchWindow : public frmDatabaseExplorer {
public:
    bool exitRequested = false;
    void mnuExit_Click() override { exitRequested = true; }
};

} // namespace bench

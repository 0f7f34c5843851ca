// The Print Preview command.
#include "app/frmDatabaseExplorer.h"

void frmDatabaseExplorer::mnuPrint_Click() {}

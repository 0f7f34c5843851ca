// The Find command.
#include "app/frmDatabaseExplorer.h"

void frmDatabaseExplorer::mnuFindFiles_Click() {}

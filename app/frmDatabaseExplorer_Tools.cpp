// Tool, view and help commands, and About.
#include "app/frmDatabaseExplorer.h"

void frmDatabaseExplorer::mnuToolbar_Click() {}

void frmDatabaseExplorer::mnuStatusbar_Click() {}

void frmDatabaseExplorer::mnuCompactDatabase_Click() {}

void frmDatabaseExplorer::mnuRepairDatabase_Click() {}

void frmDatabaseExplorer::mnuPlayZAVROSound_Click() {}

void frmDatabaseExplorer::mnuGettingStarted_Click() {}

void frmDatabaseExplorer::mnuContents_Click() {}

void frmDatabaseExplorer::mnuSearch_Click() {}

void frmDatabaseExplorer::mnuHowToUseHelp_Click() {}

void frmDatabaseExplorer::mnuVisitZAVROTech_Click() {}

void frmDatabaseExplorer::mnuemailsupport_Click() {}

void frmDatabaseExplorer::mnuAbout_Click() {}

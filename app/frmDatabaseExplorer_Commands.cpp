// Entry commands: new, modify, rename and delete of artists, records and song titles.
#include "app/frmDatabaseExplorer.h"

void frmDatabaseExplorer::mnuNewArtist_Click() {}

void frmDatabaseExplorer::mnuNewRecordName_Click() {}

void frmDatabaseExplorer::mnuNewSong_Click() {}

void frmDatabaseExplorer::mnuDelete_Click() {}

void frmDatabaseExplorer::mnuRename_Click() {}

void frmDatabaseExplorer::mnuPopupSongRename_Click() {}

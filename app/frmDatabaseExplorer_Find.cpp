// The Find command.
#include "app/frmDatabaseExplorer.h"

#include "dialogs/frmFind.h"
#include "vb/MousePointer.h"

#include <QTreeWidget>

void frmDatabaseExplorer::mnuFindFiles_Click()
{
    setMousePointer(vb::vbHourglass);
    frmFindInstance()().Show(vb::vbModal);
    // Find may have changed or removed anything the views show.
    PopulateTree();
    ListView2->clear();
    CatalogEntry root;
    root.Level = Level::Database;
    SetMenuState(root);
    setMousePointer(vb::vbDefault);
}

// The Find command.
#include "app/frmDatabaseExplorer.h"
#include "app/frmDatabaseExplorer_CommandGuard.h"

#include "dialogs/frmFind.h"
#include "vb/MousePointer.h"

#include <QTreeWidget>

void frmDatabaseExplorer::mnuFindFiles_Click()
{
    // Find loads with pending events let through: a second click on the
    // button must not open it a second time from inside the first.
    CommandGuard guard(*this);
    if (!guard.entered())
        return;
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

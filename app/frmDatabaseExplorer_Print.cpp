// The Print Preview command.
#include "app/frmDatabaseExplorer.h"
#include "app/frmDatabaseExplorer_CommandGuard.h"

#include "dialogs/frmPrint.h"
#include "vb/MousePointer.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

void frmDatabaseExplorer::mnuPrint_Click()
{
    CommandGuard guard(*this);
    if (!guard.entered())
        return;
    setMousePointer(vb::vbHourglass);
    // The root and at least one artist.
    int nodes = 0;
    for (QTreeWidgetItemIterator it(tv1); *it && nodes < 2; ++it)
        ++nodes;
    if (nodes >= 2)
        frmPrintInstance()().Show(vb::vbModal);
    setMousePointer(vb::vbDefault);
}

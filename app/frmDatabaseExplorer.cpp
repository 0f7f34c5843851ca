#include "app/frmDatabaseExplorer.h"

#include "catalog/ProgramState.h"
#include "vb/App.h"
#include "vb/Runtime.h"
#include "vb/Twips.h"

#include <QIcon>

frmDatabaseExplorer::frmDatabaseExplorer(QWidget* parent) : vb::Form(parent)
{
    setObjectName(QStringLiteral("frmDatabaseExplorer"));
    setWindowIcon(QIcon(QStringLiteral(":/app/images/records.svg")));
    resize(vb::twipsToPixelsX(11520), vb::twipsToPixelsY(7800));
}

void frmDatabaseExplorer::Form_Load()
{
    if (!AppRunning)
        return;
    setCaption(vb::App::Title());
    HelpContextID = 1;
}

void frmDatabaseExplorer::Form_Unload(int& cancel)
{
    (void)cancel;
    if (!AppRunning)
        return;
    AppRunning = false;
    vb::End();
}

vb::DefaultInstance<frmDatabaseExplorer>& frmDatabaseExplorerInstance()
{
    static vb::DefaultInstance<frmDatabaseExplorer> instance;
    return instance;
}

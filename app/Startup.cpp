#include "app/Startup.h"

#include "app/frmDatabaseExplorer.h"
#include "app/frmSplash.h"
#include "catalog/ProgramState.h"
#include "vb/App.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"

void Main()
{
    if (vb::App::PrevInstance()) {
        vb::MsgBox(QStringLiteral("This is a single user program and only one instance can run at a time."),
                   vb::vbOKOnly,
                   vb::App::Title() + QStringLiteral(": Attempt to run multiple instance of the program."));
        vb::End();
        return;
    }
    AppRunning = true;
    frmSplashInstance()().Show(vb::vbModeless);
}

void StartProgram()
{
    frmDatabaseExplorerInstance()().Show(vb::vbModal);
}

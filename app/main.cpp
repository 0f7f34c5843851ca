#include "app/Startup.h"
#include "help/Help.h"
#include "vb/App.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The exit screen follows the main window; the program ends through End.
    QApplication::setQuitOnLastWindowClosed(false);
    vb::App::initFromExecutable(QCoreApplication::applicationFilePath());
    help::enableF1();
    Main();
    return QApplication::exec();
}

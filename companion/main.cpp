#include "companion/Program.h"
#include "companion/frmAboutZAVROTech.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    companion::applyVersionData();
    // The window ends the program itself, by its OK button, Enter, Escape or the close box.
    frmAboutZAVROTech window([] { QCoreApplication::quit(); });
    window.show();
    return QApplication::exec();
}

// recordshelp: the help viewer of the catalogue program, a process of its own so
// that it stays usable while the program shows a modal window.
#include "HelpServer.h"
#include "help/Help.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("recordshelp"));
    const QStringList args = QApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--server"));
    const QString name = (at >= 0 && at + 1 < args.size()) ? args.at(at + 1) : help::serverName();

    help::HelpServer server;
    if (!server.listen(name))
        return 1;
    QObject::connect(&server, &help::HelpServer::quitRequested, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    return QApplication::exec();
}

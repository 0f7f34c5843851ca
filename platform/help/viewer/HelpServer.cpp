#include "HelpServer.h"

#include "HelpWindow.h"
#include "help/Protocol.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QLocalServer>
#include <QLocalSocket>

namespace help {

namespace {
QString scratchTemplate()
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("recordshelp-XXXXXX"));
}
} // namespace

HelpServer::HelpServer(QObject* parent) : QObject(parent), scratch_(scratchTemplate()) {}

HelpServer::~HelpServer()
{
    for (const QPointer<HelpWindow>& w : std::as_const(windows_))
        delete w.data();
}

bool HelpServer::listen(const QString& name)
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        // A socket file whose viewer has ended refuses connections: take it over.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(500))
            return false;
        QLocalServer::removeServer(name);
        if (!server_->listen(name))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
            readFrom(socket);
        }
    });
    return true;
}

void HelpServer::readFrom(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QJsonObject answer = handle(protocol::decode(socket->readLine()));
        socket->write(protocol::encode(answer));
        socket->flush();
        if (answer.value(QStringLiteral("quit")).toBool())
            emit quitRequested();
    }
}

HelpWindow* HelpServer::window(const QString& helpFile) const
{
    return windows_.value(QDir::cleanPath(QFileInfo(helpFile).absoluteFilePath())).data();
}

HelpWindow* HelpServer::windowFor(const QString& helpFile)
{
    const QString key = QDir::cleanPath(QFileInfo(helpFile).absoluteFilePath());
    QPointer<HelpWindow>& w = windows_[key];
    if (!w) {
        const QString collection = QDir(scratch_.path()).filePath(QStringLiteral("%1.qhc").arg(++collections_));
        w = new HelpWindow(key, collection);
    }
    return w;
}

QJsonObject HelpServer::state() const
{
    QJsonArray list;
    for (const QPointer<HelpWindow>& w : windows_)
        if (w)
            list.append(w->state());
    return QJsonObject{{QStringLiteral("ok"), true}, {QStringLiteral("windows"), list}};
}

QJsonObject HelpServer::handle(const QJsonObject& message)
{
    if (message.value(QStringLiteral("query")).toString() == QLatin1String("state"))
        return state();
    const Request r = protocol::toRequest(message);
    if (r.command == HELP_QUIT) {
        for (const QPointer<HelpWindow>& w : std::as_const(windows_))
            if (w)
                w->close();
        windows_.clear();
        return QJsonObject{{QStringLiteral("ok"), true}, {QStringLiteral("quit"), true}};
    }
    if (r.command != HELP_FINDER && r.command != HELP_PARTIALKEY && r.command != HELP_HELPONHELP
        && r.command != HELP_CONTEXT)
        return QJsonObject{{QStringLiteral("ok"), false}};
    if (!QFileInfo(r.file).isFile())
        return QJsonObject{{QStringLiteral("ok"), false}};

    HelpWindow* w = windowFor(r.file);
    switch (r.command) {
    case HELP_FINDER: w->showContents(); break;
    case HELP_PARTIALKEY: w->showIndex(r.keyword); break;
    case HELP_HELPONHELP: w->showHelpOnHelp(); break;
    case HELP_CONTEXT: w->showContext(r.context); break;
    default: break;
    }
    w->show();
    w->raise();
    w->activateWindow();
    return QJsonObject{{QStringLiteral("ok"), w->isReadable()}};
}

} // namespace help

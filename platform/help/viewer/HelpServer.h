#pragma once

#include "help/Help.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTemporaryDir>

class QLocalServer;
class QLocalSocket;

namespace help {

class HelpWindow;

// The viewer's side of the help commands: listens on the local socket, keeps
// one window per help file and carries out each command it receives.
class HelpServer : public QObject {
    Q_OBJECT
public:
    explicit HelpServer(QObject* parent = nullptr);
    ~HelpServer() override;

    // Listens on `name`, taking over a socket file left behind by a viewer that ended.
    bool listen(const QString& name);

    // Carries out one message and returns the answer.
    QJsonObject handle(const QJsonObject& message);

    HelpWindow* window(const QString& helpFile) const;

signals:
    // HELP_QUIT: every window is closed and the viewer should end.
    void quitRequested();

private:
    void readFrom(QLocalSocket* socket);
    HelpWindow* windowFor(const QString& helpFile);
    QJsonObject state() const;

    QLocalServer* server_ = nullptr;
    QTemporaryDir scratch_;
    QMap<QString, QPointer<HelpWindow>> windows_;
    int collections_ = 0;
};

} // namespace help

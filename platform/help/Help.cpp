#include "help/Help.h"

#include "help/Protocol.h"
#include "vb/App.h"
#include "vb/Form.h"
#include "vb/MsgBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLocalSocket>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QWidget>

namespace help {

namespace {

QHash<QString, QPointer<QWidget>>& viewers()
{
    static QHash<QString, QPointer<QWidget>> v;
    return v;
}

RequestHandler& requestHandler()
{
    static RequestHandler handler;
    return handler;
}

QString keyOf(const QString& helpFile) { return QDir::cleanPath(QFileInfo(helpFile).absoluteFilePath()); }

void closeInProcessViewers()
{
    const auto all = viewers().values();
    viewers().clear();
    for (const QPointer<QWidget>& viewer : all)
        if (viewer)
            viewer->close();
}

constexpr int kConnectMs = 1000;
constexpr int kStartMs = 10000;
constexpr int kReplyMs = 10000;

bool connectTo(QLocalSocket& socket)
{
    socket.connectToServer(serverName());
    return socket.waitForConnected(kConnectMs);
}

// Starts the viewer and waits until it listens.
bool startViewer(QLocalSocket& socket)
{
    const QString program = viewerProgram();
    if (!QFileInfo(program).isExecutable() || serverName().isEmpty())
        return false;
    if (!QProcess::startDetached(program, {QStringLiteral("--server"), serverName()}))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kStartMs) {
        if (connectTo(socket))
            return true;
        socket.abort();
        QThread::msleep(25);
    }
    return false;
}

// Sends one message and returns the viewer's answer; an empty object when no
// viewer answered.
QJsonObject exchange(const QJsonObject& message, bool startIfNeeded)
{
    QLocalSocket socket;
    if (!connectTo(socket)) {
        socket.abort();
        if (!startIfNeeded || !startViewer(socket))
            return {};
    }
    socket.write(protocol::encode(message));
    if (!socket.waitForBytesWritten(kReplyMs))
        return {};
    QElapsedTimer waited;
    waited.start();
    while (!socket.canReadLine()) {
        const qint64 left = kReplyMs - waited.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(int(left)))
            return {};
    }
    return protocol::decode(socket.readLine());
}

bool isOk(const QJsonObject& answer) { return answer.value(QStringLiteral("ok")).toBool(); }

bool send(const Request& request)
{
    if (requestHandler())
        return requestHandler()(request);
    if (request.command == HELP_QUIT) {
        closeInProcessViewers();
        // Nothing to close when no viewer runs; it is not started for that.
        const QJsonObject answer = exchange(protocol::fromRequest(request), false);
        return answer.isEmpty() || isOk(answer);
    }
    // No help file set (App.HelpFile empty): nothing to show and nothing to say.
    if (request.file.isEmpty())
        return false;
    const QString native = QDir::toNativeSeparators(request.file);
    if (!QFileInfo(request.file).isFile()) {
        vb::MsgBox(QStringLiteral("The help file ") + native + QStringLiteral(" cannot be found."), vb::vbExclamation,
                   QStringLiteral("Help"));
        return false;
    }
    Request absolute = request;
    absolute.file = keyOf(request.file);
    const QJsonObject answer = exchange(protocol::fromRequest(absolute), true);
    if (answer.isEmpty()) {
        vb::MsgBox(QStringLiteral("The help viewer could not be started to show ") + native + QLatin1Char('.'),
                   vb::vbExclamation, QStringLiteral("Help"));
        return false;
    }
    return isOk(answer);
}

class F1Filter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        auto* form = qobject_cast<vb::Form*>(static_cast<QWidget*>(watched)->window());
        if (!form || form->HelpContextID == 0)
            return false;
        if (!key->isAutoRepeat())
            WinHelpA(form, vb::App::HelpFile(), HELP_CONTEXT, quintptr(form->HelpContextID));
        key->accept();
        return true;
    }
};

} // namespace

void setRequestHandler(RequestHandler handler) { requestHandler() = std::move(handler); }

void enableF1()
{
    static QPointer<F1Filter> filter;
    if (filter || !QCoreApplication::instance())
        return;
    filter = new F1Filter(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(filter);
}

QString viewerProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("recordshelp"));
}

QJsonObject viewerState()
{
    const QJsonObject answer = exchange(QJsonObject{{QStringLiteral("query"), QStringLiteral("state")}}, false);
    return isOk(answer) ? answer : QJsonObject();
}

void registerViewer(const QString& helpFile, QWidget* viewer) { viewers().insert(keyOf(helpFile), viewer); }

QWidget* openViewer(const QString& helpFile)
{
    const auto it = viewers().constFind(keyOf(helpFile));
    return it == viewers().cend() ? nullptr : it->data();
}

} // namespace help

bool WinHelpA(QWidget* window, const QString& helpFile, quint32 command, quintptr data)
{
    (void)window;
    help::Request request;
    request.file = helpFile;
    request.command = command;
    if (command == HELP_CONTEXT)
        request.context = quint32(data);
    return help::send(request);
}

bool WinHelpA(QWidget* window, const QString& helpFile, quint32 command, const QString& keyword)
{
    (void)window;
    help::Request request;
    request.file = helpFile;
    request.command = command;
    request.keyword = keyword;
    return help::send(request);
}

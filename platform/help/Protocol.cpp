#include "help/Protocol.h"

#include "vb/RuntimeFolder.h"

#include <QJsonDocument>

namespace help::protocol {

QByteArray encode(const QJsonObject& message)
{
    return QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject decode(const QByteArray& line)
{
    const QJsonDocument doc = QJsonDocument::fromJson(line.trimmed());
    return doc.isObject() ? doc.object() : QJsonObject();
}

QJsonObject fromRequest(const Request& request)
{
    return QJsonObject{{QStringLiteral("file"), request.file},
                       {QStringLiteral("command"), qint64(request.command)},
                       {QStringLiteral("context"), qint64(request.context)},
                       {QStringLiteral("keyword"), request.keyword}};
}

Request toRequest(const QJsonObject& message)
{
    Request r;
    r.file = message.value(QStringLiteral("file")).toString();
    r.command = quint32(message.value(QStringLiteral("command")).toInteger());
    r.context = quint32(message.value(QStringLiteral("context")).toInteger());
    r.keyword = message.value(QStringLiteral("keyword")).toString();
    return r;
}

} // namespace help::protocol

namespace help {

QString serverName() { return vb::RuntimeFile(QStringLiteral("recordshelp.socket")); }

} // namespace help

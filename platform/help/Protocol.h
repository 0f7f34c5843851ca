#pragma once

#include "help/Help.h"

#include <QByteArray>
#include <QJsonObject>

// The messages between the program and the help viewer: one line of compact
// JSON each way per command.
namespace help::protocol {

QByteArray encode(const QJsonObject& message);
// The message of one line; an empty object when it is not a JSON object.
QJsonObject decode(const QByteArray& line);

QJsonObject fromRequest(const Request& request);
Request toRequest(const QJsonObject& message);

} // namespace help::protocol

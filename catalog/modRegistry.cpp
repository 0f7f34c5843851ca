#include "catalog/modRegistry.h"

#include <QByteArray>

// Names and string data go to the registry in the system's code page: UTF-8 here.

QString RegGetString(HKEY root, const QString& subKey, const QString& valueName)
{
    QString result;
    const QByteArray key = subKey.toUtf8();
    const QByteArray name = valueName.toUtf8();

    HKEY handle = 0;
    if (RegOpenKeyExA(root, key.constData(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return result;

    std::uint32_t type = 0;
    std::uint32_t size = 0;
    RegQueryValueExA(handle, name.constData(), nullptr, &type, nullptr, &size);
    if (type == REG_SZ) {
        QByteArray buffer(static_cast<qsizetype>(size), ' ');
        auto* data = reinterpret_cast<unsigned char*>(buffer.data());
        if (RegQueryValueExA(handle, name.constData(), nullptr, &type, data, &size) == ERROR_SUCCESS) {
            buffer.truncate(static_cast<qsizetype>(size));
            const qsizetype nul = buffer.indexOf('\0');
            result = QString::fromUtf8(nul < 0 ? buffer : buffer.left(nul));
        }
    }
    RegCloseKey(handle);
    return result;
}

std::int32_t RegSetString(const QString& subKey, const QString& valueName, const QString& value)
{
    if (subKey.isEmpty() || valueName.isEmpty())
        return ERROR_BADKEY;

    HKEY handle = 0;
    const std::int32_t created = RegCreateKeyA(HKEY_LOCAL_MACHINE, subKey.toUtf8().constData(), &handle);
    if (created != ERROR_SUCCESS)
        return created;

    const QByteArray name = valueName.toUtf8();
    std::int32_t result;
    if (!value.isEmpty()) {
        // The text and its terminating NUL; the length counts bytes, not characters.
        const QByteArray text = value.toUtf8();
        result = RegSetValueExA(handle, name.constData(), 0, REG_SZ,
                                reinterpret_cast<const unsigned char*>(text.constData()),
                                static_cast<std::uint32_t>(text.size() + 1));
    } else {
        result = RegSetValueExA(handle, name.constData(), 0, REG_SZ, nullptr, 0);
    }
    RegCloseKey(handle);
    return result;
}

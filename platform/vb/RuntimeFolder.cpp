#include "vb/RuntimeFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace vb {

namespace {

// A folder only this user can enter.
bool isPrivate(const QString& folder)
{
    const QFileInfo info(folder);
    constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::WriteOther | QFile::ExeOther;
    return info.isDir() && !info.isSymLink() && info.ownerId() == ::geteuid() && !(info.permissions() & others);
}

// Where Qt can make none (its fallback name in the temporary folder is taken
// by someone else), a folder of our own under the user's cache folder.
QString cacheFallback()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return {};
    const QString folder = QDir(cache).filePath(QStringLiteral("discavo3-runtime"));
    if (!QDir().mkpath(folder))
        return {};
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return isPrivate(folder) ? folder : QString();
}

} // namespace

QString RuntimeFolder()
{
    // Qt warns on every look-up while XDG_RUNTIME_DIR is unset: look up once per setting.
    static QByteArray lastKey;
    static QString lastFolder;
    static bool looked = false;
    const QByteArray key = qgetenv("XDG_RUNTIME_DIR") + '\0' + qgetenv("TMPDIR") + '\0' + qgetenv("HOME");
    if (looked && key == lastKey)
        return lastFolder;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !isPrivate(folder))
        folder = cacheFallback();
    lastKey = key;
    lastFolder = folder;
    looked = true;
    return folder;
}

QString RuntimeFile(const QString& name)
{
    const QString folder = RuntimeFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

} // namespace vb

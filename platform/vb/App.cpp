#include "vb/App.h"

#include "vb/RuntimeFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <memory>

namespace vb {

namespace {
struct AppData {
    QString path = QDir::currentPath();
    QString exeName = QStringLiteral("records");
    QString title = QStringLiteral("Discavo 3");
    int major = 3;
    int minor = 0;
    int revision = 5;
    QString helpFile;
    std::unique_ptr<QLockFile> lock;
    bool lockChecked = false;
    bool prevInstance = false;
};

AppData& data()
{
    static AppData d;
    return d;
}
} // namespace

void App::initFromExecutable(const QString& executablePath)
{
    const QFileInfo info(executablePath);
    data().path = QDir::toNativeSeparators(info.absolutePath());
    data().exeName = info.completeBaseName();
}

QString App::Path() { return data().path; }
void App::setPath(const QString& folder) { data().path = QDir::toNativeSeparators(folder); }
QString App::EXEName() { return data().exeName; }
void App::setEXEName(const QString& name) { data().exeName = name; }
QString App::Title() { return data().title; }
void App::setTitle(const QString& title) { data().title = title; }
int App::Major() { return data().major; }
int App::Minor() { return data().minor; }
int App::Revision() { return data().revision; }
void App::setVersion(int major, int minor, int revision)
{
    data().major = major;
    data().minor = minor;
    data().revision = revision;
}
QString App::CompanyName() { return QStringLiteral("ZAVRO Dodi"); }
QString App::LegalCopyright() { return QStringLiteral("Copyright \u00A9 ZAVRO Dodi. All rights reserved."); }
QString App::ProductName() { return QStringLiteral("Discavo 3"); }
QString App::HelpFile() { return data().helpFile; }
void App::setHelpFile(const QString& file) { data().helpFile = file; }

QString App::lockFilePath() { return RuntimeFile(data().exeName + QStringLiteral(".instance.lock")); }

bool App::PrevInstance()
{
    AppData& d = data();
    if (d.lockChecked)
        return d.prevInstance;
    d.lockChecked = true;
    const QString path = lockFilePath();
    // With no private folder to hold a lock, no copy is refused.
    if (path.isEmpty()) {
        d.prevInstance = false;
        return false;
    }
    d.lock = std::make_unique<QLockFile>(path);
    // A lock whose owner is no longer running is stale and QLockFile takes it over.
    d.lock->setStaleLockTime(0);
    d.prevInstance = !d.lock->tryLock(0);
    if (d.prevInstance)
        d.lock.reset();
    return d.prevInstance;
}

void App::releaseInstanceLock()
{
    AppData& d = data();
    if (d.lock)
        d.lock->unlock();
    d.lock.reset();
    d.lockChecked = false;
    d.prevInstance = false;
}

QString App::file(const QString& name)
{
    return QDir::toNativeSeparators(QDir(data().path).filePath(name));
}

} // namespace vb

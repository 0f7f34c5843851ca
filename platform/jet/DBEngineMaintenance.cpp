// DBEngine.CompactDatabase and DBEngine.RepairDatabase over the file-level
// maintenance routines.

#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "jet/FileMaintenance.h"
#include "jet/Sqlite.h"
#include "jet/Workgroup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>

namespace jet {

namespace {

// True when this process holds the file open: every database the engine has
// open keeps a descriptor on its file, so this also finds a connection that
// was closed while a statement of it still ran.
bool openInThisProcess(const QString& path)
{
    struct stat wanted {};
    if (::stat(QFile::encodeName(path).constData(), &wanted) != 0)
        return false;
    DIR* fds = ::opendir("/proc/self/fd");
    if (!fds)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(fds)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        struct stat held {};
        if (end != entry->d_name && *end == '\0' && fd != ::dirfd(fds) && ::fstat(int(fd), &held) == 0 &&
            held.st_dev == wanted.st_dev && held.st_ino == wanted.st_ino) {
            found = true;
            break;
        }
    }
    ::closedir(fds);
    return found;
}

void refuseOpenDatabase(const QString& path)
{
    if (openInThisProcess(path))
        throw Error(err::FileInUse, QStringLiteral("Could not use '%1'; file already in use.").arg(QDir::toNativeSeparators(path)));
}

// The engine's default account must be able to log on to its workgroup file.
void logOn()
{
    const QString path = DBEngine::SystemDB();
    const Error missing(err::WorkgroupMissing, QStringLiteral("Cannot start your application. The workgroup information file "
                                                              "is missing or opened exclusively by another user."));
    if (path.isEmpty() || !QFileInfo(path).isFile())
        throw missing;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    bool valid = false;
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, DBEngine::LockTimeoutMs());
        detail::distrustStoredSchema(db);
        registerExtensions(db);
        try {
            valid = workgroup::authenticate(db, DBEngine::DefaultUser(), DBEngine::DefaultPassword());
        } catch (const Error&) {
            sqlite3_close_v2(db);
            throw missing;
        }
    }
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK)
        throw missing;
    if (!valid)
        throw Error(err::BadAccount, QStringLiteral("Not a valid account name or password."));
}

MaintenanceOptions engineOptions()
{
    MaintenanceOptions options;
    options.setup = registerExtensions;
    options.built = stampTextOrder;
    options.busyTimeoutMs = DBEngine::LockTimeoutMs();
    return options;
}

MaintenanceOptions workgroupOptions()
{
    MaintenanceOptions options = engineOptions();
    options.schema = &workgroup::schema();
    options.built = [](sqlite3* db) {
        stampTextOrder(db);
        workgroup::markFormat(db);
    };
    return options;
}

// The new file a workgroup file is built in before it takes the file's place.
QString workgroupScratch(const QString& path) { return path + QStringLiteral(".new"); }

void removeWithJournal(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// Runs a long file routine on a thread of its own while the calling thread,
// when it is the program's, lets pending events other than the user's input
// run every so often: the windows keep repainting under the hourglass, and no
// key or click is taken meanwhile. The routine is done when this returns.
bool whileRepainting(const std::function<bool()>& work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return work();
    std::future<bool> done = std::async(std::launch::async, work);
    do
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    while (done.wait_for(std::chrono::milliseconds(30)) != std::future_status::ready);
    return done.get();
}

} // namespace

// The locale, the options (encryption, file version) and the source password
// are accepted as given: the engine's files have one format and no encryption.
void DBEngine::CompactDatabase(const QString& source, const QString& destination, const QString& locale, int options,
                               const QString& password)
{
    (void)locale;
    (void)options;
    (void)password;
    logOn();
    refuseOpenDatabase(source);
    QString description;
    int number = 0;
    if (!whileRepainting([&] { return CompactFile(source, destination, description, engineOptions(), &number); }))
        throw Error(number, description);
}

void DBEngine::RepairDatabase(const QString& path, RepairReport* report)
{
    logOn();
    refuseOpenDatabase(path);
    QString description;
    int number = 0;
    if (!whileRepainting([&] { return RepairFile(path, description, engineOptions(), &number, report); }))
        throw Error(number, description);
}

void DBEngine::CompactWorkgroup()
{
    logOn();
    const QString path = SystemDB();
    refuseOpenDatabase(path);
    const QString scratch = workgroupScratch(path);
    removeWithJournal(scratch);
    QString description;
    int number = 0;
    if (!whileRepainting([&] { return CompactFile(path, scratch, description, workgroupOptions(), &number); }) ||
        !ReplaceFileAtomically(scratch, path, description, &number)) {
        removeWithJournal(scratch);
        throw Error(number, description);
    }
}

} // namespace jet

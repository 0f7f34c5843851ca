// DBEngine.CompactDatabase and DBEngine.RepairDatabase over the file-level
// maintenance routines.

#include "jet/Engine.h"
#include "jet/CatalogFiles.h"
#include "jet/Extensions.h"
#include "jet/FileIdentity.h"
#include "jet/FileMaintenance.h"
#include "jet/Schema.h"
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
        } catch (const Error& e) {
            sqlite3_close_v2(db);
            // A damaged file is named as such.
            if (e.Number() == err::CorruptDatabase || e.Number() == err::UnrecognizedFormat)
                throw;
            throw missing;
        }
    }
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK)
        throw missing;
    if (!valid)
        throw Error(err::BadAccount, QStringLiteral("Not a valid account name or password."));
}

// A connection of the maintenance routines' own, closed with the object.
struct OwnConnection {
    sqlite3* db = nullptr;
    OwnConnection(const QString& path, int flags)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const Error e = detail::sqliteError(db, rc, QDir::toNativeSeparators(path));
            sqlite3_close_v2(db);
            db = nullptr;
            throw e;
        }
        sqlite3_busy_timeout(db, DBEngine::LockTimeoutMs());
        detail::distrustStoredSchema(db);
        registerExtensions(db);
    }
    ~OwnConnection() { sqlite3_close_v2(db); }
    OwnConnection(const OwnConnection&) = delete;
    OwnConnection& operator=(const OwnConnection&) = delete;
};

// False when the workgroup file at path exists and is no database, is
// damaged, or lacks the tables of a workgroup file. A file that is missing
// is no damaged file (the logon reports it); one another connection holds
// locked fails here with 3045.
bool workgroupReadable(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return true;
    try {
        // Read-write, so that a journal a killed writer left is rolled back first.
        OwnConnection wg(path, SQLITE_OPEN_READWRITE);
        detail::Stmt check(wg.db, "PRAGMA integrity_check", path);
        if (!check.step() || check.text(0) != QLatin1String("ok") || check.step())
            return false;
        detail::Stmt probe(wg.db, workgroup::schema().probe.toUtf8().constData(), path);
        while (probe.step()) {
        }
        return true;
    } catch (const Error& e) {
        if (e.Number() == err::Locked)
            throw Error(err::FileInUse,
                        QStringLiteral("Could not use '%1'; file already in use.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
}

} // namespace

QStringList catalogueArtists(const QString& catalogue)
{
    OwnConnection db(catalogue, SQLITE_OPEN_READONLY);
    detail::Stmt s(db.db, "SELECT Artist FROM records WHERE Artist IS NOT NULL GROUP BY Artist ORDER BY min(rowid)",
                   QDir::toNativeSeparators(catalogue));
    QStringList artists;
    while (s.step())
        artists << s.text(0);
    return artists;
}

namespace {

MaintenanceOptions engineOptions()
{
    MaintenanceOptions options;
    options.setup = registerExtensions;
    options.built = stampBuiltFile;
    options.busyTimeoutMs = DBEngine::LockTimeoutMs();
    return options;
}

MaintenanceOptions workgroupOptions()
{
    MaintenanceOptions options = engineOptions();
    options.schema = &workgroup::schema();
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
    if (workgroupReadable(SystemDB()))
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

QString DBEngine::RebuildWorkgroup(const QString& catalogue, const QString& pid, const QString& password)
{
    const QString path = SystemDB();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        throw Error(err::WorkgroupMissing, QStringLiteral("Cannot start your application. The workgroup information file "
                                                          "is missing or opened exclusively by another user."));
    refuseOpenDatabase(path);
    if (workgroupReadable(path))
        return QString();
    const QStringList artists = catalogueArtists(catalogue);

    const QString scratch = workgroupScratch(path);
    removeWithJournal(scratch);
    try {
        OwnConnection db(scratch, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        detail::exec(db.db, "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL; BEGIN", scratch);
        workgroup::createSchema(db.db);
        workgroup::addBuiltInAccounts(db.db);
        workgroup::addArtistAccounts(db.db, artists, pid, password);
        stampBuiltFile(db.db);
        detail::exec(db.db, "COMMIT", scratch);
    } catch (const Error&) {
        removeWithJournal(scratch);
        throw;
    }
    QString kept;
    QString description;
    int number = 0;
    if (!KeepDamagedOriginal(path, kept, description, &number) ||
        !ReplaceFileAtomically(scratch, path, description, &number)) {
        removeWithJournal(scratch);
        throw Error(number, description);
    }
    return kept;
}

} // namespace jet

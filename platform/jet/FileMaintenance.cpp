#include "jet/FileMaintenance.h"

#include "jet/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace jet {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

class Connection {
public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { close(); }

    int open(const QString& path, int flags, const MaintenanceOptions& options)
    {
        const int rc = sqlite3_open_v2(encoded(path).constData(), &db_, flags, nullptr);
        if (rc != SQLITE_OK)
            return rc;
        sqlite3_busy_timeout(db_, options.busyTimeoutMs);
        if (options.setup)
            options.setup(db_);
        return SQLITE_OK;
    }

    void close()
    {
        if (db_)
            sqlite3_close_v2(db_);
        db_ = nullptr;
    }

    sqlite3* get() const { return db_; }
    int exec(const char* sql) const { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
    int exec(const QString& sql) const { return exec(sql.toUtf8().constData()); }
    QString message() const { return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory"); }

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(stmt_); }

    int prepare(const Connection& db, const QString& sql)
    {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        const QByteArray text = sql.toUtf8();
        return sqlite3_prepare_v2(db.get(), text.constData(), int(text.size()), &stmt_, nullptr);
    }

    void finalize()
    {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
    sqlite3_stmt* get() const { return stmt_; }
    int step() const { return sqlite3_step(stmt_); }
    void reset() const
    {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    QString text(int column) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column)) : QString();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

struct Failure {
    int number = 0;
    QString description;
};

// Jet's number for "database already exists"; the engine reports no other use of it.
constexpr int kDatabaseExists = 3204;

// Plain words for a failure on the database `path`.
Failure describe(int rc, const QString& path, const Connection& db)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return {err::FileInUse, QStringLiteral("Could not use '%1'; file already in use.").arg(native(path))};
    case SQLITE_NOTADB:
        return {err::UnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(native(path))};
    case SQLITE_CORRUPT:
        return {err::CorruptDatabase, QStringLiteral("The database '%1' is damaged.").arg(native(path))};
    case SQLITE_CANTOPEN:
        return {err::DiskError, QStringLiteral("The file '%1' could not be opened.").arg(native(path))};
    case SQLITE_FULL:
        return {err::DiskFull, QStringLiteral("Not enough space on disk.")};
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return {err::ReadOnly, QStringLiteral("The file '%1' cannot be written.").arg(native(path))};
    default:
        return {err::Reserved, QStringLiteral("The database '%1' could not be processed: %2.").arg(native(path), db.message())};
    }
}

// Hands a failure to the caller's out arguments.
class Outcome {
public:
    Outcome(QString& description, int* number) : description_(description), number_(number)
    {
        description_.clear();
        if (number_)
            *number_ = 0;
    }
    bool fail(const Failure& f)
    {
        description_ = f.description;
        if (number_)
            *number_ = f.number;
        return false;
    }
    bool fail(int number, const QString& description) { return fail(Failure{number, description}); }

private:
    QString& description_;
    int* number_;
};

bool flushToDisk(const QString& path, bool folder, int& error)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) {
        error = errno;
        return false;
    }
    const int result = ::fsync(fd);
    error = errno;
    ::close(fd);
    return result == 0;
}

void removeFileAndJournal(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// Takes the write lock of the database on a second connection for as long as
// the work reads it, so no other connection can change it half-way. A
// write-protected file cannot be locked for writing, and nobody can write it.
int lockAgainstWriters(Connection& guard, const QString& path, const MaintenanceOptions& options, bool& locked)
{
    locked = false;
    int rc = guard.open(path, SQLITE_OPEN_READWRITE, options);
    if (rc != SQLITE_OK)
        return rc;
    if (sqlite3_db_readonly(guard.get(), "main") == 1)
        return SQLITE_OK;
    rc = guard.exec("BEGIN IMMEDIATE");
    if ((rc & 0xff) == SQLITE_READONLY)
        return SQLITE_OK;
    locked = rc == SQLITE_OK;
    return rc;
}

QString quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

enum class Health { Sound, Damaged, NotDatabase, Failed };

Health checkHealth(const Connection& db, int& rc)
{
    auto classify = [](int code) {
        switch (code & 0xff) {
        case SQLITE_NOTADB: return Health::NotDatabase;
        case SQLITE_CORRUPT: return Health::Damaged;
        default: return Health::Failed;
        }
    };
    Statement check;
    rc = check.prepare(db, QStringLiteral("PRAGMA integrity_check"));
    if (rc != SQLITE_OK)
        return classify(rc);
    int lines = 0;
    bool ok = true;
    while ((rc = check.step()) == SQLITE_ROW) {
        ++lines;
        ok = ok && check.text(0) == QLatin1String("ok");
    }
    if (rc != SQLITE_DONE)
        return classify(rc);
    rc = SQLITE_OK;
    return ok && lines == 1 ? Health::Sound : Health::Damaged;
}

// Errors that say nothing about the file's content: the salvage must stop
// rather than skip rows over them.
bool isTransient(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_INTERRUPT:
        return true;
    default:
        return false;
    }
}

struct SalvageError {
    int rc = SQLITE_OK;
    bool inDestination = false;
};

// Copies every readable row of `table`. Rows are read in rowid order; where a
// damaged page stops the read, the smallest rowid past it that can be read
// again is searched for, so a bad page costs only the rows it holds.
bool copyRows(const Connection& from, const Connection& to, const QString& table, SalvageError& error)
{
    Statement read;
    if (read.prepare(from, QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid >= ?1 ORDER BY rowid").arg(quoted(table))) !=
        SQLITE_OK) {
        // No rowid (a WITHOUT ROWID table): copy up to the first unreadable row.
        Statement all;
        if (all.prepare(from, QStringLiteral("SELECT * FROM %1").arg(quoted(table))) != SQLITE_OK)
            return true;
        const int columns = sqlite3_column_count(all.get());
        QStringList marks;
        for (int i = 1; i <= columns; ++i)
            marks << QStringLiteral("?%1").arg(i);
        Statement insert;
        if (const int rc = insert.prepare(to, QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(quoted(table), marks.join(u','))); rc != SQLITE_OK) {
            error = {rc, true};
            return false;
        }
        int rc;
        while ((rc = all.step()) == SQLITE_ROW) {
            for (int i = 0; i < columns; ++i)
                sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(all.get(), i));
            const int irc = insert.step();
            insert.reset();
            if (irc != SQLITE_DONE && (irc & 0xff) != SQLITE_CONSTRAINT) {
                error = {irc, true};
                return false;
            }
        }
        if (isTransient(rc)) {
            error = {rc, false};
            return false;
        }
        return true;
    }

    const int columns = sqlite3_column_count(read.get());
    QStringList names{QStringLiteral("rowid")};
    QStringList marks{QStringLiteral("?1")};
    for (int i = 1; i < columns; ++i) {
        names << quoted(QString::fromUtf8(sqlite3_column_name(read.get(), i)));
        marks << QStringLiteral("?%1").arg(i + 1);
    }
    Statement insert;
    if (const int rc = insert.prepare(
            to, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(quoted(table), names.join(u','), marks.join(u',')));
        rc != SQLITE_OK) {
        error = {rc, true};
        return false;
    }

    int transient = SQLITE_OK;
    // True when a read starting at rowid x delivers a row (or the end) again.
    auto readable = [&](std::int64_t x) {
        read.reset();
        sqlite3_bind_int64(read.get(), 1, x);
        const int rc = read.step();
        read.reset();
        if (isTransient(rc))
            transient = rc;
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    };
    // Smallest readable start above `stuck`, or none.
    auto nextReadable = [&](std::int64_t stuck) -> std::optional<std::int64_t> {
        const std::uint64_t room = std::uint64_t(std::numeric_limits<std::int64_t>::max()) - std::uint64_t(stuck);
        if (room == 0)
            return std::nullopt;
        const auto at = [stuck](std::uint64_t offset) { return std::int64_t(std::uint64_t(stuck) + offset); };
        std::uint64_t failed = 0;
        std::uint64_t step = 1;
        while (!readable(at(step))) {
            if (transient != SQLITE_OK || step == room)
                return std::nullopt;
            failed = step;
            step = step > room / 2 ? room : step * 2;
        }
        while (step - failed > 1) {
            const std::uint64_t middle = failed + (step - failed) / 2;
            if (readable(at(middle)))
                step = middle;
            else if (transient != SQLITE_OK)
                return std::nullopt;
            else
                failed = middle;
        }
        return at(step);
    };

    std::int64_t start = std::numeric_limits<std::int64_t>::min();
    for (;;) {
        read.reset();
        sqlite3_bind_int64(read.get(), 1, start);
        bool any = false;
        std::int64_t last = 0;
        int rc;
        while ((rc = read.step()) == SQLITE_ROW) {
            any = true;
            last = sqlite3_column_int64(read.get(), 0);
            for (int i = 0; i < columns; ++i)
                sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(read.get(), i));
            const int irc = insert.step();
            insert.reset();
            if (irc != SQLITE_DONE && (irc & 0xff) != SQLITE_CONSTRAINT) {
                error = {irc, true};
                return false;
            }
            if (last == std::numeric_limits<std::int64_t>::max())
                return true;
        }
        if (rc == SQLITE_DONE)
            return true;
        if (isTransient(rc)) {
            error = {rc, false};
            return false;
        }
        const std::optional<std::int64_t> next = nextReadable(any ? last : start);
        if (transient != SQLITE_OK) {
            error = {transient, false};
            return false;
        }
        if (!next)
            return true;
        start = *next;
    }
}

struct SchemaObject {
    QString type;
    QString name;
    QString sql;
};

std::int64_t pragmaValue(const Connection& db, const char* name, std::int64_t fallback)
{
    Statement st;
    if (st.prepare(db, QStringLiteral("PRAGMA %1").arg(QLatin1String(name))) != SQLITE_OK || st.step() != SQLITE_ROW)
        return fallback;
    return sqlite3_column_int64(st.get(), 0);
}

// Builds a sound database at `scratch` from what can be read of `source`.
bool salvage(const Connection& source, const QString& sourcePath, const QString& scratch, const MaintenanceOptions& options,
             Outcome& out)
{
    std::vector<SchemaObject> schema;
    {
        Statement st;
        int rc = st.prepare(source, QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY rowid"));
        if (rc == SQLITE_OK)
            while ((rc = st.step()) == SQLITE_ROW)
                schema.push_back({st.text(0), st.text(1), st.text(2)});
        if (rc != SQLITE_DONE)
            return out.fail(err::CorruptDatabase,
                            QStringLiteral("The database '%1' is damaged beyond repair: its table definitions cannot be read.")
                                .arg(native(sourcePath)));
    }
    const std::int64_t pageSize = pragmaValue(source, "page_size", 4096);
    const std::int64_t autoVacuum = pragmaValue(source, "auto_vacuum", 0);
    const std::int64_t userVersion = pragmaValue(source, "user_version", 0);
    const std::int64_t applicationId = pragmaValue(source, "application_id", 0);

    Connection target;
    if (const int rc = target.open(scratch, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, options); rc != SQLITE_OK)
        return out.fail(describe(rc, scratch, target));
    // A scratch file: it is flushed as a whole before it replaces anything.
    target.exec("PRAGMA journal_mode=OFF");
    target.exec("PRAGMA synchronous=OFF");
    target.exec(QStringLiteral("PRAGMA page_size=%1").arg(pageSize));
    target.exec(QStringLiteral("PRAGMA auto_vacuum=%1").arg(autoVacuum));
    target.exec(QStringLiteral("PRAGMA user_version=%1").arg(userVersion));
    target.exec(QStringLiteral("PRAGMA application_id=%1").arg(applicationId));
    if (const int rc = target.exec("BEGIN"); rc != SQLITE_OK)
        return out.fail(describe(rc, scratch, target));

    auto internal = [](const QString& name) { return name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive); };
    auto rebuild = [&](const SchemaObject& o) {
        if (target.exec(o.sql) == SQLITE_OK)
            return true;
        return out.fail(err::CorruptDatabase, QStringLiteral("The database '%1' could not be repaired: the %2 '%3' could not be rebuilt (%4).")
                                                  .arg(native(sourcePath), o.type, o.name, target.message()));
    };
    for (const SchemaObject& o : schema)
        if (o.type == QLatin1String("table") && !internal(o.name) && !o.sql.isEmpty() && !rebuild(o))
            return false;
    for (const SchemaObject& o : schema) {
        if (o.type != QLatin1String("table") || internal(o.name) || o.sql.isEmpty())
            continue;
        SalvageError error;
        if (!copyRows(source, target, o.name, error))
            return out.fail(error.inDestination ? describe(error.rc, scratch, target) : describe(error.rc, sourcePath, source));
    }
    // AUTOINCREMENT counters may stand above the highest rowid kept.
    {
        Statement counters;
        Statement raise;
        if (counters.prepare(source, QStringLiteral("SELECT name, seq FROM sqlite_sequence")) == SQLITE_OK &&
            raise.prepare(target, QStringLiteral("UPDATE sqlite_sequence SET seq = ?2 WHERE name = ?1 AND seq < ?2")) == SQLITE_OK) {
            while (counters.step() == SQLITE_ROW) {
                sqlite3_bind_value(raise.get(), 1, sqlite3_column_value(counters.get(), 0));
                sqlite3_bind_value(raise.get(), 2, sqlite3_column_value(counters.get(), 1));
                raise.step();
                raise.reset();
            }
        }
    }
    for (const SchemaObject& o : schema)
        if (o.type != QLatin1String("table") && !internal(o.name) && !o.sql.isEmpty() && !rebuild(o))
            return false;
    if (const int rc = target.exec("COMMIT"); rc != SQLITE_OK)
        return out.fail(describe(rc, scratch, target));

    int rc = SQLITE_OK;
    if (checkHealth(target, rc) != Health::Sound)
        return out.fail(err::CorruptDatabase, QStringLiteral("The database '%1' could not be repaired.").arg(native(sourcePath)));
    return true;
}

Failure notFound(const QString& path)
{
    return {err::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(native(path))};
}

Failure notADatabase(const QString& path)
{
    return {err::UnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(native(path))};
}

bool replace(const QString& newFile, const QString& target, Outcome& out)
{
    const QFileInfo incoming(newFile);
    if (!incoming.exists() || !incoming.isFile())
        return out.fail(notFound(newFile));
    int error = 0;
    if (!flushToDisk(newFile, false, error))
        return out.fail(err::DiskError,
                        QStringLiteral("The file '%1' could not be written to disk: %2.").arg(native(newFile), systemError(error)));
    if (std::rename(encoded(newFile).constData(), encoded(target).constData()) != 0) {
        error = errno;
        return out.fail(err::DiskError, QStringLiteral("The file '%1' could not be put in place of '%2': %3.")
                                            .arg(native(newFile), native(target), systemError(error)));
    }
    // The rename has happened and cannot be reported as a failure any more;
    // flushing the folder only makes it survive a power loss.
    flushToDisk(QFileInfo(target).absolutePath(), true, error);
    return true;
}

} // namespace

bool CompactFile(const QString& source, const QString& destination, QString& errorDescription, const MaintenanceOptions& options,
                 int* errorNumber)
{
    Outcome out(errorDescription, errorNumber);
    const QFileInfo target(destination);
    if (target.exists() || target.isSymLink())
        return out.fail(kDatabaseExists, QStringLiteral("The file '%1' already exists.").arg(native(destination)));
    const QFileInfo origin(source);
    if (!origin.exists())
        return out.fail(notFound(source));
    if (!origin.isFile())
        return out.fail(notADatabase(source));

    // A journal of a destination that does not exist was left by a copy that
    // was killed half-way; it must not be played back into the new copy.
    QFile::remove(destination + QStringLiteral("-journal"));

    Connection db;
    if (const int rc = db.open(source, SQLITE_OPEN_READWRITE, options); rc != SQLITE_OK)
        return out.fail(describe(rc, source, db));
    // Reading the schema proves the file is a database (and rolls back what a
    // writer that died half-way left behind) before anything is locked.
    if (const int rc = db.exec("SELECT count(*) FROM sqlite_master"); rc != SQLITE_OK)
        return out.fail(describe(rc, source, db));
    Connection guard;
    bool locked = false;
    if (const int rc = lockAgainstWriters(guard, source, options, locked); rc != SQLITE_OK)
        return out.fail(describe(rc, source, guard));

    Statement vacuum;
    int rc = vacuum.prepare(db, QStringLiteral("VACUUM INTO ?1"));
    if (rc == SQLITE_OK) {
        const QByteArray file = encoded(destination);
        sqlite3_bind_text(vacuum.get(), 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
        rc = vacuum.step();
    }
    if (rc != SQLITE_DONE) {
        Failure failure;
        switch (rc & 0xff) {
        case SQLITE_FULL:
            failure = describe(rc, destination, db);
            break;
        case SQLITE_CANTOPEN:
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_IOERR:
            failure = {err::DiskError, QStringLiteral("The copy '%1' could not be written: %2.").arg(native(destination), db.message())};
            break;
        default:
            failure = describe(rc, source, db);
        }
        vacuum.finalize();
        db.close();
        removeFileAndJournal(destination);
        return out.fail(failure);
    }
    if (locked)
        guard.exec("ROLLBACK");
    guard.close();
    db.close();

    int error = 0;
    if (!flushToDisk(destination, false, error)) {
        removeFileAndJournal(destination);
        return out.fail(err::DiskError,
                        QStringLiteral("The copy '%1' could not be written to disk: %2.").arg(native(destination), systemError(error)));
    }
    flushToDisk(target.absolutePath(), true, error);
    return true;
}

bool RepairFile(const QString& path, QString& errorDescription, const MaintenanceOptions& options, int* errorNumber)
{
    Outcome out(errorDescription, errorNumber);
    const QFileInfo info(path);
    if (!info.exists())
        return out.fail(notFound(path));
    if (!info.isFile())
        return out.fail(notADatabase(path));

    Connection db;
    if (const int rc = db.open(path, SQLITE_OPEN_READWRITE, options); rc != SQLITE_OK)
        return out.fail(describe(rc, path, db));
    Connection guard;
    bool locked = false;
    if (const int rc = lockAgainstWriters(guard, path, options, locked); rc != SQLITE_OK && (rc & 0xff) != SQLITE_CORRUPT)
        return out.fail(describe(rc, path, guard));

    int rc = SQLITE_OK;
    switch (checkHealth(db, rc)) {
    case Health::Sound:
        return true;
    case Health::NotDatabase:
        return out.fail(notADatabase(path));
    case Health::Failed:
        return out.fail(describe(rc, path, db));
    case Health::Damaged:
        break;
    }

    const QString scratch = path + QStringLiteral(".repair");
    removeFileAndJournal(scratch);
    if (QFileInfo::exists(scratch))
        return out.fail(err::DiskError, QStringLiteral("The file '%1' is in the way and could not be deleted.").arg(native(scratch)));
    if (!salvage(db, path, scratch, options, out)) {
        removeFileAndJournal(scratch);
        return false;
    }
    if (locked)
        guard.exec("ROLLBACK");
    guard.close();
    db.close();
    if (!replace(scratch, path, out)) {
        removeFileAndJournal(scratch);
        return false;
    }
    return true;
}

bool ReplaceFileAtomically(const QString& newFile, const QString& target, QString& errorDescription, int* errorNumber)
{
    Outcome out(errorDescription, errorNumber);
    return replace(newFile, target, out);
}

} // namespace jet

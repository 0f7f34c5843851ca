#include "jet/Sqlite.h"

#include "jet/Extensions.h"

#include <QDir>

namespace jet::detail {

namespace {
// SQLite counts every allocation under a global mutex unless told not to; the
// engine never reads those counts. Set before the first connection opens.
[[maybe_unused]] const int kMemoryCountsOff = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
} // namespace

void clearUpperVectorState()
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        asm volatile("vzeroupper");
#endif
}

void distrustStoredSchema(sqlite3* db)
{
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
}

Error sqliteError(sqlite3* db, int rc, const QString& givenName)
{
    QString fileName = givenName;
    if (fileName.isEmpty() && db)
        if (const char* main = sqlite3_db_filename(db, "main"))
            fileName = QDir::toNativeSeparators(QString::fromUtf8(main));
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    int number = 0;
    QString description;
    if (decodeFunctionError(message, number, description))
        return Error(number, description);
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Error(err::Locked, QStringLiteral("Could not update; currently locked by another user or process."));
    case SQLITE_READONLY:
        return Error(err::ReadOnly, QStringLiteral("Cannot update. Database or object is read-only."));
    case SQLITE_FULL: return Error(err::DiskFull, QStringLiteral("Not enough space on disk."));
    case SQLITE_IOERR: return Error(err::DiskError, QStringLiteral("Disk or network error."));
    case SQLITE_NOTADB:
        return Error(err::UnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(fileName));
    case SQLITE_CORRUPT:
        return Error(err::CorruptDatabase,
                     QStringLiteral("Cannot open database '%1'. The file may be damaged.").arg(fileName));
    case SQLITE_CANTOPEN: return Error(err::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(fileName));
    case SQLITE_CONSTRAINT:
        return Error(err::DuplicateValue,
                     QStringLiteral("The changes you requested were not successful because they would create "
                                    "duplicate values."));
    case SQLITE_ERROR:
        if (message.startsWith(QLatin1String("no such table: ")))
            return Error(err::UnknownTable,
                         QStringLiteral("Could not find the input table or query '%1'.").arg(message.mid(15)));
        if (message.startsWith(QLatin1String("no such column: ")))
            return Error(err::UnknownField, QStringLiteral("Unknown field name '%1'.").arg(message.mid(16)));
        if (message.startsWith(QLatin1String("no such collation")))
            return Error(err::CorruptDatabase, QStringLiteral("The database uses a sort order the engine does not know."));
        return Error(err::SyntaxError, QStringLiteral("Syntax error in SQL statement (%1).").arg(message));
    default: return Error(err::Reserved, QStringLiteral("Database error (%1).").arg(message));
    }
}

Stmt::Stmt(sqlite3* db, const char* sql, const QString& fileName) : db_(db), fileName_(fileName)
{
    const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK)
        throw sqliteError(db, rc, fileName_);
}

Stmt::~Stmt() { sqlite3_finalize(stmt_); }

Stmt& Stmt::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    return *this;
}

Stmt& Stmt::bind(int index, const QByteArray& blob)
{
    sqlite3_bind_blob(stmt_, index, blob.constData(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
    return *this;
}

Stmt& Stmt::bind(int index, int value)
{
    sqlite3_bind_int(stmt_, index, value);
    return *this;
}

Stmt& Stmt::bind64(int index, std::int64_t value)
{
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

bool Stmt::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw sqliteError(db_, rc, fileName_);
}

QString Stmt::text(int column) const
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                             sqlite3_column_bytes(stmt_, column));
}

QByteArray Stmt::blob(int column) const
{
    const void* p = sqlite3_column_blob(stmt_, column);
    return QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(stmt_, column));
}

int Stmt::integer(int column) const { return sqlite3_column_int(stmt_, column); }

std::int64_t Stmt::integer64(int column) const { return sqlite3_column_int64(stmt_, column); }

void exec(sqlite3* db, const char* sql, const QString& fileName)
{
    char* msg = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &msg);
    sqlite3_free(msg);
    if (rc != SQLITE_OK)
        throw sqliteError(db, rc, fileName);
}

} // namespace jet::detail

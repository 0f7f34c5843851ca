#include "bench/PlainSqlite.h"

#include "bench/LeanLike.h"
#include "catalog/DataAccess.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace bench {

namespace {

int asciiNoCase(void*, int aLength, const void* a, int bLength, const void* b)
{
    const int r = sqlite3_strnicmp(static_cast<const char*>(a), static_cast<const char*>(b), std::min(aLength, bLength));
    return r != 0 ? r : aLength - bLength;
}

// A writer must put index entries where the file's own order has them.
int engineOrder(void*, int aLength, const void* a, int bLength, const void* b)
{
    return jet::compareText(static_cast<const char*>(a), aLength, static_cast<const char*>(b), bLength);
}

[[noreturn]] void fail(sqlite3* db, const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

// The statement with the values bound in order.
sqlite3_stmt* prepared(sqlite3* db, const char* sql, const QStringList& values)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        fail(db, sql);
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray v = values[i].toUtf8();
        sqlite3_bind_text(stmt, i + 1, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    return stmt;
}

} // namespace

PlainSqlite::PlainSqlite(const QString& path, bool writable, Functions functions)
{
    const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr) != SQLITE_OK)
        fail(db_, "open");
    if (functions != Builtin)
        jet::registerExtensions(db_);
    if (functions == LeanLike)
        registerLeanLike(db_);
    if (functions == Builtin)
        sqlite3_create_collation_v2(db_, jet::kTextCollation, SQLITE_UTF8, nullptr, writable ? engineOrder : asciiNoCase,
                                    nullptr);
    sqlite3_busy_timeout(db_, 3000);
    if (writable)
        exec("PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL");
}

PlainSqlite::~PlainSqlite() { sqlite3_close_v2(db_); }

void PlainSqlite::exec(const char* sql)
{
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db_, sql);
}

QStringList PlainSqlite::plan(const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    const QByteArray explain = QByteArray("EXPLAIN QUERY PLAN ") + sql;
    if (sqlite3_prepare_v2(db_, explain.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        fail(db_, sql);
    QStringList lines;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3)));
    sqlite3_finalize(stmt);
    return lines;
}

QStringList PlainSqlite::column(const char* sql, const QStringList& values)
{
    sqlite3_stmt* stmt = prepared(db_, sql, values);
    QStringList out;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), sqlite3_column_bytes(stmt, 0));
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail(db_, sql);
    return out;
}

long long PlainSqlite::run(const char* sql, const QStringList& values)
{
    sqlite3_stmt* stmt = prepared(db_, sql, values);
    long long rows = 0;
    int rc;
    const int columns = sqlite3_column_count(stmt);
    volatile std::size_t touched = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(stmt, c) == SQLITE_TEXT)
                touched = touched + static_cast<std::size_t>(sqlite3_column_text(stmt, c)[0]) + static_cast<std::size_t>(sqlite3_column_bytes(stmt, c));
            else
                (void)sqlite3_column_double(stmt, c);
        }
        ++rows;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail(db_, sql);
    return rows;
}

void engineSeesTheFiles()
{
    jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString).Close();
    jet::DBEngine::Workspaces()(0).Users();
}

} // namespace bench

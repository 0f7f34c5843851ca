#include "bench/PlainSqlite.h"

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

[[noreturn]] void fail(sqlite3* db, const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

} // namespace

PlainSqlite::PlainSqlite(const QString& path, bool writable)
{
    const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr) != SQLITE_OK)
        fail(db_, "open");
    sqlite3_create_collation_v2(db_, "JETTEXT", SQLITE_UTF8, nullptr, asciiNoCase, nullptr);
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

long long PlainSqlite::run(const char* sql, const QStringList& values)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
        fail(db_, sql);
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray v = values[i].toUtf8();
        sqlite3_bind_text(stmt, i + 1, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
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

} // namespace bench

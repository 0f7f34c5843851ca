#pragma once

// Small helpers over the SQLite C API shared by the engine's sources.

#include "jet/Error.h"

#include <QString>

#include <cstdint>

#include <sqlite3.h>

namespace jet::detail {

// The engine's error for a failed SQLite call on db. A message that names a
// file names fileName, or the connection's main file when it is empty.
Error sqliteError(sqlite3* db, int rc, const QString& fileName = QString());

// Settings of every connection the engine opens: nothing stored in the file
// runs (its triggers and views are off, functions and virtual tables its
// schema names are not trusted) and ordinary statements cannot corrupt it.
// The stored schema is still parsed, as SQLite must to read the file.
void distrustStoredSchema(sqlite3* db);

// A prepared statement of the engine's own SQL; values are always bound.
class Stmt {
public:
    // fileName: the file a failure names; the connection's main file when empty.
    Stmt(sqlite3* db, const char* sql, const QString& fileName = QString());
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& bind(int index, const QString& value);
    Stmt& bind(int index, const QByteArray& blob);
    Stmt& bind(int index, int value);
    Stmt& bind64(int index, std::int64_t value);
    // True while a row is available; throws on failure.
    bool step();
    QString text(int column) const;
    QByteArray blob(int column) const;
    int integer(int column) const;
    std::int64_t integer64(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    QString fileName_;
};

void exec(sqlite3* db, const char* sql, const QString& fileName = QString());

// Marks the upper halves of the processor's wide vector registers unused.
// Code run while windows repaint can return with them in use; until something
// clears them every SSE instruction waits on them, and a large query run right
// after a repaint took a third longer than the same query alone. Call before
// stepping through a statement; does nothing on processors without AVX.
void clearUpperVectorState();

} // namespace jet::detail

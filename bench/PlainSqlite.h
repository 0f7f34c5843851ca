#pragma once

#include <QString>
#include <QStringList>

#include <sqlite3.h>

namespace bench {

// The same file through SQLite alone: built-in LIKE, and the text columns'
// collation name answered with SQLite's own ASCII case folding (what NOCASE
// does), since the schema names a collation every connection must know; a
// writable file gets the engine's order, so that its indexes stay in order.
class PlainSqlite {
public:
    // EngineFunctions: the engine's collation and like() instead, to tell their
    // share of a query's time from the rest of the engine's; LeanLike: the
    // same with the benchmark's leaner like().
    enum Functions { Builtin, EngineFunctions, LeanLike };
    PlainSqlite(const QString& path, bool writable, Functions functions = Builtin);
    ~PlainSqlite();
    PlainSqlite(const PlainSqlite&) = delete;
    PlainSqlite& operator=(const PlainSqlite&) = delete;

    // Runs one statement with the values bound in order; reads every column of
    // every row and returns the row count. Throws std::runtime_error.
    long long run(const char* sql, const QStringList& values = {});
    void exec(const char* sql);
    // The first column of every row, as text.
    QStringList column(const char* sql, const QStringList& values = {});
    // The query plan, one line a step.
    QStringList plan(const char* sql);

private:
    sqlite3* db_ = nullptr;
};

// Plain SQLite writes the catalogue and the workgroup file past the engine, as
// another program would; at its next use the engine checks the catalogue's
// indexes and reads its account list again, once. No other program writes a
// user's files, so the benchmark lets the engine see them here, outside the
// measured time, after every write of plain SQLite or of a set-up.
void engineSeesTheFiles();

} // namespace bench

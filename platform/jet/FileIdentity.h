#pragma once

// What every file of the program says about itself: its kind (the file's
// application id), the version of its schema (its user version) and, in the
// stamp table, the order its text indexes were built in and the file change
// counter (header bytes 24-27) that the program's last write left. The
// counter grows by one with every write transaction in rollback-journal mode,
// whoever writes, so a file whose counter differs from its stamp was written
// by another program since.

#include <QStringList>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace jet {

// Notes the write of the transaction about to commit on the connection: in
// every database of it (main and attached) that the transaction writes and
// that has a stamp table, the counter the commit will leave - unless another
// program wrote the file since its stamp, which then stays as it was for the
// next open to find. Call right before COMMIT. Throws jet::Error.
void noteOwnWrites(sqlite3* db);

// Gives a file just built from one of the program's schemas (its tables
// tell which) its kind, its version and its stamp, inside the transaction
// that builds it. Throws jet::Error.
void stampBuiltFile(sqlite3* db);

// Runs when a connection to a file opens for writing. A file of the program
// that no other program changed since the program last wrote it costs a few
// reads. Otherwise, in one transaction (the rollback journal keeps the file
// as it was until it commits): a file of an earlier version is brought to the
// current form, the text indexes are verified against the program's order and
// those that disagree rebuilt, and the file is stamped again. A file that is
// not the program's, or cannot be written, is left as it is. Throws
// jet::Error, CorruptDatabase when the file cannot be mended so (a schema
// that is not the program's, an index that cannot be rebuilt).
void checkFileOnOpen(sqlite3* db);

// Makes the writes that follow, outside every transaction, one transaction
// that notes them at its commit, as writes inside one are noted at theirs.
// Does nothing inside a transaction. Rolls back unless committed.
class StampedWrite {
public:
    explicit StampedWrite(sqlite3* db);
    ~StampedWrite();
    StampedWrite(const StampedWrite&) = delete;
    StampedWrite& operator=(const StampedWrite&) = delete;
    // Throws jet::Error.
    void commit();

private:
    sqlite3* db_;
    bool open_ = false;
};

// Runs a statement that writes, outside every transaction, as a transaction
// of its own that notes the write, as writes inside one are noted at their
// commit. Does nothing for a statement inside a transaction, one that only
// reads and one that cannot run inside a transaction (VACUUM). Rolls back
// unless committed.
class StampedStatement {
public:
    StampedStatement(sqlite3* db, sqlite3_stmt* statement);
    // Throws jet::Error.
    void commit();

private:
    std::optional<StampedWrite> write_;
};

namespace detail {
// The indexes ordered by the text collation whose entries are not in the
// program's order. Throws jet::Error, CorruptDatabase for a unique index
// holding two entries the order makes equal.
QStringList textIndexesOutOfOrder(sqlite3* db);
} // namespace detail

} // namespace jet

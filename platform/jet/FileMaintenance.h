#pragma once

#include <QString>

#include <functional>
#include <utility>
#include <vector>

struct sqlite3;

namespace jet {

struct SchemaDefinition;

// Every routine returns false on failure with a plain description and, when
// errorNumber is given, the engine's error number for it.

// How the maintenance routines open their connections. `setup` runs on every
// connection they open (the engine registers its collations and functions
// there, which indexes of its files need); `busyTimeoutMs` is how long a lock
// held by another connection is waited for before the work is refused.
struct MaintenanceOptions {
    std::function<void(sqlite3*)> setup;
    int busyTimeoutMs = 3000;
    // What the files consist of; the catalogue's schema when not given.
    const SchemaDefinition* schema = nullptr;
    // Runs on every file the routines build, once its indexes are made and
    // before it is committed (the engine gives the file there its kind,
    // version and stamp: the order its text indexes were built in).
    std::function<void(sqlite3*)> built;
};

// The rows of one table that a repair could not read from the original.
struct UnreadRows {
    // Exact: exactly `rows`; About: an estimate from what the file says was
    // there (the rowid ranges of its lost pages); AtLeast: `rows` is only a
    // lower bound (0: nothing is known about how many).
    enum Bound { Exact, About, AtLeast };
    QString table;
    int rows = 0;
    Bound bound = Exact;
    bool operator==(const UnreadRows&) const = default;
};

// What a repair that replaced the file did.
struct RepairReport {
    // Where the damaged original is kept; empty when the file was sound.
    QString keptOriginal;
    // For each table of the schema, the rows the original held or may have
    // held that could not be read from it.
    std::vector<UnreadRows> unreadRows;
    // No page of the original could be read as a database page: the new file
    // is empty.
    bool nothingRead = false;
};

// Writes a compacted copy of the database `source` into the new file
// `destination` and flushes it to disk: a file built from the schema, holding
// the rows of the schema's tables (the columns source and schema share),
// copied as bound values, or, for a table the source stores exactly as the
// schema defines it, copied whole: its records as stored, each index entry
// put in its place by the copy's own order (as VACUUM copies, without sorting
// every index again). Refuses a destination that
// exists, a source that is missing or is no database, and a source another
// connection holds a write lock on (after the busy timeout). Never creates
// the source; on failure no destination is left behind.
bool CompactFile(const QString& source, const QString& destination, QString& errorDescription,
                 const MaintenanceOptions& options = {}, int* errorNumber = nullptr);

// Checks the database at `path`. A sound file holding exactly the schema is
// left alone. Otherwise every row that a readable page of a table of the
// schema holds is salvaged, page by page, into a new file built from the
// schema beside it (path + ".repair"), missing tables made empty; the
// original is kept under a new name of its own (name.damaged-<time>.suffix)
// and the new file is renamed over it. Nothing stored in the file is run.
// A file whose header is damaged or that is no database at all is read by
// the structure of its pages; when none can be read, the new file is empty.
// A missing file fails and is left as it was.
bool RepairFile(const QString& path, QString& errorDescription, const MaintenanceOptions& options = {},
                int* errorNumber = nullptr, RepairReport* report = nullptr);

// Keeps the bytes of the damaged file `path` under a new name of its own
// beside it (name.damaged-<yyyyMMdd-HHmmss>.suffix), flushed to disk; `kept`
// receives that name. The file itself stays where it is.
bool KeepDamagedOriginal(const QString& path, QString& kept, QString& errorDescription, int* errorNumber = nullptr);

// Flushes `newFile` to disk and renames it over `target` in one step (the
// target is never missing in between), then flushes the folder.
bool ReplaceFileAtomically(const QString& newFile, const QString& target, QString& errorDescription,
                           int* errorNumber = nullptr);

} // namespace jet

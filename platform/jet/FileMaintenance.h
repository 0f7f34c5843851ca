#pragma once

#include <QString>

#include <functional>

struct sqlite3;

namespace jet {

// Every routine returns false on failure with a plain description and, when
// errorNumber is given, the engine's error number for it.

// How the maintenance routines open their connections. `setup` runs on every
// connection they open (the engine registers its collations and functions
// there, which indexes of its files need); `busyTimeoutMs` is how long a lock
// held by another connection is waited for before the work is refused.
struct MaintenanceOptions {
    std::function<void(sqlite3*)> setup;
    int busyTimeoutMs = 3000;
};

// Writes a consistent, compacted copy of the database `source` into the new
// file `destination` and flushes it to disk. Refuses a destination that
// exists, a source that is missing or is no database, and a source another
// connection holds a write lock on (after the busy timeout). Never creates
// the source; on failure no destination is left behind.
bool CompactFile(const QString& source, const QString& destination, QString& errorDescription,
                 const MaintenanceOptions& options = {}, int* errorNumber = nullptr);

// Checks the database at `path`. A sound file is left alone. From a damaged
// one every readable row of every table is salvaged into a new file beside it
// (named path + ".repair"), which then replaces the original atomically.
// A missing file or one that is no database fails and is left as it was.
bool RepairFile(const QString& path, QString& errorDescription, const MaintenanceOptions& options = {},
                int* errorNumber = nullptr);

// Flushes `newFile` to disk and renames it over `target` in one step (the
// target is never missing in between), then flushes the folder.
bool ReplaceFileAtomically(const QString& newFile, const QString& target, QString& errorDescription,
                           int* errorNumber = nullptr);

} // namespace jet

#pragma once

// What SQLite leaves beside a database file and never reads again.

#include <QString>

struct sqlite3;

namespace jet::detail {

// Removes, beside the database `path` open on db, the rollback journal whose
// header was never completed (SQLite takes a journal whose first byte is 0
// for none and never plays it back) and the super-journals of the file
// (path-mj...) that no journal they list names any more. It looks only while
// it holds the file's write lock, so no writer is between the steps of a
// commit; a file another connection is writing is left for a later open. A
// journal SQLite would play back is never touched. Leaves db with the busy
// timeout busyTimeoutMs.
void removeStaleJournals(sqlite3* db, const QString& path, int busyTimeoutMs);

} // namespace jet::detail

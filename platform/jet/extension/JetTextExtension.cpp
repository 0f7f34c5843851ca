// A loadable SQLite extension for other programs (the sqlite3 shell, Python's
// sqlite3 module, DB Browser for SQLite): it registers the collation of the
// text columns of records.mdb and records.mdw, made from the engine's own
// order, so that they read, query, sort, check and write the files exactly as
// the program does. It registers nothing else: the tools' LIKE and their
// other functions stay as they are.

#include "jet/Collation.h"

#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

extern "C" __attribute__((visibility("default"))) int sqlite3_jettext_init(sqlite3* db, char** errorMessage,
                                                                          const sqlite3_api_routines* api)
{
    SQLITE_EXTENSION_INIT2(api);
    const int rc = sqlite3_create_collation_v2(db, jet::kTextCollation, SQLITE_UTF8, nullptr, jet::collateText, nullptr);
    if (rc != SQLITE_OK && errorMessage)
        *errorMessage = sqlite3_mprintf("the collation %s could not be registered", jet::kTextCollation);
    return rc;
}

#pragma once

#include "jet/Collation.h"

#include <QString>

struct sqlite3;

namespace jet {

// Name of the collation of every text column: equal when equal without regard
// to letter case (any letter, not only ASCII); ordered as compareText orders.
inline constexpr const char* kTextCollation = "JETTEXT";

// Registers the text collation, the Jet like() and the conversion functions
// jet_cdate, jet_ccur, jet_clng and jet_cbool on a connection.
void registerExtensions(sqlite3* db);

// A file notes the order its text indexes were built in (collationStamp, kept
// as the file's application id). Rebuilds them when that is not this
// program's order, so that lookups and sorted scans stay right; a file that
// cannot be written is left as it is. Throws jet::Error.
void rebuildStaleTextIndexes(sqlite3* db);
// Notes this program's order in a file whose indexes were all built by it.
void stampTextOrder(sqlite3* db);

// Matches a text against a Jet pattern (*, ?, #, [list], [!list]) without regard
// to case. Throws jet::Error for an unbalanced "[".
bool likeMatch(const QString& text, const QString& pattern);

// Error texts raised inside SQLite functions carry the engine's number: "jet:<n>:<text>".
QString encodeFunctionError(int number, const QString& description);
bool decodeFunctionError(const QString& message, int& number, QString& description);

} // namespace jet

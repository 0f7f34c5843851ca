#pragma once

#include "jet/Collation.h"

#include <QString>

struct sqlite3;

namespace jet {

// Registers the text collation, the Jet like() and the conversion functions
// jet_cdate, jet_ccur, jet_clng and jet_cbool on a connection.
void registerExtensions(sqlite3* db);

// Matches a text against a Jet pattern (*, ?, #, [list], [!list]) without regard
// to case. Throws jet::Error for an unbalanced "[".
bool likeMatch(const QString& text, const QString& pattern);

// Error texts raised inside SQLite functions carry the engine's number: "jet:<n>:<text>".
QString encodeFunctionError(int number, const QString& description);
bool decodeFunctionError(const QString& message, int& number, QString& description);

} // namespace jet

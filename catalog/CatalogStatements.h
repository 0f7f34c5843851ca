#pragma once

#include "catalog/CatalogEntry.h"
#include "catalog/DataAccess.h"

#include <QString>

#include <vector>

// Statement texts, built from an entry alone (no database needed).
//
// A condition on a date, book value or quantity that the entry holds as Null
// is written "[Column] Is Null", so rows with a missing value can still be
// matched; a Null written into a row is the word Null.

// One insert for an artist-only row, a record or a song title; any other Level
// gives the empty statement, which the engine refuses.
std::vector<Statement> InsertStatements(const CatalogEntry& entry);

// The delete group of an artist, a record or a song title; empty for any other
// Level. A record's songs go only when the record statement removed a row.
std::vector<Statement> DeleteStatements(const CatalogEntry& entry);

// Rows that already hold `name` in the key column of the entry's Level within
// its parent; the empty query for any other Level.
QString UniqueQuery(const CatalogEntry& entry, const QString& name);

// Rows that match the entry's own name and text details; the empty query for
// any other Level.
QString UniqueDetailsQuery(const CatalogEntry& entry);

// The condition that picks a record's rows by every stored value of the
// entry: the rows an update of that record rewrites.
QString RecordCondition(const CatalogEntry& entry);

// Writes newEntry's values over the rows that match oldEntry (chosen by
// oldEntry's Level). A record's songs move only when the record statement
// matched a row. Any other Level gives the empty statement.
std::vector<Statement> UpdateStatements(const CatalogEntry& oldEntry, const CatalogEntry& newEntry);

// Renames an artist (both tables) or a song title. A record entry gives no
// statement at all; any other Level gives the empty statement.
std::vector<Statement> RenameStatements(const CatalogEntry& entry, const QString& newName);

// The routines that run them. Each sets its flag True only once its change has
// committed and shows its own message box on failure.
void ExecInsertItem(const CatalogEntry& entry, bool& ok);
void ExecDeleteItem(const CatalogEntry& entry, bool& ok);
void IsUniqueItem(const CatalogEntry& entry, const QString& name, bool& unique);
void IsUniqueItemDetails(const CatalogEntry& entry, bool& unique);
void ExecUpdateItem(const CatalogEntry& oldEntry, const CatalogEntry& newEntry, bool& ok);
// A record entry returns at once and leaves ok as the caller set it.
void ExecRenameItem(const CatalogEntry& entry, const QString& newName, bool& ok);

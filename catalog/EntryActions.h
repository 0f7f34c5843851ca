#pragma once

#include "catalog/CatalogEntry.h"

#include <QString>

#include <optional>

// What the windows call to change the catalogue. Each routine decides whether
// the change is allowed, shows its own refusal or confirmation box, runs the
// statement routines and sets ok (False first) True only once the change ran.

// Adds a record or song title; name is the record name or title to test.
void AddItem(const CatalogEntry& entry, const QString& name, bool& ok);

// Saves a modified record or song title over oldEntry.
void UpdateItem(const CatalogEntry& oldEntry, const CatalogEntry& newEntry, bool& ok);

// Renames an entry in place (the tree's label edit).
void RenameItem(const CatalogEntry& entry, const QString& newName, bool& ok);

// Deletes one record, song title or artist (with its account), asking first
// when askConfirm is True.
void DeleteItems(const CatalogEntry& entry, const bool& askConfirm, bool& ok);

// The value with every apostrophe doubled; Null stays Null.
std::optional<QString> FixQuotes(const std::optional<QString>& value);

// Replaces every occurrence of find (searched without regard to case) by
// replacement, never searching the inserted text again; Null stays Null.
std::optional<QString> ReplaceText(const std::optional<QString>& text, const QString& find,
                                   const QString& replacement);

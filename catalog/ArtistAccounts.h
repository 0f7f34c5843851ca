#pragma once

#include "catalog/CatalogEntry.h"

#include "jet/Engine.h"

#include <QString>

// Every artist is shadowed by a user account of the same name in the workgroup
// file; the account list is the case-blind register of artist names. These
// routines keep accounts and the artist rows of the catalogue in step. Each
// shows its own box on failure and reports success through its last argument.

// What every artist account is made of.
namespace ArtistAccount {
inline const QString PID = QStringLiteral("fennaply");
inline const QString Password = QStringLiteral("tintrove");
inline const QString Group = QStringLiteral("Users");
} // namespace ArtistAccount

// The user object UserExists walks the accounts with and DeleteUser removes.
extern jet::User WorkgroupUser;

// Creates the account (member of "Users") in the default workspace.
void AddUser(const QString& name, const QString& password, bool& ok);

// found True when an account has that name, ignoring case and surrounding
// blanks. The engine's own accounts count too. When the accounts cannot be
// read the name counts as taken.
void UserExists(const QString& name, bool& found);

// Deletes the account named by the trimmed name; ok True once that committed.
void DeleteUser(const QString& name, bool& ok);

// ok True when the new name may be tried: not Administrator and not the old name.
void ValidateUserRename(const QString& oldName, const QString& newName, bool& ok);

// Inserts the artist-only row of records.
void AddArtistRow(const QString& name, bool& ok);

// Deletes the artist's rows, then its account, asking first when askConfirm
// is True. ok True once the rows went, whatever became of the account.
void DeleteArtist(const CatalogEntry& entry, const bool& askConfirm, bool& ok);

// Gives the artist of oldEntry a new account and rows under the new name and
// removes the old account. A failed step undoes the earlier ones, so no artist
// is left without an account.
void RenameArtist(const CatalogEntry& oldEntry, const QString& newName, bool& ok);

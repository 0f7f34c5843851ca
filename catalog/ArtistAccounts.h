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

// The routines that change an artist change the catalogue and the workgroup
// file together or not at all, also when the process is killed part-way: every
// artist keeps its account and every artist account its artist.

// Adds an artist: its account (AddUser), then its artist-only row. userAdded
// tells whether the account step passed; ok True once both committed. A failed
// row takes the account back with it.
void AddArtist(const QString& name, bool& userAdded, bool& ok);

// Deletes the artist's rows and its account, asking first when askConfirm is
// True. An account that is missing already does not keep the rows; one that
// cannot be removed does.
void DeleteArtist(const CatalogEntry& entry, const bool& askConfirm, bool& ok);

// Gives the artist of oldEntry a new account and rows under the new name and
// removes the old account. A failed step undoes the whole rename.
void RenameArtist(const CatalogEntry& oldEntry, const QString& newName, bool& ok);

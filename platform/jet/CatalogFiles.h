#pragma once

#include <QString>
#include <QStringList>

namespace jet {

inline const QString kDatabaseFileName = QStringLiteral("records.mdb");
inline const QString kWorkgroupFileName = QStringLiteral("records.mdw");

// Creates a new, empty catalogue database (tables records and songs with their
// indexes). Fails (3022-free: throws jet::Error) when the file exists already.
void createCatalogDatabase(const QString& path);
// Creates a new workgroup file with the built-in accounts and the program's
// account, and an account for each of the given artists made with pid and
// password, a member of Users (as the program makes an artist's account).
void createWorkgroupFile(const QString& path, const QStringList& artists = {}, const QString& pid = {},
                         const QString& password = {});
// Creates whichever of records.mdb and records.mdw is missing in folder; an
// existing file is never touched. A workgroup file made beside a catalogue
// that is there already gets an account for each artist of the catalogue,
// made with pid and password, so that no artist is left without its account.
// Returns the number of files created.
int createCatalogFilesIfAbsent(const QString& folder, const QString& pid = {}, const QString& password = {});

// The distinct artists of a catalogue file, in the order they were first written.
QStringList catalogueArtists(const QString& catalogue);

} // namespace jet

#pragma once

#include <QString>

namespace jet {

inline const QString kDatabaseFileName = QStringLiteral("records.mdb");
inline const QString kWorkgroupFileName = QStringLiteral("records.mdw");

// Creates a new, empty catalogue database (tables records and songs with their
// indexes). Fails (3022-free: throws jet::Error) when the file exists already.
void createCatalogDatabase(const QString& path);
// Creates a new workgroup file with the built-in accounts and the program's account.
void createWorkgroupFile(const QString& path);
// Creates whichever of records.mdb and records.mdw is missing in folder; an
// existing file is never touched. Returns the number of files created.
int createCatalogFilesIfAbsent(const QString& folder);

} // namespace jet

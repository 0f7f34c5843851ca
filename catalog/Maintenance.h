#pragma once

#include <QString>

// Compacts the database baseName.mdb in the program folder through the
// temporary copy ~baseName.new. Returns True when the database was compacted;
// message is replaced with the text to show. Shows no message box.
bool CompactDatabaseFile(QString baseName, QString& message);

// Repairs baseName.mdb in place, then compacts it as CompactDatabaseFile does.
// Returns True when both worked; message is replaced with the text to show.
bool RepairDatabaseFile(QString baseName, QString& message);

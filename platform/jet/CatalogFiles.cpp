#include "jet/CatalogFiles.h"

#include "jet/Extensions.h"
#include "jet/Sqlite.h"
#include "jet/Workgroup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace jet {

namespace {

// Builds the file under a temporary name and renames it into place, so that a
// failed run never leaves a half-made file where the program looks for it.
template <typename Fill>
void createFile(const QString& path, Fill fill)
{
    if (QFileInfo::exists(path))
        throw Error(err::InvalidOperation, QStringLiteral("The file '%1' exists already.").arg(path));
    const QString temp = path + QStringLiteral(".part");
    QFile::remove(temp);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temp.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    try {
        if (rc != SQLITE_OK)
            throw detail::sqliteError(db, rc, temp);
        registerExtensions(db);
        detail::exec(db, "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL; BEGIN");
        fill(db);
        stampTextOrder(db);
        detail::exec(db, "COMMIT");
    } catch (...) {
        sqlite3_close_v2(db);
        QFile::remove(temp);
        throw;
    }
    sqlite3_close_v2(db);
    if (!QFile::rename(temp, path)) {
        QFile::remove(temp);
        throw Error(err::DiskError, QStringLiteral("Could not create '%1'.").arg(path));
    }
}

} // namespace

void createCatalogDatabase(const QString& path)
{
    createFile(path, [](sqlite3* db) {
        detail::exec(db,
                     "CREATE TABLE records ("
                     " Artist TEXT COLLATE JETTEXT,"
                     " Record_Name TEXT COLLATE JETTEXT,"
                     " Record_Type TEXT COLLATE JETTEXT,"
                     " Record_Category TEXT COLLATE JETTEXT,"
                     " Label_Name TEXT COLLATE JETTEXT,"
                     " Label_Number TEXT COLLATE JETTEXT,"
                     " Record_Condition TEXT COLLATE JETTEXT,"
                     " Sleeve_Condition TEXT COLLATE JETTEXT,"
                     " Record_Date DATETIME,"
                     " Book_Value CURRENCY,"
                     " Quantity LONG,"
                     " Record_Marked BIT NOT NULL DEFAULT 0);"
                     "CREATE TABLE songs ("
                     " Artist TEXT COLLATE JETTEXT,"
                     " Record_Name TEXT COLLATE JETTEXT,"
                     " Song_Title TEXT COLLATE JETTEXT);"
                     "CREATE INDEX records_by_artist ON records (Artist);"
                     "CREATE INDEX records_by_artist_record ON records (Artist, Record_Name);"
                     "CREATE INDEX songs_by_artist_record ON songs (Artist, Record_Name);");
    });
}

void createWorkgroupFile(const QString& path)
{
    createFile(path, [](sqlite3* db) {
        workgroup::createSchema(db);
        workgroup::addBuiltInAccounts(db);
    });
}

int createCatalogFilesIfAbsent(const QString& folder)
{
    const QDir dir(folder);
    int created = 0;
    if (!QFileInfo::exists(dir.filePath(kDatabaseFileName))) {
        createCatalogDatabase(dir.filePath(kDatabaseFileName));
        ++created;
    }
    if (!QFileInfo::exists(dir.filePath(kWorkgroupFileName))) {
        createWorkgroupFile(dir.filePath(kWorkgroupFileName));
        ++created;
    }
    return created;
}

} // namespace jet

#include "jet/CatalogFiles.h"

#include "jet/Extensions.h"
#include "jet/FileIdentity.h"
#include "jet/Schema.h"
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
        detail::distrustStoredSchema(db);
        registerExtensions(db);
        detail::exec(db, "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL; BEGIN");
        fill(db);
        stampBuiltFile(db);
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
        const SchemaDefinition& schema = catalogSchema();
        for (const TableDefinition& table : schema.tables)
            detail::exec(db, table.createStatement().toUtf8().constData());
        for (const IndexDefinition& index : schema.indexes)
            detail::exec(db, index.createStatement().toUtf8().constData());
    });
}

void createWorkgroupFile(const QString& path, const QStringList& artists, const QString& pid, const QString& password)
{
    createFile(path, [&](sqlite3* db) {
        workgroup::createSchema(db);
        workgroup::addBuiltInAccounts(db);
        workgroup::addArtistAccounts(db, artists, pid, password);
    });
}

int createCatalogFilesIfAbsent(const QString& folder, const QString& pid, const QString& password)
{
    const QDir dir(folder);
    const QString catalogue = dir.filePath(kDatabaseFileName);
    int created = 0;
    bool catalogueMade = false;
    if (!QFileInfo::exists(catalogue)) {
        createCatalogDatabase(catalogue);
        catalogueMade = true;
        ++created;
    }
    if (!QFileInfo::exists(dir.filePath(kWorkgroupFileName))) {
        QStringList artists;
        try {
            if (!catalogueMade)
                artists = catalogueArtists(catalogue);
        } catch (const Error&) {
            // A catalogue that cannot be read is for the repair to mend; the
            // program can start to offer it only with a workgroup file.
        }
        createWorkgroupFile(dir.filePath(kWorkgroupFileName), artists, pid, password);
        ++created;
    }
    return created;
}

} // namespace jet

#include "jet/FileIdentity.h"

#include "jet/Collation.h"
#include "jet/Error.h"
#include "jet/Schema.h"
#include "jet/Sqlite.h"
#include "jet/Workgroup.h"

#include <QDir>
#include <QStringList>

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace jet {

namespace {

using detail::Stmt;

QByteArray quotedName(const QByteArray& name)
{
    QByteArray q = name;
    q.replace('"', "\"\"");
    return '"' + q + '"';
}

QString fileName(sqlite3* db)
{
    const char* name = sqlite3_db_filename(db, "main");
    return QDir::toNativeSeparators(QString::fromUtf8(name ? name : ""));
}

Error notMendable(sqlite3* db)
{
    return Error(err::CorruptDatabase, QStringLiteral("Cannot open database '%1'. Another program changed it in a way "
                                                      "that cannot be mended; the file may be damaged.")
                                           .arg(fileName(db)));
}

// The file change counter as the file holds it now. Read through SQLite's own
// handle of the file: closing a second descriptor of it would drop SQLite's
// locks. A file not yet written reads as zeros. Kept as its 32 bits.
int changeCounter(sqlite3* db, const char* schema)
{
    sqlite3_file* file = nullptr;
    unsigned char bytes[4] = {};
    int rc = sqlite3_file_control(db, schema, SQLITE_FCNTL_FILE_POINTER, &file);
    if (rc == SQLITE_OK && file && file->pMethods)
        rc = file->pMethods->xRead(file, bytes, 4, 24);
    else
        rc = SQLITE_IOERR;
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ)
        throw Error(err::DiskError, QStringLiteral("Disk or network error."));
    const std::uint32_t counter = (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
                                  (std::uint32_t(bytes[2]) << 8) | std::uint32_t(bytes[3]);
    return static_cast<int>(counter);
}

int pragmaValue(sqlite3* db, const char* pragma)
{
    Stmt s(db, pragma);
    return s.step() ? s.integer(0) : 0;
}

bool hasTable(sqlite3* db, const QByteArray& schema, const QString& table)
{
    Stmt s(db, (QByteArray("SELECT count(*) FROM ") + quotedName(schema) + ".sqlite_master WHERE type = 'table' AND name = ?1")
                   .constData());
    s.bind(1, table);
    return s.step() && s.integer(0) > 0;
}

struct Stamp {
    int textOrder = 0;
    int changeCounter = 0;
};

std::optional<Stamp> readStamp(sqlite3* db)
{
    if (!hasTable(db, "main", stampTable().name))
        return std::nullopt;
    Stmt s(db, "SELECT text_order, change_counter FROM file_stamp");
    if (!s.step())
        return std::nullopt;
    const Stamp stamp{s.integer(0), s.integer(1)};
    if (s.step())
        return std::nullopt;
    return stamp;
}

// What a file says about itself, read in one read transaction (no writer can
// commit in between).
struct FileState {
    int applicationId = 0;
    int userVersion = 0;
    std::optional<Stamp> stamp;
    int changeCounter = 0;
};

FileState readState(sqlite3* db)
{
    FileState state;
    state.applicationId = pragmaValue(db, "PRAGMA application_id");
    state.userVersion = pragmaValue(db, "PRAGMA user_version");
    state.stamp = readStamp(db);
    state.changeCounter = changeCounter(db, "main");
    return state;
}

const SchemaDefinition* const kSchemas[] = {&catalogSchema(), &workgroup::schema()};

// The program's schema a file follows: the one its application id names, or
// for a file of an earlier version, which named no kind, the one whose tables
// it holds with text in the program's order.
const SchemaDefinition* schemaOf(sqlite3* db, int applicationId)
{
    for (const SchemaDefinition* schema : kSchemas)
        if (schema->applicationId == applicationId)
            return schema;
    for (const SchemaDefinition* schema : kSchemas) {
        bool all = true;
        for (const TableDefinition& t : schema->tables)
            all = all && hasTable(db, "main", t.name);
        if (!all)
            continue;
        Stmt text(db, "SELECT count(*) FROM sqlite_master WHERE instr(upper(sql), 'JETTEXT') > 0");
        return text.step() && text.integer(0) > 0 ? schema : nullptr;
    }
    return nullptr;
}

bool isCurrent(const FileState& state, const SchemaDefinition* schema)
{
    return schema && state.applicationId == schema->applicationId && state.userVersion == schema->version &&
           state.stamp && state.stamp->textOrder == collationStamp() && state.stamp->changeCounter == state.changeCounter;
}

// The file holds exactly the schema's tables and indexes; a file of an
// earlier version may lack the stamp table. Triggers and views never run on
// the engine's connections, so they do not matter here (a repair drops them).
bool holdsSchema(sqlite3* db, const SchemaDefinition& schema)
{
    QStringList stored;
    Stmt objects(db, "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE type IN ('table', 'index') AND "
                     "lower(substr(name, 1, 7)) <> 'sqlite_'");
    while (objects.step())
        stored << QStringLiteral("%1\n%2\n%3\n%4").arg(objects.text(0), objects.text(1), objects.text(2), objects.text(3));
    stored.sort();
    QStringList expected = schema.storedForm();
    if (stored == expected)
        return true;
    SchemaDefinition earlier = schema;
    earlier.applicationId = 0;
    return stored == earlier.storedForm();
}

struct Finalizer {
    sqlite3_stmt* stmt = nullptr;
    ~Finalizer() { sqlite3_finalize(stmt); }
};

// A key column's value of an index entry, as the index orders it: Null first,
// then numbers, texts in the program's order, blobs byte by byte.
struct KeyValue {
    int kind = 0;
    double number = 0;
    std::string bytes;

    void read(sqlite3_stmt* stmt, int column)
    {
        switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_NULL: kind = 0; break;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            kind = 1;
            number = sqlite3_column_double(stmt, column);
            break;
        case SQLITE_TEXT:
            kind = 2;
            bytes.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                         static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
            break;
        default:
            kind = 3;
            bytes.assign(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                         static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
            break;
        }
    }
};

int compareKeys(const KeyValue& a, const KeyValue& b)
{
    if (a.kind != b.kind)
        return a.kind < b.kind ? -1 : 1;
    switch (a.kind) {
    case 1: return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    case 2: return compareText(a.bytes.data(), int(a.bytes.size()), b.bytes.data(), int(b.bytes.size()));
    case 3: return a.bytes.compare(b.bytes);
    default: return 0;
    }
}

struct IndexToCheck {
    QByteArray name;
    QByteArray table;
    std::vector<QByteArray> columns;
    bool ordersText = false;
    bool plain = true; // ascending columns of the table only
    bool unique = false;
};

std::vector<IndexToCheck> textIndexes(sqlite3* db)
{
    std::vector<IndexToCheck> indexes;
    {
        Stmt list(db, "SELECT name, tbl_name FROM sqlite_master WHERE type = 'index'");
        while (list.step())
            indexes.push_back({list.text(0).toUtf8(), list.text(1).toUtf8(), {}, false, true, false});
    }
    for (IndexToCheck& index : indexes) {
        Stmt unique(db, "SELECT \"unique\" FROM pragma_index_list(?1) WHERE name = ?2");
        unique.bind(1, QString::fromUtf8(index.table)).bind(2, QString::fromUtf8(index.name));
        index.unique = unique.step() && unique.integer(0) != 0;
        Stmt info(db, "SELECT cid, name, desc, coll FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno");
        info.bind(1, QString::fromUtf8(index.name));
        while (info.step()) {
            index.columns.push_back(info.text(1).toUtf8());
            index.plain = index.plain && info.integer(0) >= 0 && info.integer(2) == 0;
            index.ordersText = index.ordersText || info.text(3).compare(QLatin1String(kTextCollation), Qt::CaseInsensitive) == 0;
        }
    }
    std::erase_if(indexes, [](const IndexToCheck& i) { return !i.ordersText; });
    return indexes;
}

// True when the index holds its entries in the program's order: read in the
// index's own order (a scan of the index alone), each entry follows the one
// before it, by its key columns and then by rowid. Two entries of a unique
// index that the order makes equal cannot be mended by rebuilding it.
bool inOrder(sqlite3* db, const IndexToCheck& index)
{
    if (!index.plain || index.columns.empty())
        return false;
    QByteArray sql = "SELECT ";
    for (const QByteArray& c : index.columns)
        sql += quotedName(c) + ", ";
    sql += "rowid FROM " + quotedName(index.table) + " INDEXED BY " + quotedName(index.name);
    Finalizer scan;
    const int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &scan.stmt, nullptr);
    if (rc != SQLITE_OK)
        return false;
    const int n = int(index.columns.size());
    std::vector<KeyValue> previous(static_cast<std::size_t>(n)), current(static_cast<std::size_t>(n));
    sqlite3_int64 previousRowid = 0;
    bool first = true;
    int step;
    detail::clearUpperVectorState();
    while ((step = sqlite3_step(scan.stmt)) == SQLITE_ROW) {
        for (int c = 0; c < n; ++c)
            current[static_cast<std::size_t>(c)].read(scan.stmt, c);
        const sqlite3_int64 rowid = sqlite3_column_int64(scan.stmt, n);
        if (!first) {
            int order = 0;
            bool nulls = false;
            for (int c = 0; c < n && order == 0; ++c) {
                order = compareKeys(previous[static_cast<std::size_t>(c)], current[static_cast<std::size_t>(c)]);
                nulls = nulls || current[static_cast<std::size_t>(c)].kind == 0;
            }
            if (order == 0 && index.unique && !nulls)
                throw notMendable(db);
            if (order > 0 || (order == 0 && previousRowid >= rowid))
                return false;
        }
        first = false;
        previous.swap(current);
        previousRowid = rowid;
    }
    if (step != SQLITE_DONE)
        throw detail::sqliteError(db, step, fileName(db));
    return true;
}

// Rebuilds an index, or every index of a collation.
void rebuildIndexes(sqlite3* db, const QByteArray& name)
{
    try {
        detail::exec(db, ("REINDEX " + quotedName(name)).constData());
    } catch (const Error& e) {
        // Entries that the program's order makes equal in a unique index.
        if (e.Number() == err::DuplicateValue)
            throw notMendable(db);
        throw;
    }
}

void writeStamp(sqlite3* db, const QByteArray& schema, int changeCounterNow)
{
    Stmt(db, ("UPDATE " + quotedName(schema) + ".file_stamp SET change_counter = ?1").constData())
        .bind(1, static_cast<int>(static_cast<std::uint32_t>(changeCounterNow) + 1u))
        .step();
}

// Records, in the write transaction open on the database `schema` of the
// connection, the counter its commit will leave: one more than the file holds
// now. Pages that a large transaction spills to the file early carry that
// value already, and the commit counts on from it; a spill set off by the
// stamp's own update is caught by reading the counter again.
void stampChangeCounter(sqlite3* db, const QByteArray& schema)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int before = changeCounter(db, schema.constData());
        writeStamp(db, schema, before);
        if (changeCounter(db, schema.constData()) == before)
            return;
    }
}

int dataVersion(sqlite3* db, const QByteArray& schema)
{
    return pragmaValue(db, ("PRAGMA " + quotedName(schema) + ".data_version").constData());
}

// Per connection, the data version of its main file when the connection last
// found the file its own (at open, or at a write of its own): equal at the
// next write when no other connection, of this program or another, has
// committed in between.
std::map<sqlite3*, int>& ownDataVersions()
{
    static std::map<sqlite3*, int> versions;
    return versions;
}

void noteOwnDataVersion(sqlite3* db) { ownDataVersions()[db] = dataVersion(db, "main"); }

// True when nothing but the program wrote the database `schema` of the
// connection since its stamp was written: the stamp still names the counter
// the file held when the transaction open on it began. Pages that this
// transaction spilled to the file early have raised the counter already;
// then no other connection may have committed since this one last did.
bool onlyOwnWritesSince(sqlite3* db, const QByteArray& schema, bool spilled)
{
    Stmt stamp(db, ("SELECT change_counter FROM " + quotedName(schema) + ".file_stamp").constData());
    if (!stamp.step())
        return false;
    if (stamp.integer(0) == changeCounter(db, schema.constData()))
        return true;
    if (!spilled || schema != "main")
        return false;
    const auto own = ownDataVersions().find(db);
    return own != ownDataVersions().end() && own->second == dataVersion(db, schema);
}

// Whether the connection spilled pages to a file since it was last asked.
bool spilledSinceAsked(sqlite3* db)
{
    int current = 0;
    int highest = 0;
    sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_SPILL, &current, &highest, 1);
    return current != 0;
}

// Makes the stamp table where it is missing and writes the whole identity:
// kind, version, text order and change counter.
void writeIdentity(sqlite3* db, const SchemaDefinition& schema)
{
    if (!hasTable(db, "main", stampTable().name))
        detail::exec(db, stampTable().createStatement().toUtf8().constData());
    detail::exec(db, "DELETE FROM file_stamp");
    Stmt(db, "INSERT INTO file_stamp (text_order, change_counter) VALUES (?1, 0)").bind(1, collationStamp()).step();
    detail::exec(db, QStringLiteral("PRAGMA application_id = %1").arg(schema.applicationId).toUtf8().constData());
    detail::exec(db, QStringLiteral("PRAGMA user_version = %1").arg(schema.version).toUtf8().constData());
    stampChangeCounter(db, "main");
}

// The read transaction of the check: ends however the reads end.
class ReadTransaction {
public:
    explicit ReadTransaction(sqlite3* db) : db_(db) { detail::exec(db_, "BEGIN"); }
    ~ReadTransaction() { sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr); }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    sqlite3* db_;
};

// Verifies and mends the file inside the write transaction open on it.
void mend(sqlite3* db)
{
    const FileState state = readState(db);
    const SchemaDefinition* schema = schemaOf(db, state.applicationId);
    // Mended by another connection in the meantime, or not the program's file.
    if (!schema || isCurrent(state, schema))
        return;
    if (!holdsSchema(db, *schema))
        throw notMendable(db);
    // A file of an earlier version kept its text order in its application id.
    const int builtIn = state.stamp ? state.stamp->textOrder : state.applicationId;
    if (builtIn != collationStamp())
        rebuildIndexes(db, kTextCollation);
    else
        for (const QString& index : detail::textIndexesOutOfOrder(db))
            rebuildIndexes(db, index.toUtf8());
    writeIdentity(db, *schema);
}

} // namespace

QStringList detail::textIndexesOutOfOrder(sqlite3* db)
{
    QStringList names;
    for (const IndexToCheck& index : textIndexes(db))
        if (!inOrder(db, index))
            names << QString::fromUtf8(index.name);
    return names;
}

void noteOwnWrites(sqlite3* db)
{
    std::vector<QByteArray> schemas;
    {
        Stmt list(db, "PRAGMA database_list");
        while (list.step())
            schemas.push_back(list.text(1).toUtf8());
    }
    const bool spilled = spilledSinceAsked(db);
    for (const QByteArray& schema : schemas)
        if (schema != "temp" && sqlite3_txn_state(db, schema.constData()) == SQLITE_TXN_WRITE &&
            hasTable(db, schema, stampTable().name)) {
            // Another program's write since the stamp stays noticed: the stamp
            // is left as it was, and the next open verifies the file.
            if (onlyOwnWritesSince(db, schema, spilled))
                stampChangeCounter(db, schema);
        }
    noteOwnDataVersion(db);
}

void stampBuiltFile(sqlite3* db)
{
    for (const SchemaDefinition* schema : kSchemas)
        if (hasTable(db, "main", schema->tables.front().name)) {
            writeIdentity(db, *schema);
            return;
        }
}

// The check itself; see checkFileOnOpen.
static void checkFileBody(sqlite3* db)
{
    {
        ReadTransaction read(db);
        const FileState state = readState(db);
        const SchemaDefinition* schema = schemaOf(db, state.applicationId);
        if (!schema || isCurrent(state, schema))
            return;
    }
    try {
        detail::exec(db, "BEGIN IMMEDIATE");
    } catch (const Error& e) {
        if (e.Number() == err::ReadOnly)
            return;
        throw;
    }
    try {
        mend(db);
        detail::exec(db, "COMMIT");
    } catch (const Error& e) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (e.Number() != err::ReadOnly)
            throw;
    }
}

void checkFileOnOpen(sqlite3* db)
{
    checkFileBody(db);
    spilledSinceAsked(db);
    noteOwnDataVersion(db);
}

StampedWrite::StampedWrite(sqlite3* db) : db_(db)
{
    if (!sqlite3_get_autocommit(db_))
        return;
    detail::exec(db_, "BEGIN");
    open_ = true;
}

StampedWrite::~StampedWrite()
{
    if (open_)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void StampedWrite::commit()
{
    if (!open_)
        return;
    noteOwnWrites(db_);
    detail::exec(db_, "COMMIT");
    open_ = false;
}

StampedStatement::StampedStatement(sqlite3* db, sqlite3_stmt* statement)
{
    if (!sqlite3_get_autocommit(db) || sqlite3_stmt_readonly(statement))
        return;
    const char* sql = sqlite3_sql(statement);
    while (sql && (*sql == ' ' || *sql == '\t' || *sql == '\r' || *sql == '\n'))
        ++sql;
    if (sql && sqlite3_strnicmp(sql, "VACUUM", 6) == 0)
        return;
    write_.emplace(db);
}

void StampedStatement::commit()
{
    if (write_)
        write_->commit();
}

} // namespace jet

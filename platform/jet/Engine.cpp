#include "jet/Engine.h"

#include "jet/Dialect.h"
#include "jet/EngineDetail.h"
#include "jet/Extensions.h"
#include "jet/Leftovers.h"
#include "jet/FileIdentity.h"
#include "jet/Sqlite.h"
#include "jet/Testing.h"
#include "jet/Workgroup.h"
#include "vb/VbTypes.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace jet {


using detail::Connection;
using detail::RecordsetData;
using detail::WorkspaceState;

namespace {

struct EngineState {
    QString systemDB;
    QString defaultUser = QStringLiteral("admin");
    QString defaultPassword;
    int lockTimeoutMs = 3000;
    std::vector<std::shared_ptr<WorkspaceState>> workspaces;
};

EngineState& engine()
{
    static EngineState e;
    return e;
}

Error objectInvalid() { return Error(err::ObjectInvalid, QStringLiteral("Object invalid or no longer set.")); }
Error noCurrentRecord() { return Error(err::NoCurrentRecord, QStringLiteral("No current record.")); }

std::shared_ptr<Connection> openConnection(const QString& path, bool readOnly, bool exclusive)
{
    if (!QFileInfo(path).isFile())
        throw Error(err::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
    auto conn = std::make_shared<Connection>();
    conn->path = path;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOFOLLOW;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &conn->db, flags, nullptr);
    if (rc != SQLITE_OK)
        throw detail::sqliteError(conn->db, rc, path);
    sqlite3_extended_result_codes(conn->db, 0);
    sqlite3_busy_timeout(conn->db, engine().lockTimeoutMs);
    detail::distrustStoredSchema(conn->db);
    registerExtensions(conn->db);
    try {
        if (exclusive)
            detail::exec(conn->db, "PRAGMA locking_mode = EXCLUSIVE", path);
        // Reading the schema proves the file is a database and not locked away.
        detail::exec(conn->db, "SELECT count(*) FROM sqlite_master", path);
        // The temporary indexes of Distinct, Union and In lists stay in memory
        // instead of spilling into temporary files page by page.
        detail::exec(conn->db, "PRAGMA temp_store = MEMORY", path);
        if (!readOnly) {
            detail::exec(conn->db, "PRAGMA journal_mode = DELETE", path);
            detail::exec(conn->db, "PRAGMA synchronous = FULL", path);
            // After the read above, which plays back a journal a killed writer left.
            detail::removeStaleJournals(conn->db, path, engine().lockTimeoutMs);
            checkFileOnOpen(conn->db);
        }
    } catch (const Error& e) {
        if (e.Number() == err::Locked)
            throw Error(err::FileInUse, QStringLiteral("Could not use '%1'; file already in use.").arg(path));
        if (e.Number() == err::UnrecognizedFormat || e.Number() == err::SyntaxError)
            throw Error(err::UnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(path));
        throw;
    }
    return conn;
}

Error workgroupMissing()
{
    return Error(err::WorkgroupMissing, QStringLiteral("Cannot start your application. The workgroup information file "
                                                       "is missing or opened exclusively by another user."));
}

// The identity of a file, to notice one removed or replaced under its name.
std::optional<std::pair<dev_t, ino_t>> fileIdentity(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return std::make_pair(st.st_dev, st.st_ino);
}

// The schema name of the workgroup file where it is attached to a catalogue's connection.
constexpr const char* kCarriedWorkgroup = "jet_workgroup";

workgroup::Db workgroupOf(WorkspaceState& ws)
{
    const QString path = engine().systemDB;
    const auto identity = fileIdentity(path);
    if (ws.carrier) {
        if (ws.carriedPath != path)
            throw Error(err::InvalidOperation, QStringLiteral("The workgroup file cannot change inside a transaction."));
        if (!identity)
            throw workgroupMissing();
        return {ws.carrier->db, kCarriedWorkgroup};
    }
    if (ws.workgroup && ws.workgroup->db) {
        if (ws.workgroup->joined > 0) {
            if (ws.workgroup->path != path)
                throw Error(err::InvalidOperation, QStringLiteral("The workgroup file cannot change inside a transaction."));
            if (!identity)
                throw workgroupMissing();
            return ws.workgroup->db;
        }
        if (ws.workgroup->path == path && identity && ws.workgroupIdentity == identity)
            return ws.workgroup->db;
    }
    ws.workgroup.reset();
    if (path.isEmpty() || !identity)
        throw workgroupMissing();
    std::shared_ptr<Connection> conn;
    try {
        conn = openConnection(path, false, false);
        detail::Stmt check(conn->db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                                     "('accounts', 'memberships')");
        if (!check.step() || check.integer(0) != 2)
            throw Error(err::UnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(path));
    } catch (const Error& e) {
        // A file that is there but damaged is named as such.
        if (e.Number() == err::FileInUse || e.Number() == err::UnrecognizedFormat || e.Number() == err::CorruptDatabase)
            throw;
        throw workgroupMissing();
    }
    conn->join(ws.level);
    ws.workgroup = conn;
    ws.workgroupIdentity = identity;
    return conn->db;
}

// A change to a catalogue and to the workgroup file commits both or neither,
// also when the process dies part-way: for the length of an outermost
// transaction begun while a catalogue is open, the workgroup file is attached
// to that catalogue's connection, whose one COMMIT covers both files (SQLite's
// super-journal, which needs both in rollback-journal mode). Without an open
// catalogue, or when the file cannot be attached, each file commits on its own.
void carryWorkgroup(WorkspaceState& ws)
{
    if (ws.connections.empty())
        return;
    const QString path = engine().systemDB;
    if (path.isEmpty() || !fileIdentity(path))
        return;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const auto& conn : ws.connections) {
        if (!conn->db || conn->readOnly || conn->joined != 0 || conn->canonicalPath == canonical)
            continue;
        try {
            detail::Stmt attach(conn->db, "ATTACH DATABASE ?1 AS jet_workgroup");
            attach.bind(1, path);
            attach.step();
        } catch (const Error&) {
            return;
        }
        try {
            detail::Stmt mode(conn->db, "PRAGMA jet_workgroup.journal_mode = DELETE");
            const bool rollbackJournal = mode.step() && mode.text(0).compare(QLatin1String("delete"), Qt::CaseInsensitive) == 0;
            detail::exec(conn->db, "PRAGMA jet_workgroup.synchronous = FULL");
            detail::Stmt tables(conn->db, "SELECT count(*) FROM jet_workgroup.sqlite_master WHERE type = 'table' AND "
                                          "name IN ('accounts', 'memberships')");
            if (rollbackJournal && tables.step() && tables.integer(0) == 2) {
                ws.carrier = conn;
                ws.carriedPath = path;
                return;
            }
        } catch (const Error&) {
        }
        sqlite3_exec(conn->db, "DETACH DATABASE jet_workgroup", nullptr, nullptr, nullptr);
        return;
    }
}

void releaseCarrier(WorkspaceState& ws)
{
    if (!ws.carrier)
        return;
    if (ws.carrier->db)
        sqlite3_exec(ws.carrier->db, "DETACH DATABASE jet_workgroup", nullptr, nullptr, nullptr);
    ws.carrier.reset();
    ws.carriedPath.clear();
}

WorkspaceState& live(const std::shared_ptr<WorkspaceState>& s)
{
    if (!s || s->closed)
        throw objectInvalid();
    return *s;
}

void dropConnection(WorkspaceState& ws, const std::shared_ptr<Connection>& conn)
{
    conn->close();
    ws.connections.erase(std::remove(ws.connections.begin(), ws.connections.end(), conn), ws.connections.end());
}

std::vector<std::shared_ptr<Connection>> allConnections(WorkspaceState& ws)
{
    std::vector<std::shared_ptr<Connection>> all = ws.connections;
    if (ws.workgroup && ws.workgroup->db)
        all.push_back(ws.workgroup);
    return all;
}

void endLevel(WorkspaceState& ws, bool commit)
{
    const int level = ws.level;
    std::optional<Error> failure;
    for (const auto& conn : allConnections(ws)) {
        if (conn->joined != level)
            continue;
        try {
            if (commit && !failure) {
                if (level == 1) {
                    noteOwnWrites(conn->db);
                    detail::exec(conn->db, "COMMIT");
                }
                else
                    detail::exec(conn->db, QStringLiteral("RELEASE jet_%1").arg(level).toUtf8().constData());
            } else if (level == 1) {
                if (!sqlite3_get_autocommit(conn->db))
                    detail::exec(conn->db, "ROLLBACK");
            } else {
                const QByteArray name = QStringLiteral("jet_%1").arg(level).toUtf8();
                detail::exec(conn->db, ("ROLLBACK TO " + name).constData());
                detail::exec(conn->db, ("RELEASE " + name).constData());
            }
        } catch (const Error& e) {
            if (!failure)
                failure = e;
            if (level == 1 && !sqlite3_get_autocommit(conn->db))
                sqlite3_exec(conn->db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        conn->joined = level - 1;
    }
    ws.level = level - 1;
    if (ws.level == 0)
        releaseCarrier(ws);
    for (const auto& conn : std::vector<std::shared_ptr<Connection>>(ws.connections))
        if (conn->handles == 0 && conn->joined == 0)
            dropConnection(ws, conn);
    if (failure)
        throw *failure;
}

struct ConnectParts {
    std::optional<QString> uid;
    std::optional<QString> pwd;
};

ConnectParts parseConnect(const QString& connect)
{
    ConnectParts parts;
    for (const QString& piece : connect.split(QLatin1Char(';'))) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = piece.left(eq).trimmed().toLower();
        if (key == QLatin1String("uid"))
            parts.uid = piece.mid(eq + 1);
        else if (key == QLatin1String("pwd"))
            parts.pwd = piece.mid(eq + 1);
    }
    return parts;
}

FieldType fieldTypeOf(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Date: return FieldType::Date;
    case ColumnKind::Currency: return FieldType::Currency;
    case ColumnKind::Long: return FieldType::Long;
    case ColumnKind::Boolean: return FieldType::Boolean;
    default: return FieldType::Text;
    }
}

// A value of the current row as the field will give it.
detail::SnapshotCell readCell(sqlite3_stmt* stmt, int column, FieldType type, bool declared, detail::SnapshotStore& store)
{
    using Cell = detail::SnapshotCell;
    Cell cell;
    const auto integer = [&cell](Cell::Kind kind, std::int64_t v) {
        cell.kind = kind;
        cell.integer = v;
        return cell;
    };
    const auto real = [&cell](double v) {
        cell.kind = Cell::Real;
        cell.real = v;
        return cell;
    };
    const auto bytes = [&](Cell::Kind kind, const void* p) {
        cell.kind = kind;
        cell.length = static_cast<std::uint32_t>(sqlite3_column_bytes(stmt, column));
        cell.bytes = store.keep(static_cast<const char*>(p), cell.length);
        return cell;
    };
    const int storage = sqlite3_column_type(stmt, column);
    if (storage == SQLITE_NULL)
        return cell;
    if (!declared) {
        switch (storage) {
        case SQLITE_INTEGER: {
            const sqlite3_int64 v = sqlite3_column_int64(stmt, column);
            return integer(v >= INT32_MIN && v <= INT32_MAX ? Cell::Int32 : Cell::Int64, v);
        }
        case SQLITE_FLOAT: return real(sqlite3_column_double(stmt, column));
        case SQLITE_BLOB: return bytes(Cell::Blob, sqlite3_column_blob(stmt, column));
        default: break;
        }
    }
    // A stored value the column's type cannot hold (text in a number column, a
    // date beyond the year 9999, a currency beyond its range) reads as Null.
    const bool number = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
    switch (type) {
    case FieldType::Date: {
        const double value = sqlite3_column_double(stmt, column);
        return number && vb::dateIsValid(value) ? real(value) : cell;
    }
    case FieldType::Currency: {
        if (storage == SQLITE_INTEGER) {
            const sqlite3_int64 units = sqlite3_column_int64(stmt, column);
            constexpr sqlite3_int64 kMaxUnits = INT64_MAX / vb::kCurrencyScale;
            if (units < -kMaxUnits || units > kMaxUnits)
                return cell;
            return integer(Cell::Int64, units * vb::kCurrencyScale);
        }
        const std::optional<vb::Currency> value = vb::currencyFromDouble(sqlite3_column_double(stmt, column));
        return number && value ? integer(Cell::Int64, *value) : cell;
    }
    case FieldType::Long: {
        const double value = sqlite3_column_double(stmt, column);
        if (!number || !(value >= INT32_MIN && value < INT32_MAX + 1.0))
            return cell;
        return integer(Cell::Int32, sqlite3_column_int(stmt, column));
    }
    case FieldType::Boolean: return integer(Cell::Bool, sqlite3_column_int(stmt, column) != 0);
    default: return bytes(Cell::Text, sqlite3_column_text(stmt, column));
    }
}

// Prepares exactly one statement of the engine's dialect.
sqlite3_stmt* prepare(Connection& conn, const QString& sql)
{
    // Half a character would be stored as "?": the text is refused whole.
    if (vb::hasLoneSurrogate(sql))
        throw Error(err::InvalidCharacter, QStringLiteral("The statement holds half of a character."));
    const QString translated = translateStatement(
        sql, [&conn](const QString& table, const QString& column) { return conn.kindOf(table, column); });
    const QByteArray utf8 = translated.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(conn.db, utf8.constData(), static_cast<int>(utf8.size()), &stmt, &tail);
    if (rc != SQLITE_OK)
        throw detail::sqliteError(conn.db, rc, conn.path);
    if (!stmt)
        throw Error(err::InvalidStatement, QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                                          "'PROCEDURE', 'SELECT', or 'UPDATE'."));
    const char* end = utf8.constData() + utf8.size();
    if (tail && tail < end && QByteArray(tail, end - tail).trimmed().size() > 0) {
        sqlite3_finalize(stmt);
        throw Error(err::TextAfterStatement, QStringLiteral("Characters found after end of SQL statement."));
    }
    detail::clearUpperVectorState();
    return stmt;
}

struct Finalizer {
    sqlite3_stmt* stmt;
    ~Finalizer() { sqlite3_finalize(stmt); }
};

} // namespace

WorkspaceState& detail::liveWorkspace(const std::shared_ptr<WorkspaceState>& s) { return live(s); }

workgroup::Db detail::workgroupDb(WorkspaceState& ws) { return workgroupOf(ws); }

// ---- Field ----

std::optional<QString> Field::Text() const
{
    if (value_.isNull())
        return std::nullopt;
    if (type_ == FieldType::Date)
        return vb::dateToStatementText(value_.toDouble());
    if (type_ == FieldType::Currency)
        return vb::currencyToStatementText(value_.toLongLong());
    // As the program's own text conversion of a Boolean writes it.
    if (type_ == FieldType::Boolean)
        return value_.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value_.toString();
}

std::optional<vb::Date> Field::Date() const
{
    if (value_.isNull() || type_ == FieldType::Text || type_ == FieldType::Binary)
        return std::nullopt;
    const double value = value_.toDouble();
    if (!vb::dateIsValid(value))
        return std::nullopt;
    return value;
}

std::optional<vb::Currency> Field::Currency() const
{
    if (value_.isNull())
        return std::nullopt;
    switch (type_) {
    case FieldType::Currency: return value_.toLongLong();
    case FieldType::Long:
    case FieldType::Boolean: {
        const qlonglong units = value_.toLongLong();
        if (units < -INT64_MAX / vb::kCurrencyScale || units > INT64_MAX / vb::kCurrencyScale)
            return std::nullopt;
        return units * vb::kCurrencyScale;
    }
    case FieldType::Double: return vb::currencyFromDouble(value_.toDouble());
    default: return std::nullopt;
    }
}

std::optional<std::int32_t> Field::Long() const
{
    if (value_.isNull())
        return std::nullopt;
    switch (type_) {
    case FieldType::Long: {
        const qlonglong value = value_.toLongLong();
        if (value < INT32_MIN || value > INT32_MAX)
            return std::nullopt;
        return static_cast<std::int32_t>(value);
    }
    case FieldType::Boolean: return value_.toBool() ? -1 : 0;
    default: return std::nullopt;
    }
}

std::optional<bool> Field::Boolean() const
{
    if (value_.isNull())
        return std::nullopt;
    if (type_ == FieldType::Text || type_ == FieldType::Binary)
        return std::nullopt;
    return value_.toDouble() != 0;
}

// ---- Recordset ----

bool Recordset::Eof() const
{
    if (!d_)
        throw objectInvalid();
    return (d_->rowCount == 0) || d_->position >= d_->rowCount;
}

bool Recordset::Bof() const
{
    if (!d_)
        throw objectInvalid();
    return (d_->rowCount == 0) || d_->position < 0;
}

void Recordset::MoveFirst()
{
    if (Eof() && Bof())
        throw noCurrentRecord();
    d_->position = 0;
    d_->visited = std::max(d_->visited, 1);
}

void Recordset::MoveNext()
{
    if (Eof())
        throw noCurrentRecord();
    ++d_->position;
    d_->visited = std::max(d_->visited, std::min(d_->position + 1, d_->rowCount));
}

void Recordset::MovePrevious()
{
    if (Bof())
        throw noCurrentRecord();
    --d_->position;
}

void Recordset::MoveLast()
{
    if (Eof() && Bof())
        throw noCurrentRecord();
    d_->position = d_->rowCount - 1;
    d_->visited = d_->rowCount;
}

int Recordset::RecordCount() const
{
    if (!d_)
        throw objectInvalid();
    return d_->visited;
}

int Recordset::FieldCount() const
{
    if (!d_)
        throw objectInvalid();
    return static_cast<int>(d_->names.size());
}

// The cell of field index in the current row, after the checks every field
// access makes.
static const detail::SnapshotCell& currentCell(const Recordset& rs, const detail::RecordsetData* d, int index)
{
    if (!d)
        throw objectInvalid();
    if (index < 0 || index >= static_cast<int>(d->names.size()))
        throw Error(err::ItemNotFound, QStringLiteral("Item not found in this collection."));
    if (rs.Eof() || rs.Bof())
        throw noCurrentRecord();
    return d->cells[static_cast<std::size_t>(d->position) * d->names.size() + static_cast<std::size_t>(index)];
}

Field Recordset::Fields(int index) const
{
    const detail::SnapshotCell& cell = currentCell(*this, d_.get(), index);
    return Field(d_->names[index], d_->types[index], cell.value());
}

std::optional<std::string_view> Recordset::TextBytes(int index) const
{
    const detail::SnapshotCell& cell = currentCell(*this, d_.get(), index);
    if (cell.kind != detail::SnapshotCell::Text)
        return std::nullopt;
    return std::string_view(cell.bytes, cell.length);
}

Field Recordset::Fields(const QString& name) const
{
    if (!d_)
        throw objectInvalid();
    for (std::size_t i = 0; i < d_->names.size(); ++i)
        if (d_->names[i].compare(name, Qt::CaseInsensitive) == 0)
            return Fields(static_cast<int>(i));
    throw Error(err::ItemNotFound, QStringLiteral("Item not found in this collection."));
}

void Recordset::Close() { d_.reset(); }

// ---- Database ----

detail::Connection* Database::connection() const { return h_ && h_->conn && h_->conn->db ? h_->conn.get() : nullptr; }

bool Database::isOpen() const { return connection() != nullptr; }

QString Database::Name() const { return isOpen() ? h_->conn->path : QString(); }

int Database::RecordsAffected() const { return isOpen() ? h_->conn->changes : 0; }

void Database::Execute(const QString& sql, int)
{
    if (!isOpen())
        throw objectInvalid();
    detail::injectedFailure(Operation::Execute);
    Connection& conn = *connection();
    sqlite3_stmt* stmt = prepare(conn, sql);
    Finalizer fin{stmt};
    if (sqlite3_column_count(stmt) > 0)
        throw Error(err::CannotExecuteSelect, QStringLiteral("Cannot execute a select query."));
    const QString head = sql.trimmed().section(QLatin1Char(' '), 0, 0).toLower();
    StampedStatement stamped(conn.db, stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw detail::sqliteError(conn.db, rc, conn.path);
    conn.changes = sqlite3_changes(conn.db);
    stamped.commit();
    if (head == QLatin1String("create") || head == QLatin1String("drop") || head == QLatin1String("alter"))
        conn.schema.clear();
}

Recordset Database::OpenRecordset(const QString& sql, int, int)
{
    if (!isOpen())
        throw objectInvalid();
    Connection& conn = *connection();
    sqlite3_stmt* stmt = prepare(conn, sql);
    Finalizer fin{stmt};
    const int columns = sqlite3_column_count(stmt);
    if (columns == 0)
        throw Error(err::InvalidOperation, QStringLiteral("Invalid operation."));
    auto data = std::make_shared<RecordsetData>();
    std::vector<bool> declared(columns);
    for (int c = 0; c < columns; ++c) {
        data->names.push_back(QString::fromUtf8(sqlite3_column_name(stmt, c)));
        const char* decl = sqlite3_column_decltype(stmt, c);
        declared[c] = decl != nullptr;
        data->types.push_back(decl ? fieldTypeOf(columnKindFromDeclaredType(QString::fromUtf8(decl))) : FieldType::Double);
    }
    int rc;
    bool typed = false;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const detail::SnapshotCell cell = readCell(stmt, c, data->types[c], declared[c], data->cells);
            data->cells.append(cell);
            if (!typed && !declared[c] && cell.kind != detail::SnapshotCell::Null) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER: data->types[c] = FieldType::Long; break;
                case SQLITE_TEXT: data->types[c] = FieldType::Text; break;
                case SQLITE_BLOB: data->types[c] = FieldType::Binary; break;
                default: break;
                }
            }
        }
        typed = true;
        ++data->rowCount;
    }
    if (rc != SQLITE_DONE)
        throw detail::sqliteError(conn.db, rc, conn.path);
    data->position = 0;
    data->visited = data->rowCount == 0 ? 0 : 1;
    Recordset rs;
    rs.d_ = std::move(data);
    return rs;
}

void Database::Close()
{
    if (h_)
        h_->release();
}

void detail::DatabaseHandle::release()
{
    if (!conn)
        return;
    const std::shared_ptr<Connection> c = std::move(conn);
    conn.reset();
    if (--c->handles > 0)
        return;
    auto ws = workspace.lock();
    if (!ws || ws->closed)
        c->close();
    else if (c->joined == 0)
        dropConnection(*ws, c);
    // otherwise the workspace's transaction still holds it; its end closes it
}

// ---- Workspace ----

QString Workspace::UserName() const { return live(s_).user; }

int Workspace::TransactionLevel() const { return live(s_).level; }

void Workspace::BeginTrans()
{
    WorkspaceState& ws = live(s_);
    detail::injectedFailure(Operation::BeginTrans);
    if (ws.level == 0)
        carryWorkgroup(ws);
    ++ws.level;
    try {
        for (const auto& conn : allConnections(ws))
            conn->join(ws.level);
    } catch (...) {
        endLevel(ws, false);
        throw;
    }
}

void Workspace::CommitTrans()
{
    WorkspaceState& ws = live(s_);
    if (ws.level == 0)
        throw Error(err::NoTransaction, QStringLiteral("You tried to commit or roll back a transaction without first "
                                                       "beginning a transaction."));
    detail::injectedFailure(Operation::CommitTrans);
    endLevel(ws, true);
}

void Workspace::Rollback()
{
    WorkspaceState& ws = live(s_);
    if (ws.level == 0)
        throw Error(err::NoTransaction, QStringLiteral("You tried to commit or roll back a transaction without first "
                                                       "beginning a transaction."));
    endLevel(ws, false);
}

void Workspace::Close()
{
    if (!s_ || s_->closed)
        return;
    detail::injectedFailure(Operation::WorkspaceClose);
    WorkspaceState& ws = *s_;
    while (ws.level > 0) {
        try {
            endLevel(ws, false);
        } catch (const Error&) {
        }
    }
    for (const auto& conn : allConnections(ws))
        conn->close();
    ws.carrier.reset();
    ws.connections.clear();
    ws.workgroup.reset();
    ws.closed = true;
    auto& list = engine().workspaces;
    list.erase(std::remove(list.begin(), list.end(), s_), list.end());
}

Database Workspace::OpenDatabase(const QString& name, bool exclusive, bool readOnly, const QString& connect)
{
    WorkspaceState& ws = live(s_);
    detail::injectedFailure(Operation::OpenDatabase);
    const ConnectParts parts = parseConnect(connect);
    const QString user = parts.uid.value_or(ws.user);
    const QString password = parts.pwd ? *parts.pwd : (parts.uid ? QString() : ws.password);
    if (!workgroup::authenticate(workgroupOf(ws), user, password))
        throw Error(err::BadAccount, QStringLiteral("Not a valid account name or password."));
    // Every open of one file in a workspace shares its connection, so that the
    // workspace's transaction sees and covers all of them.
    const QString canonical = QFileInfo(name).canonicalFilePath();
    std::shared_ptr<Connection> conn;
    for (const auto& c : ws.connections)
        if (c->db && !canonical.isEmpty() && c->canonicalPath == canonical && c->readOnly == readOnly)
            conn = c;
    if (!conn) {
        conn = openConnection(name, readOnly, exclusive);
        conn->canonicalPath = canonical;
        conn->readOnly = readOnly;
        conn->join(ws.level);
        ws.connections.push_back(conn);
    }
    ++conn->handles;
    Database db;
    db.h_ = std::make_shared<detail::DatabaseHandle>();
    db.h_->conn = conn;
    db.h_->workspace = s_;
    return db;
}

// ---- Workspaces ----

int Workspaces::Count() const
{
    return std::max<int>(1, static_cast<int>(engine().workspaces.size()));
}

Workspace Workspaces::Item(int index) const
{
    auto& list = engine().workspaces;
    if (list.empty() && index == 0) {
        auto s = std::make_shared<WorkspaceState>();
        s->user = engine().defaultUser;
        s->password = engine().defaultPassword;
        list.push_back(s);
    }
    if (index < 0 || index >= static_cast<int>(list.size()))
        throw Error(err::ItemNotFound, QStringLiteral("Item not found in this collection."));
    return Workspace(list[index]);
}

void Workspaces::Refresh() {}

// ---- DBEngine ----

QString DBEngine::SystemDB() { return engine().systemDB; }
void DBEngine::setSystemDB(const QString& path) { engine().systemDB = path; }
QString DBEngine::DefaultUser() { return engine().defaultUser; }
void DBEngine::setDefaultUser(const QString& name) { engine().defaultUser = name; }
QString DBEngine::DefaultPassword() { return engine().defaultPassword; }
void DBEngine::setDefaultPassword(const QString& password) { engine().defaultPassword = password; }
int DBEngine::LockTimeoutMs() { return engine().lockTimeoutMs; }
void DBEngine::setLockTimeoutMs(int ms) { engine().lockTimeoutMs = ms; }

Database DBEngine::OpenDatabase(const QString& name, bool exclusive, bool readOnly, const QString& connect)
{
    return Workspaces()(0).OpenDatabase(name, exclusive, readOnly, connect);
}

void DBEngine::BeginTrans() { Workspaces()(0).BeginTrans(); }
void DBEngine::CommitTrans() { Workspaces()(0).CommitTrans(); }
void DBEngine::Rollback() { Workspaces()(0).Rollback(); }

void DBEngine::Idle()
{
    // Reads take no lasting locks: nothing is left for idle time.
}

} // namespace jet

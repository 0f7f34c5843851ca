#include "jet/FileMaintenance.h"

#include "jet/Error.h"
#include "jet/PageReader.h"
#include "jet/Schema.h"
#include "jet/Sqlite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <iterator>
#include <vector>

namespace jet {

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

class Connection {
public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { close(); }

    int open(const QString& path, int flags, const MaintenanceOptions& options)
    {
        const int rc = sqlite3_open_v2(encoded(path).constData(), &db_, flags, nullptr);
        if (rc != SQLITE_OK)
            return rc;
        sqlite3_busy_timeout(db_, options.busyTimeoutMs);
        // Nothing stored in a file the routines read or build ever runs.
        detail::distrustStoredSchema(db_);
        if (options.setup)
            options.setup(db_);
        return SQLITE_OK;
    }

    void close()
    {
        if (db_)
            sqlite3_close_v2(db_);
        db_ = nullptr;
    }

    sqlite3* get() const { return db_; }
    int exec(const char* sql) const { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
    int exec(const QString& sql) const { return exec(sql.toUtf8().constData()); }
    QString message() const { return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory"); }

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(stmt_); }

    int prepare(const Connection& db, const QString& sql)
    {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        const QByteArray text = sql.toUtf8();
        return sqlite3_prepare_v2(db.get(), text.constData(), int(text.size()), &stmt_, nullptr);
    }

    void finalize()
    {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
    sqlite3_stmt* get() const { return stmt_; }
    int step() const { return sqlite3_step(stmt_); }
    void reset() const
    {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    QString text(int column) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column)) : QString();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

struct Failure {
    int number = 0;
    QString description;
};

// Jet's number for "database already exists"; the engine reports no other use of it.
constexpr int kDatabaseExists = 3204;

// Plain words for a failure on the database `path`.
Failure describe(int rc, const QString& path, const Connection& db)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return {err::FileInUse, QStringLiteral("Could not use '%1'; file already in use.").arg(native(path))};
    case SQLITE_NOTADB:
        return {err::UnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(native(path))};
    case SQLITE_CORRUPT:
        return {err::CorruptDatabase, QStringLiteral("The database '%1' is damaged.").arg(native(path))};
    case SQLITE_CANTOPEN:
        return {err::DiskError, QStringLiteral("The file '%1' could not be opened.").arg(native(path))};
    case SQLITE_FULL:
        return {err::DiskFull, QStringLiteral("Not enough space on disk.")};
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return {err::ReadOnly, QStringLiteral("The file '%1' cannot be written.").arg(native(path))};
    default:
        return {err::Reserved, QStringLiteral("The database '%1' could not be processed: %2.").arg(native(path), db.message())};
    }
}

// Hands a failure to the caller's out arguments.
class Outcome {
public:
    Outcome(QString& description, int* number) : description_(description), number_(number)
    {
        description_.clear();
        if (number_)
            *number_ = 0;
    }
    bool fail(const Failure& f)
    {
        description_ = f.description;
        if (number_)
            *number_ = f.number;
        return false;
    }
    bool fail(int number, const QString& description) { return fail(Failure{number, description}); }

private:
    QString& description_;
    int* number_;
};

bool flushToDisk(const QString& path, bool folder, int& error)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) {
        error = errno;
        return false;
    }
    const int result = ::fsync(fd);
    error = errno;
    ::close(fd);
    return result == 0;
}

void removeFileAndJournal(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// Takes the write lock of the database on a second connection for as long as
// the work reads it, so no other connection can change it half-way. A
// write-protected file cannot be locked for writing, and nobody can write it.
int lockAgainstWriters(Connection& guard, const QString& path, const MaintenanceOptions& options, bool& locked)
{
    locked = false;
    int rc = guard.open(path, SQLITE_OPEN_READWRITE, options);
    if (rc != SQLITE_OK)
        return rc;
    if (sqlite3_db_readonly(guard.get(), "main") == 1)
        return SQLITE_OK;
    rc = guard.exec("BEGIN IMMEDIATE");
    if ((rc & 0xff) == SQLITE_READONLY)
        return SQLITE_OK;
    locked = rc == SQLITE_OK;
    return rc;
}

QString quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

Failure notFound(const QString& path)
{
    return {err::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(native(path))};
}

Failure notADatabase(const QString& path)
{
    return {err::UnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(native(path))};
}

bool replace(const QString& newFile, const QString& target, Outcome& out)
{
    const QFileInfo incoming(newFile);
    if (!incoming.exists() || !incoming.isFile())
        return out.fail(notFound(newFile));
    int error = 0;
    if (!flushToDisk(newFile, false, error))
        return out.fail(err::DiskError,
                        QStringLiteral("The file '%1' could not be written to disk: %2.").arg(native(newFile), systemError(error)));
    if (std::rename(encoded(newFile).constData(), encoded(target).constData()) != 0) {
        error = errno;
        return out.fail(err::DiskError, QStringLiteral("The file '%1' could not be put in place of '%2': %3.")
                                            .arg(native(newFile), native(target), systemError(error)));
    }
    // The rename has happened and cannot be reported as a failure any more;
    // flushing the folder only makes it survive a power loss.
    flushToDisk(QFileInfo(target).absolutePath(), true, error);
    return true;
}


const SchemaDefinition& schemaOf(const MaintenanceOptions& options)
{
    return options.schema ? *options.schema : catalogSchema();
}

// True when the schema's probe runs to its end on db.
bool answersProbe(const Connection& db, const SchemaDefinition& schema)
{
    if (schema.probe.isEmpty())
        return true;
    Statement probe;
    if (probe.prepare(db, schema.probe) != SQLITE_OK)
        return false;
    int rc;
    while ((rc = probe.step()) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE;
}

enum class Health { Sound, Damaged, NotDatabase, Failed };

// Errors that say nothing about the file's content.
bool isTransient(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_INTERRUPT:
        return true;
    default:
        return false;
    }
}

// Sound means: the file passes SQLite's own check, holds exactly the tables
// and indexes of the schema and answers its probe.
Health checkHealth(const Connection& db, const SchemaDefinition& schema, int& rc)
{
    auto classify = [](int code) {
        if ((code & 0xff) == SQLITE_NOTADB)
            return Health::NotDatabase;
        return isTransient(code) ? Health::Failed : Health::Damaged;
    };
    Statement check;
    rc = check.prepare(db, QStringLiteral("PRAGMA integrity_check"));
    if (rc != SQLITE_OK)
        return classify(rc);
    int lines = 0;
    bool ok = true;
    while ((rc = check.step()) == SQLITE_ROW) {
        ++lines;
        ok = ok && check.text(0) == QLatin1String("ok");
    }
    if (rc != SQLITE_DONE)
        return classify(rc);
    rc = SQLITE_OK;
    if (!ok || lines != 1)
        return Health::Damaged;

    const QStringList expected = schema.storedForm();
    QStringList stored;
    Statement objects;
    const QString storedObjects =
        QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE lower(substr(name, 1, 7)) <> 'sqlite_'");
    if (objects.prepare(db, storedObjects) != SQLITE_OK)
        return Health::Damaged;
    while (objects.step() == SQLITE_ROW)
        stored << QStringLiteral("%1\n%2\n%3\n%4").arg(objects.text(0), objects.text(1), objects.text(2), objects.text(3));
    stored.sort();
    return stored == expected && answersProbe(db, schema) ? Health::Sound : Health::Damaged;
}

// A new database file built from the schema, filled row by row with bound
// values, its indexes made at the end.
class Rebuild {
public:
    explicit Rebuild(const SchemaDefinition& schema)
        : schema_(schema), inserts_(schema.tables.size()), parameters_(schema.tables.size())
    {
    }

    // source: a file to attach for copies of whole tables (copyStored), or none.
    int open(const QString& path, const MaintenanceOptions& options, const QString& source = QString())
    {
        built_ = options.built;
        indexMade_.assign(schema_.indexes.size(), false);
        int rc = db_.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, options);
        sqlite3_extended_result_codes(db_.get(), 1);
        // A scratch file: it is flushed as a whole before it replaces anything.
        // The defensive setting refuses to go without a journal; the file is
        // the routine's own, made from the schema.
        if (rc == SQLITE_OK) {
            sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_DEFENSIVE, 0, nullptr);
            rc = db_.exec("PRAGMA main.journal_mode=OFF; PRAGMA main.synchronous=OFF");
            sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        }
        // Attached outside any transaction, as SQLite requires.
        if (rc == SQLITE_OK && !source.isEmpty())
            rc = attachSource(source);
        if (rc == SQLITE_OK)
            rc = db_.exec("BEGIN");
        for (const TableDefinition& t : schema_.tables)
            if (rc == SQLITE_OK)
                rc = db_.exec(t.createStatement());
        return rc;
    }

    // Prepares the insert of table t for the columns a source delivers
    // (present[c] for column c); the rowid is parameter 1.
    int prepare(size_t t, const std::vector<bool>& present)
    {
        const TableDefinition& table = schema_.tables[t];
        QStringList names{QStringLiteral("rowid")};
        QStringList marks{QStringLiteral("?1")};
        std::vector<int>& parameters = parameters_[t];
        parameters.assign(table.columns.size(), 0);
        for (size_t c = 0; c < table.columns.size(); ++c) {
            if (!present[c] || table.columns[c].isRowid())
                continue;
            names << quoted(table.columns[c].name);
            marks << QStringLiteral("?%1").arg(marks.size() + 1);
            parameters[c] = int(marks.size());
        }
        return inserts_[t].prepare(db_, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                            .arg(quoted(table.name), names.join(u','), marks.join(u',')));
    }

    int attachSource(const QString& path)
    {
        Statement attach;
        int rc = attach.prepare(db_, QStringLiteral("ATTACH DATABASE ?1 AS jet_source"));
        if (rc != SQLITE_OK)
            return rc;
        const QByteArray name = encoded(path);
        sqlite3_bind_text(attach.get(), 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        rc = attach.step();
        sourceAttached_ = rc == SQLITE_DONE;
        return sourceAttached_ ? SQLITE_OK : rc;
    }
    bool sourceAttached() const { return sourceAttached_; }

    // Copies table t of the attached source whole: the table and the
    // schema's indexes on it are made first, exactly as the source holds
    // them, so that SQLite takes the stored records over with their rowids
    // and puts each index entry in its place by the copy's own order, instead
    // of sorting the rows for every index afterwards.
    int copyStored(size_t t)
    {
        const TableDefinition& table = schema_.tables[t];
        for (size_t i = 0; i < schema_.indexes.size(); ++i) {
            if (schema_.indexes[i].table.compare(table.name, Qt::CaseInsensitive) != 0)
                continue;
            if (const int rc = db_.exec(schema_.indexes[i].createStatement()); rc != SQLITE_OK)
                return rc;
            indexMade_[i] = true;
        }
        return db_.exec(QStringLiteral("INSERT INTO main.%1 SELECT * FROM jet_source.%1").arg(quoted(table.name)));
    }

    sqlite3_stmt* insert(size_t t) const { return inserts_[t].get(); }
    // Parameter of column c of table t, 0 when the insert leaves it out.
    int parameter(size_t t, size_t c) const { return parameters_[t][c]; }

    // SQLITE_DONE, SQLITE_CONSTRAINT for a row the schema refuses, or an error.
    int step(size_t t) const
    {
        const int rc = inserts_[t].step();
        inserts_[t].reset();
        return rc;
    }

    int finish()
    {
        for (Statement& s : inserts_)
            s.finalize();
        for (size_t i = 0; i < schema_.indexes.size(); ++i)
            if (!indexMade_[i])
                if (const int rc = db_.exec(schema_.indexes[i].createStatement()); rc != SQLITE_OK)
                    return rc;
        if (built_) {
            try {
                built_(db_.get());
            } catch (const Error&) {
                return SQLITE_ERROR;
            }
        }
        return db_.exec("COMMIT");
    }

    const Connection& connection() const { return db_; }
    void close() { db_.close(); }

private:
    const SchemaDefinition& schema_;
    Connection db_;
    std::vector<Statement> inserts_;
    std::vector<std::vector<int>> parameters_;
    std::vector<bool> indexMade_;
    bool sourceAttached_ = false;
    std::function<void(sqlite3*)> built_;
};

struct SourceObject {
    QString type;
    QString name;
};

std::vector<SourceObject> sourceObjects(const Connection& db)
{
    std::vector<SourceObject> objects;
    Statement st;
    if (st.prepare(db, QStringLiteral("SELECT type, name FROM sqlite_master")) == SQLITE_OK)
        while (st.step() == SQLITE_ROW)
            objects.push_back({st.text(0), st.text(1)});
    return objects;
}

struct SourceColumn {
    QString name;
    bool stored = true;    // held in the row's record
    bool generated = false;
    bool rowid = false;    // an INTEGER PRIMARY KEY: the record holds Null, the value is the rowid
};

// The columns SQLite parsed from the stored definition of `table`, or none
// when it could not.
std::optional<std::vector<SourceColumn>> sourceColumns(const Connection& db, const QString& table)
{
    Statement st;
    if (st.prepare(db, QStringLiteral("SELECT name, type, pk, hidden FROM pragma_table_xinfo(?1)")) != SQLITE_OK)
        return std::nullopt;
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(st.get(), 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    std::vector<SourceColumn> columns;
    int keys = 0;
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        const int hidden = sqlite3_column_int(st.get(), 3);
        const int pk = sqlite3_column_int(st.get(), 2);
        keys += pk > 0 ? 1 : 0;
        SourceColumn c{st.text(0), hidden != 2 && hidden != 1, hidden != 0, false};
        c.rowid = pk == 1 && st.text(1).compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        columns.push_back(c);
    }
    if (rc != SQLITE_DONE || columns.empty())
        return std::nullopt;
    if (keys != 1)
        for (SourceColumn& c : columns)
            c.rowid = false;
    return columns;
}

int columnOf(const TableDefinition& table, const QString& name)
{
    for (size_t c = 0; c < table.columns.size(); ++c)
        if (table.columns[c].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(c);
    return -1;
}

void bindStored(sqlite3_stmt* st, int parameter, const pages::StoredValue& v, int encoding)
{
    switch (v.kind) {
    case pages::StoredValue::Null:
        sqlite3_bind_null(st, parameter);
        break;
    case pages::StoredValue::Integer:
        sqlite3_bind_int64(st, parameter, v.integer);
        break;
    case pages::StoredValue::Real:
        sqlite3_bind_double(st, parameter, v.real);
        break;
    case pages::StoredValue::Text:
        sqlite3_bind_text64(st, parameter, v.bytes.constData(), sqlite3_uint64(v.bytes.size()), SQLITE_TRANSIENT,
                            static_cast<unsigned char>(encoding));
        break;
    case pages::StoredValue::Blob:
        sqlite3_bind_blob64(st, parameter, v.bytes.constData(), sqlite3_uint64(v.bytes.size()), SQLITE_TRANSIENT);
        break;
    }
}

using Rowids = std::vector<std::int64_t>;

void sortUnique(Rowids& rowids)
{
    std::sort(rowids.begin(), rowids.end());
    rowids.erase(std::unique(rowids.begin(), rowids.end()), rowids.end());
}

// How many of the sorted rowids lie in first..last.
std::int64_t countWithin(const Rowids& rowids, std::int64_t first, std::int64_t last)
{
    return std::int64_t(std::upper_bound(rowids.begin(), rowids.end(), last) - std::lower_bound(rowids.begin(), rowids.end(), first));
}

// What the salvage learnt about one table of the schema.
struct TableSalvage {
    std::uint32_t root = 0;
    std::vector<int> targetOfField; // column of the schema, -1 for none
    int rowidField = -1;            // the field that holds Null for the rowid
    Rowids recovered;
    Rowids indexed;
    bool indexComplete = false;
    // One for each tree walked for the table: its own, and trees cut off
    // from it that were found by the shape of their rows.
    std::vector<pages::TableLoss> losses;
    // Only trees found by their shape hold the table's rows: the table of
    // tables did not say where it was.
    bool foundByShape = false;
    std::int64_t strays = 0;
    int refused = 0;

    bool lostFrom(std::int64_t rowid) const
    {
        if (!root)
            return true;
        for (const pages::TableLoss& loss : losses)
            for (const pages::LostRange& range : loss.ranges)
                if (range.first <= rowid && rowid <= range.last)
                    return true;
        return false;
    }
    bool needsRows() const
    {
        return !root || std::any_of(losses.begin(), losses.end(), [](const pages::TableLoss& l) { return !l.ranges.empty(); });
    }
};

int clampedInt(double value)
{
    return int(std::clamp(std::llround(std::min(value, 9e18)), 0LL, (long long)std::numeric_limits<int>::max()));
}

// How many rows a table held that were not recovered, from what the file
// says was there. An index that could be read whole names every one of them.
// Otherwise each subtree that could not be read covered a range of rowids:
// a range fully found elsewhere lost nothing; an interior page lost while
// every page of the file was accounted for lost nothing but the rows the
// index names; a lost leaf's or subtree's share is estimated from the rowid
// density and leaf size of the parts that were read. A lost root, or a tree
// found only by its shape while some page of the file is unaccounted for,
// leaves only a lower bound.
UnreadRows lossOf(const QString& table, TableSalvage& t, bool schemaRead, bool everyPageAccounted)
{
    sortUnique(t.recovered);
    sortUnique(t.indexed);
    Rowids known;
    {
        Rowids named = t.indexed;
        for (const pages::TableLoss& loss : t.losses)
            named.insert(named.end(), loss.unreadCells.begin(), loss.unreadCells.end());
        sortUnique(named);
        std::set_difference(named.begin(), named.end(), t.recovered.begin(), t.recovered.end(), std::back_inserter(known));
    }
    std::int64_t unparsed = 0;
    for (const pages::TableLoss& loss : t.losses)
        unparsed += loss.unparsedCells;
    const std::int64_t certain = std::int64_t(known.size()) + t.refused + unparsed;
    const auto result = [&](double rows, UnreadRows::Bound bound) { return UnreadRows{table, clampedInt(rows), bound}; };
    if (t.indexComplete)
        return result(double(certain), UnreadRows::Exact);
    if (t.losses.empty())
        return result(double(certain), schemaRead || everyPageAccounted ? UnreadRows::Exact : UnreadRows::AtLeast);
    if (t.foundByShape && !everyPageAccounted)
        return result(double(certain), UnreadRows::AtLeast);

    const std::int64_t lowest = std::min<std::int64_t>(1, std::min(t.recovered.empty() ? 1 : t.recovered.front(),
                                                                   known.empty() ? 1 : known.front()));
    struct Item {
        const pages::TableLoss* loss;
        pages::LostRange range;
    };
    std::vector<Item> items;
    for (const pages::TableLoss& loss : t.losses)
        for (pages::LostRange range : loss.ranges) {
            if (range.first == std::numeric_limits<std::int64_t>::min() && range.depth > 0)
                range.first = std::min(lowest, range.last);
            items.push_back({&loss, range});
        }
    // Inner ranges before the lost roots that hold them; a known lost row is
    // counted in the first range that holds it.
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.range.depth > 0 && b.range.depth == 0; });
    std::vector<bool> counted(known.size(), false);
    const auto claimKnown = [&](std::int64_t first, std::int64_t last) {
        std::int64_t n = 0;
        for (auto i = std::lower_bound(known.begin(), known.end(), first); i != known.end() && *i <= last; ++i)
            if (!counted[size_t(i - known.begin())]) {
                counted[size_t(i - known.begin())] = true;
                ++n;
            }
        return n;
    };
    std::vector<std::pair<std::int64_t, std::int64_t>> estimatedByWidth;
    const auto insideEstimated = [&](const pages::LostRange& r) {
        return std::any_of(estimatedByWidth.begin(), estimatedByWidth.end(),
                           [&](const auto& w) { return w.first <= r.first && r.last <= w.second; });
    };
    double estimate = 0;
    bool exact = true;
    bool bounded = true;
    for (const Item& item : items) {
        const pages::LostRange& r = item.range;
        const pages::TableLoss& loss = *item.loss;
        const std::int64_t knownIn = claimKnown(r.first, r.last);
        if (insideEstimated(r))
            continue;
        const std::int64_t found = countWithin(t.recovered, r.first, r.last);
        const bool closed = r.last != std::numeric_limits<std::int64_t>::max() && r.first != std::numeric_limits<std::int64_t>::min();
        const double width = closed ? double(r.last) - double(r.first) + 1 : 0;
        if (closed && double(found) >= width) {
            estimate += double(knownIn);
            continue;
        }
        if (r.depth == 0) {
            // A lost root whose leaves were all read again was an interior page.
            if (everyPageAccounted && t.strays > 0)
                estimate += double(knownIn);
            else
                bounded = false;
            continue;
        }
        if (everyPageAccounted && loss.leafDepth >= 0 && r.depth < loss.leafDepth) {
            estimate += double(knownIn);
            continue;
        }
        exact = false;
        // A lost leaf held about as many rows as the leaves that were read;
        // a lost subtree as many as the rowid density of the read leaves
        // gives its range.
        const double density = loss.leafSpan > 0 ? std::min(1.0, double(loss.leafSpanRows) / loss.leafSpan) : 1.0;
        std::optional<double> share;
        if (r.depth == loss.leafDepth && loss.leaves > 0)
            share = double(loss.leafRows) / double(loss.leaves);
        if (closed) {
            estimatedByWidth.emplace_back(r.first, r.last);
            const double rows = share ? std::min(*share, width) : density * width;
            estimate += std::clamp(rows - double(found), double(knownIn), width - double(found));
            continue;
        }
        if (const auto s = loss.spans.find(r.depth); !share && s != loss.spans.end() && s->second.second > 0)
            share = s->second.first / double(s->second.second) * density;
        if (!share) {
            bounded = false;
            continue;
        }
        estimate += std::max(double(knownIn), *share - double(found));
    }
    const double outside = double(std::count(counted.begin(), counted.end(), false)) + t.refused + double(unparsed);
    if (!bounded)
        return result(double(certain), UnreadRows::AtLeast);
    return result(outside + estimate, exact ? UnreadRows::Exact : UnreadRows::About);
}

// Builds a sound database at `scratch` from every row that a readable page of
// `sourcePath` holds. `source` is SQLite's view of the same file, asked only
// for the column names of its tables.
bool salvage(const Connection& source, const QString& sourcePath, const QString& scratch, const MaintenanceOptions& options,
             RepairReport& report, Outcome& out)
{
    const SchemaDefinition& schema = schemaOf(options);
    pages::PageFile file;
    if (!file.open(sourcePath))
        return out.fail(notADatabase(sourcePath));
    const std::vector<pages::StoredObject> objects = file.objects();
    const bool schemaDamaged = file.damaged() || !file.headerTrusted();

    Rebuild target(schema);
    if (const int rc = target.open(scratch, options); rc != SQLITE_OK)
        return out.fail(describe(rc, scratch, target.connection()));

    // For each table of the schema: where each field of a stored row goes.
    std::vector<TableSalvage> tables(schema.tables.size());
    for (size_t t = 0; t < schema.tables.size(); ++t) {
        const TableDefinition& table = schema.tables[t];
        TableSalvage& plan = tables[t];
        bool named = false;
        for (const pages::StoredObject& o : objects)
            if (!plan.root && o.type == QLatin1String("table") && o.name.compare(table.name, Qt::CaseInsensitive) == 0) {
                plan.root = o.rootPage;
                named = true;
            }
        // A table the file names without a readable root page lost its root.
        if (named && !plan.root) {
            pages::TableLoss rootLost;
            rootLost.ranges.push_back({std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(), 0});
            plan.losses.push_back(std::move(rootLost));
        }
        std::vector<bool> present(table.columns.size(), !plan.root);
        if (const auto columns = plan.root ? sourceColumns(source, table.name) : std::nullopt) {
            for (const SourceColumn& c : *columns) {
                if (!c.stored)
                    continue;
                const int column = c.generated ? -1 : columnOf(table, c.name);
                if (c.rowid)
                    plan.rowidField = int(plan.targetOfField.size());
                plan.targetOfField.push_back(column);
                if (column >= 0)
                    present[size_t(column)] = true;
            }
        } else {
            // Nothing to tell the columns by: a row is taken in the schema's order.
            present.assign(table.columns.size(), true);
            for (size_t c = 0; c < table.columns.size(); ++c) {
                plan.targetOfField.push_back(int(c));
                if (table.columns[c].isRowid())
                    plan.rowidField = int(c);
            }
        }
        if (const int rc = target.prepare(t, present); rc != SQLITE_OK)
            return out.fail(describe(rc, scratch, target.connection()));
    }

    int failed = SQLITE_OK;
    auto take = [&](size_t t, std::int64_t rowid, const pages::StoredRecord& record) {
        TableSalvage& plan = tables[t];
        if (failed != SQLITE_OK)
            return false;
        sqlite3_stmt* insert = target.insert(t);
        sqlite3_bind_int64(insert, 1, rowid);
        for (size_t f = 0; f < record.size() && f < plan.targetOfField.size(); ++f) {
            const int column = plan.targetOfField[f];
            const int parameter = column >= 0 ? target.parameter(t, size_t(column)) : 0;
            if (parameter > 0 && int(f) != plan.rowidField)
                bindStored(insert, parameter, record[f], file.textEncoding());
        }
        // A rowid taken already (a stray page holding rows its tree gave
        // too) is no row lost.
        const int rc = target.step(t);
        if (rc == SQLITE_DONE)
            plan.recovered.push_back(rowid);
        else if (rc != SQLITE_CONSTRAINT_PRIMARYKEY && rc != SQLITE_CONSTRAINT_ROWID && (rc & 0xff) == SQLITE_CONSTRAINT)
            ++plan.refused;
        else if ((rc & 0xff) != SQLITE_CONSTRAINT)
            failed = rc;
        return rc == SQLITE_DONE;
    };
    auto tableOf = [&](const QString& name) -> std::optional<size_t> {
        for (size_t t = 0; t < schema.tables.size(); ++t)
            if (schema.tables[t].name.compare(name, Qt::CaseInsensitive) == 0)
                return t;
        return std::nullopt;
    };

    // Every tree is walked, so the pages of all of them are known before
    // pages no tree reached are looked at.
    std::vector<std::int64_t> ignored;
    for (const pages::StoredObject& o : objects) {
        if (!o.rootPage)
            continue;
        const std::optional<size_t> t = tableOf(o.type == QLatin1String("index") ? o.table : o.name);
        if (o.type == QLatin1String("index")) {
            if (file.readIndexRowids(o.rootPage, t ? tables[*t].indexed : ignored) && t)
                tables[*t].indexComplete = true;
        } else if (o.type == QLatin1String("table")) {
            if (t && tables[*t].root == o.rootPage) {
                tables[*t].losses.emplace_back();
                file.readTable(o.rootPage, [&](std::int64_t rowid, pages::StoredRecord&& r) { take(*t, rowid, r); },
                               &tables[*t].losses.back());
            } else {
                file.readTable(o.rootPage, [](std::int64_t, pages::StoredRecord&&) {});
            }
        }
    }
    if (schemaDamaged || file.damaged() || file.cutShort()) {
        // Pages cut off from their tree go to the one table whose rows have
        // as many fields, when that table's tree lost the rows of their
        // rowids: rows a readable tree does not hold were deleted.
        auto shapedLike = [&](size_t fields) -> std::optional<size_t> {
            std::optional<size_t> match;
            for (size_t t = 0; t < tables.size(); ++t) {
                if (tables[t].targetOfField.size() != fields)
                    continue;
                if (match)
                    return std::nullopt;
                match = t;
            }
            return match;
        };
        for (const pages::OrphanTree& orphan : file.orphanTables()) {
            const std::optional<size_t> t = orphan.fields >= 0 ? shapedLike(size_t(orphan.fields)) : std::nullopt;
            if (!t || !tables[*t].needsRows())
                continue;
            TableSalvage& plan = tables[*t];
            plan.foundByShape = plan.foundByShape || !plan.root;
            plan.losses.emplace_back();
            pages::TableLoss& loss = plan.losses.back();
            file.readTable(orphan.root, [&](std::int64_t rowid, pages::StoredRecord&& r) {
                if (r.size() == plan.targetOfField.size() && plan.lostFrom(rowid) && take(*t, rowid, r))
                    ++plan.strays;
            }, &loss);
        }
        file.readOrphanIndexes();
        file.readStrayLeaves([&](std::int64_t rowid, pages::StoredRecord&& r) {
            const std::optional<size_t> t = shapedLike(r.size());
            if (t && tables[*t].lostFrom(rowid) && take(*t, rowid, r))
                ++tables[*t].strays;
        });
    }
    if (failed != SQLITE_OK)
        return out.fail(describe(failed, scratch, target.connection()));
    if (const int rc = target.finish(); rc != SQLITE_OK)
        return out.fail(describe(rc, scratch, target.connection()));

    int rc = SQLITE_OK;
    if (checkHealth(target.connection(), schema, rc) != Health::Sound)
        return out.fail(err::CorruptDatabase, QStringLiteral("The database '%1' could not be repaired.").arg(native(sourcePath)));
    target.close();

    report.nothingRead = !file.empty() && !file.anyPageRead();
    const bool everyPageAccounted = file.unaccountedPages() == 0;
    report.unreadRows.clear();
    for (size_t t = 0; t < tables.size(); ++t) {
        if (report.nothingRead)
            report.unreadRows.push_back({schema.tables[t].name, 0, UnreadRows::AtLeast});
        else
            report.unreadRows.push_back(lossOf(schema.tables[t].name, tables[t], !schemaDamaged, everyPageAccounted));
    }
    return true;
}

// A name beside `path` that no file has: the damaged original is kept under it.
QString keptName(const QString& path)
{
    const QFileInfo info(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("%1.damaged-%2%3%4")
                                 .arg(info.completeBaseName(), stamp, n > 1 ? QStringLiteral("-%1").arg(n) : QString(), suffix);
        const QString candidate = info.dir().filePath(name);
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
}

// Keeps the bytes of `path` under `kept`: a second name for the same file
// where the file system allows it, a flushed copy where not.
bool keepOriginal(const QString& path, const QString& kept, Outcome& out)
{
    if (::link(encoded(path).constData(), encoded(kept).constData()) != 0) {
        const QString part = kept + QStringLiteral(".part");
        QFile::remove(part);
        int error = 0;
        if (!QFile::copy(path, part) || !flushToDisk(part, false, error) ||
            std::rename(encoded(part).constData(), encoded(kept).constData()) != 0) {
            QFile::remove(part);
            return out.fail(err::DiskError,
                            QStringLiteral("The damaged database could not be kept as '%1'.").arg(native(kept)));
        }
    }
    int error = 0;
    flushToDisk(QFileInfo(kept).absolutePath(), true, error);
    return true;
}


// The definition the file stores for an object, as text to compare (never to run).
std::optional<QString> storedDefinition(const Connection& source, const QString& type, const QString& name)
{
    Statement st;
    if (st.prepare(source, QStringLiteral("SELECT sql FROM main.sqlite_master WHERE type = ?1 AND name = ?2")) != SQLITE_OK)
        return std::nullopt;
    const QByteArray t = type.toUtf8();
    const QByteArray n = name.toUtf8();
    sqlite3_bind_text(st.get(), 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(st.get(), 2, n.constData(), int(n.size()), SQLITE_TRANSIENT);
    if (st.step() != SQLITE_ROW)
        return std::nullopt;
    return st.text(0);
}

// True when the file holds the table and each of the schema's indexes on it
// exactly as the schema defines them.
bool storedAsDefined(const Connection& source, const SchemaDefinition& schema, const TableDefinition& table)
{
    if (storedDefinition(source, QStringLiteral("table"), table.name) != table.createStatement())
        return false;
    for (const IndexDefinition& i : schema.indexes)
        if (i.table.compare(table.name, Qt::CaseInsensitive) == 0
            && storedDefinition(source, QStringLiteral("index"), i.name) != i.createStatement())
            return false;
    return true;
}

// Copies the rows of every table of the schema from `source` into `target`,
// the columns the two have in common, by name. A table the source stores
// exactly as the schema defines it is copied whole when the target has the
// source attached.
int copyRows(const Connection& source, Rebuild& target, const SchemaDefinition& schema, int& failedIn)
{
    failedIn = 0;
    const std::vector<SourceObject> objects = sourceObjects(source);
    for (size_t t = 0; t < schema.tables.size(); ++t) {
        const TableDefinition& table = schema.tables[t];
        if (target.sourceAttached() && storedAsDefined(source, schema, table)) {
            if (const int rc = target.copyStored(t); rc != SQLITE_OK) {
                failedIn = (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB ? 1 : 2;
                return rc;
            }
            continue;
        }
        const auto found = std::find_if(objects.begin(), objects.end(), [&](const SourceObject& o) {
            return o.type == QLatin1String("table") && o.name.compare(table.name, Qt::CaseInsensitive) == 0;
        });
        std::vector<bool> present(table.columns.size(), false);
        QStringList selected;
        if (found != objects.end())
            if (const auto columns = sourceColumns(source, table.name))
                for (const SourceColumn& c : *columns)
                    if (const int column = columnOf(table, c.name); column >= 0 && !c.generated && !present[size_t(column)]) {
                        present[size_t(column)] = true;
                    }
        for (size_t c = 0; c < table.columns.size(); ++c)
            if (present[c] && !table.columns[c].isRowid())
                selected << quoted(table.columns[c].name);
        if (int rc = target.prepare(t, present); rc != SQLITE_OK) {
            failedIn = 2;
            return rc;
        }
        if (found == objects.end())
            continue;
        Statement read;
        const QString list = selected.isEmpty() ? QString() : QLatin1Char(',') + selected.join(u',');
        if (read.prepare(source, QStringLiteral("SELECT rowid%1 FROM main.%2").arg(list, quoted(table.name))) != SQLITE_OK) {
            // A table without rowids: new ones are given.
            const int rc = read.prepare(source, QStringLiteral("SELECT NULL%1 FROM main.%2").arg(list, quoted(table.name)));
            if (rc != SQLITE_OK) {
                failedIn = 1;
                return rc;
            }
        }
        sqlite3_stmt* insert = target.insert(t);
        int rc;
        while ((rc = read.step()) == SQLITE_ROW) {
            sqlite3_bind_value(insert, 1, sqlite3_column_value(read.get(), 0));
            int field = 1;
            for (size_t c = 0; c < table.columns.size(); ++c)
                if (const int parameter = target.parameter(t, c); parameter > 0)
                    sqlite3_bind_value(insert, parameter, sqlite3_column_value(read.get(), field++));
            const int irc = target.step(t);
            if (irc != SQLITE_DONE && (irc & 0xff) != SQLITE_CONSTRAINT) {
                failedIn = 2;
                return irc;
            }
        }
        if (rc != SQLITE_DONE) {
            failedIn = 1;
            return rc;
        }
    }
    return SQLITE_OK;
}

} // namespace

bool CompactFile(const QString& source, const QString& destination, QString& errorDescription, const MaintenanceOptions& options,
                 int* errorNumber)
{
    Outcome out(errorDescription, errorNumber);
    const QFileInfo target(destination);
    if (target.exists() || target.isSymLink())
        return out.fail(kDatabaseExists, QStringLiteral("The file '%1' already exists.").arg(native(destination)));
    const QFileInfo origin(source);
    if (!origin.exists())
        return out.fail(notFound(source));
    if (!origin.isFile())
        return out.fail(notADatabase(source));

    // A journal of a destination that does not exist was left by a copy that
    // was killed half-way; it must not be played back into the new copy.
    QFile::remove(destination + QStringLiteral("-journal"));

    Connection db;
    if (const int rc = db.open(source, SQLITE_OPEN_READWRITE, options); rc != SQLITE_OK)
        return out.fail(describe(rc, source, db));
    // Reading the schema proves the file is a database (and rolls back what a
    // writer that died half-way left behind) before anything is locked.
    if (const int rc = db.exec("SELECT count(*) FROM sqlite_master"); rc != SQLITE_OK)
        return out.fail(describe(rc, source, db));
    Connection guard;
    bool locked = false;
    if (const int rc = lockAgainstWriters(guard, source, options, locked); rc != SQLITE_OK)
        return out.fail(describe(rc, source, guard));

    const SchemaDefinition& schema = schemaOf(options);
    Failure failure;
    bool ok = false;
    {
        Rebuild copy(schema);
        int rc = copy.open(destination, options, source);
        int failedIn = 2;
        if (rc == SQLITE_OK)
            rc = db.exec("BEGIN");
        if (rc == SQLITE_OK)
            rc = copyRows(db, copy, schema, failedIn);
        if (rc == SQLITE_OK) {
            failedIn = 2;
            rc = copy.finish();
        }
        db.exec("ROLLBACK");
        if (rc == SQLITE_OK && !answersProbe(copy.connection(), schema))
            failure = {err::CorruptDatabase, QStringLiteral("The database '%1' could not be processed: it does not answer the "
                                                            "program's first query.")
                                                 .arg(native(source))};
        else if (rc == SQLITE_OK)
            ok = true;
        else if (failedIn == 1)
            failure = describe(rc, source, db);
        else if ((rc & 0xff) == SQLITE_FULL)
            failure = describe(rc, destination, copy.connection());
        else
            failure = {err::DiskError,
                       QStringLiteral("The copy '%1' could not be written: %2.").arg(native(destination), copy.connection().message())};
    }
    if (locked)
        guard.exec("ROLLBACK");
    guard.close();
    db.close();
    if (!ok) {
        removeFileAndJournal(destination);
        return out.fail(failure);
    }

    int error = 0;
    if (!flushToDisk(destination, false, error)) {
        removeFileAndJournal(destination);
        return out.fail(err::DiskError,
                        QStringLiteral("The copy '%1' could not be written to disk: %2.").arg(native(destination), systemError(error)));
    }
    flushToDisk(target.absolutePath(), true, error);
    return true;
}

bool RepairFile(const QString& path, QString& errorDescription, const MaintenanceOptions& options, int* errorNumber,
                RepairReport* report)
{
    Outcome out(errorDescription, errorNumber);
    RepairReport result;
    if (report)
        *report = result;
    const QFileInfo info(path);
    if (!info.exists())
        return out.fail(notFound(path));
    if (!info.isFile())
        return out.fail(notADatabase(path));

    Connection db;
    if (const int rc = db.open(path, SQLITE_OPEN_READWRITE, options); rc != SQLITE_OK)
        return out.fail(describe(rc, path, db));
    Connection guard;
    bool locked = false;
    if (const int rc = lockAgainstWriters(guard, path, options, locked); rc != SQLITE_OK && isTransient(rc))
        return out.fail(describe(rc, path, guard));

    int rc = SQLITE_OK;
    switch (checkHealth(db, schemaOf(options), rc)) {
    case Health::Sound:
        return true;
    case Health::NotDatabase:
        break;
    case Health::Failed:
        return out.fail(describe(rc, path, db));
    case Health::Damaged:
        break;
    }

    const QString scratch = path + QStringLiteral(".repair");
    removeFileAndJournal(scratch);
    if (QFileInfo::exists(scratch))
        return out.fail(err::DiskError, QStringLiteral("The file '%1' is in the way and could not be deleted.").arg(native(scratch)));
    if (!salvage(db, path, scratch, options, result, out)) {
        removeFileAndJournal(scratch);
        return false;
    }
    if (locked)
        guard.exec("ROLLBACK");
    guard.close();
    db.close();
    result.keptOriginal = keptName(path);
    if (!keepOriginal(path, result.keptOriginal, out) || !replace(scratch, path, out)) {
        removeFileAndJournal(scratch);
        return false;
    }
    if (report)
        *report = result;
    return true;
}


bool KeepDamagedOriginal(const QString& path, QString& kept, QString& errorDescription, int* errorNumber)
{
    Outcome out(errorDescription, errorNumber);
    kept = keptName(path);
    if (keepOriginal(path, kept, out))
        return true;
    kept.clear();
    return false;
}

bool ReplaceFileAtomically(const QString& newFile, const QString& target, QString& errorDescription, int* errorNumber)
{
    Outcome out(errorDescription, errorNumber);
    return replace(newFile, target, out);
}

} // namespace jet

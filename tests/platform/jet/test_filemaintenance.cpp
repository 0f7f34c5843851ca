#include "jet/FileMaintenance.h"
#include "jet/Schema.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <random>

namespace jet {
void PrintTo(const UnreadRows& u, std::ostream* os)
{
    static const char* const bounds[] = {"", "about ", "at least "};
    *os << u.table.toStdString() << " " << bounds[u.bound] << u.rows;
}
} // namespace jet

namespace {

using testenv::writeFile;

// A collation of our own, so the files carry an index that only opens with the
// connection set-up the maintenance routines are given.
int reverseOrder(void*, int aLength, const void* a, int bLength, const void* b)
{
    const int common = std::min(aLength, bLength);
    const int c = std::memcmp(a, b, size_t(common));
    return c != 0 ? -c : bLength - aLength;
}

void registerReverse(sqlite3* db)
{
    sqlite3_create_collation(db, "REVERSE", SQLITE_UTF8, nullptr, reverseOrder);
}

// The files these tests work on: two tables, one with an index in the
// collation above.
const jet::SchemaDefinition& schema()
{
    static const jet::SchemaDefinition s{
        {{"items", {{"id", "INTEGER PRIMARY KEY"}, {"name", "TEXT"}, {"payload", "TEXT"}}}, {"notes", {{"body", "TEXT"}}}},
        {{"items_name", "items", "name COLLATE REVERSE"}},
        "SELECT name FROM items ORDER BY name COLLATE REVERSE"};
    return s;
}

jet::MaintenanceOptions options(int busyTimeoutMs = 3000)
{
    jet::MaintenanceOptions o;
    o.setup = registerReverse;
    o.schema = &schema();
    o.busyTimeoutMs = busyTimeoutMs;
    return o;
}

struct Db {
    explicit Db(const QString& path, int flags = SQLITE_OPEN_READWRITE)
    {
        rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
        if (rc == SQLITE_OK)
            registerReverse(db);
    }
    ~Db() { sqlite3_close_v2(db); }
    int exec(const char* sql) const { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    sqlite3* db = nullptr;
    int rc = SQLITE_OK;
};

QString payload(int id)
{
    return QStringLiteral("row %1 ").arg(id) + QString(40 + id % 50, QLatin1Char('a' + id % 26));
}

// A catalogue-like file: several thousand rows over many pages and an index
// with the custom collation.
void makeDatabase(const QString& path, int rows)
{
    Db d(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    for (const jet::TableDefinition& t : schema().tables)
        ASSERT_EQ(d.exec(t.createStatement().toUtf8().constData()), SQLITE_OK);
    for (const jet::IndexDefinition& i : schema().indexes)
        ASSERT_EQ(d.exec(i.createStatement().toUtf8().constData()), SQLITE_OK);
    ASSERT_EQ(d.exec("INSERT INTO notes VALUES ('kept'); BEGIN"), SQLITE_OK);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(d.db, "INSERT INTO items VALUES (?1, ?2, ?3)", -1, &insert, nullptr);
    for (int id = 1; id <= rows; ++id) {
        const QByteArray name = QStringLiteral("name %1").arg(id).toUtf8();
        const QByteArray text = payload(id).toUtf8();
        sqlite3_bind_int(insert, 1, id);
        sqlite3_bind_text(insert, 2, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, text.constData(), -1, SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ASSERT_EQ(d.exec("COMMIT"), SQLITE_OK);
}

std::map<int, QString> rowsOf(const QString& path)
{
    std::map<int, QString> rows;
    Db d(path);
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(d.db, "SELECT id, payload FROM items", -1, &st, nullptr), SQLITE_OK);
    while (sqlite3_step(st) == SQLITE_ROW)
        rows[sqlite3_column_int(st, 0)] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    return rows;
}

QString integrity(const QString& path)
{
    Db d(path);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(d.db, "PRAGMA integrity_check", -1, &st, nullptr);
    QStringList lines;
    while (sqlite3_step(st) == SQLITE_ROW)
        lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return lines.join(u'\n');
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

std::map<int, QString> expectedRows(int rows)
{
    std::map<int, QString> m;
    for (int id = 1; id <= rows; ++id)
        m[id] = payload(id);
    return m;
}

class FileMaintenanceTest : public ::testing::Test {
protected:
    QString file(const QString& name) const { return dir.filePath(name); }
    // A file of the folder named after a case of a table.
    QString caseFile(const char* name) const
    {
        return file(QStringLiteral("%1.mdb").arg(QString::fromLatin1(name).replace(' ', '-')));
    }
    // Writes the original's bytes with the damage done to path and returns them.
    static QByteArray writeDamaged(const QString& path, QByteArray bytes, const std::function<void(QByteArray&)>& damage)
    {
        damage(bytes);
        writeFile(path, bytes);
        return bytes;
    }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }
    QTemporaryDir dir;
};

TEST_F(FileMaintenanceTest, CompactCopiesEveryRowAndLeavesTheSourceAlone)
{
    const QString source = file("records.mdb");
    makeDatabase(source, 3000);
    {
        Db d(source);
        ASSERT_EQ(d.exec("DELETE FROM items WHERE id > 2000"), SQLITE_OK);
    }
    const QByteArray before = bytesOf(source);

    QString description = "stale";
    ASSERT_TRUE(jet::CompactFile(source, file("~records.new"), description, options())) << description.toStdString();
    EXPECT_EQ(description, QString());
    EXPECT_EQ(bytesOf(source), before);
    EXPECT_EQ(rowsOf(file("~records.new")), expectedRows(2000));
    EXPECT_EQ(integrity(file("~records.new")), "ok");
    EXPECT_LT(QFileInfo(file("~records.new")).size(), before.size());
}

// Whichever way a table is copied, whole or row by row, the copy is built from
// the schema and holds every row under its own rowid, its indexes in the order
// the connection sorts in.
TEST_F(FileMaintenanceTest, CompactCopiesEveryTableSoundWhetherWholeOrRowByRow)
{
    // The index written by a connection that sorts the other way round.
    auto indexInAnotherOrder = [](const QString& path) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_create_collation(db, "REVERSE", SQLITE_UTF8, nullptr,
                                 [](void*, int aLength, const void* a, int bLength, const void* b) {
                                     return -reverseOrder(nullptr, aLength, a, bLength, b);
                                 });
        EXPECT_EQ(sqlite3_exec(db, "REINDEX items_name", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close_v2(db);
    };
    // The same table defined with its columns in another order.
    auto columnsInAnotherOrder = [](const QString& path) {
        Db d(path);
        ASSERT_EQ(d.exec("BEGIN; CREATE TABLE moved (payload TEXT, name TEXT, id INTEGER PRIMARY KEY);"
                         "INSERT INTO moved (id, name, payload) SELECT id, name, payload FROM items;"
                         "DROP TABLE items; ALTER TABLE moved RENAME TO items;"
                         "CREATE INDEX items_name ON items (name COLLATE REVERSE); COMMIT"),
                  SQLITE_OK);
    };
    struct Case {
        const char* name;
        std::function<void(const QString&)> change;
        bool sourceSound;
    };
    const Case cases[] = {
        {"stored as defined", {}, true},
        // Copied whole, yet every entry goes where the copy's order puts it.
        {"index in another order", indexInAnotherOrder, false},
        {"columns in another order", columnsInAnotherOrder, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = file("records.mdb");
        const QString copy = file("~records.new");
        QFile::remove(source);
        QFile::remove(copy);
        makeDatabase(source, 3000);
        {
            Db d(source);
            ASSERT_EQ(d.exec("DELETE FROM items WHERE id % 3 = 0"), SQLITE_OK);
        }
        if (c.change)
            c.change(source);
        EXPECT_EQ(integrity(source) == "ok", c.sourceSound);
        QString description;
        ASSERT_TRUE(jet::CompactFile(source, copy, description, options())) << description.toStdString();
        std::map<int, QString> expected = expectedRows(3000);
        std::erase_if(expected, [](const auto& row) { return row.first % 3 == 0; });
        EXPECT_EQ(rowsOf(copy), expected);
        EXPECT_EQ(integrity(copy), "ok");
        Db d(copy);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(d.db, "SELECT sql FROM sqlite_master WHERE name = 'items'", -1, &st, nullptr);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        // Built from the schema, whatever the source said.
        EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
                  schema().tables[0].createStatement());
        sqlite3_finalize(st);
    }
}

TEST_F(FileMaintenanceTest, CompactRefusalsLeaveEveryFileAsItWas)
{
    makeDatabase(file("records.mdb"), 50);
    writeFile(file("notes.txt"), "just some text, certainly not a database file\n");
    writeFile(file("taken.new"), "someone's file");
    QDir(dir.path()).mkdir("folder");

    struct Case {
        const char* source;
        const char* destination;
        int number;
        QString description;
    };
    const Case cases[] = {
        {"records.mdb", "taken.new", 3204, QStringLiteral("The file '%1' already exists.").arg(file("taken.new"))},
        {"records.mdb", "folder", 3204, QStringLiteral("The file '%1' already exists.").arg(file("folder"))},
        {"missing.mdb", "out.new", 3024, QStringLiteral("Could not find file '%1'.").arg(file("missing.mdb"))},
        {"notes.txt", "out.new", 3343, QStringLiteral("Unrecognized database format '%1'.").arg(file("notes.txt"))},
        {"folder", "out.new", 3343, QStringLiteral("Unrecognized database format '%1'.").arg(file("folder"))},
    };
    const QStringList files = entries();
    for (const Case& c : cases) {
        const QByteArray records = bytesOf(file("records.mdb"));
        const QByteArray notes = bytesOf(file("notes.txt"));
        QString description;
        int number = 0;
        EXPECT_FALSE(jet::CompactFile(file(c.source), file(c.destination), description, options(), &number)) << c.source;
        EXPECT_EQ(description, c.description);
        EXPECT_EQ(number, c.number) << c.source;
        EXPECT_EQ(entries(), files) << c.source << " -> " << c.destination;
        EXPECT_EQ(bytesOf(file("records.mdb")), records);
        EXPECT_EQ(bytesOf(file("notes.txt")), notes);
        EXPECT_EQ(bytesOf(file("taken.new")), "someone's file");
    }

    QString description;
    EXPECT_FALSE(jet::CompactFile(file("records.mdb"), file("nowhere/out.new"), description, options()));
    EXPECT_TRUE(description.startsWith(QStringLiteral("The copy '%1' could not be written: ").arg(file("nowhere/out.new"))))
        << description.toStdString();
}

TEST_F(FileMaintenanceTest, CompactWaitsForAWriterThenRefusesButCopiesUnderAReader)
{
    const QString source = file("records.mdb");
    makeDatabase(source, 200);

    {
        // A reader in the middle of a transaction does not stop a consistent copy.
        Db reader(source);
        ASSERT_EQ(reader.exec("BEGIN; SELECT count(*) FROM items;"), SQLITE_OK);
        QString description;
        EXPECT_TRUE(jet::CompactFile(source, file("read.new"), description, options(200))) << description.toStdString();
        EXPECT_EQ(rowsOf(file("read.new")), expectedRows(200));
    }
    {
        // A writer with changes not yet committed: the copy would miss them.
        Db writer(source);
        ASSERT_EQ(writer.exec("BEGIN IMMEDIATE; DELETE FROM items WHERE id <= 100;"), SQLITE_OK);
        QString description;
        int number = 0;
        EXPECT_FALSE(jet::CompactFile(source, file("write.new"), description, options(200), &number));
        EXPECT_EQ(description, QStringLiteral("Could not use '%1'; file already in use.").arg(source));
        EXPECT_EQ(number, 3045);
        EXPECT_FALSE(QFileInfo::exists(file("write.new")));
        ASSERT_EQ(writer.exec("COMMIT"), SQLITE_OK);
    }
    QString description;
    EXPECT_TRUE(jet::CompactFile(source, file("write.new"), description, options(200))) << description.toStdString();
    EXPECT_EQ(rowsOf(file("write.new")).size(), 100u);
}

// Number and cell count of a leaf page of `object` about half-way through it.
std::pair<int, int> middleLeaf(const QString& path, const char* object)
{
    Db d(path);
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(d.db, "SELECT pageno, ncell FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY path",
                                 -1, &st, nullptr),
              SQLITE_OK);
    sqlite3_bind_text(st, 1, object, -1, SQLITE_STATIC);
    std::vector<std::pair<int, int>> leaves;
    while (sqlite3_step(st) == SQLITE_ROW)
        leaves.emplace_back(sqlite3_column_int(st, 0), sqlite3_column_int(st, 1));
    sqlite3_finalize(st);
    EXPECT_GT(leaves.size(), 4u) << object;
    return leaves.empty() ? std::pair{0, 0} : leaves[leaves.size() / 2];
}

void overwritePage(const QString& path, int page)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(qint64(page - 1) * 4096));
    f.write(QByteArray(4096, char(0xA5)));
}

TEST_F(FileMaintenanceTest, RepairKeepsEveryRowADamagedPageDidNotHold)
{
    struct Case {
        const char* damaged;
        bool losesTheLeaf;
    };
    // A leaf of the table, a leaf of its index, and the table definitions
    // (the header stays): rows of pages no definition leads to any more are
    // told apart by their number of fields.
    const Case cases[] = {{"items", true}, {"items_name", false}, {"definitions", false}};
    for (const Case& c : cases) {
        const QString path = file(QStringLiteral("%1.mdb").arg(c.damaged));
        makeDatabase(path, 4000);
        int cells = 0;
        if (std::strcmp(c.damaged, "definitions") == 0) {
            QByteArray bytes = bytesOf(path);
            bytes.replace(100, 4096 - 100, QByteArray(4096 - 100, char(0xA5)));
            writeFile(path, bytes);
        } else {
            const auto [page, count] = middleLeaf(path, c.damaged);
            overwritePage(path, page);
            cells = count;
        }
        ASSERT_NE(integrity(path), "ok");
        const ino_t damagedInode = inodeOf(path);
        const QByteArray damagedBytes = bytesOf(path);

        QString description;
        jet::RepairReport report;
        ASSERT_TRUE(jet::RepairFile(path, description, options(), nullptr, &report)) << c.damaged << ": " << description.toStdString();
        EXPECT_EQ(report.unreadRows, (std::vector<jet::UnreadRows>{{"items", c.losesTheLeaf ? cells : 0}, {"notes", 0}}))
            << c.damaged;
        EXPECT_TRUE(QFileInfo(report.keptOriginal).fileName().startsWith(QStringLiteral("%1.damaged-").arg(c.damaged)));
        EXPECT_EQ(bytesOf(report.keptOriginal), damagedBytes);
        EXPECT_EQ(integrity(path), "ok") << c.damaged;
        EXPECT_NE(inodeOf(path), damagedInode);
        EXPECT_FALSE(QFileInfo::exists(path + ".repair"));

        const std::map<int, QString> rows = rowsOf(path);
        const std::map<int, QString> all = expectedRows(4000);
        EXPECT_EQ(rows.size(), all.size() - (c.losesTheLeaf ? size_t(cells) : 0)) << c.damaged;
        // What is left is the original content, and the lost rows lie together.
        int firstLost = 0;
        int lastLost = 0;
        for (const auto& [id, text] : all) {
            const auto kept = rows.find(id);
            if (kept == rows.end()) {
                firstLost = firstLost ? firstLost : id;
                lastLost = id;
            } else {
                EXPECT_EQ(kept->second, text) << id;
            }
        }
        if (c.losesTheLeaf) {
            EXPECT_EQ(lastLost - firstLost + 1, cells);
        }

        // The other table, the index and its collation came through.
        Db d(path);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(d.db,
                                     "SELECT (SELECT body FROM notes), (SELECT sql FROM sqlite_master WHERE name = 'items_name'),"
                                     " (SELECT name FROM items ORDER BY name COLLATE REVERSE LIMIT 1)",
                                     -1, &st, nullptr),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "kept");
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                     "CREATE INDEX items_name ON items (name COLLATE REVERSE)");
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)), "name 999");
        sqlite3_finalize(st);
    }
}

TEST_F(FileMaintenanceTest, RepairNeverBringsBackRowsDeletedBefore)
{
    // Deleted rows stay on pages that were freed; once the list of free pages
    // is lost too, only the tree can tell that their rows are gone.
    const QString path = file("items.mdb");
    makeDatabase(path, 4000);
    {
        Db d(path);
        ASSERT_EQ(d.exec("PRAGMA secure_delete = OFF; DELETE FROM items WHERE id BETWEEN 1000 AND 1999"), SQLITE_OK);
    }
    const auto [page, cells] = middleLeaf(path, "items");
    overwritePage(path, page);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(32);
        f.write(QByteArray(8, '\0'));
    }
    QString description;
    jet::RepairReport report;
    ASSERT_TRUE(jet::RepairFile(path, description, options(), nullptr, &report)) << description.toStdString();
    const std::map<int, QString> rows = rowsOf(path);
    EXPECT_EQ(rows.size(), 3000u - size_t(cells));
    EXPECT_EQ(rows.lower_bound(1000), rows.lower_bound(2000));
    EXPECT_EQ(report.unreadRows, (std::vector<jet::UnreadRows>{{"items", cells}, {"notes", 0}}));
}

TEST_F(FileMaintenanceTest, RepairOfRandomlyDamagedFilesGivesASoundFileOrAPlainRefusal)
{
    const QString original = file("original.mdb");
    makeDatabase(original, 3000);
    const QByteArray bytes = bytesOf(original);
    std::mt19937 random(14);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        QByteArray damaged = bytes;
        // Bytes anywhere past the header, or whole runs of them.
        for (int i = 0; i < 1 + round * 5; ++i) {
            const int at = 100 + int(random() % unsigned(damaged.size() - 100));
            const int length = round % 3 == 0 ? 1 : std::min(int(random() % 600), int(damaged.size()) - at);
            for (int j = 0; j < length; ++j)
                damaged[at + j] = char(random());
        }
        // Every fourth round the header goes too: the pages are read without it.
        if (round % 4 == 1)
            for (int j = 0; j < 100; ++j)
                damaged[j] = char(random());
        const QString path = file(QStringLiteral("round%1.mdb").arg(round));
        writeFile(path, damaged);
        QString description;
        jet::RepairReport report;
        if (jet::RepairFile(path, description, options(), nullptr, &report))
            EXPECT_EQ(integrity(path), "ok");
        else
            EXPECT_FALSE(description.isEmpty());
    }
}

// Pages that point at themselves or their ancestors, overflow chains and free
// lists that loop, impossible cell counts and page sizes, and a header that
// names billions of pages: each repair ends, in its own process under a time
// limit, without a crash.
TEST_F(FileMaintenanceTest, RepairOfHostileFilesAlwaysEnds)
{
    const QString original = file("original.mdb");
    makeDatabase(original, 400);
    const QByteArray bytes = bytesOf(original);
    constexpr int kPage = 4096;
    const int pages = int(bytes.size() / kPage);
    const auto put32 = [](QByteArray& b, qint64 at, quint32 v) {
        if (at + 4 <= b.size())
            for (int i = 0; i < 4; ++i)
                b[at + i] = char(v >> (24 - 8 * i));
    };
    const auto put16 = [](QByteArray& b, qint64 at, quint32 v) {
        if (at + 2 <= b.size()) {
            b[at] = char(v >> 8);
            b[at + 1] = char(v);
        }
    };
    std::mt19937 random(22);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        QByteArray damaged = bytes;
        for (int step = 0; step < 1 + round % 3; ++step) {
            const int page = 1 + int(random() % unsigned(pages));
            const qint64 start = qint64(page - 1) * kPage + (page == 1 ? 100 : 0);
            switch (random() % 8) {
            case 0: // random bytes over part of a page
                for (int j = 0, n = int(random() % kPage); j < n && start + j < damaged.size(); ++j)
                    damaged[start + j] = char(random());
                break;
            case 1: // an interior page's right child is itself, its parent or page 1
                put32(damaged, start + 8, random() % 2 ? quint32(page) : quint32(1 + random() % 3));
                break;
            case 2: // every child pointer of the page names the page itself
                for (int c = 0; c < 40; ++c) {
                    const quint32 at = quint32(quint8(damaged[start + 12 + 2 * c])) << 8 | quint8(damaged[start + 13 + 2 * c]);
                    if (at >= 8 && at + 4 <= kPage)
                        put32(damaged, qint64(page - 1) * kPage + at, quint32(page));
                }
                break;
            case 3: // a huge cell count
                put16(damaged, start + 3, 0xFFFF - random() % 3);
                break;
            case 4: // a page size of 1, 0, 65535, odd or 512
                put16(damaged, 16, std::array<quint32, 5>{1, 0, 0xFFFF, 4097, 512}[random() % 5]);
                break;
            case 5: // a free list whose trunk names itself, with huge leaf counts
                put32(damaged, 32, quint32(page));
                put32(damaged, qint64(page - 1) * kPage, quint32(page));
                put32(damaged, qint64(page - 1) * kPage + 4, 0xFFFFFFFF);
                break;
            case 6: // a header naming billions of pages, as if its count were current
                put32(damaged, 28, 0xFFFFFFF0u);
                put32(damaged, 92, quint32(quint8(damaged[24])) << 24 | quint32(quint8(damaged[25])) << 16 |
                                       quint32(quint8(damaged[26])) << 8 | quint8(damaged[27]));
                break;
            default: { // an overflow pointer at the end of each cell's local part that names its own page
                for (qint64 at = start + 8; at + 4 < qint64(page) * kPage && at + 4 <= damaged.size(); at += 97)
                    put32(damaged, at, quint32(page));
                break;
            }
            }
        }
        if (round % 10 == 9)
            damaged.truncate(int(random() % unsigned(damaged.size())));
        const QString path = file(QStringLiteral("hostile%1.mdb").arg(round));
        writeFile(path, damaged);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::alarm(60);
            QString description;
            jet::RepairReport report;
            jet::RepairFile(path, description, options(), nullptr, &report);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    }
}

TEST_F(FileMaintenanceTest, RepairLeavesASoundFileAlone)
{
    const QString path = file("records.mdb");
    makeDatabase(path, 500);
    const QByteArray before = bytesOf(path);
    const ino_t inode = inodeOf(path);

    QString description = "stale";
    EXPECT_TRUE(jet::RepairFile(path, description, options()));
    EXPECT_EQ(description, QString());
    EXPECT_EQ(bytesOf(path), before);
    EXPECT_EQ(inodeOf(path), inode);
    EXPECT_EQ(entries(), QStringList{"records.mdb"});
}

TEST_F(FileMaintenanceTest, RepairRefusesWhatItCannotMendAndChangesNothing)
{
    QDir(dir.path()).mkdir("folder.mdb");

    struct Case {
        const char* name;
        int number;
        QString description;
    };
    const Case cases[] = {
        {"folder.mdb", 3343, QStringLiteral("Unrecognized database format '%1'.").arg(file("folder.mdb"))},
        {"missing.mdb", 3024, QStringLiteral("Could not find file '%1'.").arg(file("missing.mdb"))},
    };
    for (const Case& c : cases) {
        QString description;
        int number = 0;
        EXPECT_FALSE(jet::RepairFile(file(c.name), description, options(), &number)) << c.name;
        EXPECT_EQ(description, c.description);
        EXPECT_EQ(number, c.number) << c.name;
        EXPECT_EQ(entries(), QStringList()) << c.name;
        EXPECT_TRUE(QFileInfo(file("folder.mdb")).isDir());
    }
}

// A file SQLite does not take for a database is read by the structure of its
// pages; one where no page can be read becomes an empty file of the schema.
TEST_F(FileMaintenanceTest, RepairReadsAFileWithoutTrustingItsHeader)
{
    struct Case {
        const char* name;
        std::function<void(QByteArray&)> damage;
        bool nothingRead;
    };
    const Case cases[] = {
        {"header zeroed", [](QByteArray& b) { b.replace(0, 100, QByteArray(100, '\0')); }, false},
        {"impossible page size", [](QByteArray& b) { b.replace(16, 2, QByteArray("\x0b\xb8", 2)); }, false},
        {"page size of another file", [](QByteArray& b) { b.replace(16, 2, QByteArray("\x04\x00", 2)); }, false},
        {"page 1 smashed", [](QByteArray& b) { b.replace(0, 4096, QByteArray(4096, char(0xA5))); }, false},
        {"text", [](QByteArray& b) { b = QByteArray("plain text, not a database at all\n").repeated(2000); }, true},
        {"random bytes",
         [](QByteArray& b) {
             std::mt19937 random(22);
             for (char& c : b)
                 c = char(random());
         },
         true},
    };
    makeDatabase(file("original.mdb"), 4000);
    const QByteArray original = bytesOf(file("original.mdb"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = caseFile(c.name);
        const QByteArray damaged = writeDamaged(path, original, c.damage);

        QString description;
        jet::RepairReport report;
        ASSERT_TRUE(jet::RepairFile(path, description, options(), nullptr, &report)) << description.toStdString();
        EXPECT_EQ(report.nothingRead, c.nothingRead);
        const jet::UnreadRows::Bound bound = c.nothingRead ? jet::UnreadRows::AtLeast : jet::UnreadRows::Exact;
        EXPECT_EQ(report.unreadRows, (std::vector<jet::UnreadRows>{{"items", 0, bound}, {"notes", 0, bound}}));
        EXPECT_EQ(bytesOf(report.keptOriginal), damaged);
        EXPECT_EQ(integrity(path), "ok");
        EXPECT_EQ(rowsOf(path), (c.nothingRead ? std::map<int, QString>() : expectedRows(4000)));
        Db d(path);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(d.db, "SELECT count(*), group_concat(body) FROM notes", -1, &st, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(st, 0), c.nothingRead ? 0 : 1);
        sqlite3_finalize(st);
    }
}

int rootOf(const QString& path, const char* object)
{
    Db d(path);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(d.db, "SELECT rootpage FROM sqlite_master WHERE name = ?1", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, object, -1, SQLITE_STATIC);
    const int root = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
    sqlite3_finalize(st);
    return root;
}

void overwriteBytes(const QString& path, qint64 at, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(at));
    f.write(bytes);
}

// Rows no page could be read of still count: the pages that name them tell
// their rowid ranges, and a count is exact only where the file proves it.
TEST_F(FileMaintenanceTest, RepairCountsRowsFromWhatTheFileSaysWasThere)
{
    makeDatabase(file("original.mdb"), 4000);
    const QByteArray original = bytesOf(file("original.mdb"));
    const int pages = int(original.size() / 4096);
    const int indexRoot = rootOf(file("original.mdb"), "items_name");
    const int tableRoot = rootOf(file("original.mdb"), "items");
    ASSERT_GT(indexRoot, 1);
    struct Case {
        const char* what;
        std::function<int(const QString&)> damage; // the cells of the leaf whose rows are lost exactly, or 0
        jet::UnreadRows::Bound bound;
    };
    const Case cases[] = {
        {"cut to 4 pages", [](const QString& path) { return QFile::resize(path, 4 * 4096) ? 0 : -1; }, jet::UnreadRows::About},
        {"cut to half", [pages](const QString& path) { return QFile::resize(path, pages / 2 * 4096) ? 0 : -1; },
         jet::UnreadRows::About},
        // No index is left whole to count the rows by.
        {"a leaf whose cells cannot be found",
         [indexRoot](const QString& path) {
             const auto [page, cells] = middleLeaf(path, "items");
             overwritePage(path, indexRoot);
             overwriteBytes(path, qint64(page - 1) * 4096 + 8, QByteArray(2 * cells, '\0'));
             return cells;
         },
         jet::UnreadRows::Exact},
        // The leaf it named is found on its own, and every rowid of the
        // range it shared with its neighbour is back.
        {"an interior cell that cannot be found",
         [indexRoot, tableRoot](const QString& path) {
             overwritePage(path, indexRoot);
             overwriteBytes(path, qint64(tableRoot - 1) * 4096 + 12 + 2 * 10, QByteArray(2, '\0'));
             return 0;
         },
         jet::UnreadRows::Exact},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = file(QStringLiteral("%1.mdb").arg(QString::fromLatin1(c.what).replace(' ', '-')));
        writeFile(path, original);
        const int exactly = c.damage(path);
        const QByteArray damaged = bytesOf(path);
        QString description;
        jet::RepairReport report;
        ASSERT_TRUE(jet::RepairFile(path, description, options(), nullptr, &report)) << description.toStdString();
        const int lost = 4000 - int(rowsOf(path).size());
        EXPECT_EQ(lost > 0, c.bound != jet::UnreadRows::Exact || exactly > 0);
        ASSERT_EQ(report.unreadRows.size(), 2u);
        EXPECT_EQ(report.unreadRows[0].table, "items");
        EXPECT_EQ(report.unreadRows[0].bound, c.bound);
        if (c.bound == jet::UnreadRows::Exact) {
            EXPECT_EQ(report.unreadRows[0].rows, exactly);
        }
        EXPECT_NEAR(report.unreadRows[0].rows, lost, std::max(1, lost / 10));
        // The one row of notes sits on its root page, which every damage left.
        EXPECT_EQ(report.unreadRows[1], (jet::UnreadRows{"notes", 0}));
        EXPECT_EQ(bytesOf(report.keptOriginal), damaged);
    }
}

// Page numbers a hostile file names at will: trees that lead back into
// themselves, cell counts far beyond the page, overflow chains that end where
// they began, a header that counts billions of pages. The repair ends, reads
// nothing outside the file, and whatever it brings back is true content; a
// loss it cannot see is never reported as none.
TEST_F(FileMaintenanceTest, RepairOfHostilePageNumbersEndsWithTrueRowsAndAnHonestCount)
{
    const QString source = file("original.mdb");
    makeDatabase(source, 4000);
    {
        Db d(source);
        ASSERT_EQ(d.exec("UPDATE notes SET body = 'kept' || printf('%.*c', 20000, 'x')"), SQLITE_OK);
    }
    const QByteArray original = bytesOf(source);
    const int tableRoot = rootOf(source, "items");
    const int indexRoot = rootOf(source, "items_name");
    int overflow = 0;
    {
        Db d(source);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(d.db, "SELECT min(pageno) FROM dbstat WHERE name = 'notes' AND pagetype = 'overflow'", -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW)
            overflow = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    ASSERT_GT(overflow, 1);
    const auto be32 = [](quint32 v) {
        const char bytes[] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(bytes, 4);
    };
    const auto page = [](int number) { return qint64(number - 1) * 4096; };
    const auto [leaf, leafCells] = middleLeaf(source, "items");
    struct Case {
        const char* what;
        std::function<void(QByteArray&)> damage;
    };
    const Case cases[] = {
        {"right child is the root itself", [&](QByteArray& b) { b.replace(page(tableRoot) + 8, 4, be32(quint32(tableRoot))); }},
        {"right child is page 1", [&](QByteArray& b) { b.replace(page(tableRoot) + 8, 4, be32(1)); }},
        {"every child is the root",
         [&](QByteArray& b) {
             const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + page(tableRoot));
             const int cells = (p[3] << 8) | p[4];
             for (int i = 0; i < cells; ++i)
                 b.replace(page(tableRoot) + ((p[12 + 2 * i] << 8) | p[13 + 2 * i]), 4, be32(quint32(tableRoot)));
         }},
        {"a child past the end of the file", [&](QByteArray& b) { b.replace(page(tableRoot) + 8, 4, be32(0xfffffff0u)); }},
        {"a leaf counting 65535 cells", [&](QByteArray& b) { b.replace(page(leaf) + 3, 2, QByteArray("\xff\xff", 2)); }},
        {"the index root counting 65535 cells",
         [&](QByteArray& b) { b.replace(page(indexRoot) + 3, 2, QByteArray("\xff\xff", 2)); }},
        {"an overflow page that follows itself", [&](QByteArray& b) { b.replace(page(overflow), 4, be32(quint32(overflow))); }},
        {"an overflow page that follows page 1", [&](QByteArray& b) { b.replace(page(overflow), 4, be32(1)); }},
        {"a header counting 4 billion pages",
         [&](QByteArray& b) {
             b.replace(28, 4, be32(0xfffffff0u));
             b.replace(page(leaf), 4096, QByteArray(4096, char(0xA5)));
         }},
    };
    const std::map<int, QString> all = expectedRows(4000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = caseFile(c.what);
        const QByteArray damaged = writeDamaged(path, original, c.damage);
        QString description;
        jet::RepairReport report;
        if (!jet::RepairFile(path, description, options(), nullptr, &report)) {
            EXPECT_FALSE(description.isEmpty());
            EXPECT_EQ(bytesOf(path), damaged);
            continue;
        }
        EXPECT_EQ(integrity(path), "ok");
        const std::map<int, QString> rows = rowsOf(path);
        for (const auto& [id, text] : rows) {
            ASSERT_TRUE(all.count(id)) << id;
            EXPECT_EQ(text, all.at(id)) << id;
        }
        ASSERT_EQ(report.unreadRows.size(), 2u);
        if (rows.size() < all.size()) {
            EXPECT_NE(report.unreadRows[0], (jet::UnreadRows{"items", 0})) << rows.size() << " rows back";
        }
        if (report.unreadRows[0].bound == jet::UnreadRows::Exact) {
            EXPECT_EQ(report.unreadRows[0].rows, int(all.size() - rows.size()));
        }
        EXPECT_EQ(bytesOf(report.keptOriginal), damaged);
    }
}

TEST_F(FileMaintenanceTest, ReplaceIsOneRenameOverTheTarget)
{
    writeFile(file("target"), "old");
    writeFile(file("incoming"), "new");
    const ino_t incoming = inodeOf(file("incoming"));
    QString description;
    ASSERT_TRUE(jet::ReplaceFileAtomically(file("incoming"), file("target"), description)) << description.toStdString();
    EXPECT_EQ(bytesOf(file("target")), "new");
    EXPECT_EQ(inodeOf(file("target")), incoming);
    EXPECT_EQ(entries(), QStringList{"target"});

    EXPECT_FALSE(jet::ReplaceFileAtomically(file("incoming"), file("target"), description));
    EXPECT_EQ(description, QStringLiteral("Could not find file '%1'.").arg(file("incoming")));
    EXPECT_EQ(bytesOf(file("target")), "new");

    writeFile(file("incoming"), "newer");
    EXPECT_FALSE(jet::ReplaceFileAtomically(file("incoming"), file("nowhere/target"), description));
    EXPECT_TRUE(description.startsWith(
        QStringLiteral("The file '%1' could not be put in place of '%2': ").arg(file("incoming"), file("nowhere/target"))))
        << description.toStdString();
    EXPECT_EQ(bytesOf(file("incoming")), "newer");
    EXPECT_EQ(bytesOf(file("target")), "new");
}

} // namespace

#include "catalog/Maintenance.h"
#include "jet/Collation.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "jet/Schema.h"
#include "support/CatalogFixture.h"
#include "vb/App.h"

#include <QDir>
#include <QProcess>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <random>
#include <set>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString Repaired = QStringLiteral("Database successfully repaired and compacted.");

using testenv::bulkRecordName;
using testenv::bulkRecordNames;
using testenv::bytesOf;
using testenv::writeFile;
using testenv::fillBulkCatalogue;

// A raw connection with the engine's collations, for making damage and
// looking at the result from outside the engine.
struct Raw {
    explicit Raw(const QString& path, int flags = SQLITE_OPEN_READWRITE)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
        jet::registerExtensions(db);
    }
    ~Raw() { sqlite3_close_v2(db); }
    void exec(const QString& sql) const
    {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
    }
    QStringList column(const char* sql) const
    {
        QStringList values;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
            return {QString::fromUtf8(sqlite3_errmsg(db))};
        while (sqlite3_step(st) == SQLITE_ROW)
            values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return values;
    }
    sqlite3* db = nullptr;
};

struct Leaf {
    int page;
    int cells;
};

// The leaf pages of a table or index in key order.
std::vector<Leaf> leavesOf(const QString& path, const QString& object)
{
    Raw raw(path, SQLITE_OPEN_READONLY);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw.db, "SELECT pageno, ncell FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY path", -1, &st,
                       nullptr);
    const QByteArray name = object.toUtf8();
    sqlite3_bind_text(st, 1, name.constData(), -1, SQLITE_TRANSIENT);
    std::vector<Leaf> leaves;
    while (sqlite3_step(st) == SQLITE_ROW)
        leaves.push_back({sqlite3_column_int(st, 0), sqlite3_column_int(st, 1)});
    sqlite3_finalize(st);
    return leaves;
}

void smashPage(const QString& path, int page)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(qint64(page - 1) * 4096);
    f.write(QByteArray(4096, char(0xA5)));
}

// What a table is expected to have lost: exactly `rows`, or, where the file
// cannot tell, about `rows` (the box shows an estimate to two significant
// digits, which must lie within a tenth of the rows really lost).
struct Loss {
    int rows = 0;
    bool about = false;
};

// What a case leaves to be checked after the repair.
struct Expected {
    std::set<QString> records;
    int songs = 0;
    Loss unreadRecords;
    Loss unreadSongs;
    // Nothing of the file could be read: the box says so instead.
    bool nothingRead = false;
};

// Smashes a leaf of records about half-way through it (records 1..count in
// rowid order); what is left afterwards.
Expected smashMiddleLeafOfRecords(const testenv::CatalogFixture& cat, int count)
{
    const std::vector<Leaf> leaves = leavesOf(cat.databasePath(), "records");
    EXPECT_GT(leaves.size(), 4u);
    if (leaves.empty())
        return {};
    const size_t middle = leaves.size() / 2;
    int first = 1;
    for (size_t i = 0; i < middle; ++i)
        first += leaves[i].cells;
    smashPage(cat.databasePath(), leaves[middle].page);
    std::set<QString> kept = bulkRecordNames(1, count);
    for (int i = first; i < first + leaves[middle].cells; ++i)
        kept.erase(bulkRecordName(i));
    return Expected{kept, 2 * count, {leaves[middle].cells}, {0}};
}

// The rows of a bulk catalogue (records 1..count, rowid order, all rows
// still there) whose leaves lie wholly before byte `end` of the file: what
// a repair gets back once everything after it is gone. The losses are
// estimates.
Expected rowsBefore(const testenv::CatalogFixture& cat, int count, qint64 end)
{
    Expected e;
    int row = 0;
    for (const Leaf& leaf : leavesOf(cat.databasePath(), "records"))
        for (int i = 0; i < leaf.cells; ++i)
            if (++row; qint64(leaf.page) * 4096 <= end)
                e.records.insert(bulkRecordName(row));
    EXPECT_EQ(row, count);
    for (const Leaf& leaf : leavesOf(cat.databasePath(), "songs"))
        e.songs += qint64(leaf.page) * 4096 <= end ? leaf.cells : 0;
    e.unreadRecords = {count - int(e.records.size()), true};
    e.unreadSongs = {2 * count - e.songs, true};
    return e;
}

qint64 pagesOf(const QString& path)
{
    return QFileInfo(path).size() / 4096;
}

void overwrite(const QString& path, qint64 at, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(at));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class RepairTest : public ::testing::Test {
protected:
    void TearDown() override { jet::DBEngine::Workspaces()(0).Close(); }
};

// The statements the program's own definition makes, one per table and index.
QStringList programSchema()
{
    QStringList sql;
    for (const jet::TableDefinition& t : jet::catalogSchema().tables)
        sql << t.createStatement();
    for (const jet::IndexDefinition& i : jet::catalogSchema().indexes)
        sql << i.createStatement();
    sql << jet::stampTable().createStatement();
    sql.sort();
    return sql;
}

// A schema whose stored text carries statements of its own, a trigger that
// writes and a view, with its rows.
void plantStatements(const QString& path, const QString& elsewhere)
{
    Raw raw(path);
    raw.exec(QStringLiteral("PRAGMA writable_schema = ON;"
                            "UPDATE sqlite_master SET sql = sql || '; ATTACH ''%1'' AS evil; CREATE TABLE evil.t (x)'"
                            " WHERE name IN ('records', 'songs_by_artist_record');"
                            "PRAGMA writable_schema = OFF;")
                 .arg(elsewhere));
    raw.exec("CREATE TRIGGER spread AFTER INSERT ON records BEGIN"
             " INSERT INTO songs VALUES ('Trigger', 'Trigger', 'Trigger'); END;"
             "CREATE VIEW everything AS SELECT * FROM records");
}

// The whole text the repair must return: the success line, then the line
// that counts what could not be read, when anything was lost. A pattern
// where an estimate stands; the estimates are checked on their own.
QString expectedMessagePattern(const Expected& e, const QString& kept)
{
    const QString keptAs = QStringLiteral("The damaged database is kept as %1").arg(kept);
    if (e.nothingRead)
        return QRegularExpression::escape(QStringLiteral("Nothing in the database could be read. %1, and a new, empty catalogue is "
                                                         "in its place.")
                                              .arg(keptAs));
    if (e.unreadRecords.rows + e.unreadSongs.rows == 0)
        return QRegularExpression::escape(Repaired);
    const auto table = [](const char* name, const Loss& loss) {
        return loss.about ? QStringLiteral("%1 about (\\d+)").arg(name) : QStringLiteral("%1 %2").arg(name).arg(loss.rows);
    };
    return QRegularExpression::escape(Repaired + CrLf + "Rows that could not be read: ") + table("records", e.unreadRecords) +
           ", " + table("songs", e.unreadSongs) + QRegularExpression::escape(". " + keptAs + ".");
}

TEST_F(RepairTest, EachDamagedCatalogueIsRepairedOnceIntoOneThatOpensWithTheOriginalKept)
{
    static constexpr int kRecords = 1000;
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    const QString elsewhere = QDir(outside.path()).filePath("elsewhere.db");
    const auto all = [] { return Expected{bulkRecordNames(1, kRecords), 2 * kRecords, {}, {}}; };

    struct Case {
        const char* what;
        std::function<Expected(const testenv::CatalogFixture&)> damage;
    };
    const Case cases[] = {
        {"a zero-length file",
         [](const testenv::CatalogFixture& cat) {
             writeFile(cat.databasePath(), "");
             return Expected{};
         }},
        {"a database with other tables and columns",
         [](const testenv::CatalogFixture& cat) {
             QFile::remove(cat.databasePath());
             Raw raw(cat.databasePath(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
             raw.exec("CREATE TABLE Records (Record_Name TEXT, Extra INTEGER, artist TEXT); CREATE TABLE other (x);"
                      "INSERT INTO other VALUES (1)");
             for (int i = 1; i <= 20; ++i)
                 raw.exec(QStringLiteral("INSERT INTO Records VALUES ('%1', %2, 'Someone')").arg(bulkRecordName(i)).arg(i));
             return Expected{bulkRecordNames(1, 20), 0, {}, {}};
         }},
        {"one leaf of records smashed", [](const testenv::CatalogFixture& cat) { return smashMiddleLeafOfRecords(cat, kRecords); }},
        {"the interior page of records smashed",
         [&all](const testenv::CatalogFixture& cat) {
             Raw raw(cat.databasePath(), SQLITE_OPEN_READONLY);
             const int root = raw.column("SELECT rootpage FROM sqlite_master WHERE name = 'records'").value(0).toInt();
             EXPECT_GT(root, 1);
             smashPage(cat.databasePath(), root);
             return all();
         }},
        {"the interior pages of songs and of its index smashed",
         [&all](const testenv::CatalogFixture& cat) {
             // No index is left whole to name the rows, yet every page of
             // the file is still read: nothing was lost.
             Raw raw(cat.databasePath(), SQLITE_OPEN_READONLY);
             for (const QString& root : raw.column("SELECT rootpage FROM sqlite_master WHERE tbl_name = 'songs'"))
                 smashPage(cat.databasePath(), root.toInt());
             return all();
         }},
        {"a smashed page of an index",
         [&all](const testenv::CatalogFixture& cat) {
             const std::vector<Leaf> leaves = leavesOf(cat.databasePath(), "records_by_artist_record");
             EXPECT_GT(leaves.size(), 2u);
             smashPage(cat.databasePath(), leaves[leaves.size() / 2].page);
             return all();
         }},
        {"cut to 3 pages",
         [](const testenv::CatalogFixture& cat) {
             const Expected e = rowsBefore(cat, kRecords, 3 * 4096);
             EXPECT_TRUE(e.records.empty());
             EXPECT_EQ(e.songs, 0);
             EXPECT_TRUE(QFile::resize(cat.databasePath(), 3 * 4096));
             return e;
         }},
        {"cut to half",
         [](const testenv::CatalogFixture& cat) {
             const qint64 half = pagesOf(cat.databasePath()) / 2 * 4096;
             const Expected e = rowsBefore(cat, kRecords, half);
             EXPECT_TRUE(QFile::resize(cat.databasePath(), half));
             return e;
         }},
        {"cut in the middle of a page",
         [](const testenv::CatalogFixture& cat) {
             const qint64 cut = pagesOf(cat.databasePath()) / 2 * 4096 + 1500;
             const Expected e = rowsBefore(cat, kRecords, cut);
             EXPECT_TRUE(QFile::resize(cat.databasePath(), cut));
             return e;
         }},
        {"the second half zeroed",
         [](const testenv::CatalogFixture& cat) {
             const qint64 pages = pagesOf(cat.databasePath());
             const Expected e = rowsBefore(cat, kRecords, pages / 2 * 4096);
             overwrite(cat.databasePath(), pages / 2 * 4096, QByteArray((pages - pages / 2) * 4096, '\0'));
             return e;
         }},
        {"a file cut short after rows were deleted",
         [](const testenv::CatalogFixture& cat) {
             // Every row of a leaf before the cut comes back, whatever pages
             // above it were lost; rows deleted before never do.
             cat.exec("delete * from records where [Quantity] between 50 and 250");
             cat.exec("delete * from songs where [Record_Name] < '" + bulkRecordName(200) + "'");
             std::vector<int> left;
             for (int i = 1; i <= kRecords; ++i)
                 if (i < 50 || i > 250)
                     left.push_back(i);
             const int cut = int(pagesOf(cat.databasePath()) * 6 / 10);
             Expected e;
             size_t row = 0;
             for (const Leaf& leaf : leavesOf(cat.databasePath(), "records"))
                 for (int i = 0; i < leaf.cells; ++i, ++row)
                     if (leaf.page <= cut)
                         e.records.insert(bulkRecordName(left[row]));
             EXPECT_EQ(row, left.size());
             int songs = 0;
             for (const Leaf& leaf : leavesOf(cat.databasePath(), "songs")) {
                 e.songs += leaf.page <= cut ? leaf.cells : 0;
                 songs += leaf.cells;
             }
             EXPECT_LT(e.records.size(), left.size());
             e.unreadRecords = {int(left.size() - e.records.size()), true};
             e.unreadSongs = {songs - e.songs, true};
             EXPECT_TRUE(QFile::resize(cat.databasePath(), qint64(cut) * 4096));
             return e;
         }},
        {"the header zeroed",
         [&all](const testenv::CatalogFixture& cat) {
             overwrite(cat.databasePath(), 0, QByteArray(100, '\0'));
             return all();
         }},
        {"a header naming an impossible page size",
         [&all](const testenv::CatalogFixture& cat) {
             overwrite(cat.databasePath(), 16, QByteArray("\x0b\xb8", 2));
             return all();
         }},
        {"page 1 smashed",
         [&all](const testenv::CatalogFixture& cat) {
             smashPage(cat.databasePath(), 1);
             return all();
         }},
        {"random bytes",
         [](const testenv::CatalogFixture& cat) {
             std::mt19937 random(22);
             QByteArray bytes(int(pagesOf(cat.databasePath()) * 4096), Qt::Uninitialized);
             for (char& b : bytes)
                 b = char(random());
             writeFile(cat.databasePath(), bytes);
             Expected e;
             e.nothingRead = true;
             return e;
         }},
        {"a stored schema carrying statements of its own",
         [&elsewhere](const testenv::CatalogFixture& cat) {
             plantStatements(cat.databasePath(), elsewhere);
             return smashMiddleLeafOfRecords(cat, kRecords);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testenv::CatalogFixture cat;
        fillBulkCatalogue(cat, kRecords);
        const Expected expected = c.damage(cat);
        const QByteArray damaged = bytesOf(cat.databasePath());

        QString message = "the caller's text";
        EXPECT_TRUE(RepairDatabaseFile("records", message)) << message.toStdString();

        // The original is kept, byte for byte, beside the new catalogue.
        const QStringList kept = QDir(cat.folder()).entryList({"records.damaged-*.mdb"});
        ASSERT_EQ(kept.size(), 1);
        EXPECT_TRUE(QRegularExpression(R"(^records\.damaged-\d{8}-\d{6}\.mdb$)").match(kept[0]).hasMatch());
        EXPECT_EQ(bytesOf(QDir(cat.folder()).filePath(kept[0])), damaged);
        EXPECT_EQ(QDir(cat.folder()).entryList(QDir::Files | QDir::Hidden), (kept + QStringList{"records.mdb", "records.mdw"}));
        EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());

        // The whole text: a count shown bare is exact, an estimate is near
        // what was lost; no plain success when anything was.
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^%1$").arg(expectedMessagePattern(expected, kept[0]))).match(message);
        ASSERT_TRUE(m.hasMatch()) << message.toStdString();
        int captured = 0;
        for (const Loss& loss : {expected.unreadRecords, expected.unreadSongs}) {
            if (!loss.about)
                continue;
            const int shown = m.captured(++captured).toInt();
            EXPECT_GE(shown, loss.rows - std::max(1, loss.rows / 10)) << message.toStdString();
            EXPECT_LE(shown, loss.rows + std::max(1, loss.rows / 10)) << message.toStdString();
        }

        // The next start opens: the result answers the start-up query, and
        // is the program's own schema.
        jet::Database db = jet::DBEngine::OpenDatabase(cat.databasePath(), false, false, ";uid=brevlin;pwd=mossgravel");
        jet::Recordset rs = db.OpenRecordset("Select Distinct [Artist] from records  Order by [Artist]", jet::dbOpenSnapshot);
        rs.Close();
        db.Close();
        {
            Raw raw(cat.databasePath(), SQLITE_OPEN_READONLY);
            EXPECT_EQ(raw.column("PRAGMA integrity_check"), QStringList{"ok"});
            QStringList schema = raw.column("SELECT sql FROM sqlite_master");
            schema.sort();
            EXPECT_EQ(schema, programSchema());
        }

        const QStringList records = cat.rows("select Record_Name from records");
        EXPECT_EQ(std::set<QString>(records.begin(), records.end()), expected.records);
        EXPECT_EQ(records.size(), qsizetype(expected.records.size()));
        EXPECT_EQ(cat.count("select * from songs"), expected.songs);

        // A second repair finds a sound catalogue and changes nothing.
        const QByteArray repaired = bytesOf(cat.databasePath());
        EXPECT_TRUE(RepairDatabaseFile("records", message)) << message.toStdString();
        EXPECT_EQ(message, Repaired);
        EXPECT_EQ(QDir(cat.folder()).entryList({"records.damaged-*.mdb"}), kept);
    }
}

TEST_F(RepairTest, CompactionBuildsTheCopyFromTheProgramsOwnDefinitions)
{
    QTemporaryDir outside;
    testenv::CatalogFixture cat;
    fillBulkCatalogue(cat, 200);
    plantStatements(cat.databasePath(), QDir(outside.path()).filePath("elsewhere.db"));

    QString message;
    EXPECT_TRUE(CompactDatabaseFile("records", message)) << message.toStdString();
    EXPECT_EQ(message, "Database successfully compacted.");
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    Raw raw(cat.databasePath(), SQLITE_OPEN_READONLY);
    QStringList schema = raw.column("SELECT sql FROM sqlite_master");
    schema.sort();
    EXPECT_EQ(schema, programSchema());
    // It names its kind and version and notes the order its text indexes were built in.
    EXPECT_EQ(raw.column("PRAGMA application_id"), QStringList{QString::number(jet::kCatalogApplicationId)});
    EXPECT_EQ(raw.column("PRAGMA user_version"), QStringList{QString::number(jet::catalogSchema().version)});
    EXPECT_EQ(raw.column("SELECT text_order FROM file_stamp"), QStringList{QString::number(jet::collationStamp())});
    EXPECT_EQ(cat.count("select * from records"), 200);
    EXPECT_EQ(cat.count("select * from songs"), 400);
}

TEST_F(RepairTest, LaterRepairsAndCompactionsLeaveAKeptOriginalAlone)
{
    testenv::CatalogFixture cat;
    fillBulkCatalogue(cat, 1000);
    QStringList kept;
    std::vector<QByteArray> keptBytes;
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        const std::vector<Leaf> leaves = leavesOf(cat.databasePath(), "records");
        ASSERT_GT(leaves.size(), 2u);
        smashPage(cat.databasePath(), leaves[1].page);
        keptBytes.push_back(bytesOf(cat.databasePath()));
        QString message;
        EXPECT_TRUE(RepairDatabaseFile("records", message)) << message.toStdString();
        QStringList added = QDir(cat.folder()).entryList({"records.damaged-*.mdb"});
        for (const QString& name : kept)
            added.removeOne(name);
        ASSERT_EQ(added.size(), 1);
        kept << added[0];
        EXPECT_TRUE(message.endsWith(QStringLiteral("The damaged database is kept as %1.").arg(added[0]))) << message.toStdString();
    }
    kept.sort();
    QString message;
    EXPECT_TRUE(CompactDatabaseFile("records", message)) << message.toStdString();
    EXPECT_EQ(QDir(cat.folder()).entryList({"records.damaged-*.mdb"}), kept);
    std::set<QByteArray> keptNow;
    for (const QString& name : kept)
        keptNow.insert(bytesOf(QDir(cat.folder()).filePath(name)));
    EXPECT_EQ(keptNow, std::set<QByteArray>(keptBytes.begin(), keptBytes.end()));
}

// Kills a repair just before each of its steps that puts data on disk or
// changes a name: at every moment the catalogue's name holds either the
// damaged original or a sound repaired catalogue, and the original is never
// lost.
TEST_F(RepairTest, ARepairKilledAtEachFileStepLosesNeitherTheCatalogueNorTheOriginal)
{
    testenv::CatalogFixture cat;
    fillBulkCatalogue(cat, 300);
    const Expected expected = smashMiddleLeafOfRecords(cat, 300);
    const QByteArray damaged = bytesOf(cat.databasePath());
    const QRegularExpression leftovers(
        R"(^(records\.mdb|records\.mdw|records\.mdb\.repair(-journal)?|~records\.new(-journal)?|records\.mdw\.new(-journal)?|)"
        R"(records\.damaged-[-\d]+\.mdb(\.part)?)$)");

    int killed = 0;
    for (int step = 1; step < 200; ++step) {
        SCOPED_TRACE(step);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(COMPACT_CHILD), {cat.folder(), "--repair", "--kill-at", QString::number(step)});
        ASSERT_TRUE(child.waitForFinished(20000));
        const QByteArray output = child.readAll();

        QDir folder(cat.folder());
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
            EXPECT_TRUE(leftovers.match(name).hasMatch()) << name.toStdString();
        QStringList kept;
        for (const QString& name : folder.entryList({"records.damaged-*.mdb"})) {
            EXPECT_EQ(bytesOf(folder.filePath(name)), damaged) << name.toStdString();
            kept << name;
        }
        const bool original = bytesOf(cat.databasePath()) == damaged;
        if (!original) {
            EXPECT_EQ(kept.size(), 1);
            Raw raw(cat.databasePath(), SQLITE_OPEN_READONLY);
            EXPECT_EQ(raw.column("PRAGMA integrity_check"), QStringList{"ok"});
            const QStringList records = cat.rows("select Record_Name from records");
            EXPECT_EQ(std::set<QString>(records.begin(), records.end()), expected.records);
        }
        if (child.exitStatus() == QProcess::NormalExit) {
            // The round got past its last step.
            EXPECT_EQ(child.exitCode(), 0);
            EXPECT_TRUE(output.startsWith("ok Database successfully repaired and compacted.")) << output.constData();
            EXPECT_FALSE(original);
            EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), (kept + QStringList{"records.mdb", "records.mdw"}));
            break;
        }
        EXPECT_EQ(output, QByteArray());
        ++killed;
        // The next round starts from the damaged catalogue alone.
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
            if (name != "records.mdw") {
                ASSERT_TRUE(folder.remove(name));
            }
        }
        writeFile(cat.databasePath(), damaged);
    }
    // The copy's flush, the link, the rename and the compaction's steps at the least.
    EXPECT_GE(killed, 5);
}

} // namespace

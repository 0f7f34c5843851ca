// What the catalogue and workgroup files say about themselves, and what the
// engine does at open with a file that another program wrote.

#include "support/CatalogFixture.h"

#include "jet/Collation.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "jet/FileIdentity.h"
#include "jet/Schema.h"
#include "jet/Workgroup.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

using testenv::CatalogFixture;
using testenv::errorOf;

const QString kConnect = QStringLiteral(";uid=brevlin;pwd=mossgravel");

// A connection of another program. `order` is the text collation it
// registers, none when null.
class Raw {
public:
    using Order = int (*)(void*, int, const void*, int, const void*);
    explicit Raw(const QString& path, Order order = jet::collateText, int flags = SQLITE_OPEN_READWRITE)
    {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr), SQLITE_OK) << path.toStdString();
        if (order)
            sqlite3_create_collation_v2(db, jet::kTextCollation, SQLITE_UTF8, nullptr, order, nullptr);
    }
    ~Raw() { sqlite3_close_v2(db); }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;

    void exec(const QString& sql) const
    {
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message), SQLITE_OK)
            << sql.toStdString() << ": " << (message ? message : "");
        sqlite3_free(message);
    }
    // The rows of a query, fields joined by "|".
    QStringList rows(const QString& sql) const
    {
        QStringList out;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr), SQLITE_OK)
            << sql.toStdString() << ": " << sqlite3_errmsg(db);
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            QStringList fields;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                fields << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
            out << fields.join(QLatin1Char('|'));
        }
        sqlite3_finalize(st);
        return out;
    }
    QString value(const QString& sql) const { return rows(sql).value(0); }

    sqlite3* db = nullptr;
};

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file change counter, header bytes 24-27.
QString headerCounter(const QString& path)
{
    const QByteArray b = bytesOf(path).mid(24, 4);
    if (b.size() != 4)
        return QStringLiteral("none");
    return QString::number((quint32(quint8(b[0])) << 24) | (quint32(quint8(b[1])) << 16) | (quint32(quint8(b[2])) << 8) |
                           quint32(quint8(b[3])));
}

// What a file of the program must say about itself after the program wrote it
// last: its kind, its version, its text order, and a stamp that matches the
// change counter (so that the next open finds no other program's write).
void expectStampedByTheProgram(const QString& path, const jet::SchemaDefinition& schema)
{
    SCOPED_TRACE(path.toStdString());
    const Raw raw(path);
    EXPECT_EQ(raw.value("PRAGMA application_id"), QString::number(schema.applicationId));
    EXPECT_EQ(raw.value("PRAGMA user_version"), QString::number(schema.version));
    EXPECT_EQ(raw.rows("SELECT text_order, change_counter FROM file_stamp"),
              QStringList{QString::number(jet::collationStamp()) + "|" + headerCounter(path)});
    EXPECT_EQ(raw.rows("PRAGMA integrity_check"), QStringList{"ok"});
}

void closeAll() { jet::DBEngine::Workspaces()(0).Close(); }

// Opens the catalogue as the program does (the workgroup file with it) and
// closes both again.
void openAsTheProgram(const CatalogFixture& f)
{
    jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false, kConnect);
    db.Close();
    closeAll();
}

TEST(FileIdentityTest, NewFilesNameTheirKindVersionAndTextOrder)
{
    CatalogFixture f;
    expectStampedByTheProgram(f.databasePath(), jet::catalogSchema());
    expectStampedByTheProgram(f.workgroupPath(), jet::workgroup::schema());
    // Plain 32-bit numbers: the letters DCVC and DCVW.
    EXPECT_EQ(QByteArray::number(jet::kCatalogApplicationId, 16), "44435643");
    EXPECT_EQ(QByteArray::number(jet::kWorkgroupApplicationId, 16), "44435657");
}

QString longText(int i) { return QStringLiteral("Take %1 ").arg(i) + QString(400, QLatin1Char('x')); }

// One transaction of more rows than the page cache holds, so that pages are written before the commit.
void insertSongsPastThePageCache(jet::Database& db)
{
    jet::DBEngine::BeginTrans();
    for (int i = 0; i < 12000; ++i)
        db.Execute(QStringLiteral("Insert into songs ([Artist], [Record_Name], [Song_Title]) Values ('Abba', '%1', '%1')")
                       .arg(longText(i)));
    jet::DBEngine::CommitTrans();
}

TEST(FileIdentityTest, TheProgramsOwnWritesAreNeverTakenForAnotherProgramsAndAnOpenWritesNothing)
{
    struct Case {
        const char* what;
        std::function<void(const CatalogFixture&)> write;
    };
    const Case cases[] = {
        {"a statement outside a transaction", [](const CatalogFixture& f) { f.addRecord("Abba", "Arrival"); }},
        {"statements in one transaction",
         [](const CatalogFixture& f) {
             jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false, kConnect);
             jet::DBEngine::BeginTrans();
             db.Execute("Insert into records ([Artist]) Values ('Émile')");
             db.Execute("Insert into songs ([Artist], [Record_Name], [Song_Title]) Values ('Émile', 'Live', 'One')");
             jet::DBEngine::CommitTrans();
             db.Close();
         }},
        {"a transaction rolled back",
         [](const CatalogFixture& f) {
             jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false, kConnect);
             jet::DBEngine::BeginTrans();
             db.Execute("Insert into records ([Artist]) Values ('Nobody')");
             jet::DBEngine::Rollback();
             db.Close();
         }},
        {"an account and a row in one transaction over both files",
         [](const CatalogFixture& f) {
             jet::Workspace ws = jet::DBEngine::Workspaces()(0);
             jet::Database db = ws.OpenDatabase(f.databasePath(), false, false, kConnect);
             ws.BeginTrans();
             ws.Users().Append(ws.CreateUser("Zoë", "Zoe12345", "secret"));
             db.Execute("Insert into records ([Artist]) Values ('Zoë')");
             ws.CommitTrans();
             db.Close();
         }},
        {"accounts appended, joined to a group and deleted outside a transaction",
         [](const CatalogFixture& f) {
             jet::Workspace ws = jet::DBEngine::Workspaces()(0);
             jet::Database db = ws.OpenDatabase(f.databasePath(), false, false, kConnect);
             ws.Users().Append(ws.CreateUser("Nina", "Nina1234", "secret"));
             ws.Users().Append(ws.CreateUser("Miles", "Miles123", "secret"));
             jet::User nina = ws.Users()("Nina");
             nina.Groups().Append(nina.CreateGroup("Users"));
             ws.Users().Delete("Miles");
             db.Execute("Insert into records ([Artist]) Values ('Nina')");
             db.Close();
         }},
        {"a compaction of both files and a check of a sound catalogue",
         [](const CatalogFixture& f) {
             f.addRecord("Abba", "Arrival");
             closeAll();
             const QString compacted = f.databasePath() + ".compacted";
             jet::DBEngine::CompactDatabase(f.databasePath(), compacted);
             ASSERT_TRUE(QFile::remove(f.databasePath()));
             ASSERT_TRUE(QFile::rename(compacted, f.databasePath()));
             jet::DBEngine::RepairDatabase(f.databasePath());
             jet::DBEngine::CompactWorkgroup();
         }},
        {"a transaction larger than the page cache",
         [](const CatalogFixture& f) {
             jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false, kConnect);
             insertSongsPastThePageCache(db);
             db.Close();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogFixture f;
        c.write(f);
        closeAll();
        expectStampedByTheProgram(f.databasePath(), jet::catalogSchema());
        expectStampedByTheProgram(f.workgroupPath(), jet::workgroup::schema());
        const QByteArray catalogue = bytesOf(f.databasePath());
        const QByteArray workgroup = bytesOf(f.workgroupPath());
        EXPECT_FALSE(f.rows("select * from records").isEmpty() && f.rows("select * from songs").isEmpty() &&
                     std::string(c.what) != "a transaction rolled back");
        closeAll();
        EXPECT_TRUE(bytesOf(f.databasePath()) == catalogue);
        EXPECT_TRUE(bytesOf(f.workgroupPath()) == workgroup);
    }
}

// Orders another program might give the collation of the same name.
int caseFolded(void*, int aLength, const void* a, int bLength, const void* b)
{
    const QString x = QString::fromUtf8(static_cast<const char*>(a), aLength).toCaseFolded();
    const QString y = QString::fromUtf8(static_cast<const char*>(b), bLength).toCaseFolded();
    return x.compare(y);
}

int byLength(void*, int aLength, const void* a, int bLength, const void* b)
{
    if (aLength != bLength)
        return aLength < bLength ? -1 : 1;
    return std::memcmp(a, b, static_cast<std::size_t>(aLength));
}

int reversed(void* p, int aLength, const void* a, int bLength, const void* b)
{
    return -jet::collateText(p, aLength, a, bLength, b);
}

const QStringList kArtists = {"Abba",    "ábel",  "Adele", "Ça",     "Cab",    "Elvis", "Emile", "Enya",  "Lukas",
                              "Łukasz",  "Nu",    "Ñu",    "Oasis",  "Olsen",  "Ölsen", "Oz",    "Straße", "The Band",
                              "Theatre", "Zappa", "Zoë",   "10cc",   "O'Hara", "Bjork", "Émile Two"};

void seed(const CatalogFixture& f)
{
    QStringList statements;
    for (const QString& artist : kArtists) {
        QString a = artist;
        a.replace("'", "''");
        statements << "Insert into records ([Artist]) Values ('" + a + "')"
                   << "Insert into records ([Artist], [Record_Name]) Values ('" + a + "', 'Live')"
                   << "Insert into songs ([Artist], [Record_Name], [Song_Title]) Values ('" + a + "', 'Live', 'Intro')";
    }
    f.exec(statements);
}

struct Order {
    const char* name;
    Raw::Order order;
};
const Order kLookAlikes[] = {{"case-folded code units", caseFolded}, {"by length", byLength}, {"reversed", reversed}};

TEST(FileIdentityTest, ACatalogueWrittenThroughALookAlikeOrderIsFoundAndMendedAtTheNextOpen)
{
    for (const Order& lookAlike : kLookAlikes) {
        SCOPED_TRACE(lookAlike.name);
        CatalogFixture f;
        seed(f);
        closeAll();
        {
            const Raw other(f.databasePath(), lookAlike.order);
            other.exec("INSERT INTO records (Artist, Record_Name) VALUES ('ÉMILE', 'Encore'), ('zappa', 'Apostrophe')");
            other.exec("INSERT INTO songs (Artist, Record_Name, Song_Title) VALUES ('ÉMILE', 'Encore', 'Outro'), "
                       "('zappa', 'Apostrophe', 'Cosmik Debris')");
        }
        {
            // The fault the open has to mend.
            const Raw raw(f.databasePath());
            EXPECT_NE(raw.rows("PRAGMA integrity_check"), QStringList{"ok"});
            EXPECT_FALSE(jet::detail::textIndexesOutOfOrder(raw.db).isEmpty());
        }
        // The duplicate test of an entry dialog, and the song list of a record.
        EXPECT_EQ(f.count("select * from records where [Artist] = 'Émile' and [Record_Name] = 'encore'"), 1);
        EXPECT_EQ(f.count("select * from records where [Artist] = 'Zappa' and [Record_Name] = 'APOSTROPHE'"), 1);
        EXPECT_EQ(f.rows("select [Song_Title] from songs where [Artist] = 'émile' and [Record_Name] = 'Encore'"),
                  QStringList{"Outro"});
        // ÉMILE is an artist of its own, zappa is Zappa.
        EXPECT_EQ(f.count("select distinct [Artist] from records"), kArtists.size() + 1);
        closeAll();
        expectStampedByTheProgram(f.databasePath(), jet::catalogSchema());
        const Raw raw(f.databasePath());
        EXPECT_EQ(jet::detail::textIndexesOutOfOrder(raw.db), QStringList{});
    }
}

TEST(FileIdentityTest, AWorkgroupFileWrittenThroughALookAlikeOrderIsMendedWhenTheProgramLogsOn)
{
    for (const Order& lookAlike : kLookAlikes) {
        SCOPED_TRACE(lookAlike.name);
        CatalogFixture f;
        {
            jet::Workspace ws = jet::DBEngine::Workspaces()(0);
            for (const QString& name : kArtists)
                ws.Users().Append(ws.CreateUser(name, "pid-" + QString::number(name.size() * 7 + 1000), "pw"));
            closeAll();
        }
        {
            const Raw other(f.workgroupPath(), lookAlike.order);
            other.exec("INSERT INTO accounts (name, pid, is_group, can_logon, salt) VALUES ('Émile Group', 'g1', 1, 0, x'00'), "
                       "('Zydeco', 'g2', 1, 0, x'00')");
        }
        openAsTheProgram(f);
        expectStampedByTheProgram(f.workgroupPath(), jet::workgroup::schema());
        const Raw raw(f.workgroupPath());
        EXPECT_EQ(jet::detail::textIndexesOutOfOrder(raw.db), QStringList{});
        EXPECT_EQ(raw.rows("SELECT pid FROM accounts WHERE name = 'ÉMILE GROUP' OR name = 'zydeco' ORDER BY name"),
                  (QStringList{"g1", "g2"}));
        // A second account of an existing name is still refused.
        EXPECT_EQ(sqlite3_exec(raw.db, "INSERT INTO accounts (name, pid, is_group, can_logon, salt) VALUES ('émile group', "
                                       "'g3', 1, 0, x'00')",
                               nullptr, nullptr, nullptr),
                  SQLITE_CONSTRAINT);
    }
}

TEST(FileIdentityTest, AnotherProgramsWriteWhileTheProgramHasTheFileOpenIsStillFoundAfterTheProgramWritesItself)
{
    struct Case {
        const char* what;
        std::function<void(jet::Database&)> write;
    };
    const Case cases[] = {
        {"a statement outside a transaction", [](jet::Database& db) { db.Execute("Insert into records ([Artist]) Values ('Nobody')"); }},
        {"statements in one transaction",
         [](jet::Database& db) {
             jet::DBEngine::BeginTrans();
             db.Execute("Insert into records ([Artist]) Values ('Nobody')");
             db.Execute("Insert into songs ([Artist], [Record_Name], [Song_Title]) Values ('Nobody', 'Live', 'One')");
             jet::DBEngine::CommitTrans();
         }},
        {"a transaction larger than the page cache",
         [](jet::Database& db) {
             insertSongsPastThePageCache(db);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogFixture f;
        seed(f);
        closeAll();
        {
            jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false, kConnect);
            {
                const Raw other(f.databasePath(), byLength);
                other.exec("INSERT INTO records (Artist, Record_Name) VALUES ('ÉMILE', 'Encore'), ('zappa', 'Apostrophe')");
            }
            c.write(db);
            db.Close();
            closeAll();
        }
        EXPECT_EQ(f.count("select * from records where [Artist] = 'Zappa' and [Record_Name] = 'APOSTROPHE'"), 1);
        closeAll();
        expectStampedByTheProgram(f.databasePath(), jet::catalogSchema());
        EXPECT_EQ(jet::detail::textIndexesOutOfOrder(Raw(f.databasePath()).db), QStringList{});
    }
}

TEST(FileIdentityTest, AnotherProgramsWriteToTheWorkgroupFileWhileTheProgramIsLoggedOnIsStillFoundAfterItAppendsAnAccount)
{
    CatalogFixture f;
    jet::Workspace ws = jet::DBEngine::Workspaces()(0);
    ws.Users().Append(ws.CreateUser("Anna", "Anna1234", "pw"));
    {
        const Raw other(f.workgroupPath(), byLength);
        other.exec("INSERT INTO accounts (name, pid, is_group, can_logon, salt) VALUES ('Émile Group', 'g1', 1, 0, x'00'), "
                   "('Zydeco', 'g2', 1, 0, x'00')");
    }
    ws.Users().Append(ws.CreateUser("Zoë", "Zoe12345", "secret"));
    closeAll();
    openAsTheProgram(f);
    expectStampedByTheProgram(f.workgroupPath(), jet::workgroup::schema());
    EXPECT_EQ(jet::detail::textIndexesOutOfOrder(Raw(f.workgroupPath()).db), QStringList{});
}

TEST(FileIdentityTest, WritesInTheProgramsOwnOrderLeaveNothingToMend)
{
    CatalogFixture f;
    seed(f);
    closeAll();
    {
        const Raw other(f.databasePath(), jet::collateText);
        other.exec("INSERT INTO records (Artist, Record_Name) VALUES ('ÉMILE', 'Encore'), ('zappa', 'Apostrophe')");
        EXPECT_EQ(jet::detail::textIndexesOutOfOrder(other.db), QStringList{});
        EXPECT_EQ(other.rows("PRAGMA integrity_check"), QStringList{"ok"});
    }
    EXPECT_EQ(f.count("select * from records where [Artist] = 'émile' and [Record_Name] = 'ENCORE'"), 1);
    closeAll();
    expectStampedByTheProgram(f.databasePath(), jet::catalogSchema());
}

TEST(FileIdentityTest, AChangeThatCannotBeMendedIsRefusedAtOpenWritingNothingAndTheRepairMendsIt)
{
    struct Case {
        const char* what;
        const char* sql;
        bool workgroup;
        int error;
    };
    const Case cases[] = {
        {"an index of another program", "CREATE INDEX mine ON records (Label_Name)", false, jet::err::CorruptDatabase},
        {"a column added", "ALTER TABLE songs ADD COLUMN Rating INTEGER", false, jet::err::CorruptDatabase},
        {"a table dropped", "DROP TABLE songs", false, jet::err::CorruptDatabase},
        {"two accounts the program takes for one",
         "INSERT INTO accounts (name, pid, is_group, can_logon, salt) VALUES ('Émile', 'e1', 1, 0, x'00'), "
         "('ÉMILE', 'e2', 1, 0, x'00')",
         true, jet::err::CorruptDatabase},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogFixture f;
        seed(f);
        closeAll();
        const QString path = c.workgroup ? f.workgroupPath() : f.databasePath();
        {
            // A binary order lets both names into the unique index.
            const Raw other(path, c.workgroup ? byLength : jet::collateText);
            other.exec(c.sql);
        }
        const QByteArray changed = bytesOf(path);
        EXPECT_EQ(errorOf([&] { openAsTheProgram(f); }), c.error);
        closeAll();
        EXPECT_TRUE(bytesOf(path) == changed);
        EXPECT_FALSE(QFileInfo::exists(path + "-journal"));
        if (c.workgroup)
            continue;
        jet::DBEngine::RepairDatabase(f.databasePath());
        EXPECT_EQ(f.count("select distinct [Artist] from records"), kArtists.size());
        closeAll();
        expectStampedByTheProgram(f.databasePath(), jet::catalogSchema());
    }
}

// The statements the program before this change made its files with.
const char* const kEarlierCatalogue[] = {
    "CREATE TABLE records ( Artist TEXT COLLATE JETTEXT, Record_Name TEXT COLLATE JETTEXT, Record_Type TEXT COLLATE "
    "JETTEXT, Record_Category TEXT COLLATE JETTEXT, Label_Name TEXT COLLATE JETTEXT, Label_Number TEXT COLLATE JETTEXT, "
    "Record_Condition TEXT COLLATE JETTEXT, Sleeve_Condition TEXT COLLATE JETTEXT, Record_Date DATETIME, Book_Value "
    "CURRENCY, Quantity LONG, Record_Marked BIT NOT NULL DEFAULT 0)",
    "CREATE TABLE songs ( Artist TEXT COLLATE JETTEXT, Record_Name TEXT COLLATE JETTEXT, Song_Title TEXT COLLATE JETTEXT)",
    "CREATE INDEX records_by_artist ON records (Artist)",
    "CREATE INDEX records_by_artist_record ON records (Artist, Record_Name)",
    "CREATE INDEX songs_by_artist_record ON songs (Artist, Record_Name)",
};
const char* const kEarlierWorkgroup[] = {
    "CREATE TABLE accounts ( name TEXT NOT NULL COLLATE JETTEXT UNIQUE, pid TEXT NOT NULL, is_group INTEGER NOT NULL, "
    "can_logon INTEGER NOT NULL, salt BLOB NOT NULL, hash BLOB)",
    "CREATE TABLE memberships ( user TEXT NOT NULL COLLATE JETTEXT, grp TEXT NOT NULL COLLATE JETTEXT, PRIMARY KEY (user, "
    "grp))",
    "PRAGMA user_version = 1",
};

// Every row of every table, with the type of every value, in rowid order.
QStringList everyRow(const QString& path, bool workgroup)
{
    const Raw raw(path);
    if (workgroup)
        return raw.rows("SELECT rowid, quote(name), quote(pid), is_group, can_logon, quote(salt), quote(hash) FROM accounts "
                        "ORDER BY rowid") +
               raw.rows("SELECT rowid, quote(user), quote(grp) FROM memberships ORDER BY rowid");
    return raw.rows("SELECT rowid, quote(Artist), quote(Record_Name), quote(Record_Type), quote(Record_Category), "
                    "quote(Label_Name), quote(Label_Number), quote(Record_Condition), quote(Sleeve_Condition), "
                    "quote(Record_Date), quote(Book_Value), quote(Quantity), quote(Record_Marked) FROM records ORDER BY "
                    "rowid") +
           raw.rows("SELECT rowid, quote(Artist), quote(Record_Name), quote(Song_Title) FROM songs ORDER BY rowid");
}

// Replaces the fixture's files with files made the way the program made them
// before: no stamp table, the text order's number as the application id.
void makeEarlierFiles(const CatalogFixture& f, int textOrder)
{
    closeAll();
    QFile::remove(f.databasePath());
    QFile::remove(f.workgroupPath());
    {
        const Raw raw(f.databasePath(), jet::collateText, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        raw.exec("PRAGMA journal_mode = DELETE; BEGIN");
        for (const char* sql : kEarlierCatalogue)
            raw.exec(sql);
        raw.exec(QStringLiteral("PRAGMA application_id = %1").arg(textOrder));
        raw.exec("COMMIT");
        raw.exec("INSERT INTO records (Artist) VALUES ('Zoë'), ('Abba'), ('ábel')");
        raw.exec("INSERT INTO records VALUES ('Émile', 'Live', '33-LP', 'Jazz', 'Verve', 'V-1', 'Mint', 'Good', 32874.5, "
                 "12.3456, 3, 1), ('emile', 'Studio', NULL, NULL, NULL, NULL, NULL, NULL, 0, 7, -2147483648, 0)");
        raw.exec("INSERT INTO songs VALUES ('Émile', 'Live', 'Ça ira'), ('EMILE', 'Studio', 'Zebra'), ('Abba', NULL, 'x')");
    }
    {
        const Raw raw(f.workgroupPath(), jet::collateText, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        raw.exec("PRAGMA journal_mode = DELETE; BEGIN");
        for (const char* sql : kEarlierWorkgroup)
            raw.exec(sql);
        jet::workgroup::addBuiltInAccounts(raw.db);
        jet::workgroup::addUser(raw.db, "Émile", "Emile1234", "pw");
        raw.exec(QStringLiteral("PRAGMA application_id = %1").arg(textOrder));
        raw.exec("COMMIT");
    }
}

TEST(FileIdentityTest, FilesOfTheEarlierFormAreBroughtToTheNewFormOnceKeepingEveryRow)
{
    const struct {
        const char* what;
        int textOrder;
    } cases[] = {{"indexes in this order", jet::collationStamp()}, {"indexes in another order", 12345}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogFixture f;
        makeEarlierFiles(f, c.textOrder);
        const QStringList catalogue = everyRow(f.databasePath(), false);
        const QStringList workgroup = everyRow(f.workgroupPath(), true);
        ASSERT_EQ(catalogue.size(), 8);

        EXPECT_EQ(f.rows("select distinct [Artist] from records order by [Artist]"),
                  (QStringList{"Abba", "ábel", "emile", "Émile", "Zoë"}));
        closeAll();
        EXPECT_EQ(everyRow(f.databasePath(), false), catalogue);
        EXPECT_EQ(everyRow(f.workgroupPath(), true), workgroup);
        expectStampedByTheProgram(f.databasePath(), jet::catalogSchema());
        expectStampedByTheProgram(f.workgroupPath(), jet::workgroup::schema());
        EXPECT_EQ(Raw(f.databasePath()).rows("SELECT sql FROM sqlite_master WHERE type = 'table' ORDER BY name").value(0),
                  jet::stampTable().createStatement());

        // Once: the next open finds the new form and writes nothing.
        const QByteArray after = bytesOf(f.databasePath());
        EXPECT_EQ(f.rows("select [Song_Title] from songs where [Artist] = 'émile'"), QStringList{"Ça ira"});
        closeAll();
        EXPECT_TRUE(bytesOf(f.databasePath()) == after);
    }
}

TEST(FileIdentityTest, AChangeToTheNewFormThatFailsLeavesTheFileAsItWas)
{
    CatalogFixture f;
    makeEarlierFiles(f, jet::collationStamp());
    {
        // Two accounts the program's order takes for one, written by a program of another order.
        const Raw other(f.workgroupPath(), byLength);
        other.exec("INSERT INTO accounts (name, pid, is_group, can_logon, salt) VALUES ('Anna', 'a1', 1, 0, x'00'), "
                   "('ANNA', 'a2', 1, 0, x'00')");
    }
    const QByteArray workgroup = bytesOf(f.workgroupPath());
    EXPECT_EQ(errorOf([&] { openAsTheProgram(f); }), jet::err::CorruptDatabase);
    closeAll();
    EXPECT_TRUE(bytesOf(f.workgroupPath()) == workgroup);
    EXPECT_FALSE(QFileInfo::exists(f.workgroupPath() + "-journal"));
    EXPECT_EQ(Raw(f.workgroupPath()).value("PRAGMA user_version"), "1");
}

} // namespace

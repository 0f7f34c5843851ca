#include "support/CatalogFixture.h"

#include "jet/CatalogFiles.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "jet/Testing.h"

#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

using testenv::CatalogFixture;
using testenv::errorOf;

const QString kPid = QStringLiteral("fennaply");
const QString kPassword = QStringLiteral("tintrove");

jet::Workspace workspace() { return jet::DBEngine::Workspaces()(0); }

QStringList userNames()
{
    QStringList names;
    for (const jet::User& u : workspace().Users())
        names << u.Name();
    return names;
}

void appendUser(const QString& name, const QString& pid = kPid, const QString& password = kPassword)
{
    jet::Workspace ws = workspace();
    ws.Users().Append(ws.CreateUser(name, pid, password));
}

bool canLogOn(const CatalogFixture& f, const QString& name, const QString& password)
{
    try {
        jet::DBEngine::OpenDatabase(f.databasePath(), false, false, QStringLiteral(";uid=%1;pwd=%2").arg(name, password))
            .Close();
        return true;
    } catch (const jet::Error&) {
        return false;
    }
}

const QStringList kBuiltIn = {"admin", "Creator", "Engine", "brevlin"};

TEST(AccountsTest, BuiltInAccountsAndTheProgramsAreListedInOrder)
{
    CatalogFixture f;
    EXPECT_EQ(userNames(), kBuiltIn);
    appendUser("Nina");
    EXPECT_EQ(userNames(), kBuiltIn + QStringList{"Nina"});
    const jet::Users users = workspace().Users();
    EXPECT_EQ(users("NINA").PID(), kPid);
    EXPECT_EQ(errorOf([&] { users("Nobody"); }), jet::err::ItemNotFound);
}

TEST(AccountsTest, AppendedAccountLogsOnWithItsPasswordWhichIsKeptOnlyAsAHash)
{
    CatalogFixture f;
    appendUser(QStringLiteral("Björk"));
    EXPECT_TRUE(canLogOn(f, QStringLiteral("BJÖRK"), kPassword));
    EXPECT_FALSE(canLogOn(f, QStringLiteral("Björk"), "TINTROVE"));
    workspace().Close(); // let go of the workgroup file before reading it
    QFile file(f.workgroupPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains(kPassword.toUtf8()));
}

TEST(AccountsTest, AppendRefusesWhatTheWorkgroupCannotHold)
{
    CatalogFixture f;
    appendUser(QStringLiteral("Nina"));
    struct Case {
        const char* name;
        const char* pid;
        int number;
    };
    const Case cases[] = {
        {"NINA", "fennaply", jet::err::AccountExists},
        {"nina", "fennaply", jet::err::AccountExists},
        {"BREVLIN", "fennaply", jet::err::AccountExists},
        {"Admin", "fennaply", jet::err::AccountExists},
        {"users", "fennaply", jet::err::AccountExists}, // a group's name is taken too
        {"", "fennaply", jet::err::InvalidAccountName},
        {"   ", "fennaply", jet::err::InvalidAccountName},
        {"Miles", "abc", jet::err::InvalidPid},
        {"Miles", "", jet::err::InvalidPid},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(errorOf([&] { appendUser(QString::fromUtf8(c.name), QString::fromUtf8(c.pid)); }), c.number)
            << c.name;
        EXPECT_EQ(userNames(), kBuiltIn + QStringList{"Nina"}) << c.name;
    }
}

TEST(AccountsTest, DeleteThenAppendAgain)
{
    CatalogFixture f;
    appendUser("Nina");
    workspace().Users().Delete("nINA");
    EXPECT_EQ(userNames(), kBuiltIn);
    EXPECT_FALSE(canLogOn(f, "Nina", kPassword));
    appendUser("NINA", kPid, "other");
    EXPECT_EQ(userNames(), kBuiltIn + QStringList{"NINA"});
    EXPECT_TRUE(canLogOn(f, "nina", "other"));
}

TEST(AccountsTest, DeleteRefusesWhatIsNoUserOrMayNotGo)
{
    CatalogFixture f;
    struct Case {
        const char* name;
        int number;
    };
    const Case cases[] = {
        {"Nobody", jet::err::ItemNotFound},
        {"Users", jet::err::ItemNotFound}, // a group, not a user
        {"creator", jet::err::NoPermission},
        {"Engine", jet::err::NoPermission},
        {"admin", jet::err::NoPermission},
        {"BREVLIN", jet::err::NoPermission}, // the account the workspace logged on with
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf([&] { workspace().Users().Delete(QString::fromUtf8(c.name)); }), c.number) << c.name;
    EXPECT_EQ(userNames(), kBuiltIn);
}

TEST(AccountsTest, MembershipOfAnExistingGroup)
{
    CatalogFixture f;
    appendUser("Nina");
    jet::User nina = workspace().Users()("Nina");
    EXPECT_EQ(nina.Groups().Count(), 0);
    jet::Groups groups = nina.Groups();
    groups.Append(nina.CreateGroup("users"));
    EXPECT_EQ(nina.Groups().Count(), 1);
    EXPECT_EQ(nina.Groups()(0).Name(), "Users");
    EXPECT_EQ(errorOf([&] { nina.Groups().Append(nina.CreateGroup("Users")); }), jet::err::AccountExists);
    EXPECT_EQ(errorOf([&] { nina.Groups().Append(nina.CreateGroup("Singers")); }), jet::err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { nina.Groups().Append(nina.CreateGroup("brevlin")); }), jet::err::ItemNotFound);
    EXPECT_EQ(nina.Groups().Count(), 1);

    jet::User fresh = workspace().CreateUser("Miles", kPid, kPassword);
    EXPECT_EQ(errorOf([&] { fresh.Groups(); }), jet::err::InvalidOperation); // not appended yet
    EXPECT_EQ(errorOf([&] { nina.setPID("changed"); }), jet::err::InvalidOperation);
}

// Account changes and table changes made inside one workspace transaction end
// together.
TEST(AccountsTest, TransactionCoversAccountChangesWithTheTables)
{
    struct Case {
        const char* name;
        std::function<void()> change;
        bool commit;
        QStringList users;
        int songs;
    };
    const Case cases[] = {
        {"append rolled back", [] { appendUser("Miles"); }, false, kBuiltIn + QStringList{"Nina"}, 1},
        {"delete rolled back", [] { workspace().Users().Delete("Nina"); }, false, kBuiltIn + QStringList{"Nina"}, 1},
        {"append kept", [] { appendUser("Miles"); }, true, kBuiltIn + QStringList{"Nina", "Miles"}, 0},
        {"delete kept", [] { workspace().Users().Delete("Nina"); }, true, kBuiltIn, 0},
        {"membership rolled back",
         [] {
             jet::User u = workspace().Users()("Nina");
             u.Groups().Append(u.CreateGroup("Users"));
         },
         false, kBuiltIn + QStringList{"Nina"}, 1},
    };
    // A catalogue open when the transaction begins commits with the workgroup
    // file in one step; one opened inside it commits beside it.
    for (const bool openedFirst : {false, true})
    for (const Case& c : cases) {
        SCOPED_TRACE(openedFirst);
        CatalogFixture f;
        f.addSong("Miles", "Kind of Blue", "So What");
        appendUser("Nina");
        jet::Workspace ws = workspace();
        jet::Database db;
        if (openedFirst)
            db = jet::DBEngine::OpenDatabase(f.databasePath());
        ws.BeginTrans();
        if (!openedFirst)
            db = jet::DBEngine::OpenDatabase(f.databasePath());
        db.Execute("delete * from songs");
        c.change();
        if (c.commit)
            ws.CommitTrans();
        else
            ws.Rollback();
        db.Close();
        EXPECT_EQ(userNames(), c.users) << c.name;
        EXPECT_EQ(f.count("select * from songs"), c.songs) << c.name;
        if (c.users.contains("Nina")) {
            EXPECT_EQ(workspace().Users()("Nina").Groups().Count(), 0) << c.name;
        }
    }
}

TEST(AccountsTest, TransactionsFollowOneAnotherOnAnOpenCatalogue)
{
    CatalogFixture f;
    jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath());
    jet::Workspace ws = workspace();
    for (const QString& name : {QStringLiteral("Nina"), QStringLiteral("Miles")}) {
        ws.BeginTrans();
        appendUser(name);
        db.Execute(QStringLiteral("Insert into records ([Artist]) Values ('%1')").arg(name));
        ws.CommitTrans();
    }
    // The workgroup file cannot change under a transaction that holds it.
    ws.BeginTrans();
    const QString workgroup = jet::DBEngine::SystemDB();
    jet::DBEngine::setSystemDB(f.folder() + QStringLiteral("/other.mdw"));
    EXPECT_EQ(errorOf([] { workspace().Users(); }), 3219);
    jet::DBEngine::setSystemDB(workgroup);
    ws.Rollback();
    db.Close();
    EXPECT_EQ(userNames(), kBuiltIn + QStringList({"Nina", "Miles"}));
    EXPECT_EQ(f.count("select * from records"), 2);
}

TEST(AccountsTest, NestedRollbackUndoesOnlyItsOwnAccountChange)
{
    CatalogFixture f;
    jet::Workspace ws = workspace();
    ws.BeginTrans();
    appendUser("Nina");
    ws.BeginTrans();
    appendUser("Miles");
    ws.Rollback();
    ws.CommitTrans();
    EXPECT_EQ(userNames(), kBuiltIn + QStringList{"Nina"});
}

TEST(AccountsTest, InjectedFailureHitsTheNextCallOnceAndChangesNothing)
{
    struct Case {
        const char* name;
        jet::Operation op;
        std::function<void(const CatalogFixture&)> call;
    };
    const Case cases[] = {
        {"users append", jet::Operation::UsersAppend, [](auto&) { appendUser("Miles"); }},
        {"users delete", jet::Operation::UsersDelete, [](auto&) { workspace().Users().Delete("Nina"); }},
        {"groups append", jet::Operation::GroupsAppend,
         [](auto&) {
             jet::User u = workspace().Users()("Nina");
             u.Groups().Append(u.CreateGroup("Users"));
         }},
        {"execute", jet::Operation::Execute,
         [](auto& f) { jet::DBEngine::OpenDatabase(f.databasePath()).Execute("delete * from songs"); }},
        {"open database", jet::Operation::OpenDatabase,
         [](auto& f) { jet::DBEngine::OpenDatabase(f.databasePath()).Execute("delete * from songs"); }},
        {"commit", jet::Operation::CommitTrans,
         [](auto& f) {
             jet::DBEngine::BeginTrans();
             jet::DBEngine::OpenDatabase(f.databasePath()).Execute("delete * from songs");
             try {
                 jet::DBEngine::CommitTrans();
             } catch (...) {
                 EXPECT_EQ(jet::DBEngine::Workspaces()(0).TransactionLevel(), 1);
                 jet::DBEngine::Rollback();
                 throw;
             }
         }},
    };
    for (const Case& c : cases) {
        CatalogFixture f;
        f.addSong("Miles", "Kind of Blue", "So What");
        appendUser("Nina");
        jet::testing::failNext(c.op, 3051, "The engine could not do it.");
        try {
            c.call(f);
            ADD_FAILURE() << c.name << ": no failure";
        } catch (const jet::Error& e) {
            EXPECT_EQ(e.Number(), 3051) << c.name;
            EXPECT_EQ(e.Description(), "The engine could not do it.") << c.name;
        }
        EXPECT_EQ(userNames(), kBuiltIn + QStringList{"Nina"}) << c.name;
        EXPECT_EQ(workspace().Users()("Nina").Groups().Count(), 0) << c.name;
        EXPECT_EQ(f.count("select * from songs"), 1) << c.name;
        EXPECT_NO_THROW(c.call(f)) << c.name; // only the next call fails
    }
}

// The workgroup file changed through a connection of its own, as another
// program (or another copy of the engine) would change it.
void changeFileOutside(const CatalogFixture& f, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.workgroupPath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    jet::registerExtensions(db);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close_v2(db);
}

// The user accounts as the file holds them, read past the engine.
QStringList usersInFile(const CatalogFixture& f)
{
    sqlite3* db = nullptr;
    QStringList names;
    if (sqlite3_open_v2(f.workgroupPath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        jet::registerExtensions(db);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM accounts WHERE is_group = 0 ORDER BY rowid", -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
    }
    sqlite3_close_v2(db);
    return names;
}

// The workspace keeps the account list between calls; whatever changed the
// file, its own changes undone or another program's, the list it gives is
// never an old one.
TEST(AccountsTest, TheAccountListIsAlwaysTheFilesWhateverChangedIt)
{
    struct Case {
        const char* name;
        std::function<void(const CatalogFixture&)> change;
        QStringList users;
    };
    const Case cases[] = {
        {"own append outside a transaction", [](auto&) { appendUser("Miles"); }, kBuiltIn + QStringList{"Nina", "Miles"}},
        {"own delete kept", [](auto&) { workspace().Users().Delete("Nina"); }, kBuiltIn},
        {"own append, then another program's", [](const CatalogFixture& f) {
             appendUser("Miles");
             changeFileOutside(f, "INSERT INTO accounts (name, pid, is_group, can_logon, salt) "
                                  "VALUES ('Ella', 'fennaply', 0, 1, x'00')");
         },
         kBuiltIn + QStringList{"Nina", "Miles", "Ella"}},
        {"another program's append", [](const CatalogFixture& f) {
             changeFileOutside(f, "INSERT INTO accounts (name, pid, is_group, can_logon, salt) "
                                  "VALUES ('Ella', 'fennaply', 0, 1, x'00')");
         },
         kBuiltIn + QStringList{"Nina", "Ella"}},
        // Same count, same last place: only the file's change counter tells.
        {"another program's swap of the last account", [](const CatalogFixture& f) {
             changeFileOutside(f, "BEGIN; DELETE FROM accounts WHERE name = 'Nina'; "
                                  "INSERT INTO accounts (name, pid, is_group, can_logon, salt) "
                                  "VALUES ('Ella', 'fennaply', 0, 1, x'00'); COMMIT");
         },
         kBuiltIn + QStringList{"Ella"}},
        {"the file replaced by another", [](const CatalogFixture& f) {
             const QString other = f.folder() + QStringLiteral("/other.mdw");
             jet::createWorkgroupFile(other);
             ASSERT_EQ(std::rename(other.toUtf8().constData(), f.workgroupPath().toUtf8().constData()), 0);
         },
         kBuiltIn},
        {"own changes undone by the outer rollback", [](auto&) {
             jet::Workspace ws = workspace();
             ws.BeginTrans();
             appendUser("Miles");
             workspace().Users().Delete("Nina");
             EXPECT_EQ(userNames(), kBuiltIn + QStringList{"Miles"});
             ws.Rollback();
         },
         kBuiltIn + QStringList{"Nina"}},
        {"own append undone by a nested rollback, the rest kept", [](auto&) {
             jet::Workspace ws = workspace();
             ws.BeginTrans();
             appendUser("Ella");
             ws.BeginTrans();
             appendUser("Miles");
             ws.Rollback();
             EXPECT_EQ(userNames(), kBuiltIn + QStringList({"Nina", "Ella"}));
             ws.CommitTrans();
         },
         kBuiltIn + QStringList{"Nina", "Ella"}},
        {"a rollback after the list was first read inside the transaction", [](auto&) {
             jet::Workspace ws = workspace();
             ws.BeginTrans();
             appendUser("Miles");
             ws.Rollback();
         },
         kBuiltIn + QStringList{"Nina"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogFixture f;
        appendUser("Nina");
        ASSERT_EQ(userNames(), kBuiltIn + QStringList{"Nina"}); // the list is read and kept
        c.change(f);
        EXPECT_EQ(userNames(), c.users);
        EXPECT_EQ(usersInFile(f), c.users);
        // Looked up by name as well as walked.
        for (const QString& name : c.users)
            EXPECT_EQ(workspace().Users()(name).Name(), name);
    }
}

// A collection is what the file held when it was read: changes made since,
// through another collection, show in a fresh one and in the one that made them.
TEST(AccountsTest, ACollectionKeepsWhatItHeldWhenRead)
{
    CatalogFixture f;
    appendUser("Nina");
    const jet::Users before = workspace().Users();
    jet::Users changing = workspace().Users();
    jet::Workspace ws = workspace();
    changing.Append(ws.CreateUser("Miles", kPid, kPassword));
    changing.Delete("Nina");
    QStringList held;
    for (int i = 0; i < before.Count(); ++i)
        held << before.Name(i);
    EXPECT_EQ(held, kBuiltIn + QStringList{"Nina"});
    EXPECT_EQ(before("Nina").Name(), "Nina");
    EXPECT_EQ(changing.Count(), static_cast<int>(kBuiltIn.size()) + 1);
    EXPECT_EQ(changing(changing.Count() - 1).Name(), "Miles");
    EXPECT_EQ(errorOf([&] { changing("Nina"); }), jet::err::ItemNotFound);
    EXPECT_EQ(userNames(), kBuiltIn + QStringList{"Miles"});
    EXPECT_EQ(errorOf([&] { before.Name(before.Count()); }), jet::err::ItemNotFound);
}

} // namespace

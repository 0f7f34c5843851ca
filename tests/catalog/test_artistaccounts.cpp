#include "catalog/ArtistAccounts.h"

#include "support/ArtistSeed.h"
#include "support/CatalogFixture.h"
#include "support/QtPrint.h"
#include "support/TestEnv.h"

#include "jet/Engine.h"
#include "jet/Testing.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using testenv::CatalogFixture;
using testenv::ScriptedMsgBox;

const QString kStatementError = QStringLiteral("Error!.");

using BoxExpected = testenv::ExpectedBox;
using testenv::expectBoxes;

// The accounts of the default workspace, sorted.
QStringList accounts()
{
    QStringList names;
    const jet::Users users = jet::DBEngine::Workspaces()(0).Users();
    for (int i = 0; i < users.Count(); ++i)
        names << users.Item(i).Name();
    names.sort(Qt::CaseInsensitive);
    return names;
}

QStringList accountsWith(QStringList names, const QStringList& added, const QStringList& gone = {})
{
    for (const QString& name : gone)
        names.removeOne(name);
    names << added;
    names.sort(Qt::CaseInsensitive);
    return names;
}

// Makes a table of the catalogue file refuse every row of the artist Bob: a
// check written into its stored definition, below the engine (which runs no
// trigger a file holds).
// The file's stamp is set to what the two writes leave, so that the engine
// takes the changed definition for its own instead of refusing the file.
void refuseBobIn(const CatalogFixture& cat, const char* table)
{
    QFile file(cat.databasePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(28);
    file.close();
    const quint32 counter = (quint32(quint8(header[24])) << 24) | (quint32(quint8(header[25])) << 16) |
                            (quint32(quint8(header[26])) << 8) | quint32(quint8(header[27]));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(cat.databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    const std::string sql = std::string("PRAGMA writable_schema = ON;"
                                        "UPDATE sqlite_master SET sql = substr(sql, 1, length(sql) - 1) || "
                                        "', CHECK (Artist <> ''Bob''))' WHERE type = 'table' AND name = '") +
                            table + "'; PRAGMA writable_schema = OFF; UPDATE file_stamp SET change_counter = " +
                            std::to_string(counter + 2) + ";";
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << text;
}

using testenv::seedEllaAndMiles;

const QStringList kSeeded = {
    QStringLiteral("Ella|<Null>"), QStringLiteral("Ella|Blue"), QStringLiteral("Miles|<Null>"),
    QStringLiteral("Ella|Angel Eyes"),
};

// Records (artist, record name), then songs (artist, title).
QStringList rowsOf(const CatalogFixture& cat)
{
    return cat.rows(QStringLiteral("select [Artist], [Record_Name] from records order by [Artist], [Record_Name]"))
        + cat.rows(QStringLiteral("select [Artist], [Song_Title] from songs order by [Artist]"));
}

CatalogEntry artist(const QString& name) { return testenv::artistEntry(name); }

// The engine's failure seam is empty again after every case.
struct FailureGuard {
    ~FailureGuard() { jet::testing::clearFailures(); }
};

class ArtistAccountsTest : public ::testing::Test {
protected:
    void SetUp() override { seedEllaAndMiles(cat); }
    FailureGuard guard;
    CatalogFixture cat;
};

// Points the engine at a workgroup file that is not there, as long as it lives.
class MissingWorkgroup {
public:
    explicit MissingWorkgroup(const CatalogFixture& cat) : path_(jet::DBEngine::SystemDB())
    {
        jet::DBEngine::setSystemDB(cat.folder() + QStringLiteral("/gone.mdw"));
    }
    ~MissingWorkgroup() { jet::DBEngine::setSystemDB(path_); }

private:
    QString path_;
};

TEST_F(ArtistAccountsTest, UserExistsIgnoresCaseAndSurroundingBlanks)
{
    struct Case {
        QString name;
        bool found;
        QString user; // the loop variable afterwards: the account found, or none
    };
    const Case cases[] = {
        {QStringLiteral("Ella"), true, QStringLiteral("Ella")},
        {QStringLiteral("ELLA"), true, QStringLiteral("Ella")},
        {QStringLiteral("  ella  "), true, QStringLiteral("Ella")},
        {QStringLiteral("Ell"), false, QString()},
        {QStringLiteral("Ella Mae"), false, QString()},
        {QStringLiteral("Bob"), false, QString()},
        {QStringLiteral("Users"), false, QString()}, // a group, not a user
        // The engine's own accounts and the program's account are taken as well.
        {QStringLiteral("ADMIN"), true, QStringLiteral("admin")},
        {QStringLiteral("Brevlin"), true, QStringLiteral("brevlin")},
    };
    for (const Case& c : cases) {
        bool found = !c.found;
        WorkgroupUser = jet::DBEngine::Workspaces()(0).Users().Item(0);
        UserExists(c.name, found);
        EXPECT_EQ(found, c.found) << c.name.toStdString();
        EXPECT_EQ(WorkgroupUser.Name(), c.user) << c.name.toStdString();
    }
}

// The accounts and the catalogue's rows agree on which names are the same:
// letters fold one by one as the engine folds them, never into two letters.
TEST_F(ArtistAccountsTest, UserExistsFindsExactlyTheNamesTheCatalogueTakesForTheSame)
{
    for (const char16_t* stored : {u"Straße", u"Émile", u"Σίσυφος", u"King", u"Kır", u"ﬁne"}) {
        bool ok = false;
        AddUser(QString::fromUtf16(stored), ArtistAccount::Password, ok);
        ASSERT_TRUE(ok);
        cat.addArtist(QString::fromUtf16(stored));
    }
    struct Case {
        const char16_t* probe;
        bool same;
    };
    const Case cases[] = {
        {u"STRASSE", false},
        {u"strasse", false},
        {u"STRAßE", true},
        {u"émile", true},
        {u"ÉMILE", true},
        {u"Emile", false},
        {u"ΣΊΣΥΦΟΣ", true},
        {u"\u212Aing", true}, // Kelvin sign
        {u"KIR", false},
        {u"kır", true},
        {u"FINE", false},
        {u"ﬁNE", true},
    };
    for (const Case& c : cases) {
        const QString probe = QString::fromUtf16(c.probe);
        SCOPED_TRACE(probe.toStdString());
        bool found = !c.same;
        UserExists(probe, found);
        EXPECT_EQ(found, c.same);
        EXPECT_EQ(cat.count(QStringLiteral("select * from records where [Artist] = '%1'").arg(probe)), c.same ? 1 : 0);
    }
}

TEST_F(ArtistAccountsTest, UnreadableAccountsCountAsATakenName)
{
    MissingWorkgroup broken(cat);
    {
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        bool found = false;
        UserExists(QStringLiteral("Bob"), found);
        EXPECT_TRUE(found);
        expectBoxes(boxes, {{QString(), vb::vbCritical, kStatementError}});
    }
    // Administrator is refused before the accounts are looked at.
    ScriptedMsgBox boxes;
    boxes.answer(vb::vbOK);
    bool ok = true;
    RenameArtist(artist(QStringLiteral("Ella")), QStringLiteral(" ADMINISTRATOR "), ok);
    EXPECT_FALSE(ok);
    expectBoxes(boxes, {{QString(), vb::vbCritical, QStringLiteral("User Entry Error!")}});
}

TEST_F(ArtistAccountsTest, AddUserMakesAMemberOfUsersWithTheFixedIdentifier)
{
    bool ok = false;
    AddUser(QStringLiteral("Bob"), ArtistAccount::Password, ok);
    ASSERT_TRUE(ok);
    const jet::User bob = jet::DBEngine::Workspaces()(0).Users().Item(QStringLiteral("Bob"));
    EXPECT_EQ(bob.Name(), QStringLiteral("Bob"));
    EXPECT_EQ(bob.PID(), QStringLiteral("fennaply"));
    const jet::Groups groups = bob.Groups();
    ASSERT_EQ(groups.Count(), 1);
    EXPECT_EQ(groups.Item(0).Name(), QStringLiteral("Users"));
    // The password lets the account log on.
    jet::Database db = jet::DBEngine::OpenDatabase(cat.databasePath(), false, false,
                                                   QStringLiteral(";uid=Bob;pwd=tintrove"));
    EXPECT_TRUE(db.isOpen());
    db.Close();
}

TEST_F(ArtistAccountsTest, AddUserFailuresLeaveNoAccount)
{
    const QString title = QStringLiteral("Error Adding User System Information");
    struct Case {
        const char* what;
        QString name;
        std::function<void()> inject;
        QString prompt;
    };
    const Case cases[] = {
        {"name taken in another case", QStringLiteral("ELLA"), [] {},
         QStringLiteral("Error: 3390-Account name already exists.")},
        {"account not written", QStringLiteral("Bob"),
         [] { jet::testing::failNext(jet::Operation::UsersAppend, 3043, QStringLiteral("Disk or network error.")); },
         QStringLiteral("Error: 3043-Disk or network error.")},
        {"membership not written", QStringLiteral("Bob"),
         [] { jet::testing::failNext(jet::Operation::GroupsAppend, 3043, QStringLiteral("Disk or network error.")); },
         QStringLiteral("Disk or network error.")},
        {"commit failed", QStringLiteral("Bob"),
         [] { jet::testing::failNext(jet::Operation::CommitTrans, 3043, QStringLiteral("Disk or network error.")); },
         QStringLiteral("Error: 3043-Disk or network error.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList before = accounts();
        c.inject();
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        bool ok = true;
        AddUser(c.name, ArtistAccount::Password, ok);
        EXPECT_FALSE(ok);
        expectBoxes(boxes, {{c.prompt, vb::vbCritical, title}});
        EXPECT_EQ(accounts(), before);
        EXPECT_EQ(jet::DBEngine::Workspaces()(0).TransactionLevel(), 0);
    }
}

TEST(ArtistAccountsRoadsTest, AddArtistMakesAccountAndRowTogetherOrNeither)
{
    struct Case {
        const char* road;
        QString name;
        std::function<void(const CatalogFixture&)> sabotage;
        bool userAdded;
        bool ok;
        BoxExpected box; // empty title: none
    };
    const Case cases[] = {
        {"both made", QStringLiteral("Bob"), [](const CatalogFixture&) {}, true, true, {}},
        {"the name is taken", QStringLiteral("ella"), [](const CatalogFixture&) {}, false, false,
         {QStringLiteral("Error: 3390-Account name already exists."), vb::vbCritical,
          QStringLiteral("Error Adding User System Information")}},
        // Half of a two-unit character would be stored as "?".
        {"the name holds half a character", QStringLiteral("Abcdefghijklmn") + QChar(0xD83C),
         [](const CatalogFixture&) {}, false, false,
         {QString(), vb::vbCritical, QStringLiteral("Error Adding User System Information")}},
        // The account made first goes again with the row.
        {"the row cannot be added", QStringLiteral("Bob"),
         [](const CatalogFixture& cat) {
             refuseBobIn(cat, "records");
         },
         true, false, {QString(), vb::vbCritical, kStatementError}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.road);
        FailureGuard guard;
        CatalogFixture fresh;
        seedEllaAndMiles(fresh);
        c.sabotage(fresh);
        const QStringList before = accounts();
        ScriptedMsgBox boxes;
        if (!c.box.title.isEmpty())
            boxes.answer(vb::vbOK);
        bool userAdded = !c.userAdded;
        bool ok = !c.ok;
        AddArtist(c.name, userAdded, ok);
        EXPECT_EQ(userAdded, c.userAdded);
        EXPECT_EQ(ok, c.ok);
        if (c.box.title.isEmpty())
            EXPECT_TRUE(boxes.empty());
        else
            expectBoxes(boxes, {c.box});
        EXPECT_EQ(accounts(), c.ok ? accountsWith(before, {c.name}) : before);
        EXPECT_EQ(rowsOf(fresh), c.ok ? QStringList{QStringLiteral("Bob|<Null>")} + kSeeded : kSeeded);
        EXPECT_EQ(jet::DBEngine::Workspaces()(0).TransactionLevel(), 0);
    }
}

TEST(ArtistAccountsRoadsTest, DeleteUserReportsSuccessOnlyOnceCommitted)
{
    struct Case {
        const char* what;
        QString name;
        std::function<void()> inject;
        bool ok;
        QStringList gone;
    };
    const Case cases[] = {
        {"blanks around the name", QStringLiteral(" miles "), [] {}, true, {QStringLiteral("Miles")}},
        {"no such account", QStringLiteral("Bob"), [] {}, false, {}},
        {"the program's own account", QStringLiteral("brevlin"), [] {}, false, {}},
        {"commit failed", QStringLiteral("Miles"),
         [] { jet::testing::failNext(jet::Operation::CommitTrans, 3043, QStringLiteral("Disk or network error.")); },
         false, {}},
        {"delete failed", QStringLiteral("Miles"),
         [] { jet::testing::failNext(jet::Operation::UsersDelete, 3043, QStringLiteral("Disk or network error.")); },
         false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FailureGuard guard;
        CatalogFixture fresh;
        seedEllaAndMiles(fresh);
        const QStringList before = accounts();
        c.inject();
        ScriptedMsgBox boxes;
        if (!c.ok)
            boxes.answer(vb::vbOK);
        bool ok = !c.ok;
        DeleteUser(c.name, ok);
        EXPECT_EQ(ok, c.ok);
        if (c.ok)
            EXPECT_TRUE(boxes.empty());
        else
            expectBoxes(boxes, {{QString(), vb::vbCritical, kStatementError}});
        EXPECT_EQ(accounts(), accountsWith(before, {}, c.gone));
        EXPECT_EQ(jet::DBEngine::Workspaces()(0).TransactionLevel(), 0);
    }
}

TEST(ArtistAccountsRoadsTest, DeleteArtistAsksOnlyWhenToldAndRemovesRowsThenAccount)
{
    const QString prompt = QStringLiteral("Are you sure you want to delete the folder, Ella, with all its related contents?");
    struct Case {
        const char* what;
        bool askConfirm;
        int answer; // 0: no box
        bool deleted;
    };
    const Case cases[] = {
        {"no question", false, 0, true},
        {"answered Yes", true, vb::vbYes, true},
        {"answered No", true, vb::vbNo, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FailureGuard guard;
        CatalogFixture fresh;
        seedEllaAndMiles(fresh);
        const QStringList before = accounts();
        ScriptedMsgBox boxes;
        if (c.answer)
            boxes.answer(c.answer);
        bool ok = !c.deleted;
        DeleteArtist(artist(QStringLiteral("Ella")), c.askConfirm, ok);
        EXPECT_EQ(ok, c.deleted);
        if (c.answer)
            expectBoxes(boxes, {{prompt, vb::vbYesNo, QStringLiteral("Confirm Folder Owner Delete")}});
        else
            EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(accounts(), c.deleted ? accountsWith(before, {}, {QStringLiteral("Ella")}) : before);
        EXPECT_EQ(rowsOf(fresh), c.deleted ? QStringList{QStringLiteral("Miles|<Null>")} : kSeeded);
    }
}

TEST_F(ArtistAccountsTest, DeleteArtistWithoutAnAccountStillDeletesTheRows)
{
    bool ok = false;
    DeleteUser(QStringLiteral("Ella"), ok);
    ASSERT_TRUE(ok);
    ScriptedMsgBox boxes;
    DeleteArtist(artist(QStringLiteral("Ella")), false, ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ(rowsOf(cat), QStringList{QStringLiteral("Miles|<Null>")});
}

// Rows and account go together or stay together.
TEST_F(ArtistAccountsTest, DeleteArtistKeepsRowsAndAccountWhenEitherCannotGo)
{
    for (const jet::Operation failing : {jet::Operation::Execute, jet::Operation::UsersDelete}) {
        SCOPED_TRACE(static_cast<int>(failing));
        const QStringList before = accounts();
        jet::testing::failNext(failing, 3043, QStringLiteral("Disk or network error."));
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        bool ok = true;
        DeleteArtist(artist(QStringLiteral("Ella")), false, ok);
        EXPECT_FALSE(ok);
        expectBoxes(boxes, {{QString(), vb::vbCritical, kStatementError}});
        EXPECT_EQ(accounts(), before);
        EXPECT_EQ(rowsOf(cat), kSeeded);
    }
}

TEST_F(ArtistAccountsTest, ValidateUserRenameRefusesAdministratorAndTheSameName)
{
    const BoxExpected admin{QStringLiteral("Incorrect Entry!. Please remember that you cannot rename a user Administrator."),
                            vb::vbCritical, QStringLiteral("User Entry Error!")};
    const BoxExpected same{QStringLiteral("Incorrect Entry!.  The new user cannot be the same as the old one."),
                           vb::vbCritical, QStringLiteral("Error Renaming User")};
    struct Case {
        QString newName;
        std::optional<BoxExpected> refusal;
    };
    const Case cases[] = {
        {QStringLiteral("Administrator"), admin},
        {QStringLiteral("  aDMINISTRATOR "), admin},
        {QStringLiteral("Ella"), same},
        {QStringLiteral(" Ella  "), same},
        {QStringLiteral("ella"), std::nullopt},
        {QStringLiteral("Administrators"), std::nullopt},
        {QStringLiteral("Bob"), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newName.toStdString());
        ScriptedMsgBox boxes;
        if (c.refusal)
            boxes.answer(vb::vbOK);
        bool ok = c.refusal.has_value();
        ValidateUserRename(QStringLiteral("Ella"), c.newName, ok);
        EXPECT_EQ(ok, !c.refusal);
        if (c.refusal)
            expectBoxes(boxes, {*c.refusal});
        else
            EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(ArtistAccountsTest, RenameArtistRefusalsChangeNothing)
{
    const QString clash = QStringLiteral("Cannot rename Ella. The new name you specified, %1, already exists. Please "
                                         "specify a different name.");
    struct Case {
        QString newName;
        BoxExpected box;
    };
    const Case cases[] = {
        {QStringLiteral(" administrator "), {QString(), vb::vbCritical, QStringLiteral("User Entry Error!")}},
        {QStringLiteral("Ella"), {QString(), vb::vbCritical, QStringLiteral("Error Renaming User")}},
        // Passes the rename check, but the old account holds the name.
        {QStringLiteral("ELLA"), {clash.arg(QStringLiteral("ELLA")), vb::vbCritical, QStringLiteral("User Entry Error!")}},
        {QStringLiteral("miles"), {clash.arg(QStringLiteral("miles")), vb::vbCritical, QStringLiteral("User Entry Error!")}},
        {QStringLiteral("Admin"), {clash.arg(QStringLiteral("Admin")), vb::vbCritical, QStringLiteral("User Entry Error!")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newName.toStdString());
        const QStringList before = accounts();
        ScriptedMsgBox boxes;
        boxes.answer(vb::vbOK);
        bool ok = true;
        RenameArtist(artist(QStringLiteral("Ella")), c.newName, ok);
        EXPECT_FALSE(ok);
        expectBoxes(boxes, {c.box});
        EXPECT_EQ(accounts(), before);
        EXPECT_EQ(rowsOf(cat), kSeeded);
    }
}

TEST(ArtistAccountsRoadsTest, RenameArtistLeavesAccountsAndRowsInStepOnEveryRoad)
{
    const QStringList renamed = {
        QStringLiteral("Bob|<Null>"), QStringLiteral("Bob|<Null>"), QStringLiteral("Bob|Blue"),
        QStringLiteral("Miles|<Null>"), QStringLiteral("Bob|Angel Eyes"),
    };
    const BoxExpected statementError{QString(), vb::vbCritical, kStatementError};
    struct Case {
        const char* road;
        std::function<void(const CatalogFixture&)> sabotage;
        bool ok;
        std::vector<BoxExpected> boxes;
        QStringList addedAccounts;
        QStringList goneAccounts;
        QStringList rows;
    };
    const Case cases[] = {
        {"every step succeeds", [](const CatalogFixture&) {}, true, {}, {QStringLiteral("Bob")}, {QStringLiteral("Ella")},
         renamed},
        // The old account would refuse the old name for good: nothing of the rename stays.
        {"the old account cannot be removed",
         [](const CatalogFixture&) {
             jet::testing::failNext(jet::Operation::UsersDelete, 3043, QStringLiteral("Disk or network error."));
         },
         false, {statementError}, {}, {}, kSeeded},
        // An artist without an account gets one under the new name.
        {"the old account was missing already",
         [](const CatalogFixture&) {
             bool deleted = false;
             DeleteUser(QStringLiteral("Ella"), deleted);
             ASSERT_TRUE(deleted);
         },
         true, {statementError}, {QStringLiteral("Bob")}, {}, renamed},
        {"the new account cannot be made",
         [](const CatalogFixture&) {
             jet::testing::failNext(jet::Operation::UsersAppend, 3043, QStringLiteral("Disk or network error."));
         },
         false,
         {{QStringLiteral("Error: 3043-Disk or network error."), vb::vbCritical,
           QStringLiteral("Error Adding User System Information")}},
         {}, {}, kSeeded},
        {"the artist row cannot be added",
         [](const CatalogFixture& cat) {
             refuseBobIn(cat, "records");
         },
         false, {statementError}, {}, {}, kSeeded},
        {"the tables cannot be renamed",
         [](const CatalogFixture& cat) {
             refuseBobIn(cat, "songs");
         },
         false, {statementError}, {}, {}, kSeeded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.road);
        FailureGuard guard;
        CatalogFixture fresh;
        seedEllaAndMiles(fresh);
        c.sabotage(fresh);
        const QStringList before = accounts();
        ScriptedMsgBox boxes;
        for (std::size_t i = 0; i < c.boxes.size(); ++i)
            boxes.answer(vb::vbOK);
        bool ok = !c.ok;
        RenameArtist(artist(QStringLiteral("Ella")), QStringLiteral("Bob"), ok);
        EXPECT_EQ(ok, c.ok);
        expectBoxes(boxes, c.boxes);
        EXPECT_EQ(accounts(), accountsWith(before, c.addedAccounts, c.goneAccounts));
        EXPECT_EQ(rowsOf(fresh), c.rows);
    }
}

} // namespace

#pragma once

// The workgroup file: accounts (users and groups) with salted password hashes
// and memberships. Names compare without regard to case.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

struct sqlite3;

namespace jet {

struct SchemaDefinition;

struct Account {
    QString name;
    QString pid;
    bool isGroup = false;
    std::int64_t rowid = 0; // its place in the order accounts were made
};

namespace workgroup {

// Where the workgroup file's tables are: a connection and the schema that holds
// them there, "main" on the file's own connection or another name where the
// file is attached to a catalogue's connection.
struct Db {
    Db(sqlite3* connection, const char* schemaName = "main") : db(connection), schema(schemaName) {}
    sqlite3* db;
    const char* schema;
};

inline const QString kAdmins = QStringLiteral("Admins");
inline const QString kUsers = QStringLiteral("Users");
inline const QString kProgramUser = QStringLiteral("brevlin");
inline const QString kProgramPassword = QStringLiteral("mossgravel");

// What a workgroup file consists of: the tables accounts and memberships.
// Files are built from this definition only.
const SchemaDefinition& schema();
// Creates the tables of a workgroup file on an empty database.
void createSchema(sqlite3* db);
// The built-in accounts admin, Creator and Engine, the groups Admins and Users,
// and the program's account (member of both groups).
void addBuiltInAccounts(sqlite3* db);

// A second account (user or group) of the same name in any letter case is
// refused (3390).
void addUser(const Db& db, const QString& name, const QString& pid, const QString& password);
void addGroup(const Db& db, const QString& name, const QString& pid);
void addMembership(const Db& db, const QString& user, const QString& group);
// An account for each artist, a member of Users, in the order given. A name
// that has an account already (a built-in one, or the same artist in other
// letter case) and a blank name get none.
void addArtistAccounts(const Db& db, const QStringList& artists, const QString& pid, const QString& password);
void removeAccount(const Db& db, const QString& name);

// True when the user exists, may log on and the password matches.
bool authenticate(const Db& db, const QString& name, const QString& password);
QStringList userNames(const Db& db);
// The user accounts in the order they were made.
std::vector<Account> users(const Db& db);
// The name of the user account at rowid; nullopt when there is none.
std::optional<QString> userAt(const Db& db, std::int64_t rowid);
// The account (user or group) of that name without regard to case.
std::optional<Account> findAccount(const Db& db, const QString& name);
QStringList groupsOf(const Db& db, const QString& user);

} // namespace workgroup
} // namespace jet

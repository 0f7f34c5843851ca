#pragma once

// The workgroup file: accounts (users and groups) with salted password hashes
// and memberships. Names compare without regard to case.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct sqlite3;

namespace jet {

struct Account {
    QString name;
    QString pid;
    bool isGroup = false;
};

namespace workgroup {

inline const QString kAdmins = QStringLiteral("Admins");
inline const QString kUsers = QStringLiteral("Users");
inline const QString kProgramUser = QStringLiteral("brevlin");
inline const QString kProgramPassword = QStringLiteral("mossgravel");

// Creates the tables of a workgroup file on an empty database.
void createSchema(sqlite3* db);
// The built-in accounts admin, Creator and Engine, the groups Admins and Users,
// and the program's account (member of both groups).
void addBuiltInAccounts(sqlite3* db);

// A second account (user or group) of the same name in any letter case is
// refused (3390).
void addUser(sqlite3* db, const QString& name, const QString& pid, const QString& password);
void addGroup(sqlite3* db, const QString& name, const QString& pid);
void addMembership(sqlite3* db, const QString& user, const QString& group);
void removeAccount(sqlite3* db, const QString& name);

// True when the user exists, may log on and the password matches.
bool authenticate(sqlite3* db, const QString& name, const QString& password);
QStringList userNames(sqlite3* db);
// The user accounts in the order they were made.
std::vector<Account> users(sqlite3* db);
// The account (user or group) of that name without regard to case.
std::optional<Account> findAccount(sqlite3* db, const QString& name);
QStringList groupsOf(sqlite3* db, const QString& user);

} // namespace workgroup
} // namespace jet

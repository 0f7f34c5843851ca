#pragma once

// The database engine with the DAO objects the program uses. Every failure
// throws jet::Error (number and plain description).

#include "jet/Error.h"
#include "vb/VbTypes.h"

#include <QString>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace jet {

enum RecordsetType : int { dbOpenTable = 1, dbOpenDynaset = 2, dbOpenSnapshot = 4, dbOpenForwardOnly = 8 };

enum class FieldType { Text, Date, Currency, Long, Boolean, Double, Binary };

struct RepairReport;

namespace detail {
struct Connection;
struct DatabaseHandle;
struct RecordsetData;
struct WorkspaceState;
} // namespace detail

// One column of the current row. Value() is a null QVariant for Null; a date is
// a vb::Date (double), a currency a vb::Currency (qint64), a long an int.
class Field {
public:
    QString Name() const { return name_; }
    FieldType Type() const { return type_; }
    bool IsNull() const { return value_.isNull(); }
    QVariant Value() const { return value_; }

    std::optional<QString> Text() const;
    std::optional<vb::Date> Date() const;
    std::optional<vb::Currency> Currency() const;
    std::optional<std::int32_t> Long() const;
    std::optional<bool> Boolean() const;

private:
    friend class Recordset;
    Field(QString name, FieldType type, QVariant value) : name_(std::move(name)), type_(type), value_(std::move(value)) {}
    QString name_;
    FieldType type_;
    QVariant value_;
};

// A snapshot: the rows are read when it opens. RecordCount counts the rows
// visited so far (all of them after MoveLast), as a snapshot does.
class Recordset {
public:
    Recordset() = default;

    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    int RecordCount() const;
    int FieldCount() const;
    Field Fields(const QString& name) const; // without regard to case
    Field Fields(int index) const;
    // The UTF-8 bytes of a text field of the current row as the snapshot keeps
    // them, for readers of many rows; nullopt for Null or a field of another
    // kind. Valid while the record set stays open.
    std::optional<std::string_view> TextBytes(int index) const;
    void Close();
    bool isOpen() const { return static_cast<bool>(d_); }

private:
    friend class Database;
    std::shared_ptr<detail::RecordsetData> d_;
};

class Database {
public:
    Database() = default;

    // Runs one action statement.
    void Execute(const QString& sql, int options = 0);
    Recordset OpenRecordset(const QString& sql, int type = dbOpenSnapshot, int options = 0);
    // Closing a database that is not open does nothing.
    void Close();
    // Rows changed by the last Execute.
    int RecordsAffected() const;
    QString Name() const;
    bool isOpen() const;

private:
    friend class Workspace;
    detail::Connection* connection() const;
    std::shared_ptr<detail::DatabaseHandle> h_;
};

namespace detail {
struct AccountData;
} // namespace detail

// A group object: either made by User::CreateGroup to name an existing group
// for a membership, or read from a user's Groups.
class Group {
public:
    Group() = default;
    QString Name() const;
    void setName(const QString& name);
    QString PID() const;
    void setPID(const QString& pid);

private:
    friend class User;
    friend class Groups;
    std::shared_ptr<detail::AccountData> d_;
};

// The groups a user belongs to. Append makes the user a member of an existing
// group of the workgroup file (3265 when there is no such group).
class Groups {
public:
    int Count() const;
    Group Item(int index) const;
    Group Item(const QString& name) const; // without regard to case; 3265 when absent
    Group operator()(const QString& name) const { return Item(name); }
    Group operator()(int index) const { return Item(index); }
    void Append(const Group& group);
    void Refresh();
    std::vector<Group>::const_iterator begin() const { return groups_.begin(); }
    std::vector<Group>::const_iterator end() const { return groups_.end(); }

private:
    friend class User;
    std::shared_ptr<detail::AccountData> user_;
    std::vector<Group> groups_;
};

// An account. One made by Workspace::CreateUser lives only in memory until
// Users::Append writes it to the workgroup file; from then on its name, PID and
// password are fixed (3219 on a change). The password is write-only: the file
// keeps a salted hash of it and nothing else.
class User {
public:
    User() = default;
    QString Name() const;
    void setName(const QString& name);
    QString PID() const;
    void setPID(const QString& pid);
    void setPassword(const QString& password);
    // A group object of the given name, to append to Groups().
    Group CreateGroup(const QString& name = QString(), const QString& pid = QString()) const;
    // The user's memberships; 3219 for a user not yet appended.
    jet::Groups Groups() const;

private:
    friend class Users;
    friend class Workspace;
    std::shared_ptr<detail::AccountData> d_;
};

namespace detail {
struct AccountList;
} // namespace detail

// The user accounts of the workgroup file the workspace logged on to, in the
// order they were made: the built-in admin, Creator and Engine, the program's
// account, then the ones appended since. Names compare without regard to case.
// Changes made inside a workspace transaction are undone by its Rollback.
// The collection is what the file held when it was read: the workspace keeps
// the list compactly and reads the file again only after another connection
// has changed it; a User object is made only for an account asked for.
class Users {
public:
    int Count() const;
    User Item(int index) const;
    User Item(const QString& name) const; // 3265 when absent
    User operator()(const QString& name) const { return Item(name); }
    User operator()(int index) const { return Item(index); }
    // The name of the account at index, without a User object for it; the
    // view is valid while the collection lives.
    QString Name(int index) const;
    QStringView NameView(int index) const;
    // Writes the account; 3390 when an account (user or group) of that name
    // exists in any letter case, 3030 for a blank name, 3304 for a PID that is
    // not 4 to 20 characters.
    void Append(const User& user);
    // 3265 when there is no such user; 3033 for the engine's own accounts and
    // the one the workspace logged on with.
    void Delete(const QString& name);
    // Reads the accounts from the workgroup file again.
    void Refresh();

    class const_iterator {
    public:
        using value_type = User;
        using difference_type = std::ptrdiff_t;
        User operator*() const { return users_->Item(index_); }
        const_iterator& operator++()
        {
            ++index_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }

    private:
        friend class Users;
        const_iterator(const Users* users, int index) : users_(users), index_(index) {}
        const Users* users_;
        int index_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, Count()}; }

private:
    friend class Workspace;
    std::weak_ptr<detail::WorkspaceState> workspace_;
    std::shared_ptr<const detail::AccountList> list_;
};

// A session of one account. A transaction begun on it covers every database
// opened in it (and the workgroup file) until it commits or rolls back. One
// begun while a database is open commits that database and the workgroup file
// in one step: both or neither, also when the process dies part-way.
class Workspace {
public:
    QString UserName() const;
    void BeginTrans();
    void CommitTrans();
    void Rollback();
    // Rolls back what is pending and closes every database opened in it.
    void Close();
    // connect: ";uid=<name>;pwd=<password>" overrides the workspace's account.
    Database OpenDatabase(const QString& name, bool exclusive = false, bool readOnly = false,
                          const QString& connect = QString());
    jet::Users Users() const;
    // A new account in memory; Users().Append writes it.
    User CreateUser(const QString& name = QString(), const QString& pid = QString(),
                    const QString& password = QString()) const;
    int TransactionLevel() const;

private:
    friend class Workspaces;
    friend class DBEngine;
    explicit Workspace(std::shared_ptr<detail::WorkspaceState> s) : s_(std::move(s)) {}
    std::shared_ptr<detail::WorkspaceState> s_;
};

class Workspaces {
public:
    int Count() const;
    // Index 0 is the default workspace, created on first use with the engine's
    // DefaultUser and DefaultPassword.
    Workspace operator()(int index) const { return Item(index); }
    Workspace Item(int index) const;
    void Refresh();
};

// The engine object.
class DBEngine {
public:
    static QString SystemDB();
    static void setSystemDB(const QString& path);
    static QString DefaultUser();
    static void setDefaultUser(const QString& name);
    static QString DefaultPassword();
    static void setDefaultPassword(const QString& password);
    // How long a statement waits for a lock held by another process.
    static int LockTimeoutMs();
    static void setLockTimeoutMs(int ms);

    static jet::Workspaces Workspaces() { return {}; }
    static Database OpenDatabase(const QString& name, bool exclusive = false, bool readOnly = false,
                                 const QString& connect = QString());
    static void BeginTrans();
    static void CommitTrans();
    static void Rollback();
    static void Idle();
    // Maintenance (DBEngineMaintenance.cpp): a compacted copy of source in the
    // new file destination; a check of the file that salvages a damaged one in
    // place. Both refuse a database the engine has open.
    static void CompactDatabase(const QString& source, const QString& destination, const QString& locale = QString(),
                                int options = 0, const QString& password = QString());
    // report (optional) receives what a repair that replaced the file did.
    // While the workgroup file cannot be read, nobody can be logged on to it
    // and the repair runs without.
    static void RepairDatabase(const QString& path, RepairReport* report = nullptr);
    // When the workgroup file (SystemDB) exists but cannot be read as one,
    // puts a new one in its place, built from the engine's own definition:
    // the built-in accounts and groups, the program's account, and one account
    // for each distinct artist of the catalogue with the given personal
    // identifier and password, a member of Users. The damaged file is kept
    // beside it; returns that name, or nothing when the file was readable and
    // is left alone. The file is replaced in one rename.
    static QString RebuildWorkgroup(const QString& catalogue, const QString& pid, const QString& password);
    // Compacts the workgroup file (SystemDB) in its place, every account and
    // membership kept; the file is replaced in one rename.
    static void CompactWorkgroup();
};

// True when two texts are equal as the engine compares text (in statements and
// account names): without regard to letter case, one character at a time.
bool SameText(const QString& a, const QString& b);
bool SameText(QStringView a, QStringView b);

} // namespace jet

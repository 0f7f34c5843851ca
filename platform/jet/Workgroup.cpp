#include "jet/Workgroup.h"

#include "jet/FileIdentity.h"
#include "jet/Schema.h"
#include "jet/Sqlite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRandomGenerator>

namespace jet::workgroup {

using detail::Stmt;

namespace {

QByteArray newSalt()
{
    QByteArray salt(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), salt.size() / 4);
    return salt;
}

QByteArray passwordHash(const QByteArray& salt, const QString& password)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(salt);
    h.addData(password.toUtf8());
    return h.result();
}

// A statement of the engine's own SQL, "{wg}" standing for the schema that
// holds the workgroup tables.
Stmt statement(const Db& db, const char* text)
{
    const QByteArray schema = QByteArray("\"") + db.schema + "\"";
    const char* file = sqlite3_db_filename(db.db, db.schema);
    return Stmt(db.db, QByteArray(text).replace("{wg}", schema).constData(),
                file ? QDir::toNativeSeparators(QString::fromUtf8(file)) : QString());
}

void addAccount(const Db& db, const QString& name, const QString& pid, bool isGroup, bool canLogOn,
                const QString& password)
{
    if (findAccount(db, name))
        throw Error(err::AccountExists, QStringLiteral("Account name already exists."));
    const QByteArray salt = newSalt();
    StampedWrite write(db.db);
    statement(db, "INSERT INTO {wg}.accounts (name, pid, is_group, can_logon, salt, hash) "
                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6)")
        .bind(1, name)
        .bind(2, pid)
        .bind(3, isGroup ? 1 : 0)
        .bind(4, canLogOn ? 1 : 0)
        .bind(5, salt)
        .bind(6, isGroup ? QByteArray() : passwordHash(salt, password))
        .step();
    write.commit();
}

} // namespace

const SchemaDefinition& schema()
{
    static const SchemaDefinition definition = [] {
        const QString name = QStringLiteral("TEXT NOT NULL COLLATE JETTEXT");
        SchemaDefinition s;
        s.tables = {
            {QStringLiteral("accounts"),
             {{QStringLiteral("name"), name + QStringLiteral(" UNIQUE")},
              {QStringLiteral("pid"), QStringLiteral("TEXT NOT NULL")},
              {QStringLiteral("is_group"), QStringLiteral("INTEGER NOT NULL")},
              {QStringLiteral("can_logon"), QStringLiteral("INTEGER NOT NULL")},
              {QStringLiteral("salt"), QStringLiteral("BLOB NOT NULL")},
              {QStringLiteral("hash"), QStringLiteral("BLOB")}}},
            {QStringLiteral("memberships"),
             {{QStringLiteral("user"), name}, {QStringLiteral("grp"), name}},
             {QStringLiteral("PRIMARY KEY (user, grp)")}},
        };
        s.probe = QStringLiteral("SELECT a.name, a.salt, a.hash, m.grp FROM accounts a LEFT JOIN memberships m ON m.user = a.name");
        s.applicationId = kWorkgroupApplicationId;
        // Version 1 was the same tables without the stamp table.
        s.version = 2;
        return s;
    }();
    return definition;
}

void createSchema(sqlite3* db)
{
    for (const TableDefinition& table : schema().tables)
        detail::exec(db, table.createStatement().toUtf8().constData());
}

void addBuiltInAccounts(sqlite3* db)
{
    addGroup(db, kAdmins, QStringLiteral("Admins"));
    addGroup(db, kUsers, QStringLiteral("Users"));
    addUser(db, QStringLiteral("admin"), QStringLiteral("admin"), QString());
    addMembership(db, QStringLiteral("admin"), kAdmins);
    addMembership(db, QStringLiteral("admin"), kUsers);
    // Creator and Engine are the engine's own; nobody logs on with them.
    addAccount(db, QStringLiteral("Creator"), QStringLiteral("Creator"), false, false, newSalt().toHex());
    addAccount(db, QStringLiteral("Engine"), QStringLiteral("Engine"), false, false, newSalt().toHex());
    addUser(db, kProgramUser, kProgramUser, kProgramPassword);
    addMembership(db, kProgramUser, kAdmins);
    addMembership(db, kProgramUser, kUsers);
}

void addUser(const Db& db, const QString& name, const QString& pid, const QString& password)
{
    addAccount(db, name, pid, false, true, password);
}

void addGroup(const Db& db, const QString& name, const QString& pid) { addAccount(db, name, pid, true, false, {}); }

void addMembership(const Db& db, const QString& user, const QString& group)
{
    StampedWrite write(db.db);
    statement(db, "INSERT INTO {wg}.memberships (user, grp) VALUES (?1, ?2)").bind(1, user).bind(2, group).step();
    write.commit();
}

void addArtistAccounts(const Db& db, const QStringList& artists, const QString& pid, const QString& password)
{
    StampedWrite write(db.db);
    for (const QString& artist : artists) {
        if (artist.trimmed().isEmpty() || findAccount(db, artist))
            continue;
        addUser(db, artist, pid, password);
        addMembership(db, artist, kUsers);
    }
    write.commit();
}

void removeAccount(const Db& db, const QString& name)
{
    StampedWrite write(db.db);
    statement(db, "DELETE FROM {wg}.memberships WHERE user = ?1 OR grp = ?1").bind(1, name).step();
    statement(db, "DELETE FROM {wg}.accounts WHERE name = ?1").bind(1, name).step();
    write.commit();
}

bool authenticate(const Db& db, const QString& name, const QString& password)
{
    Stmt s = statement(db, "SELECT salt, hash FROM {wg}.accounts WHERE name = ?1 AND is_group = 0 AND can_logon = 1");
    s.bind(1, name);
    if (!s.step())
        return false;
    return passwordHash(s.blob(0), password) == s.blob(1);
}

QStringList userNames(const Db& db)
{
    QStringList names;
    Stmt s = statement(db, "SELECT name FROM {wg}.accounts WHERE is_group = 0 ORDER BY rowid");
    while (s.step())
        names << s.text(0);
    return names;
}

std::vector<Account> users(const Db& db)
{
    std::vector<Account> out;
    Stmt s = statement(db, "SELECT name, pid, rowid FROM {wg}.accounts WHERE is_group = 0 ORDER BY rowid");
    QString pid;
    while (s.step()) {
        // Every artist's account has the same personal identifier: one copy of it serves them all.
        const QString read = s.text(1);
        if (read != pid)
            pid = read;
        out.push_back(Account{s.text(0), pid, false, s.integer64(2)});
    }
    return out;
}

std::optional<QString> userAt(const Db& db, std::int64_t rowid)
{
    Stmt s = statement(db, "SELECT name FROM {wg}.accounts WHERE rowid = ?1 AND is_group = 0");
    s.bind64(1, rowid);
    if (!s.step())
        return std::nullopt;
    return s.text(0);
}

std::optional<Account> findAccount(const Db& db, const QString& name)
{
    Stmt s = statement(db, "SELECT name, pid, is_group, rowid FROM {wg}.accounts WHERE name = ?1");
    s.bind(1, name);
    if (!s.step())
        return std::nullopt;
    return Account{s.text(0), s.text(1), s.integer(2) != 0, s.integer64(3)};
}

QStringList groupsOf(const Db& db, const QString& user)
{
    QStringList names;
    Stmt s = statement(db, "SELECT grp FROM {wg}.memberships WHERE user = ?1 ORDER BY grp");
    s.bind(1, user);
    while (s.step())
        names << s.text(0);
    return names;
}

} // namespace jet::workgroup

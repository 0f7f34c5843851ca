#include "catalog/ArtistAccounts.h"

#include "catalog/CatalogStatements.h"
#include "catalog/DataAccess.h"
#include "catalog/NameRules.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"
#include "vb/VbTypes.h"

jet::User WorkgroupUser;

namespace {

const QString kAddUserTitle = QStringLiteral("Error Adding User System Information");

jet::Workspace defaultWorkspace() { return jet::DBEngine::Workspaces()(0); }

void rollbackQuietly()
{
    try {
        jet::DBEngine::Rollback();
    } catch (const jet::Error&) {
    }
}

void showAddUserError(const jet::Error& e)
{
    vb::MsgBox(QStringLiteral("Error: ") + QString::number(e.Number()) + QStringLiteral("-") + e.Description(),
               vb::vbCritical, kAddUserTitle);
}

// One change of an artist across the catalogue and the workgroup file, all or
// nothing: the catalogue is open before the transaction begins, so the engine
// commits both files together, and a kill part-way leaves neither changed.
// What runs inside (the routines below, with their own nested transactions)
// stays only once Commit succeeds; anything else is rolled back.
class ArtistChange {
public:
    ArtistChange()
    {
        try {
            catalog_ = jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString);
            jet::DBEngine::BeginTrans();
            begun_ = true;
        } catch (const jet::Error& e) {
            ShowStatementErrorBox(e.Description());
        }
    }
    ~ArtistChange()
    {
        if (begun_)
            rollbackQuietly();
        try {
            catalog_.Close();
        } catch (const jet::Error&) {
        }
    }
    ArtistChange(const ArtistChange&) = delete;
    ArtistChange& operator=(const ArtistChange&) = delete;

    bool begun() const { return begun_; }

    void Commit(bool& ok)
    {
        ok = false;
        if (!begun_)
            return;
        try {
            jet::DBEngine::CommitTrans();
            begun_ = false;
            ok = true;
        } catch (const jet::Error& e) {
            ShowStatementErrorBox(e.Description());
        }
    }

private:
    jet::Database catalog_;
    bool begun_ = false;
};

// DeleteUser failed: does the account still stand? A name whose account was
// missing already is no reason to undo the rest of a change.
bool accountRemains(const QString& name)
{
    try {
        defaultWorkspace().Users().Item(vb::Trim(name));
        return true;
    } catch (const jet::Error& e) {
        return e.Number() != jet::err::ItemNotFound;
    }
}

} // namespace

void AddUser(const QString& name, const QString& password, bool& ok)
{
    ok = false;
    try {
        jet::DBEngine::BeginTrans();
    } catch (const jet::Error& e) {
        showAddUserError(e);
        return;
    }
    jet::User user;
    try {
        jet::Workspace ws = defaultWorkspace();
        user = ws.CreateUser(name, ArtistAccount::PID, password);
        ws.Users().Append(user);
    } catch (const jet::Error& e) {
        rollbackQuietly();
        showAddUserError(e);
        return;
    }
    try {
        user.Groups().Append(user.CreateGroup(ArtistAccount::Group));
    } catch (const jet::Error& e) {
        rollbackQuietly();
        vb::MsgBox(e.Description(), vb::vbCritical, kAddUserTitle);
        return;
    }
    try {
        jet::DBEngine::CommitTrans();
    } catch (const jet::Error& e) {
        rollbackQuietly();
        showAddUserError(e);
        return;
    }
    ok = true;
}

void UserExists(const QString& name, bool& found)
{
    found = false;
    const QString wanted = vb::Trim(name);
    try {
        const jet::Users users = defaultWorkspace().Users();
        const int count = users.Count();
        // The loop variable is the user found; a user object is made for it
        // alone, and the walk that finds none leaves it empty.
        WorkgroupUser = jet::User();
        for (int i = 0; i < count; ++i) {
            QStringView name = users.NameView(i);
            while (name.startsWith(u' '))
                name = name.mid(1);
            while (name.endsWith(u' '))
                name.chop(1);
            // Letter case folded as the engine folds it, so that the accounts
            // and the catalogue's rows agree on which names are the same.
            if (jet::SameText(name, wanted)) {
                WorkgroupUser = users.Item(i);
                found = true;
                return;
            }
        }
    } catch (const jet::Error& e) {
        // Accounts we cannot read may hold the name: never let a duplicate through.
        ShowDatabaseAccessErrorBox(e.Description());
        found = true;
    }
}

void DeleteUser(const QString& name, bool& ok)
{
    ok = false;
    try {
        jet::DBEngine::BeginTrans();
    } catch (const jet::Error& e) {
        ShowStatementErrorBox(e.Description());
        return;
    }
    try {
        jet::Workspace ws = defaultWorkspace();
        WorkgroupUser = ws.Users().Item(vb::Trim(name));
        ws.Users().Delete(WorkgroupUser.Name());
        jet::DBEngine::CommitTrans();
    } catch (const jet::Error& e) {
        rollbackQuietly();
        ShowStatementErrorBox(e.Description());
        return;
    }
    ok = true;
}

void ValidateUserRename(const QString& oldName, const QString& newName, bool& ok)
{
    ok = false;
    const QString trimmed = vb::Trim(newName);
    if (jet::SameText(trimmed, QStringLiteral("Administrator"))) {
        vb::MsgBox(QStringLiteral("Incorrect Entry!. Please remember that you cannot rename a user Administrator."),
                   vb::vbCritical, QStringLiteral("User Entry Error!"));
        return;
    }
    if (trimmed != oldName) {
        ok = true;
        return;
    }
    vb::MsgBox(QStringLiteral("Incorrect Entry!.  The new user cannot be the same as the old one."), vb::vbCritical,
               QStringLiteral("Error Renaming User"));
}

void AddArtistRow(const QString& name, bool& ok)
{
    ok = false;
    CatalogEntry entry;
    entry.Artist = name;
    entry.Level = Level::Artist;
    ExecInsertItem(entry, ok);
}

void AddArtist(const QString& name, bool& userAdded, bool& ok)
{
    userAdded = false;
    ok = false;
    ArtistChange change;
    if (!change.begun())
        return;
    AddUser(name, ArtistAccount::Password, userAdded);
    if (!userAdded)
        return;
    bool added = false;
    AddArtistRow(name, added);
    if (added)
        change.Commit(ok);
}

void DeleteArtist(const CatalogEntry& entry, const bool& askConfirm, bool& ok)
{
    ok = false;
    if (askConfirm) {
        QString name;
        bool named = false;
        GetItemName(entry, name, named);
        const int answer = vb::MsgBox(QStringLiteral("Are you sure you want to delete the folder, ") + name
                                          + QStringLiteral(", with all its related contents?"),
                                      vb::vbYesNo, QStringLiteral("Confirm Folder Owner Delete"));
        if (answer != vb::vbYes)
            return;
    }
    ArtistChange change;
    if (!change.begun())
        return;
    bool deleted = false;
    ExecDeleteItem(entry, deleted);
    if (!deleted)
        return;
    // An artist whose account is missing already loses only its rows. DeleteUser
    // shows its own box when it fails; the rows then stay as well.
    if (accountRemains(entry.Artist)) {
        bool accountDeleted = false;
        DeleteUser(entry.Artist, accountDeleted);
        if (!accountDeleted && accountRemains(entry.Artist))
            return;
    }
    change.Commit(ok);
}

void RenameArtist(const CatalogEntry& oldEntry, const QString& newName, bool& ok)
{
    ok = false;
    const QString oldName = oldEntry.Artist;
    [&] {
        bool step = false;
        ValidateUserRename(oldName, newName, step);
        if (!step)
            return;

        bool found = false;
        UserExists(newName, found);
        if (found) {
            vb::MsgBox(QStringLiteral("Cannot rename ") + oldName + QStringLiteral(". The new name you specified, ")
                           + newName + QStringLiteral(", already exists. Please specify a different name."),
                       vb::vbCritical, QStringLiteral("User Entry Error!"));
            return;
        }

        ArtistChange change;
        if (!change.begun())
            return;
        AddUser(newName, ArtistAccount::Password, step);
        if (!step)
            return;
        AddArtistRow(newName, step);
        if (!step)
            return;
        CatalogEntry artist = oldEntry;
        artist.Level = Level::Artist;
        ExecRenameItem(artist, newName, step);
        if (!step)
            return;
        // A failure has shown its own box; the old account staying would refuse
        // the old name for good, so the whole rename is undone.
        DeleteUser(oldName, step);
        if (!step && accountRemains(oldName))
            return;
        change.Commit(ok);
    }();
    vb::DoEvents();
}

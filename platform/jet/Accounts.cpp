#include "jet/Engine.h"

#include "jet/Collation.h"
#include "jet/EngineDetail.h"
#include "jet/Testing.h"
#include "jet/Workgroup.h"
#include "vb/VbTypes.h"

#include <deque>
#include <map>

namespace jet {

using detail::AccountData;
using detail::WorkspaceState;

namespace {

Error itemNotFound() { return Error(err::ItemNotFound, QStringLiteral("Item not found in this collection.")); }
Error invalidOperation() { return Error(err::InvalidOperation, QStringLiteral("Invalid operation.")); }

std::shared_ptr<AccountData> newAccount(const QString& name, const QString& pid, const std::weak_ptr<WorkspaceState>& ws)
{
    auto d = std::make_shared<AccountData>();
    d->name = name;
    d->pid = pid;
    d->workspace = ws;
    return d;
}

// The workgroup file of the workspace an appended account was read from or written to.
workgroup::Db workgroupOfAccount(const std::shared_ptr<AccountData>& d)
{
    if (!d || !d->appended)
        throw invalidOperation();
    return detail::workgroupDb(detail::liveWorkspace(d->workspace.lock()));
}

AccountData& unappended(const std::shared_ptr<AccountData>& d)
{
    if (!d)
        throw Error(err::ObjectInvalid, QStringLiteral("Object invalid or no longer set."));
    if (d->appended)
        throw invalidOperation();
    return *d;
}

bool sameName(const QString& a, const QString& b) { return SameText(a, b); }

std::map<Operation, std::deque<Error>>& failures()
{
    static std::map<Operation, std::deque<Error>> f;
    return f;
}

} // namespace

bool SameText(const QString& a, const QString& b) { return compareText(a, b) == 0; }

// ---- test seam ----

void testing::failNext(Operation op, int number, const QString& description)
{
    failures()[op].emplace_back(number, description);
}

void testing::clearFailures() { failures().clear(); }

void detail::injectedFailure(Operation op)
{
    auto it = failures().find(op);
    if (it == failures().end() || it->second.empty())
        return;
    const Error e = it->second.front();
    it->second.pop_front();
    throw e;
}

// ---- Group ----

QString Group::Name() const { return d_ ? d_->name : QString(); }
void Group::setName(const QString& name) { unappended(d_).name = name; }
QString Group::PID() const { return d_ ? d_->pid : QString(); }
void Group::setPID(const QString& pid) { unappended(d_).pid = pid; }

// ---- Groups ----

int Groups::Count() const { return static_cast<int>(groups_.size()); }

Group Groups::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw itemNotFound();
    return groups_[index];
}

Group Groups::Item(const QString& name) const
{
    for (const Group& g : groups_)
        if (sameName(g.Name(), name))
            return g;
    throw itemNotFound();
}

void Groups::Append(const Group& group)
{
    const workgroup::Db db = workgroupOfAccount(user_);
    if (!group.d_)
        throw Error(err::ObjectInvalid, QStringLiteral("Object invalid or no longer set."));
    detail::injectedFailure(Operation::GroupsAppend);
    const auto found = workgroup::findAccount(db, group.d_->name);
    if (!found || !found->isGroup)
        throw itemNotFound();
    for (const QString& g : workgroup::groupsOf(db, user_->name))
        if (sameName(g, found->name))
            throw Error(err::AccountExists, QStringLiteral("Account name already exists."));
    workgroup::addMembership(db, user_->name, found->name);
    Group member;
    member.d_ = newAccount(found->name, found->pid, user_->workspace);
    member.d_->appended = true;
    groups_.push_back(member);
}

void Groups::Refresh()
{
    const workgroup::Db db = workgroupOfAccount(user_);
    std::vector<Group> fresh;
    for (const QString& name : workgroup::groupsOf(db, user_->name)) {
        Group g;
        const auto found = workgroup::findAccount(db, name);
        g.d_ = newAccount(name, found ? found->pid : QString(), user_->workspace);
        g.d_->appended = true;
        fresh.push_back(g);
    }
    groups_ = std::move(fresh);
}

// ---- User ----

QString User::Name() const { return d_ ? d_->name : QString(); }
void User::setName(const QString& name) { unappended(d_).name = name; }
QString User::PID() const { return d_ ? d_->pid : QString(); }
void User::setPID(const QString& pid) { unappended(d_).pid = pid; }
void User::setPassword(const QString& password) { unappended(d_).password = password; }

Group User::CreateGroup(const QString& name, const QString& pid) const
{
    Group g;
    g.d_ = newAccount(name, pid, d_ ? d_->workspace : std::weak_ptr<WorkspaceState>());
    return g;
}

Groups User::Groups() const
{
    jet::Groups groups;
    groups.user_ = d_;
    groups.Refresh();
    return groups;
}

// ---- Users ----

int Users::Count() const { return static_cast<int>(users_.size()); }

User Users::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw itemNotFound();
    return users_[index];
}

User Users::Item(const QString& name) const
{
    for (const User& u : users_)
        if (sameName(u.Name(), name))
            return u;
    throw itemNotFound();
}

void Users::Append(const User& user)
{
    WorkspaceState& ws = detail::liveWorkspace(workspace_.lock());
    AccountData& d = unappended(user.d_);
    const workgroup::Db db = detail::workgroupDb(ws);
    detail::injectedFailure(Operation::UsersAppend);
    if (d.name.trimmed().isEmpty() || vb::hasLoneSurrogate(d.name))
        throw Error(err::InvalidAccountName, QStringLiteral("'%1' isn't a valid account name.").arg(d.name));
    if (d.pid.size() < 4 || d.pid.size() > 20)
        throw Error(err::InvalidPid, QStringLiteral("You must enter a personal identifier (PID) consisting of at least "
                                                    "four and no more than 20 characters and digits."));
    workgroup::addUser(db, d.name, d.pid, d.password);
    d.password.clear(); // only its hash is kept, in the file
    d.appended = true;
    d.workspace = workspace_;
    users_.push_back(user);
}

void Users::Delete(const QString& name)
{
    WorkspaceState& ws = detail::liveWorkspace(workspace_.lock());
    const workgroup::Db db = detail::workgroupDb(ws);
    detail::injectedFailure(Operation::UsersDelete);
    const auto found = workgroup::findAccount(db, name);
    if (!found || found->isGroup)
        throw itemNotFound();
    static const QStringList builtIn = {QStringLiteral("admin"), QStringLiteral("Creator"), QStringLiteral("Engine")};
    bool refused = sameName(found->name, ws.user);
    for (const QString& b : builtIn)
        refused = refused || sameName(found->name, b);
    if (refused)
        throw Error(err::NoPermission,
                    QStringLiteral("You do not have the necessary permissions to use the '%1' object. Have your system "
                                   "administrator or the person who created this object establish the appropriate "
                                   "permissions for you.")
                        .arg(found->name));
    workgroup::removeAccount(db, found->name);
    users_.erase(std::remove_if(users_.begin(), users_.end(), [&](const User& u) { return sameName(u.Name(), name); }),
                 users_.end());
}

void Users::Refresh()
{
    WorkspaceState& ws = detail::liveWorkspace(workspace_.lock());
    std::vector<User> fresh;
    for (const Account& a : workgroup::users(detail::workgroupDb(ws))) {
        User u;
        u.d_ = newAccount(a.name, a.pid, workspace_);
        u.d_->appended = true;
        fresh.push_back(u);
    }
    users_ = std::move(fresh);
}

// ---- Workspace ----

Users Workspace::Users() const
{
    jet::Users users;
    users.workspace_ = s_;
    users.Refresh();
    return users;
}

User Workspace::CreateUser(const QString& name, const QString& pid, const QString& password) const
{
    detail::liveWorkspace(s_);
    User u;
    u.d_ = newAccount(name, pid, s_);
    u.d_->password = password;
    return u;
}

} // namespace jet

#include "jet/Engine.h"

#include "jet/Collation.h"
#include "jet/EngineDetail.h"
#include "jet/Testing.h"
#include "jet/Workgroup.h"
#include "vb/VbTypes.h"

#include <algorithm>
#include <deque>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool SameText(QStringView a, QStringView b) { return compareText(a, b) == 0; }

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

// ---- the account list ----

// The user accounts compactly, in rowid order (the order they were made):
// every name one after another in one block of text, so that a walk over tens
// of thousands of them reads one run of memory; the personal identifiers (all
// alike but for the engine's own accounts) once each.
struct detail::AccountList {
    struct Entry {
        std::int64_t rowid;
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t pid;
    };
    QString names;
    std::vector<QString> pids;
    std::vector<Entry> entries;

    std::size_t size() const { return entries.size(); }
    QStringView name(std::size_t i) const { return QStringView(names).mid(entries[i].offset, entries[i].length); }
    const QString& pid(std::size_t i) const { return pids[entries[i].pid]; }

    void add(const Account& a)
    {
        auto p = std::find(pids.begin(), pids.end(), a.pid);
        if (p == pids.end())
            p = pids.insert(pids.end(), a.pid);
        entries.push_back({a.rowid, static_cast<std::uint32_t>(names.size()), static_cast<std::uint32_t>(a.name.size()),
                           static_cast<std::uint32_t>(p - pids.begin())});
        names += a.name;
    }
    void eraseRowid(std::int64_t rowid)
    {
        const auto at = std::lower_bound(entries.begin(), entries.end(), rowid,
                                         [](const Entry& e, std::int64_t r) { return e.rowid < r; });
        if (at != entries.end() && at->rowid == rowid)
            entries.erase(at);
    }
};

// What the workspace knows of the workgroup file's user accounts: the list as
// read, kept up to date by the workspace's own Append and Delete, and how to
// tell whether anything else has changed the file since. In rollback-journal
// mode every committed write, by any connection or process, raises the file's
// change counter by one; the workspace's own changes since the counter was
// last matched are noted, so that their commit is told from anything else and
// their rollback noticed.
struct detail::AccountCache {
    std::shared_ptr<AccountList> list;
    std::pair<dev_t, ino_t> identity{};
    std::uint32_t counter = 0;
    // Read inside a transaction: until it has committed the list may hold
    // changes of its own that a rollback would take back.
    bool readInTransaction = false;
    struct Change {
        std::int64_t rowid;
        std::optional<QString> name; // the user appended; nullopt for one deleted
    };
    std::vector<Change> changes;
};

namespace {

using detail::AccountCache;
using detail::AccountList;

struct FileState {
    std::pair<dev_t, ino_t> identity;
    std::uint32_t counter;
    bool operator==(const FileState&) const = default;
};

// The identity and change counter of the file that holds the workgroup tables.
std::optional<FileState> fileState(const workgroup::Db& db)
{
    const char* path = sqlite3_db_filename(db.db, db.schema);
    if (!path || !*path)
        return std::nullopt;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    unsigned char bytes[4] = {};
    const bool read = ::fstat(fd, &st) == 0 && ::pread(fd, bytes, sizeof bytes, 24) == static_cast<ssize_t>(sizeof bytes);
    ::close(fd);
    if (!read)
        return std::nullopt;
    const std::uint32_t counter = (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16)
                                  | (std::uint32_t(bytes[2]) << 8) | std::uint32_t(bytes[3]);
    return FileState{{st.st_dev, st.st_ino}, counter};
}

// True when every change noted is still what the file holds.
bool changesHold(const workgroup::Db& db, const AccountCache& cache)
{
    for (const AccountCache::Change& c : cache.changes) {
        const std::optional<QString> name = workgroup::userAt(db, c.rowid);
        if (name != c.name)
            return false;
    }
    return true;
}

// Whether the list still is the file's, given the file's state now.
bool stillCurrent(AccountCache& cache, const workgroup::Db& db, const FileState& now, int level)
{
    if (!cache.list || now.identity != cache.identity || !changesHold(db, cache))
        return false;
    if (now.counter == cache.counter + 1 && !cache.changes.empty()) {
        // The transaction the changes were made in has committed, and nothing else came between.
        cache.counter = now.counter;
        cache.changes.clear();
        cache.readInTransaction = false;
        return true;
    }
    if (now.counter != cache.counter)
        return false;
    // Outside a transaction, changes the file's counter has not seen were rolled back.
    return level > 0 || (cache.changes.empty() && !cache.readInTransaction);
}

void readAccounts(AccountCache& cache, const workgroup::Db& db, int level)
{
    const std::optional<FileState> before = fileState(db);
    auto list = std::make_shared<AccountList>();
    const std::vector<Account> users = workgroup::users(db);
    qsizetype length = 0;
    for (const Account& a : users)
        length += a.name.size();
    list->names.reserve(length);
    list->entries.reserve(users.size());
    for (const Account& a : users)
        list->add(a);
    const std::optional<FileState> after = fileState(db);
    cache.list = std::move(list);
    cache.changes.clear();
    cache.readInTransaction = level > 0;
    if (before && after && *before == *after) {
        cache.identity = after->identity;
        cache.counter = after->counter;
    } else {
        // Changed while being read: the next use reads it again.
        cache.identity = {};
        cache.counter = 0;
    }
}

// The workspace's account list, read again when the file changed meanwhile.
AccountCache& currentAccounts(WorkspaceState& ws, const workgroup::Db& db)
{
    if (!ws.accounts)
        ws.accounts = std::make_shared<AccountCache>();
    AccountCache& cache = *ws.accounts;
    const std::optional<FileState> now = fileState(db);
    if (!now || !stillCurrent(cache, db, *now, ws.level))
        readAccounts(cache, db, ws.level);
    return cache;
}

// The list, to change in place: copied first while a Users object still holds it.
AccountList& ownList(AccountCache& cache)
{
    if (cache.list.use_count() > 1)
        cache.list = std::make_shared<AccountList>(*cache.list);
    return *cache.list;
}


} // namespace

// ---- Users ----

int Users::Count() const { return list_ ? static_cast<int>(list_->size()) : 0; }

User Users::Item(int index) const
{
    const QStringView name = NameView(index);
    User u;
    u.d_ = newAccount(name.toString(), list_->pid(static_cast<std::size_t>(index)), workspace_);
    u.d_->appended = true;
    return u;
}

User Users::Item(const QString& name) const
{
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (SameText(list_->name(static_cast<std::size_t>(i)), name))
            return Item(i);
    throw itemNotFound();
}

QString Users::Name(int index) const { return NameView(index).toString(); }

QStringView Users::NameView(int index) const
{
    if (index < 0 || index >= Count())
        throw itemNotFound();
    return list_->name(static_cast<std::size_t>(index));
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
    AccountCache& cache = currentAccounts(ws, db);
    workgroup::addUser(db, d.name, d.pid, d.password);
    const std::optional<Account> made = workgroup::findAccount(db, d.name);
    d.password.clear(); // only its hash is kept, in the file
    d.appended = true;
    d.workspace = workspace_;
    // This collection sees the new account, and so does the workspace's list;
    // other collections keep what they held.
    const bool current = list_ == cache.list;
    if (current)
        list_.reset();
    if (made && (cache.list->entries.empty() || cache.list->entries.back().rowid < made->rowid)) {
        ownList(cache).add(*made);
        cache.changes.push_back({made->rowid, made->name});
    } else {
        cache.list.reset(); // read again at the next use
    }
    if (current) {
        list_ = cache.list ? cache.list : currentAccounts(ws, db).list;
    } else {
        auto mine = std::make_shared<AccountList>(list_ ? *list_ : AccountList());
        if (made)
            mine->add(*made);
        list_ = std::move(mine);
    }
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
    AccountCache& cache = currentAccounts(ws, db);
    workgroup::removeAccount(db, found->name);
    const bool current = list_ == cache.list;
    if (current)
        list_.reset();
    ownList(cache).eraseRowid(found->rowid);
    cache.changes.push_back({found->rowid, std::nullopt});
    if (current) {
        list_ = cache.list;
    } else if (list_) {
        auto mine = std::make_shared<AccountList>(*list_);
        mine->entries.erase(std::remove_if(mine->entries.begin(), mine->entries.end(),
                                           [&](const AccountList::Entry& e) {
                                               return SameText(QStringView(mine->names).mid(e.offset, e.length), name);
                                           }),
                            mine->entries.end());
        list_ = std::move(mine);
    }
}

void Users::Refresh()
{
    WorkspaceState& ws = detail::liveWorkspace(workspace_.lock());
    const workgroup::Db db = detail::workgroupDb(ws);
    list_ = currentAccounts(ws, db).list;
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

#pragma once

// The engine's inner objects, shared by its sources.

#include "jet/Dialect.h"
#include "jet/Engine.h"
#include "jet/Snapshot.h"
#include "jet/Sqlite.h"
#include "jet/Workgroup.h"

#include <map>
#include <optional>
#include <utility>

#include <sys/types.h>
#include <memory>
#include <vector>

namespace jet {

namespace detail {

struct Connection {
    sqlite3* db = nullptr;
    QString path;
    QString canonicalPath;
    bool readOnly = false;
    int joined = 0;  // transaction depth this connection has joined
    int handles = 0; // open Database objects on it; at 0 it closes once no transaction holds it
    int changes = 0;
    std::map<QString, std::map<QString, ColumnKind>> schema;

    ~Connection() { close(); }
    void close()
    {
        if (db)
            sqlite3_close_v2(db);
        db = nullptr;
    }

    void join(int level)
    {
        while (joined < level) {
            if (joined == 0)
                exec(db, "BEGIN");
            else
                exec(db, QStringLiteral("SAVEPOINT jet_%1").arg(joined + 1).toUtf8().constData());
            ++joined;
        }
    }

    ColumnKind kindOf(const QString& table, const QString& column)
    {
        const QString t = table.toLower();
        auto it = schema.find(t);
        if (it == schema.end()) {
            std::map<QString, ColumnKind> columns;
            Stmt s(db, "SELECT name, type FROM pragma_table_info(?1)");
            s.bind(1, table);
            while (s.step())
                columns[s.text(0).toLower()] = columnKindFromDeclaredType(s.text(1));
            it = schema.emplace(t, std::move(columns)).first;
        }
        const auto c = it->second.find(column.toLower());
        return c == it->second.end() ? ColumnKind::Other : c->second;
    }
};

struct RecordsetData {
    std::vector<QString> names;
    std::vector<FieldType> types;
    // Every row's cells one after another, compactly.
    SnapshotStore cells;
    int rowCount = 0;
    int position = 0; // -1 before the first row, rowCount after the last
    int visited = 0;
};

// What Database objects share: copies of one Database are one open database.
struct DatabaseHandle {
    std::shared_ptr<Connection> conn;
    std::weak_ptr<WorkspaceState> workspace;
    DatabaseHandle() = default;
    DatabaseHandle(const DatabaseHandle&) = delete;
    DatabaseHandle& operator=(const DatabaseHandle&) = delete;
    ~DatabaseHandle() { release(); }
    void release();
};

struct AccountCache;

struct WorkspaceState {
    QString user;
    QString password;
    bool closed = false;
    int level = 0;
    std::vector<std::shared_ptr<Connection>> connections;
    std::shared_ptr<Connection> workgroup;
    std::optional<std::pair<dev_t, ino_t>> workgroupIdentity;
    // The database connection that holds the workgroup file attached for the
    // length of the outermost transaction, and the path it attached.
    std::shared_ptr<Connection> carrier;
    QString carriedPath;
    // The user accounts of the workgroup file as last read (Accounts.cpp).
    std::shared_ptr<AccountCache> accounts;
};

} // namespace detail

namespace detail {

// The workspace, or 3420 when it has been closed.
WorkspaceState& liveWorkspace(const std::shared_ptr<WorkspaceState>& s);
// The workgroup file of the workspace, checked and joined to its transaction.
workgroup::Db workgroupDb(WorkspaceState& ws);

struct AccountData {
    QString name;
    QString pid;
    QString password;
    bool appended = false; // written to the workgroup file
    std::weak_ptr<WorkspaceState> workspace;
};

} // namespace detail
} // namespace jet

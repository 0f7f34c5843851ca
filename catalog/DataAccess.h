#pragma once

// Database access shared by every data routine: the connection, the statement
// pattern (one transaction on the default workspace around the statements of
// one open), the value renderings used in statement text and the two
// database error boxes.

#include "vb/VbTypes.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace jet {
class Recordset;
}

// The workgroup account and its password.
inline const QString ConnectString = QStringLiteral(";uid=brevlin;pwd=mossgravel");

// App.Path + records.mdb and App.Path + records.mdw (native paths).
QString DatabasePath();
QString WorkgroupPath();

// One statement of a group run in one transaction. A statement flagged
// onlyWhenPreviousMatched runs only when the statement before it changed a row.
struct Statement {
    QString sql;
    bool onlyWhenPreviousMatched = false;
};

// Runs one action statement under the statement pattern.
void ExecuteSql(const QString& sql, bool& ok);

// Runs the group in one transaction. Any failure rolls the whole group back,
// shows the statement error box and leaves ok False. When a flagged statement
// follows one that changed no row, the rest is skipped and what ran commits.
void ExecuteStatements(const std::vector<Statement>& group, bool& ok);

// Opens the database (no transaction), reads the query as a snapshot and
// returns its record count; on failure shows the database access error box
// (title "Error!.") and returns std::nullopt.
std::optional<int> SnapshotRecordCount(const QString& query);

// Opens the database (no transaction) and calls eachRow on every row of the
// query's snapshot, in order, letting the engine idle between rows; a row that
// cannot be passed ends the walk. Everything is closed again before it returns.
// When the database or the query cannot be opened, returns the engine's
// description of the failure for the caller to report; otherwise std::nullopt.
std::optional<QString> ForEachSnapshotRow(const QString& query,
                                          const std::function<void(const jet::Recordset&)>& eachRow);

void ShowStatementErrorBox(const QString& description);
void ShowDatabaseAccessErrorBox(const QString& description, const QString& title = QStringLiteral("Error!."),
                                bool withCancelSentence = true);

// Renderings of values in statement text; none depends on the locale.
// "'" + value with every apostrophe doubled + "'".
QString TextLiteral(const QString& value);
// Plain decimal integer.
QString NumberText(std::int32_t value);
// As many decimals as the value has (at most four), "." and no grouping.
QString NumberText(vb::Currency value);
// mm/dd/yyyy.
QString DateText(vb::Date value);
// "#" + mm/dd/yyyy + "#"; the time of day is dropped.
QString DateLiteral(vb::Date value);
// mm/dd/yyyy, followed by " hh:mm:ss" where the value has a time.
QString DefaultDateText(vb::Date value);

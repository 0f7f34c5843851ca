#pragma once

#include <QString>

#include <functional>

namespace jet {

// How a column's values are stored; decides the conversion of values written to it.
enum class ColumnKind { Text, Date, Currency, Long, Boolean, Other };

ColumnKind columnKindFromDeclaredType(const QString& declaredType);

// Answers the kind of a column of a table (names without regard to case).
using ColumnKindLookup = std::function<ColumnKind(const QString& table, const QString& column)>;

// Turns one Jet SQL statement into SQLite's dialect. Only what SQLite lacks is
// rewritten: "delete * from", #m/d/yyyy# literals, IsNull(x), Distinctrow,
// True/False, "&", double-quoted strings; values written by Insert ... Values
// and Update ... Set to date, currency, long and Boolean columns are wrapped in
// the engine's conversion functions. Like keeps its text: the engine's like()
// reads Jet patterns. Throws jet::Error for an empty statement, a NUL
// character anywhere, a second statement, a statement kind the engine does not run and unbalanced quotes,
// brackets or parentheses.
QString translateStatement(const QString& jetSql, const ColumnKindLookup& lookup = {});

} // namespace jet

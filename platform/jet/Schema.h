#pragma once

#include <QString>

#include <vector>

namespace jet {

// The tables and indexes a database of the program consists of. Files are
// built from this definition only; statements stored in a file are never run.
struct ColumnDefinition {
    QString name;
    QString declaration; // type and constraints, as in CREATE TABLE
    // The column is the table's rowid under another name.
    bool isRowid() const { return declaration.startsWith(QLatin1String("INTEGER PRIMARY KEY"), Qt::CaseInsensitive); }
};

struct TableDefinition {
    QString name;
    std::vector<ColumnDefinition> columns;
    // Table constraints after the columns, as in CREATE TABLE.
    std::vector<QString> constraints = {};
    QString createStatement() const;
};

struct IndexDefinition {
    QString name;
    QString table;
    QString columns; // the column list inside the parentheses
    QString createStatement() const;
};

struct SchemaDefinition {
    std::vector<TableDefinition> tables;
    std::vector<IndexDefinition> indexes;
    // A query a usable database answers (the program's first one on start-up).
    QString probe;
};

// The catalogue database: tables records and songs with their indexes.
const SchemaDefinition& catalogSchema();

} // namespace jet

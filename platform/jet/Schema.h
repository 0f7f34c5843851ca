#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
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

// What names a file of the program (PRAGMA application_id): plain numbers,
// the letters "DCVC" and "DCVW".
inline constexpr std::int32_t kCatalogApplicationId = 0x44435643;
inline constexpr std::int32_t kWorkgroupApplicationId = 0x44435657;

struct SchemaDefinition {
    std::vector<TableDefinition> tables;
    std::vector<IndexDefinition> indexes;
    // A query a usable database answers (the program's first one on start-up).
    QString probe;
    // The file's kind and the version of this definition (PRAGMA user_version);
    // 0 for a database that is none of the program's files. A file of the
    // program also holds the stamp table, which the engine makes and fills.
    std::int32_t applicationId = 0;
    int version = 0;

    // Every object a file built from this definition stores, one text each
    // (type, name, table and statement on lines of their own), sorted; the
    // indexes SQLite makes for constraints are left out.
    QStringList storedForm() const;
};

// The catalogue database: tables records and songs with their indexes.
const SchemaDefinition& catalogSchema();

// One row in every file of the program: the order its text indexes were built
// in and the file change counter that the program's last write left.
const TableDefinition& stampTable();

} // namespace jet

#pragma once

#include "vb/VbTypes.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// Which kind of entry a CatalogEntry or a tree node is (compared case-sensitively).
namespace Level {
inline const QString Database = QStringLiteral("Database");
inline const QString Artist = QStringLiteral("Artist");
inline const QString Record_Name = QStringLiteral("Record_Name");
inline const QString Song_Titles = QStringLiteral("Song_Titles");
} // namespace Level

// The catalogue entry passed between windows and data routines. Field names
// equal the column names. A fresh entry has a zero date, value and quantity;
// a value read as Null from the database is held as std::nullopt.
struct CatalogEntry {
    QString Artist;
    QString Record_Name;
    QString Record_Type;
    QString Record_Category;
    QString Label_Name;
    QString Label_Number;
    QString Record_Condition;
    QString Sleeve_Condition;
    std::optional<vb::Date> Record_Date = 0.0;
    std::optional<vb::Currency> Book_Value = 0;
    std::optional<std::int32_t> Quantity = 0;
    QString Song_Title;
    QString Level;
    // The text columns (by column name) that held Null in the row this entry
    // was read from; statements match them with Is Null.
    QStringList NullTexts;

    bool operator==(const CatalogEntry&) const = default;
};

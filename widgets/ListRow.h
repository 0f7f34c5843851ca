#pragma once

// A row of the record and song-title lists. Besides its shown texts it keeps
// what it was made from: the typed date, book value and quantity (each possibly
// missing) and which text cells held Null, so an entry is rebuilt exactly as
// the database holds it, never by reading shown text back through the locale.

#include "catalog/CatalogEntry.h"
#include "vb/VbTypes.h"

#include <QString>
#include <QTreeWidgetItem>

#include <cstdint>
#include <optional>

class QTreeWidget;

class ListRow : public QTreeWidgetItem {
public:
    // Item data roles of the first column: the typed values (a null QVariant
    // where the value is missing).
    static constexpr int RecordDateRole = 0x0101; // vb::Date (double)
    static constexpr int BookValueRole = 0x0102;  // vb::Currency (qint64)
    static constexpr int QuantityRole = 0x0103;   // qint32
    // Item data role of any column: true where the cell held Null.
    static constexpr int NullTextRole = 0x0104;

    using QTreeWidgetItem::QTreeWidgetItem;

    // A text cell; Null shows empty and is remembered.
    void setCell(int column, const std::optional<QString>& text);
    bool IsNullCell(int column) const;

    // The typed values with their shown texts, in the given columns.
    void setRecordDate(int column, const std::optional<vb::Date>& value);
    void setBookValue(int column, const std::optional<vb::Currency>& value);
    void setQuantity(int column, const std::optional<std::int32_t>& value);
    std::optional<vb::Date> RecordDate() const;
    std::optional<vb::Currency> BookValue() const;
    std::optional<std::int32_t> Quantity() const;

    // Rows sort by the shown text of the list's sort column, in the engine's
    // order of text (accents and case count only after the letters).
    bool operator<(const QTreeWidgetItem& other) const override;
};

// Fills the record fields (Record_Name to Quantity) of entry from a record-list
// row, and Song_Title, Record_Name and Artist from a song-title row, with the
// Null text cells among them; the other fields keep their values.
void ReadRecordRow(const QTreeWidgetItem* row, CatalogEntry& entry);
void ReadSongRow(const QTreeWidgetItem* row, CatalogEntry& entry);

// The first selected row of a list, in list order; nullptr when none is.
QTreeWidgetItem* SelectedRow(const QTreeWidget* list);

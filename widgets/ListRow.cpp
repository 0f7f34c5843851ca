#include "widgets/ListRow.h"

#include "catalog/ValueText.h"
#include "jet/Collation.h"

#include <QTreeWidget>

namespace {

QVariant optionalValue(const std::optional<vb::Date>& v) { return v ? QVariant(*v) : QVariant(); }
QVariant optionalValue(const std::optional<vb::Currency>& v)
{
    return v ? QVariant(static_cast<qint64>(*v)) : QVariant();
}
QVariant optionalValue(const std::optional<std::int32_t>& v)
{
    return v ? QVariant(static_cast<qint32>(*v)) : QVariant();
}

// The typed values a row keeps in its first column; a missing one was Null.
std::optional<vb::Date> recordDateOf(const QTreeWidgetItem* row)
{
    const QVariant v = row->data(0, ListRow::RecordDateRole);
    return v.isValid() ? std::optional<vb::Date>(v.toDouble()) : std::nullopt;
}

std::optional<vb::Currency> bookValueOf(const QTreeWidgetItem* row)
{
    const QVariant v = row->data(0, ListRow::BookValueRole);
    return v.isValid() ? std::optional<vb::Currency>(v.toLongLong()) : std::nullopt;
}

std::optional<std::int32_t> quantityOf(const QTreeWidgetItem* row)
{
    const QVariant v = row->data(0, ListRow::QuantityRole);
    return v.isValid() ? std::optional<std::int32_t>(v.toInt()) : std::nullopt;
}

// A text cell of a row that may be a plain item; NullTexts notes a Null cell.
QString cell(const QTreeWidgetItem* row, int column, const char* name, CatalogEntry& entry)
{
    const QString columnName = QLatin1String(name);
    entry.NullTexts.removeAll(columnName);
    if (row->data(column, ListRow::NullTextRole).toBool())
        entry.NullTexts.append(columnName);
    return row->text(column);
}

} // namespace

void ListRow::setCell(int column, const std::optional<QString>& text)
{
    setText(column, text.value_or(QString()));
    setData(column, NullTextRole, text ? QVariant() : QVariant(true));
}

bool ListRow::IsNullCell(int column) const { return data(column, NullTextRole).toBool(); }

void ListRow::setRecordDate(int column, const std::optional<vb::Date>& value)
{
    setText(column, RecordDateText(value));
    setData(0, RecordDateRole, optionalValue(value));
}

void ListRow::setBookValue(int column, const std::optional<vb::Currency>& value)
{
    setText(column, BookValueText(value));
    setData(0, BookValueRole, optionalValue(value));
}

void ListRow::setQuantity(int column, const std::optional<std::int32_t>& value)
{
    setText(column, QuantityText(value));
    setData(0, QuantityRole, optionalValue(value));
}

std::optional<vb::Date> ListRow::RecordDate() const { return recordDateOf(this); }

std::optional<vb::Currency> ListRow::BookValue() const { return bookValueOf(this); }

std::optional<std::int32_t> ListRow::Quantity() const { return quantityOf(this); }

bool ListRow::operator<(const QTreeWidgetItem& other) const
{
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    return jet::compareText(text(column), other.text(column)) < 0;
}

void ReadRecordRow(const QTreeWidgetItem* row, CatalogEntry& entry)
{
    if (!row)
        return;
    entry.Record_Name = cell(row, 0, "Record_Name", entry);
    entry.Record_Type = cell(row, 1, "Record_Type", entry);
    entry.Record_Category = cell(row, 2, "Record_Category", entry);
    entry.Label_Name = cell(row, 3, "Label_Name", entry);
    entry.Label_Number = cell(row, 4, "Label_Number", entry);
    entry.Record_Condition = cell(row, 5, "Record_Condition", entry);
    entry.Sleeve_Condition = cell(row, 6, "Sleeve_Condition", entry);
    entry.Record_Date = recordDateOf(row);
    entry.Book_Value = bookValueOf(row);
    entry.Quantity = quantityOf(row);
}

void ReadSongRow(const QTreeWidgetItem* row, CatalogEntry& entry)
{
    if (!row)
        return;
    entry.Song_Title = cell(row, 0, "Song_Title", entry);
    entry.Record_Name = cell(row, 1, "Record_Name", entry);
    entry.Artist = cell(row, 2, "Artist", entry);
}

QTreeWidgetItem* SelectedRow(const QTreeWidget* list)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->isSelected())
            return list->topLevelItem(i);
    }
    return nullptr;
}

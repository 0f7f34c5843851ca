#pragma once

// The rows of a Find search, kept compactly: every text once in one block of
// characters (repeated values of a column shared), the typed values in plain
// arrays, and the shown order as a list of row numbers. Hundreds of thousands
// of hits cost a few dozen bytes each.

#include "catalog/CatalogEntry.h"
#include "vb/VbTypes.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace jet {
class Recordset;
}

// What a result list shows; the kind texts of the dialog's kind list.
enum class FindKind { None, Artist, RecordName, SongTitle };

FindKind findKindOf(const QString& kindText);

class FindResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FindResultModel(QObject* parent = nullptr);

    // Empties the rows and the columns.
    void clearAll();
    // Empties the rows and hands their storage back; the columns stay.
    void clearRows();
    // Empties the rows and sets the columns; the rows that follow are of `kind`.
    void setColumns(FindKind kind, const QStringList& headers, const QIcon& icon);

    FindKind kind() const { return kind_; }
    int columnCountShown() const { return static_cast<int>(headers_.size()); }

    // Appends the current row of a recordset opened on the kind's statement
    // (fields in the statement's order). Call finishFill once the rows are in.
    void appendFromRecordset(const jet::Recordset& rs);
    // Room for that many more rows, so the arrays grow once.
    void reserveRows(int count);
    // Room for the texts of the recordset's rows from the current one to the
    // last, so that the text block never moves while rows come in (a moved
    // block would leave its old room held beside the snapshot). Leaves the
    // recordset past its last row. finishFill gives back the room not used.
    void reserveTexts(jet::Recordset& rs);
    void finishFill();

    // Orders the shown rows by a column's shown text in the program's order of
    // text (letters first, accents and case after); rows whose texts are equal
    // without regard to case keep their order. The selection follows its rows.
    void sortByColumn(int column, Qt::SortOrder order);

    int rows() const { return static_cast<int>(order_.size()); }
    // Bytes the rows' storage holds, spare room included.
    std::size_t storageBytes() const;
    QString cellText(int row, int column) const;
    // A fresh catalogue entry rebuilt from the typed values of a shown row.
    CatalogEntry entryAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // Text slots of a row in field order: Artist, Record_Name, Record_Type,
    // Record_Category, Label_Name, Label_Number, Record_Condition,
    // Sleeve_Condition for records; Song_Title, Record_Name, Artist for songs.
    static constexpr int kRecordTexts = 8;
    static constexpr int kSongTexts = 3;
    // Which cells of a row held Null: the typed values, then one bit per text slot.
    enum NullBit : std::uint16_t { DateNull = 1, ValueNull = 2, QuantityNull = 4 };
    static constexpr std::uint16_t textNull(int slot) { return static_cast<std::uint16_t>(8u << slot); }

    int textSlots() const { return kind_ == FindKind::SongTitle ? kSongTexts : kRecordTexts; }
    // The text slot a column shows, or -1 for the date, value and quantity columns.
    int slotOfColumn(int column) const;
    QStringView textOf(std::uint32_t id) const;
    std::uint32_t intern(int slot, const std::optional<QString>& text);
    // A rank per stored row: the order of its shown text in the column.
    std::vector<std::uint32_t> ranksOfColumn(int column) const;

    FindKind kind_ = FindKind::None;
    QStringList headers_;
    QIcon icon_;

    // Text block: text i is chars_[starts_[i], starts_[i+1]); text 0 is empty.
    std::vector<char16_t> chars_;
    std::vector<std::uint32_t> starts_;
    std::vector<std::uint32_t> cells_; // textSlots() ids per row
    std::vector<vb::Date> dates_;
    std::vector<vb::Currency> values_;
    std::vector<std::int32_t> quantities_;
    std::vector<std::uint16_t> nulls_;
    std::vector<std::uint32_t> order_; // shown row -> stored row

    // While filling: the last id of each slot and, for slots of few distinct
    // values (record types, conditions), each of them.
    static constexpr int kFewValues = 32;
    std::array<std::uint32_t, kRecordTexts> lastIds_{};
    std::array<std::vector<std::uint32_t>, kRecordTexts> seen_;
    std::array<bool, kRecordTexts> manyValues_{};
    int filled_ = 0; // rows appended since the last finishFill
};

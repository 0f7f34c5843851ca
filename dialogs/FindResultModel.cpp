#include "dialogs/FindResultModel.h"

#include "dialogs/FreedMemory.h"

#include "catalog/ValueText.h"
#include "jet/Collation.h"
#include "jet/Engine.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace {

// Freed rows of at least this size are handed back to the system at once.
constexpr std::size_t kGiveBackBytes = std::size_t{1} << 20;

// Empties an array and frees its room (clear and assignment keep the room).
template <typename T>
void release(std::vector<T>& v)
{
    std::vector<T>().swap(v);
}

// Field positions of the statements, by text slot.
// Records: [Artist], [Record_Name], [Label_Name], [Label_Number], [Record_Type],
// [Record_Category], [Record_Condition], [Sleeve_Condition], then date, value, quantity.
constexpr std::array<int, 8> kRecordFieldOfSlot = {0, 1, 4, 5, 2, 3, 6, 7};
constexpr int kDateField = 8;
constexpr int kValueField = 9;
constexpr int kQuantityField = 10;
// Songs: [Artist], [Record_Name], [Song_Title].
constexpr std::array<int, 3> kSongFieldOfSlot = {2, 1, 0};

// Column names of the text slots.
constexpr std::array<const char*, 8> kRecordColumnNames = {"Artist",      "Record_Name",      "Record_Type",
                                                           "Record_Category", "Label_Name",   "Label_Number",
                                                           "Record_Condition", "Sleeve_Condition"};
constexpr std::array<const char*, 3> kSongColumnNames = {"Song_Title", "Record_Name", "Artist"};

template <typename T>
std::optional<T> fieldValue(const jet::Recordset& rs, int index, std::optional<T> (jet::Field::*read)() const)
{
    try {
        return (rs.Fields(index).*read)();
    } catch (const jet::Error&) {
        return std::nullopt;
    }
}

} // namespace

FindKind findKindOf(const QString& kindText)
{
    if (kindText == QLatin1String("Artist"))
        return FindKind::Artist;
    if (kindText == QLatin1String("Record Name"))
        return FindKind::RecordName;
    if (kindText == QLatin1String("Song Title"))
        return FindKind::SongTitle;
    return FindKind::None;
}

FindResultModel::FindResultModel(QObject* parent) : QAbstractTableModel(parent) { clearAll(); }

void FindResultModel::clearRows()
{
    const std::size_t held = storageBytes();
    beginResetModel();
    release(chars_);
    release(starts_);
    starts_.assign(2, 0); // text 0: the empty text
    release(cells_);
    release(dates_);
    release(values_);
    release(quantities_);
    release(nulls_);
    release(order_);
    lastIds_.fill(0);
    for (auto& seen : seen_)
        release(seen);
    manyValues_.fill(false);
    filled_ = 0;
    endResetModel();
    if (held >= kGiveBackBytes)
        GiveBackFreedMemory();
}

std::size_t FindResultModel::storageBytes() const
{
    std::size_t bytes = chars_.capacity() * sizeof(char16_t) + starts_.capacity() * sizeof(std::uint32_t)
                        + cells_.capacity() * sizeof(std::uint32_t) + dates_.capacity() * sizeof(vb::Date)
                        + values_.capacity() * sizeof(vb::Currency) + quantities_.capacity() * sizeof(std::int32_t)
                        + nulls_.capacity() * sizeof(std::uint16_t) + order_.capacity() * sizeof(std::uint32_t);
    for (const auto& seen : seen_)
        bytes += seen.capacity() * sizeof(std::uint32_t);
    return bytes;
}

void FindResultModel::clearAll()
{
    clearRows();
    beginResetModel();
    kind_ = FindKind::None;
    headers_.clear();
    icon_ = QIcon();
    endResetModel();
}

void FindResultModel::setColumns(FindKind kind, const QStringList& headers, const QIcon& icon)
{
    clearRows();
    beginResetModel();
    kind_ = kind;
    headers_ = headers;
    icon_ = icon;
    endResetModel();
}

QStringView FindResultModel::textOf(std::uint32_t id) const
{
    const std::uint32_t start = starts_[id];
    return QStringView(chars_.data() + start, static_cast<qsizetype>(starts_[id + 1] - start));
}

std::uint32_t FindResultModel::intern(int slot, const std::optional<QString>& text)
{
    if (!text || text->isEmpty())
        return 0;
    const QStringView value(*text);
    if (lastIds_[slot] != 0 && textOf(lastIds_[slot]) == value)
        return lastIds_[slot];
    if (!manyValues_[slot]) {
        for (const std::uint32_t id : seen_[slot])
            if (textOf(id) == value)
                return lastIds_[slot] = id;
    }
    const auto id = static_cast<std::uint32_t>(starts_.size() - 1);
    chars_.insert(chars_.end(), reinterpret_cast<const char16_t*>(value.utf16()),
                  reinterpret_cast<const char16_t*>(value.utf16()) + value.size());
    starts_.push_back(static_cast<std::uint32_t>(chars_.size()));
    if (!manyValues_[slot]) {
        // A slot of many values (record names, label numbers) keeps only
        // the repeats of consecutive rows.
        if (seen_[slot].size() >= kFewValues) {
            manyValues_[slot] = true;
            release(seen_[slot]);
        } else {
            seen_[slot].push_back(id);
        }
    }
    return lastIds_[slot] = id;
}

void FindResultModel::reserveRows(int count)
{
    if (count <= 0)
        return;
    const std::size_t rows = order_.size() + static_cast<std::size_t>(filled_) + static_cast<std::size_t>(count);
    cells_.reserve(rows * static_cast<std::size_t>(textSlots()));
    nulls_.reserve(rows);
    order_.reserve(rows);
    if (kind_ != FindKind::SongTitle) {
        dates_.reserve(rows);
        values_.reserve(rows);
        quantities_.reserve(rows);
    }
}

void FindResultModel::reserveTexts(jet::Recordset& rs)
{
    if (kind_ == FindKind::None)
        return;
    const bool songs = kind_ == FindKind::SongTitle;
    // A text as long as its UTF-8 bytes at most, and a repeat of the row
    // before is shared: room that the texts will not use is never touched and
    // is given back when the rows are in.
    std::array<std::string_view, kRecordTexts> previous{};
    std::size_t units = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        for (int slot = 0; slot < textSlots(); ++slot) {
            const std::optional<std::string_view> bytes =
                rs.TextBytes(songs ? kSongFieldOfSlot[slot] : kRecordFieldOfSlot[slot]);
            if (!bytes || bytes->empty() || *bytes == previous[slot])
                continue;
            units += bytes->size();
            previous[slot] = *bytes;
        }
    }
    chars_.reserve(chars_.size() + units);
}

void FindResultModel::appendFromRecordset(const jet::Recordset& rs)
{
    if (kind_ == FindKind::None)
        return;
    std::uint16_t nulls = 0;
    const bool songs = kind_ == FindKind::SongTitle;
    for (int slot = 0; slot < textSlots(); ++slot) {
        const std::optional<QString> text =
            fieldValue(rs, songs ? kSongFieldOfSlot[slot] : kRecordFieldOfSlot[slot], &jet::Field::Text);
        if (!text)
            nulls |= textNull(slot);
        cells_.push_back(intern(slot, text));
    }
    if (!songs) {
        const auto date = fieldValue(rs, kDateField, &jet::Field::Date);
        const auto value = fieldValue(rs, kValueField, &jet::Field::Currency);
        const auto quantity = fieldValue(rs, kQuantityField, &jet::Field::Long);
        dates_.push_back(date.value_or(0));
        values_.push_back(value.value_or(0));
        quantities_.push_back(quantity.value_or(0));
        nulls |= (date ? 0 : DateNull) | (value ? 0 : ValueNull) | (quantity ? 0 : QuantityNull);
    }
    nulls_.push_back(nulls);
    ++filled_;
}

void FindResultModel::finishFill()
{
    const std::size_t room = chars_.capacity();
    chars_.shrink_to_fit();
    if ((room - chars_.capacity()) * sizeof(char16_t) >= kGiveBackBytes)
        GiveBackFreedMemory();
    for (auto& seen : seen_)
        release(seen);
    manyValues_.fill(false);
    lastIds_.fill(0);
    if (filled_ == 0)
        return;
    beginInsertRows(QModelIndex(), rows(), rows() + filled_ - 1);
    const auto first = static_cast<std::uint32_t>(order_.size());
    for (int i = 0; i < filled_; ++i)
        order_.push_back(first + static_cast<std::uint32_t>(i));
    filled_ = 0;
    endInsertRows();
}

int FindResultModel::slotOfColumn(int column) const
{
    switch (kind_) {
    case FindKind::Artist: return column < kRecordTexts ? column : -1;
    case FindKind::RecordName:
        if (column == 0)
            return 1;
        if (column == 1)
            return 0;
        return column < kRecordTexts ? column : -1;
    case FindKind::SongTitle: return column < kSongTexts ? column : -1;
    case FindKind::None: break;
    }
    return -1;
}

QString FindResultModel::cellText(int row, int column) const
{
    if (row < 0 || row >= rows() || column < 0 || column >= columnCountShown())
        return QString();
    const std::uint32_t stored = order_[static_cast<std::size_t>(row)];
    const int slot = slotOfColumn(column);
    if (slot >= 0)
        return textOf(cells_[static_cast<std::size_t>(stored) * textSlots() + slot]).toString();
    const std::uint16_t nulls = nulls_[stored];
    switch (column) {
    case kDateField: return RecordDateText(nulls & DateNull ? std::nullopt : std::optional<vb::Date>(dates_[stored]));
    case kValueField:
        return BookValueText(nulls & ValueNull ? std::nullopt : std::optional<vb::Currency>(values_[stored]));
    case kQuantityField:
        return QuantityText(nulls & QuantityNull ? std::nullopt : std::optional<std::int32_t>(quantities_[stored]));
    default: return QString();
    }
}

CatalogEntry FindResultModel::entryAt(int row) const
{
    CatalogEntry entry;
    if (row < 0 || row >= rows())
        return entry;
    const std::uint32_t stored = order_[static_cast<std::size_t>(row)];
    const std::uint32_t* cells = cells_.data() + static_cast<std::size_t>(stored) * textSlots();
    const std::uint16_t nulls = nulls_[stored];
    const char* const* names = kind_ == FindKind::SongTitle ? kSongColumnNames.data() : kRecordColumnNames.data();
    auto text = [&](int slot) {
        if (nulls & textNull(slot))
            entry.NullTexts.append(QLatin1String(names[slot]));
        return textOf(cells[slot]).toString();
    };
    if (kind_ == FindKind::SongTitle) {
        entry.Level = Level::Song_Titles;
        entry.Song_Title = text(0);
        entry.Record_Name = text(1);
        entry.Artist = text(2);
        return entry;
    }
    entry.Level = kind_ == FindKind::Artist ? Level::Artist : Level::Record_Name;
    entry.Artist = text(0);
    entry.Record_Name = text(1);
    entry.Record_Type = text(2);
    entry.Record_Category = text(3);
    entry.Label_Name = text(4);
    entry.Label_Number = text(5);
    entry.Record_Condition = text(6);
    entry.Sleeve_Condition = text(7);
    entry.Record_Date = nulls & DateNull ? std::nullopt : std::optional<vb::Date>(dates_[stored]);
    entry.Book_Value = nulls & ValueNull ? std::nullopt : std::optional<vb::Currency>(values_[stored]);
    entry.Quantity = nulls & QuantityNull ? std::nullopt : std::optional<std::int32_t>(quantities_[stored]);
    return entry;
}

std::vector<std::uint32_t> FindResultModel::ranksOfColumn(int column) const
{
    const std::size_t count = order_.size();
    std::vector<std::uint32_t> ranks(count, 0);
    const int slot = slotOfColumn(column);
    if (slot >= 0) {
        // Rank the distinct texts of the column once, in the engine's order of
        // text, then every row by its text.
        const int stride = textSlots();
        std::vector<std::uint32_t> ids;
        ids.reserve(count);
        for (std::size_t r = 0; r < count; ++r)
            ids.push_back(cells_[r * stride + slot]);
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        // The order compares UTF-8: each distinct text converted once.
        std::string utf8;
        std::vector<std::uint32_t> utf8Starts;
        utf8Starts.reserve(ids.size() + 1);
        for (const std::uint32_t id : ids) {
            utf8Starts.push_back(static_cast<std::uint32_t>(utf8.size()));
            const QByteArray bytes = textOf(id).toUtf8();
            utf8.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        }
        utf8Starts.push_back(static_cast<std::uint32_t>(utf8.size()));
        auto compareAt = [&](std::uint32_t a, std::uint32_t b) {
            return jet::compareText(utf8.data() + utf8Starts[a], static_cast<int>(utf8Starts[a + 1] - utf8Starts[a]),
                                    utf8.data() + utf8Starts[b], static_cast<int>(utf8Starts[b + 1] - utf8Starts[b]));
        };
        std::vector<std::uint32_t> byText(ids.size());
        for (std::size_t i = 0; i < byText.size(); ++i)
            byText[i] = static_cast<std::uint32_t>(i);
        std::sort(byText.begin(), byText.end(), [&](std::uint32_t a, std::uint32_t b) { return compareAt(a, b) < 0; });
        // Texts equal without regard to case share a rank.
        std::vector<std::uint32_t> rankOfId(starts_.size(), 0);
        std::uint32_t rank = 0;
        for (std::size_t i = 0; i < byText.size(); ++i) {
            if (i > 0 && compareAt(byText[i - 1], byText[i]) != 0)
                ++rank;
            rankOfId[ids[byText[i]]] = rank;
        }
        for (std::size_t r = 0; r < count; ++r)
            ranks[r] = rankOfId[cells_[r * stride + slot]];
        return ranks;
    }
    if (kind_ == FindKind::SongTitle || kind_ == FindKind::None || column > kQuantityField)
        return ranks;
    // Date, value and quantity order by their shown text too: rank the distinct
    // values by their text.
    const std::uint16_t bit = column == kDateField ? DateNull : column == kValueField ? ValueNull : QuantityNull;
    auto keyOf = [&](std::size_t r) -> std::int64_t {
        if (column == kDateField) {
            std::int64_t bits = 0;
            const double d = dates_[r];
            static_assert(sizeof bits == sizeof d);
            std::memcpy(&bits, &d, sizeof bits);
            return bits;
        }
        return column == kValueField ? values_[r] : quantities_[r];
    };
    auto textOfKey = [&](std::int64_t key) -> QString {
        if (column == kDateField) {
            double d = 0;
            std::memcpy(&d, &key, sizeof d);
            return RecordDateText(d);
        }
        if (column == kValueField)
            return BookValueText(key);
        return QuantityText(static_cast<std::int32_t>(key));
    };
    std::vector<std::int64_t> keys;
    for (std::size_t r = 0; r < count; ++r)
        if (!(nulls_[r] & bit))
            keys.push_back(keyOf(r));
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<QString> texts;
    texts.reserve(keys.size());
    for (const std::int64_t key : keys)
        texts.push_back(textOfKey(key));
    std::vector<std::uint32_t> byText(keys.size());
    for (std::size_t i = 0; i < byText.size(); ++i)
        byText[i] = static_cast<std::uint32_t>(i);
    std::sort(byText.begin(), byText.end(),
              [&](std::uint32_t a, std::uint32_t b) { return jet::compareText(texts[a], texts[b]) < 0; });
    // Rank 0 is the empty text of a Null cell.
    std::vector<std::uint32_t> rankOfKey(keys.size(), 0);
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < byText.size(); ++i) {
        if (i == 0 || jet::compareText(texts[byText[i - 1]], texts[byText[i]]) != 0)
            ++rank;
        rankOfKey[byText[i]] = rank;
    }
    for (std::size_t r = 0; r < count; ++r) {
        if (nulls_[r] & bit)
            continue;
        const auto it = std::lower_bound(keys.begin(), keys.end(), keyOf(r));
        ranks[r] = rankOfKey[static_cast<std::size_t>(it - keys.begin())];
    }
    return ranks;
}

void FindResultModel::sortByColumn(int column, Qt::SortOrder order)
{
    if (order_.size() < 2 || column < 0 || column >= columnCountShown())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    std::vector<std::uint32_t> storedOfPersistent;
    storedOfPersistent.reserve(static_cast<std::size_t>(persistent.size()));
    for (const QModelIndex& index : persistent)
        storedOfPersistent.push_back(order_[static_cast<std::size_t>(index.row())]);

    // A stable counting sort over the ranks, in storage order for equal ranks.
    const std::vector<std::uint32_t> ranks = ranksOfColumn(column);
    const std::uint32_t top = ranks.empty() ? 0 : *std::max_element(ranks.begin(), ranks.end());
    std::vector<std::uint32_t> starts(static_cast<std::size_t>(top) + 2, 0);
    for (const std::uint32_t r : ranks)
        ++starts[r + 1];
    for (std::size_t i = 1; i < starts.size(); ++i)
        starts[i] += starts[i - 1];
    const std::size_t count = order_.size();
    std::vector<std::uint32_t> sorted(count);
    for (std::size_t stored = 0; stored < count; ++stored)
        sorted[starts[ranks[stored]]++] = static_cast<std::uint32_t>(stored);
    if (order == Qt::DescendingOrder) {
        // Descending keeps rows of equal text in storage order as well.
        std::vector<std::uint32_t> descending;
        descending.reserve(count);
        std::size_t end = count;
        while (end > 0) {
            std::size_t begin = end - 1;
            while (begin > 0 && ranks[sorted[begin - 1]] == ranks[sorted[end - 1]])
                --begin;
            descending.insert(descending.end(), sorted.begin() + static_cast<std::ptrdiff_t>(begin),
                              sorted.begin() + static_cast<std::ptrdiff_t>(end));
            end = begin;
        }
        sorted.swap(descending);
    }
    order_.swap(sorted);

    if (!persistent.isEmpty()) {
        std::vector<std::uint32_t> shownOfStored(count);
        for (std::size_t shown = 0; shown < count; ++shown)
            shownOfStored[order_[shown]] = static_cast<std::uint32_t>(shown);
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (qsizetype i = 0; i < persistent.size(); ++i)
            moved.push_back(index(static_cast<int>(shownOfStored[storedOfPersistent[static_cast<std::size_t>(i)]]),
                                  persistent[i].column()));
        changePersistentIndexList(persistent, moved);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int FindResultModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows(); }

int FindResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnCountShown();
}

QVariant FindResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == 0)
        return icon_;
    return {};
}

QVariant FindResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= headers_.size())
        return {};
    if (role == Qt::DisplayRole)
        return headers_.at(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags FindResultModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

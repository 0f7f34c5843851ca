#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace reports {

// The rows handed to a report, kept compactly: the text of every cell as UTF-8
// in large blocks of bytes, and per cell only where it starts and how long it
// is. A cell is never split across blocks. Null cells are told apart from empty ones.
class RowStore {
public:
    explicit RowStore(int columns = 0);
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    // Appends one cell to the row being built; a row is complete after columnCount() cells.
    // A cell keeps at most 65,534 bytes, cut before a character that would not fit.
    // False (nothing added) when the store is full: 2^32 bytes in all.
    bool addCell(std::string_view utf8);
    bool addCell(QStringView text);
    void addNull();
    void reserveRows(std::int64_t rows);

    int columnCount() const { return columns_; }
    std::uint32_t rowCount() const { return columns_ == 0 ? 0 : static_cast<std::uint32_t>(length_.size() / columns_); }
    // The cell's UTF-8 bytes; empty for Null.
    std::string_view text(std::uint32_t row, int column) const
    {
        const std::size_t i = index(row, column);
        const std::uint16_t length = length_[i];
        if (length == kNull || length == 0)
            return {};
        const std::uint32_t at = start_[i];
        return std::string_view(blocks_[at / kBlockBytes].get() + at % kBlockBytes, length);
    }
    QString cell(std::uint32_t row, int column) const
    {
        const std::string_view t = text(row, column);
        return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
    }
    bool isNull(std::uint32_t row, int column) const { return length_[index(row, column)] == kNull; }
    // Bytes held, for the benchmark and tests.
    std::size_t bytes() const;

private:
    static constexpr std::uint32_t kBlockBytes = 1u << 20;
    static constexpr std::uint16_t kNull = 0xFFFF;
    static constexpr std::uint16_t kMaxLength = 0xFFFE;
    std::size_t index(std::uint32_t row, int column) const { return std::size_t(row) * columns_ + column; }

    int columns_ = 0;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::uint64_t used_ = 0; // bytes taken, counted over all blocks
    std::vector<std::uint32_t> start_; // bytes from the first block's start
    std::vector<std::uint16_t> length_;
};

} // namespace reports

#include "reports/RowStore.h"

#include <algorithm>

namespace reports {

RowStore::RowStore(int columns) : columns_(columns) {}

void RowStore::reserveRows(std::int64_t rows)
{
    if (rows > 0) {
        start_.reserve(static_cast<std::size_t>(rows) * columns_);
        length_.reserve(static_cast<std::size_t>(rows) * columns_);
    }
}

bool RowStore::addCell(QStringView text)
{
    const auto length = static_cast<std::uint32_t>(std::min<qsizetype>(text.size(), kMaxLength));
    std::uint64_t offset = used_ % kBlockUnits;
    if (blocks_.empty() || offset + length > kBlockUnits) {
        if (std::uint64_t(blocks_.size() + 1) * kBlockUnits > (std::uint64_t(1) << 32))
            return false;
        blocks_.push_back(std::make_unique<char16_t[]>(kBlockUnits));
        used_ = std::uint64_t(blocks_.size() - 1) * kBlockUnits;
        offset = 0;
    }
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), length, blocks_.back().get() + offset);
    start_.push_back(static_cast<std::uint32_t>(used_));
    length_.push_back(static_cast<std::uint16_t>(length));
    used_ += length;
    return true;
}

void RowStore::addNull()
{
    start_.push_back(0);
    length_.push_back(kNull);
}

std::size_t RowStore::bytes() const
{
    return blocks_.size() * kBlockUnits * sizeof(char16_t) + start_.capacity() * sizeof(std::uint32_t)
           + length_.capacity() * sizeof(std::uint16_t);
}

} // namespace reports

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

bool RowStore::addCell(std::string_view utf8)
{
    std::uint32_t length = static_cast<std::uint32_t>(std::min<std::size_t>(utf8.size(), kMaxLength));
    // Never keep half a character: back up over the continuation bytes of the one cut.
    if (length < utf8.size())
        while (length > 0 && (static_cast<unsigned char>(utf8[length]) & 0xC0) == 0x80)
            --length;
    // Taken from the last block's start, not used_ % kBlockBytes: a block
    // filled to its last byte leaves an offset of kBlockBytes, not 0.
    std::uint64_t offset = blocks_.empty() ? 0 : used_ - std::uint64_t(blocks_.size() - 1) * kBlockBytes;
    if (blocks_.empty() || offset + length > kBlockBytes) {
        if (std::uint64_t(blocks_.size() + 1) * kBlockBytes > (std::uint64_t(1) << 32))
            return false;
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockBytes));
        used_ = std::uint64_t(blocks_.size() - 1) * kBlockBytes;
        offset = 0;
    }
    std::copy_n(utf8.data(), length, blocks_.back().get() + offset);
    start_.push_back(static_cast<std::uint32_t>(used_));
    length_.push_back(static_cast<std::uint16_t>(length));
    used_ += length;
    return true;
}

bool RowStore::addCell(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    return addCell(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void RowStore::addNull()
{
    start_.push_back(0);
    length_.push_back(kNull);
}

std::size_t RowStore::bytes() const
{
    return blocks_.size() * kBlockBytes + start_.capacity() * sizeof(std::uint32_t)
           + length_.capacity() * sizeof(std::uint16_t);
}

} // namespace reports

#include "jet/Snapshot.h"

#include <QByteArray>
#include <QString>

#include <cstring>

namespace jet::detail {

QVariant SnapshotCell::value() const
{
    switch (kind) {
    case Int32: return QVariant(static_cast<int>(integer));
    case Int64: return QVariant(static_cast<qlonglong>(integer));
    case Real: return QVariant(real);
    case Bool: return QVariant(integer != 0);
    case Text: return QVariant(QString::fromUtf8(bytes, length));
    case Blob: return QVariant(QByteArray(bytes, length));
    default: return {};
    }
}

void SnapshotStore::append(const SnapshotCell& cell)
{
    if ((size_ & kMask) == 0)
        cells_.push_back(std::make_unique_for_overwrite<SnapshotCell[]>(kMask + 1));
    cells_.back()[size_ & kMask] = cell;
    ++size_;
}

const char* SnapshotStore::keep(const char* bytes, std::uint32_t length)
{
    if (length == 0)
        return "";
    if (length > kByteBlock / 4) {
        // A long value gets a block of its own, before the block being filled.
        auto own = std::make_unique_for_overwrite<char[]>(length);
        std::memcpy(own.get(), bytes, length);
        const char* kept = own.get();
        bytes_.insert(bytes_.empty() ? bytes_.end() : bytes_.end() - 1, std::move(own));
        return kept;
    }
    if (kByteBlock - bytesUsed_ < length) {
        bytes_.push_back(std::make_unique_for_overwrite<char[]>(kByteBlock));
        bytesUsed_ = 0;
    }
    char* kept = bytes_.back().get() + bytesUsed_;
    std::memcpy(kept, bytes, length);
    bytesUsed_ += length;
    return kept;
}

} // namespace jet::detail

#pragma once

// The rows of a snapshot, kept compactly: a fixed-size cell per value in large
// blocks, texts and blobs as UTF-8 bytes in large byte blocks. A field's
// QVariant is made only when the field is read.

#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

namespace jet::detail {

struct SnapshotCell {
    enum Kind : std::uint8_t { Null, Int32, Int64, Real, Bool, Text, Blob };
    Kind kind = Null;
    std::uint32_t length = 0; // bytes of a text or blob
    union {
        std::int64_t integer = 0;
        double real;
        const char* bytes;
    };

    QVariant value() const;
};

class SnapshotStore {
public:
    void append(const SnapshotCell& cell);
    // A copy of the bytes that stays where it is for the store's life.
    const char* keep(const char* bytes, std::uint32_t length);
    const SnapshotCell& operator[](std::size_t i) const { return cells_[i >> kShift][i & kMask]; }
    std::size_t size() const { return size_; }

private:
    static constexpr std::size_t kShift = 16;
    static constexpr std::size_t kMask = (std::size_t{1} << kShift) - 1;
    static constexpr std::size_t kByteBlock = std::size_t{1} << 20;
    std::vector<std::unique_ptr<SnapshotCell[]>> cells_;
    std::size_t size_ = 0;
    std::vector<std::unique_ptr<char[]>> bytes_;
    std::size_t bytesUsed_ = kByteBlock; // in the last byte block
};

} // namespace jet::detail

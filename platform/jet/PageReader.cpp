#include "jet/PageReader.h"

#include <QFile>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <limits>

namespace jet::pages {

namespace {

constexpr int kDeepestTree = 40;

std::uint32_t be(const unsigned char* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

const unsigned char* bytesOf(const QByteArray& a)
{
    return reinterpret_cast<const unsigned char*>(a.constData());
}

// Length of the varint at p (1..9), or 0 when it runs past `available`.
int varint(const unsigned char* p, std::int64_t available, std::int64_t& value)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 9; ++i) {
        if (i >= available)
            return 0;
        if (i == 8) {
            v = (v << 8) | p[i];
            value = std::int64_t(v);
            return 9;
        }
        v = (v << 7) | (p[i] & 0x7f);
        if (!(p[i] & 0x80)) {
            value = std::int64_t(v);
            return i + 1;
        }
    }
    return 0;
}

// Decodes a record; false when its header and body do not agree.
bool decodeRecord(const QByteArray& payload, StoredRecord& record)
{
    const unsigned char* p = bytesOf(payload);
    const std::int64_t size = payload.size();
    std::int64_t headerSize = 0;
    int n = varint(p, size, headerSize);
    if (n == 0 || headerSize < n || headerSize > size)
        return false;
    std::vector<std::int64_t> types;
    for (std::int64_t at = n; at < headerSize;) {
        std::int64_t type = 0;
        const int m = varint(p + at, headerSize - at, type);
        if (m == 0 || type == 10 || type == 11 || type < 0)
            return false;
        types.push_back(type);
        at += m;
    }
    record.clear();
    record.reserve(types.size());
    std::int64_t at = headerSize;
    for (const std::int64_t type : types) {
        static constexpr int intSizes[] = {0, 1, 2, 3, 4, 6, 8};
        StoredValue value;
        std::int64_t length = 0;
        if (type == 0) {
            length = 0;
        } else if (type <= 6) {
            length = intSizes[type];
        } else if (type == 7) {
            length = 8;
        } else if (type >= 12) {
            length = (type - 12) / 2;
        }
        if (length > size - at)
            return false;
        const unsigned char* v = p + at;
        if (type >= 1 && type <= 6) {
            std::int64_t x = (v[0] & 0x80) ? -1 : 0;
            for (int i = 0; i < length; ++i)
                x = std::int64_t((std::uint64_t(x) << 8) | v[i]);
            value.kind = StoredValue::Integer;
            value.integer = x;
        } else if (type == 7) {
            std::uint64_t bits = 0;
            for (int i = 0; i < 8; ++i)
                bits = (bits << 8) | v[i];
            value.kind = StoredValue::Real;
            std::memcpy(&value.real, &bits, sizeof bits);
        } else if (type == 8 || type == 9) {
            value.kind = StoredValue::Integer;
            value.integer = type - 8;
        } else if (type >= 12) {
            value.kind = type % 2 == 0 ? StoredValue::Blob : StoredValue::Text;
            value.bytes = QByteArray(reinterpret_cast<const char*>(v), int(length));
        }
        at += length;
        record.push_back(std::move(value));
    }
    return at == size;
}

} // namespace

PageFile::~PageFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool PageFile::open(const QString& path)
{
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (st.st_size == 0)
        return true;
    unsigned char header[100];
    if (::pread(fd_, header, sizeof header, 0) != ssize_t(sizeof header) || std::memcmp(header, "SQLite format 3", 16) != 0)
        return false;
    pageSize_ = int(be(header + 16, 2));
    if (pageSize_ == 1)
        pageSize_ = 65536;
    if (pageSize_ < 512 || pageSize_ > 65536 || (pageSize_ & (pageSize_ - 1)) != 0)
        return false;
    usable_ = pageSize_ - header[20];
    if (usable_ < 480)
        return false;
    encoding_ = int(be(header + 56, 4));
    if (encoding_ == 0)
        encoding_ = SQLITE_UTF8;
    if (encoding_ != SQLITE_UTF8 && encoding_ != SQLITE_UTF16LE && encoding_ != SQLITE_UTF16BE)
        return false;
    filePages_ = std::uint32_t(std::min<std::int64_t>(st.st_size / pageSize_, 0xffffffffLL));
    const std::uint32_t counted = be(header + 28, 4);
    headerPages_ = counted != 0 && be(header + 24, 4) == be(header + 92, 4) ? counted : filePages_;
    reached_.assign(size_t(std::min(filePages_, headerPages_)) + 1, false);
    markFreePages();
    return true;
}

bool PageFile::mark(std::uint32_t number)
{
    if (number >= reached_.size())
        return true; // no such page: reading it fails
    if (reached_[number])
        return false;
    reached_[number] = true;
    return true;
}

std::optional<QByteArray> PageFile::page(std::uint32_t number) const
{
    if (number == 0 || number > filePages_ || number > headerPages_)
        return std::nullopt;
    QByteArray data(pageSize_, Qt::Uninitialized);
    if (::pread(fd_, data.data(), size_t(pageSize_), off_t(number - 1) * pageSize_) != ssize_t(pageSize_))
        return std::nullopt;
    return data;
}

// Free pages may still hold rows deleted long ago; they must never come back.
void PageFile::markFreePages()
{
    unsigned char header[8];
    if (::pread(fd_, header, 8, 32) != 8)
        return;
    std::uint32_t trunk = be(header, 4);
    while (trunk != 0 && mark(trunk)) {
        const std::optional<QByteArray> data = page(trunk);
        if (!data)
            return;
        const unsigned char* p = bytesOf(*data);
        const std::uint32_t leaves = std::min<std::uint32_t>(be(p + 4, 4), std::uint32_t(usable_ / 4 - 2));
        for (std::uint32_t i = 0; i < leaves; ++i)
            mark(be(p + 8 + 4 * i, 4));
        trunk = be(p, 4);
    }
}

// The whole payload of a cell of `size` bytes that starts at `offset`, on a page
// that keeps up to maxLocal bytes of a cell before the rest goes to overflow pages.
bool PageFile::payload(const QByteArray& data, int offset, std::int64_t size, int maxLocal, QByteArray& out)
{
    const int minLocal = (usable_ - 12) * 32 / 255 - 23;
    int local = int(size);
    if (size > maxLocal) {
        const std::int64_t k = minLocal + (size - minLocal) % (usable_ - 4);
        local = int(k <= maxLocal ? k : minLocal);
    }
    // No payload is larger than the file that holds it.
    if (offset + local + (size > local ? 4 : 0) > usable_ || size > std::int64_t(filePages_) * usable_)
        return false;
    out = data.mid(offset, local);
    if (size == local)
        return true;
    std::uint32_t next = be(bytesOf(data) + offset + local, 4);
    out.reserve(int(size));
    while (out.size() < size) {
        if (!mark(next))
            return false;
        const std::optional<QByteArray> overflow = page(next);
        if (!overflow)
            return false;
        const int take = int(std::min<std::int64_t>(size - out.size(), usable_ - 4));
        out.append(overflow->constData() + 4, take);
        next = be(bytesOf(*overflow), 4);
    }
    return true;
}

bool PageFile::walk(std::uint32_t number, bool table, const RowSink& sink, std::vector<std::int64_t>* rowids, Ranges* lost, int depth)
{
    if (depth > kDeepestTree || !mark(number)) {
        damaged_ = true;
        return false;
    }
    const std::optional<QByteArray> data = page(number);
    if (!data) {
        damaged_ = true;
        return false;
    }
    const unsigned char* p = bytesOf(*data);
    const int header = number == 1 ? 100 : 0;
    const int flag = p[header];
    const bool interior = flag == (table ? 0x05 : 0x02);
    if (!interior && flag != (table ? 0x0D : 0x0A)) {
        damaged_ = true;
        return false;
    }
    if (!interior && table) {
        reached_[number] = false; // leafRows marks it
        leafRows(*data, number, sink);
        return true;
    }
    const int cells = int(be(p + header + 3, 2));
    const int pointers = header + (interior ? 12 : 8);
    if (pointers + 2 * cells > usable_) {
        damaged_ = true;
        return false;
    }
    const int maxLocal = (usable_ - 12) * 64 / 255 - 23;
    // Rowids below a child of a table's interior page lie above the key of
    // the cell before it, up to its own key.
    std::int64_t below = std::numeric_limits<std::int64_t>::min();
    const auto after = [](std::int64_t key) {
        return key == std::numeric_limits<std::int64_t>::min() || key == std::numeric_limits<std::int64_t>::max() ? key : key + 1;
    };
    for (int i = 0; i < cells; ++i) {
        int offset = int(be(p + pointers + 2 * i, 2));
        if (offset < pointers + 2 * cells || offset + 4 > usable_) {
            damaged_ = true;
            continue;
        }
        if (interior) {
            const std::uint32_t child = be(p + offset, 4);
            offset += 4;
            std::int64_t key = 0;
            const bool keyed = table && varint(p + offset, usable_ - offset, key) != 0;
            if (!walk(child, table, sink, rowids, lost, depth + 1) && lost && keyed && key >= below)
                lost->emplace_back(after(below), key);
            if (keyed)
                below = key;
        }
        if (table)
            continue;
        // An index entry, in interior pages as in leaves: its last field is the rowid.
        std::int64_t size = 0;
        const int n = varint(p + offset, usable_ - offset, size);
        if (n == 0 || size < 0 || size >= (std::int64_t(1) << 30)) {
            damaged_ = true;
            continue;
        }
        QByteArray entry;
        StoredRecord record;
        if (!payload(*data, offset + n, size, maxLocal, entry) || !decodeRecord(entry, record) || record.empty() ||
            record.back().kind != StoredValue::Integer) {
            damaged_ = true;
            continue;
        }
        if (rowids)
            rowids->push_back(record.back().integer);
    }
    if (interior && !walk(be(p + header + 8, 4), table, sink, rowids, lost, depth + 1) && lost && table)
        lost->emplace_back(after(below), std::numeric_limits<std::int64_t>::max());
    return true;
}

void PageFile::leafRows(const QByteArray& data, std::uint32_t number, const RowSink& sink)
{
    mark(number);
    const unsigned char* p = bytesOf(data);
    const int header = number == 1 ? 100 : 0;
    const int cells = int(be(p + header + 3, 2));
    const int pointers = header + 8;
    if (p[header] != 0x0D || pointers + 2 * cells > usable_) {
        damaged_ = true;
        return;
    }
    const int maxLocal = usable_ - 35;
    for (int i = 0; i < cells; ++i) {
        const int offset = int(be(p + pointers + 2 * i, 2));
        std::int64_t size = 0;
        std::int64_t rowid = 0;
        int n = 0;
        int m = 0;
        if (offset < pointers + 2 * cells || offset >= usable_ || (n = varint(p + offset, usable_ - offset, size)) == 0 ||
            size < 0 || size >= (std::int64_t(1) << 30) || (m = varint(p + offset + n, usable_ - offset - n, rowid)) == 0) {
            damaged_ = true;
            continue;
        }
        QByteArray row;
        StoredRecord record;
        if (!payload(data, offset + n + m, size, maxLocal, row) || !decodeRecord(row, record)) {
            damaged_ = true;
            continue;
        }
        sink(rowid, std::move(record));
    }
}

std::vector<StoredObject> PageFile::objects()
{
    std::vector<StoredObject> objects;
    if (filePages_ == 0)
        return objects;
    walk(1, true, [&](std::int64_t, StoredRecord&& r) {
        if (r.size() < 4 || r[0].kind != StoredValue::Text || r[1].kind != StoredValue::Text || r[2].kind != StoredValue::Text)
            return;
        const std::int64_t root = r[3].kind == StoredValue::Integer ? r[3].integer : 0;
        objects.push_back({text(r[0]), text(r[1]), text(r[2]), root > 0 && root <= 0xffffffffLL ? std::uint32_t(root) : 0u});
    }, nullptr, nullptr, 0);
    return objects;
}

void PageFile::readTable(std::uint32_t root, const RowSink& sink, Ranges* lost)
{
    if (!walk(root, true, sink, nullptr, lost, 0) && lost)
        lost->emplace_back(std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
}

bool PageFile::readIndexRowids(std::uint32_t root, std::vector<std::int64_t>& rowids)
{
    const bool wasDamaged = damaged_;
    damaged_ = false;
    walk(root, false, {}, &rowids, nullptr, 0);
    const bool complete = !damaged_;
    damaged_ = damaged_ || wasDamaged;
    return complete;
}

void PageFile::readStrayLeaves(const RowSink& sink)
{
    const std::uint32_t last = std::min(filePages_, headerPages_);
    for (std::uint32_t number = 2; number <= last; ++number) {
        if (reached_[number])
            continue;
        const std::optional<QByteArray> data = page(number);
        if (data && data->at(0) == 0x0D) {
            const bool wasDamaged = damaged_;
            leafRows(*data, number, sink);
            damaged_ = wasDamaged;
        }
    }
}

QString PageFile::text(const StoredValue& value) const
{
    if (encoding_ == SQLITE_UTF8)
        return QString::fromUtf8(value.bytes);
    QString s;
    s.reserve(value.bytes.size() / 2);
    const unsigned char* p = bytesOf(value.bytes);
    for (int i = 0; i + 1 < value.bytes.size(); i += 2)
        s.append(QChar(encoding_ == SQLITE_UTF16LE ? char16_t(p[i] | (p[i + 1] << 8)) : char16_t((p[i] << 8) | p[i + 1])));
    return s;
}

} // namespace jet::pages

#include "jet/PageReader.h"

#include <QFile>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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


bool isTableFlag(int flag)
{
    return flag == 0x05 || flag == 0x0D;
}

// Whether a page's bytes have the structure of a b-tree page holding at least
// one cell: a known kind, cell pointers inside the page and in the content
// area, cells that parse, and keys of a table page in rising order. Random
// bytes almost never pass.
bool plausiblePage(const unsigned char* p, int usable, int header)
{
    const int flag = p[header];
    if (flag != 0x02 && flag != 0x05 && flag != 0x0A && flag != 0x0D)
        return false;
    const bool interior = flag == 0x02 || flag == 0x05;
    const int cells = int(be(p + header + 3, 2));
    const int pointers = header + (interior ? 12 : 8);
    const int content = be(p + header + 5, 2) == 0 ? 65536 : int(be(p + header + 5, 2));
    if (cells == 0 || pointers + 2 * cells > usable || content < pointers + 2 * cells || content > usable || p[header + 7] > 60)
        return false;
    std::int64_t previous = std::numeric_limits<std::int64_t>::min();
    for (int i = 0; i < cells; ++i) {
        int at = int(be(p + pointers + 2 * i, 2));
        if (at < content || at + 4 > usable)
            return false;
        if (interior) {
            if (be(p + at, 4) == 0)
                return false;
            at += 4;
        }
        std::int64_t value = 0;
        int n = varint(p + at, usable - at, value);
        if (n == 0 || value < 0)
            return false;
        if (flag == 0x0D) {
            at += n;
            n = varint(p + at, usable - at, value);
            if (n == 0)
                return false;
        }
        if (isTableFlag(flag)) {
            if (value <= previous)
                return false;
            previous = value;
        }
    }
    return !interior || be(p + header + 8, 4) != 0;
}

// The page that holds SQLite's lock bytes in files of more than 1 GiB; it is
// never part of a tree.
std::uint32_t lockBytePage(int pageSize)
{
    return pageSize > 0 ? std::uint32_t(0x40000000LL / pageSize + 1) : 0;
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
    unsigned char header[100] = {};
    const bool whole = ::pread(fd_, header, sizeof header, 0) == ssize_t(sizeof header);
    pageSize_ = int(be(header + 16, 2));
    if (pageSize_ == 1)
        pageSize_ = 65536;
    encoding_ = int(be(header + 56, 4));
    if (encoding_ == 0)
        encoding_ = SQLITE_UTF8;
    headerTrusted_ = whole && std::memcmp(header, "SQLite format 3", 16) == 0 && pageSize_ >= 512 && pageSize_ <= 65536 &&
                     (pageSize_ & (pageSize_ - 1)) == 0 && pageSize_ - header[20] >= 480 &&
                     (encoding_ == SQLITE_UTF8 || encoding_ == SQLITE_UTF16LE || encoding_ == SQLITE_UTF16BE);
    if (headerTrusted_) {
        // A header whose page size does not fit the file's first page, when
        // another size does, is as good as none.
        QByteArray first(pageSize_, '\0');
        const bool read = ::pread(fd_, first.data(), size_t(pageSize_), 0) == ssize_t(pageSize_);
        const unsigned char* p = bytesOf(first);
        const bool emptySchema = p[100] == 0x0D && be(p + 103, 2) == 0;
        if (read && !emptySchema && !plausiblePage(p, pageSize_ - header[20], 100) && probePageSize(st.st_size))
            headerTrusted_ = false;
        else
            pageSize_ = int(be(header + 16, 2)) == 1 ? 65536 : int(be(header + 16, 2));
    }
    if (headerTrusted_) {
        usable_ = pageSize_ - header[20];
        filePages_ = std::uint32_t(std::min<std::int64_t>(st.st_size / pageSize_, 0xffffffffLL));
        const std::uint32_t counted = be(header + 28, 4);
        headerPages_ = counted != 0 && be(header + 24, 4) == be(header + 92, 4) ? counted : filePages_;
    } else {
        // Nothing of the header is believed: the page size is the one whose
        // pages look like b-tree pages, the text is the program's encoding
        // and the list of free pages is unknown.
        encoding_ = SQLITE_UTF8;
        if (!probePageSize(st.st_size)) {
            pageSize_ = 4096;
            usable_ = pageSize_;
            filePages_ = std::uint32_t(std::min<std::int64_t>(st.st_size / pageSize_, 0xffffffffLL));
            headerPages_ = filePages_;
            reached_.assign(size_t(filePages_) + 1, false);
            return true;
        }
        filePages_ = std::uint32_t(std::min<std::int64_t>(st.st_size / pageSize_, 0xffffffffLL));
        headerPages_ = filePages_;
    }
    // Only pages the file holds get a mark of their own: a header may count
    // billions of pages that are not there.
    reached_.assign(size_t(filePages_) + 1, false);
    if (headerTrusted_)
        markFreePages();
    return true;
}

// The page size at which the most pages of the file have the structure of
// b-tree pages; false when no size finds any.
bool PageFile::probePageSize(std::int64_t fileSize)
{
    constexpr std::int64_t kPagesLooked = 256;
    int best = 0;
    std::int64_t bestCount = 0;
    QByteArray data;
    for (int size = 512; size <= 65536; size *= 2) {
        const std::int64_t pages = std::min(fileSize / size, kPagesLooked);
        std::int64_t count = 0;
        data.resize(size);
        for (std::int64_t n = 0; n < pages; ++n) {
            if (::pread(fd_, data.data(), size_t(size), off_t(n) * size) != ssize_t(size))
                break;
            if (plausiblePage(bytesOf(data), size, n == 0 ? 100 : 0))
                ++count;
        }
        // Whole pages of a smaller size than the real one mostly fail, and a
        // larger size finds only some of the real pages' starts.
        if (count > bestCount) {
            best = size;
            bestCount = count;
        }
    }
    if (bestCount == 0)
        return false;
    pageSize_ = best;
    usable_ = best;
    return true;
}

std::uint32_t PageFile::lastPage() const
{
    return reached_.empty() ? 0 : std::uint32_t(reached_.size() - 1);
}

bool PageFile::mark(std::uint32_t number)
{
    if (number > filePages_ && number <= headerPages_)
        return reachedBeyond_.insert(number).second; // reading it fails
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

std::optional<std::int64_t> PageFile::walk(std::uint32_t number, bool table, const RowSink& sink, std::vector<std::int64_t>* rowids,
                                           TableLoss* loss, int depth)
{
    if (depth > kDeepestTree || !mark(number)) {
        damaged_ = true;
        return std::nullopt;
    }
    const std::optional<QByteArray> data = page(number);
    if (!data) {
        damaged_ = true;
        return std::nullopt;
    }
    const unsigned char* p = bytesOf(*data);
    const int header = number == 1 ? 100 : 0;
    const int flag = p[header];
    const bool interior = flag == (table ? 0x05 : 0x02);
    if (!interior && flag != (table ? 0x0D : 0x0A)) {
        damaged_ = true;
        return std::nullopt;
    }
    if (!interior && table) {
        reached_[number] = false; // leafRows marks it
        const std::optional<std::int64_t> rows = leafRows(*data, number, sink, loss);
        if (loss && rows) {
            loss->leafDepth = depth;
            ++loss->leaves;
            loss->leafRows += *rows;
        }
        return rows;
    }
    const int cells = int(be(p + header + 3, 2));
    const int pointers = header + (interior ? 12 : 8);
    if (pointers + 2 * cells > usable_) {
        damaged_ = true;
        return std::nullopt;
    }
    ++pagesRead_;
    const int maxLocal = (usable_ - 12) * 64 / 255 - 23;
    constexpr std::int64_t kNoBound = std::numeric_limits<std::int64_t>::min();
    // Rowids below a child of a table's interior page lie above the key of
    // the cell before it, up to its own key.
    std::int64_t below = kNoBound;
    std::int64_t delivered = 0;
    // A child before this one was lost without its key: its rows lie in
    // the range of the next child that has one.
    bool lostBefore = false;
    const auto child = [&](std::uint32_t page, std::int64_t key) {
        const std::optional<std::int64_t> rows = walk(page, table, sink, rowids, loss, depth + 1);
        if (rows)
            delivered += *rows;
        if (!loss || !table)
            return;
        const bool known = below != kNoBound && key != std::numeric_limits<std::int64_t>::max() && key > below;
        if (known) {
            auto& [width, count] = loss->spans[depth + 1];
            width += double(key) - double(below);
            ++count;
        }
        if ((!rows || lostBefore) && key >= below)
            loss->ranges.push_back({below == kNoBound ? kNoBound : below + 1, key, lostBefore ? kUnknownDepth : depth + 1});
        else if (rows && known && loss->leafDepth == depth + 1) {
            loss->leafSpan += double(key) - double(below);
            loss->leafSpanRows += *rows;
        }
        lostBefore = false;
    };
    for (int i = 0; i < cells; ++i) {
        int offset = int(be(p + pointers + 2 * i, 2));
        if (offset < pointers + 2 * cells || offset + 4 > usable_) {
            damaged_ = true;
            lostBefore = lostBefore || (interior && table);
            continue;
        }
        if (interior) {
            const std::uint32_t page = be(p + offset, 4);
            offset += 4;
            std::int64_t key = 0;
            const bool keyed = table && varint(p + offset, usable_ - offset, key) != 0;
            if (table && !keyed) {
                const std::optional<std::int64_t> rows = walk(page, table, sink, rowids, loss, depth + 1);
                delivered += rows.value_or(0);
                lostBefore = lostBefore || !rows;
                damaged_ = true;
                continue;
            }
            child(page, key);
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
    if (interior)
        child(be(p + header + 8, 4), std::numeric_limits<std::int64_t>::max());
    return delivered;
}

std::optional<std::int64_t> PageFile::leafRows(const QByteArray& data, std::uint32_t number, const RowSink& sink, TableLoss* loss)
{
    mark(number);
    const unsigned char* p = bytesOf(data);
    const int header = number == 1 ? 100 : 0;
    const int cells = int(be(p + header + 3, 2));
    const int pointers = header + 8;
    if (p[header] != 0x0D || pointers + 2 * cells > usable_) {
        damaged_ = true;
        return std::nullopt;
    }
    ++pagesRead_;
    const int maxLocal = usable_ - 35;
    std::int64_t rows = 0;
    for (int i = 0; i < cells; ++i) {
        const int offset = int(be(p + pointers + 2 * i, 2));
        std::int64_t size = 0;
        std::int64_t rowid = 0;
        int n = 0;
        int m = 0;
        if (offset < pointers + 2 * cells || offset >= usable_ || (n = varint(p + offset, usable_ - offset, size)) == 0 ||
            size < 0 || size >= (std::int64_t(1) << 30) || (m = varint(p + offset + n, usable_ - offset - n, rowid)) == 0) {
            damaged_ = true;
            if (loss)
                ++loss->unparsedCells;
            continue;
        }
        ++rows;
        QByteArray row;
        StoredRecord record;
        if (!payload(data, offset + n + m, size, maxLocal, row) || !decodeRecord(row, record)) {
            damaged_ = true;
            if (loss)
                loss->unreadCells.push_back(rowid);
            continue;
        }
        sink(rowid, std::move(record));
    }
    return rows;
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

void PageFile::readTable(std::uint32_t root, const RowSink& sink, TableLoss* loss)
{
    if (!walk(root, true, sink, nullptr, loss, 0) && loss)
        loss->ranges.push_back({std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(), 0});
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

// The number of fields of the first row found below a table page, without
// marking anything; -1 when none is found within the budget of pages.
int PageFile::shapeOf(std::uint32_t number, int depth, int& budget) const
{
    if (depth > kDeepestTree || --budget < 0)
        return -1;
    const std::optional<QByteArray> data = page(number);
    if (!data)
        return -1;
    const unsigned char* p = bytesOf(*data);
    const int header = number == 1 ? 100 : 0;
    const int flag = p[header];
    if (!isTableFlag(flag) || !plausiblePage(p, usable_, header))
        return -1;
    const int cells = int(be(p + header + 3, 2));
    const int pointers = header + (flag == 0x05 ? 12 : 8);
    for (int i = 0; i < cells; ++i) {
        const int at = int(be(p + pointers + 2 * i, 2));
        if (flag == 0x05) {
            if (const int fields = shapeOf(be(p + at, 4), depth + 1, budget); fields >= 0)
                return fields;
            if (budget < 0)
                return -1;
            continue;
        }
        std::int64_t size = 0;
        std::int64_t rowid = 0;
        std::int64_t headerSize = 0;
        const int n = varint(p + at, usable_ - at, size);
        const int m = n ? varint(p + at + n, usable_ - at - n, rowid) : 0;
        const int start = at + n + m;
        const int h = m ? varint(p + start, usable_ - start, headerSize) : 0;
        if (h == 0 || start + headerSize > usable_)
            continue;
        int fields = 0;
        for (std::int64_t x = h; x < headerSize;) {
            std::int64_t type = 0;
            const int k = varint(p + start + x, headerSize - x, type);
            if (k == 0)
                break;
            x += k;
            ++fields;
        }
        return fields;
    }
    return flag == 0x05 ? shapeOf(be(p + header + 8, 4), depth + 1, budget) : -1;
}

std::vector<std::uint32_t> PageFile::unreachedRoots(int interiorFlag, int leafFlag) const
{
    const std::uint32_t last = std::min(filePages_, headerPages_);
    std::vector<std::uint32_t> found;
    std::vector<bool> named(reached_.size(), false);
    for (std::uint32_t number = 2; number <= last; ++number) {
        if (reached_[number])
            continue;
        const std::optional<QByteArray> data = page(number);
        if (!data)
            continue;
        const unsigned char* p = bytesOf(*data);
        if ((p[0] != interiorFlag && p[0] != leafFlag) || !plausiblePage(p, usable_, 0))
            continue;
        found.push_back(number);
        if (p[0] != interiorFlag)
            continue;
        const int cells = int(be(p + 3, 2));
        for (int i = 0; i <= cells; ++i) {
            const std::uint32_t child = i < cells ? be(p + be(p + 12 + 2 * i, 2), 4) : be(p + 8, 4);
            if (child < named.size())
                named[child] = true;
        }
    }
    found.erase(std::remove_if(found.begin(), found.end(), [&](std::uint32_t number) { return named[number]; }), found.end());
    return found;
}

std::vector<OrphanTree> PageFile::orphanTables()
{
    std::vector<OrphanTree> roots;
    for (const std::uint32_t number : unreachedRoots(0x05, -1)) {
        int budget = 64;
        roots.push_back({number, shapeOf(number, 0, budget)});
    }
    return roots;
}

void PageFile::readOrphanIndexes()
{
    const bool wasDamaged = damaged_;
    for (const std::uint32_t number : unreachedRoots(0x02, 0x0A))
        if (!reached_[number])
            walk(number, false, {}, nullptr, nullptr, 0);
    damaged_ = wasDamaged;
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
            leafRows(*data, number, sink, nullptr);
            damaged_ = wasDamaged;
        }
    }
}

std::uint32_t PageFile::unaccountedPages() const
{
    const std::uint32_t lock = lockBytePage(pageSize_);
    std::uint32_t count = 0;
    for (std::uint32_t number = 2; number <= lastPage(); ++number)
        count += !reached_[number] && number != lock ? 1 : 0;
    // Pages the header counts past the end of the file, other than those
    // some page names.
    if (headerPages_ > filePages_) {
        const bool lockBeyond = lock > filePages_ && lock <= headerPages_ && !reachedBeyond_.count(lock);
        count += headerPages_ - filePages_ - std::uint32_t(reachedBeyond_.size()) - (lockBeyond ? 1 : 0);
    }
    return count;
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

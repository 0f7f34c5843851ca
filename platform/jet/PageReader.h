#pragma once

// Reads the rows of a database file page by page, without SQLite, so that a
// damaged or cut-short file gives up every row that a readable page holds.
// A file whose header is damaged is read too: its page size is then found
// from the pages themselves.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace jet::pages {

// One stored value; text keeps the file's encoding.
struct StoredValue {
    enum Kind { Null, Integer, Real, Text, Blob } kind = Null;
    std::int64_t integer = 0;
    double real = 0;
    QByteArray bytes;
};
using StoredRecord = std::vector<StoredValue>;
using RowSink = std::function<void(std::int64_t rowid, StoredRecord&& record)>;

// An entry of the file's own table of tables and indexes (data only).
struct StoredObject {
    QString type;
    QString name;
    QString table;
    std::uint32_t rootPage = 0;
};

// A subtree of a table that could not be read: the rowids first..last it
// covered (first = INT64_MIN: no lower bound known; last = INT64_MAX: no
// upper bound known) and its depth below the root (kUnknownDepth: the range
// of a child whose cell could not be read, with its neighbour's).
constexpr int kUnknownDepth = 1 << 30;
struct LostRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    int depth = 0;
};

// What a walk of a table's tree tells about the rows it could not read.
struct TableLoss {
    std::vector<LostRange> ranges;
    // Rows whose cell was found but whose content could not be read, and
    // cells of readable leaves that could not be read at all.
    std::vector<std::int64_t> unreadCells;
    std::int64_t unparsedCells = 0;
    // Depth of the leaves below the root (every leaf of a tree has the same),
    // -1 when no leaf was read.
    int leafDepth = -1;
    std::int64_t leaves = 0;
    std::int64_t leafRows = 0;
    // Leaves read whose rowid range is known: how wide the ranges are and
    // how many rows they held.
    double leafSpan = 0;
    std::int64_t leafSpanRows = 0;
    // For each depth, the summed width and the number of children whose
    // rowid range is known, read or not.
    std::map<int, std::pair<double, std::int64_t>> spans;
};

// A table tree no other page names and no walk reached, and how many fields
// the first row found below it has.
struct OrphanTree {
    std::uint32_t root = 0;
    int fields = -1;
};

class PageFile {
public:
    PageFile() = default;
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;
    ~PageFile();

    // False when the file cannot be read. An empty file is a database
    // without pages; a file whose header is no database's is read by the
    // structure of its pages.
    bool open(const QString& path);

    // The file starts with a database header that names a possible page size.
    bool headerTrusted() const { return headerTrusted_; }
    // SQLITE_UTF8, SQLITE_UTF16LE or SQLITE_UTF16BE.
    int textEncoding() const { return encoding_; }
    // The header counts more pages than the file holds.
    bool cutShort() const { return headerPages_ > filePages_; }
    // Some page a walk needed could not be read.
    bool damaged() const { return damaged_; }
    // Some page could be read as a page of a table or index.
    bool anyPageRead() const { return pagesRead_ > 0; }
    bool empty() const { return filePages_ == 0 && pageSize_ == 0; }

    std::vector<StoredObject> objects();
    // Every readable row of the table b-tree at root; what could not be read
    // is added to loss.
    void readTable(std::uint32_t root, const RowSink& sink, TableLoss* loss = nullptr);
    // Adds the rowids an index b-tree at root refers to; false when some page of
    // it could not be read.
    bool readIndexRowids(std::uint32_t root, std::vector<std::int64_t>& rowids);
    // Roots of table trees that no walk reached and no page names: trees
    // whose parent or whose entry in the table of tables was lost.
    std::vector<OrphanTree> orphanTables();
    // Walks the index trees that no walk reached: their pages hold no rows
    // of a table.
    void readOrphanIndexes();
    // Rows of table leaf pages that no walk reached and that are not free:
    // pages cut off from their tree by a damaged parent.
    void readStrayLeaves(const RowSink& sink);
    // Pages of the file, or named by its header, that no walk reached, that
    // are not free and that no readable page names: they may have held rows
    // of any table. Page 1, which holds the table of tables, is not counted.
    std::uint32_t unaccountedPages() const;

    QString text(const StoredValue& value) const;

private:
    std::optional<QByteArray> page(std::uint32_t number) const;
    bool payload(const QByteArray& page, int offset, std::int64_t size, int maxLocal, QByteArray& out);
    // Rows delivered, or nothing when the page itself could not be read.
    std::optional<std::int64_t> walk(std::uint32_t root, bool table, const RowSink& sink, std::vector<std::int64_t>* rowids,
                                     TableLoss* loss, int depth);
    // Rows of the leaf, or nothing when its header cannot be read.
    std::optional<std::int64_t> leafRows(const QByteArray& page, std::uint32_t number, const RowSink& sink, TableLoss* loss);
    int shapeOf(std::uint32_t number, int depth, int& budget) const;
    // Pages no walk reached, of the interior kind or the leaf kind given,
    // that no interior one among them names (-1: no such kind).
    std::vector<std::uint32_t> unreachedRoots(int interiorFlag, int leafFlag) const;
    bool probePageSize(std::int64_t fileSize);
    void markFreePages();
    std::uint32_t lastPage() const;

    int fd_ = -1;
    int pageSize_ = 0;
    int usable_ = 0;
    int encoding_ = 1;
    bool headerTrusted_ = false;
    std::uint32_t filePages_ = 0;
    std::uint32_t headerPages_ = 0;
    bool damaged_ = false;
    std::int64_t pagesRead_ = 0;
    // Pages a walk reached or that are free; false for a page met before.
    bool mark(std::uint32_t number);
    std::vector<bool> reached_;
    std::set<std::uint32_t> reachedBeyond_;
};

} // namespace jet::pages

#pragma once

// Reads the rows of a database file page by page, without SQLite, so that a
// damaged or cut-short file gives up every row that a readable page holds.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
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

class PageFile {
public:
    PageFile() = default;
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;
    ~PageFile();

    // False when the file cannot be read or is no database. An empty file is
    // a database without pages.
    bool open(const QString& path);

    // SQLITE_UTF8, SQLITE_UTF16LE or SQLITE_UTF16BE.
    int textEncoding() const { return encoding_; }
    // The header counts more pages than the file holds.
    bool cutShort() const { return headerPages_ > filePages_; }
    // Some page a walk needed could not be read.
    bool damaged() const { return damaged_; }

    std::vector<StoredObject> objects();
    // Every readable row of the table b-tree at root. Each rowid range
    // (first, last) of a page that could not be read is added to lost; the
    // last one of the tree may be open-ended (last = INT64_MAX).
    void readTable(std::uint32_t root, const RowSink& sink, std::vector<std::pair<std::int64_t, std::int64_t>>* lost = nullptr);
    // Adds the rowids an index b-tree at root refers to; false when some page of
    // it could not be read.
    bool readIndexRowids(std::uint32_t root, std::vector<std::int64_t>& rowids);
    // Rows of table leaf pages that no walk reached and that are not free:
    // pages cut off from their tree by a damaged parent.
    void readStrayLeaves(const RowSink& sink);

    QString text(const StoredValue& value) const;

private:
    std::optional<QByteArray> page(std::uint32_t number) const;
    bool payload(const QByteArray& page, int offset, std::int64_t size, int maxLocal, QByteArray& out);
    using Ranges = std::vector<std::pair<std::int64_t, std::int64_t>>;
    // False when the page itself could not be read.
    bool walk(std::uint32_t root, bool table, const RowSink& sink, std::vector<std::int64_t>* rowids, Ranges* lost, int depth);
    void leafRows(const QByteArray& page, std::uint32_t number, const RowSink& sink);
    void markFreePages();

    int fd_ = -1;
    int pageSize_ = 0;
    int usable_ = 0;
    int encoding_ = 1;
    std::uint32_t filePages_ = 0;
    std::uint32_t headerPages_ = 0;
    bool damaged_ = false;
    // Pages a walk reached or that are free; false for a page met before.
    bool mark(std::uint32_t number);
    std::vector<bool> reached_;
};

} // namespace jet::pages

#include "jet/Leftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cstring>

namespace jet::detail {

namespace {

// The bytes every journal header and super-journal record starts or ends with.
constexpr unsigned char kJournalMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};

quint32 bigEndian32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
}

// True when the journal holds no header SQLite would read: empty, or its
// first byte 0.
bool neverPlayedBack(const QString& journal)
{
    QFile f(journal);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    char first = 0;
    return f.read(&first, 1) <= 0 || first == 0;
}

// The super-journal a journal names at its end, as SQLite reads it there:
// the name, its length, its checksum and the journal magic.
QByteArray superJournalNamedBy(const QString& journal)
{
    QFile f(journal);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = f.size();
    if (size < 16 || !f.seek(size - 16))
        return {};
    const QByteArray tail = f.read(16);
    if (tail.size() != 16 || std::memcmp(tail.constData() + 8, kJournalMagic, 8) != 0)
        return {};
    const quint32 length = bigEndian32(tail.constData());
    quint32 checksum = bigEndian32(tail.constData() + 4);
    if (length == 0 || length > size - 16 || length > 65536 || !f.seek(size - 16 - length))
        return {};
    const QByteArray name = f.read(length);
    if (name.size() != qsizetype(length))
        return {};
    for (const char c : name)
        checksum -= quint32(static_cast<unsigned char>(c));
    return checksum == 0 ? name : QByteArray();
}

// True when a journal the super-journal lists still names it.
bool stillNamed(const QString& superJournal)
{
    QFile f(superJournal);
    if (!f.open(QIODevice::ReadOnly))
        return true;
    const QString own = QFileInfo(superJournal).canonicalFilePath();
    for (const QByteArray& child : f.readAll().split('\0')) {
        if (child.isEmpty())
            continue;
        const QByteArray named = superJournalNamedBy(QFile::decodeName(child));
        if (!named.isEmpty() && QFileInfo(QFile::decodeName(named)).canonicalFilePath() == own)
            return true;
    }
    return false;
}

} // namespace

void removeStaleJournals(sqlite3* db, const QString& path, int busyTimeoutMs)
{
    const QFileInfo file(path);
    const QString journal = path + QStringLiteral("-journal");
    const QStringList supers =
        file.dir().entryList({file.fileName() + QStringLiteral("-mj*")}, QDir::Files | QDir::Hidden | QDir::System);
    if (supers.isEmpty() && !QFileInfo::exists(journal))
        return;

    // The write lock: no other connection is in the middle of a commit now,
    // and this one has no journal open. Not waited for.
    sqlite3_busy_timeout(db, 0);
    const bool locked = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (locked) {
        for (const QString& name : supers) {
            const QString superJournal = file.dir().filePath(name);
            if (!stillNamed(superJournal))
                QFile::remove(superJournal);
        }
        if (QFileInfo::exists(journal) && neverPlayedBack(journal))
            QFile::remove(journal);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
}

} // namespace jet::detail

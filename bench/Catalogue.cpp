#include "bench/Catalogue.h"

#include "catalog/ArtistAccounts.h"
#include "catalog/DataAccess.h"
#include "jet/CatalogFiles.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"
#include "jet/Sqlite.h"
#include "jet/Workgroup.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace bench {

bool sizeFromName(const QString& name, Size& size)
{
    const QString n = name.toUpper();
    if (n == QLatin1String("S"))
        size = {QStringLiteral("S"), 1'000, 10'000, 120'000, 64ull << 20};
    else if (n == QLatin1String("L"))
        size = {QStringLiteral("L"), 10'000, 100'000, 1'200'000, 320ull << 20};
    else if (n == QLatin1String("XL"))
        size = {QStringLiteral("XL"), 60'000, 634'000, 7'000'000, 1400ull << 20};
    else
        return false;
    return true;
}

Landmarks landmarks()
{
    return {QStringLiteral("Ada Quist"), QStringLiteral("Harbour Lights"), QStringLiteral("moon"),
            QStringLiteral("mart")};
}

namespace {

const QStringList kFirst = {
    "Art", "Billie", "Chet", "Dinah", "Ella", "Fats", "Gene", "Hank", "Ike", "Jimmy", "Kay", "Lena", "Miles",
    "Nina", "Oscar", "Peggy", "Quincy", "Ray", "Sarah", "Thelonious", "Ursula", "Vic", "Wes", "Xavier", "Yma",
    "Zoë", "José", "Renée", "Søren", "Łukasz", "Andrés", "François", "Mårten", "Chloé", "Dónal", "Marty",
    "Ignacio", "Astrid", "Bengt", "Colm"};
const QStringList kLast = {
    "Armstrong", "Baker", "Coltrane", "Davis", "Evans", "Fitzgerald", "Garner", "Holiday", "Ibarra", "Jarrett",
    "Kirk", "Lewis", "Monk", "Norvo", "O'Brien", "Parker", "Quinn", "Rollins", "Simone", "Tatum", "Ulmer",
    "Vaughan", "Webster", "Young", "Zawinul", "Núñez", "Dvořák", "D'Angelo", "Müller", "Martin", "Martínez",
    "Sjöberg", "Ó Ríordáin", "Brötzmann", "Larsen", "McCoy", "Fernández", "Öberg", "Kowalczyk", "Hébert",
    "Doyle", "Russo", "Silva", "Moreau", "Haddad", "Novak", "Petrov", "Kimura", "Okafor", "Lindqvist"};
const QStringList kGroups = {
    "", " Trio", " Quartet", " Quintet", " & His Orchestra", " Band", " Ensemble", " Sextet", " Big Band",
    " Combo", " Duo", " Septet", " Singers", " All Stars", " Group", " Five"};
const QStringList kAdjectives = {
    "Blue", "Midnight", "Silver", "Lonely", "Golden", "Quiet", "Wild", "Electric", "Crimson", "Velvet", "Smoky",
    "Sweet", "Broken", "Distant", "Bitter", "Gentle", "Restless", "Hollow", "Bright", "Dark", "Secret", "Lost",
    "Frozen", "Burning", "Sleepy", "Crazy", "Rainy", "Early", "Late", "Little", "Big", "Old", "New", "Last",
    "First", "Lazy", "Happy", "Sad", "Mellow", "Dusty"};
const QStringList kNouns = {
    "Train", "River", "Street", "Heart", "Rain", "Night", "Morning", "Road", "City", "Window", "Garden",
    "Harbour", "Bridge", "Shadow", "Dream", "Fire", "Ocean", "Mountain", "Valley", "Highway", "Station",
    "Letter", "Promise", "Memory", "Dance", "Song", "Melody", "Rhythm", "Blues", "Waltz", "Café", "Señorita",
    "Sunrise", "Sunset", "Summer", "Winter", "Autumn", "Spring", "Star", "Sky", "Wind", "Storm", "Island",
    "Desert", "Forest", "Door", "Room", "Kiss", "Tears", "Smile", "Lights", "Angel", "Devil", "Stranger",
    "Lover", "Friend", "Home", "Town", "Boulevard", "Avenue", "Corner", "Hotel", "Saloon", "Carnival",
    "Circus", "Parade", "Fiesta", "Serenade", "Lullaby", "Prayer", "Hymn", "Ballad", "Groove", "Shuffle",
    "Stomp", "Boogie", "Mambo", "Samba", "Tango", "Bolero", "Rose", "Lily", "Violet", "Honey", "Sugar",
    "Whiskey", "Coffee", "Cigarette", "Diamond", "Pearl", "Mirror", "Clock", "Bell", "Candle", "Moon",
    "Moonlight", "Echo", "Thunder", "Feather", "Ribbon"};
const QStringList kVerbs = {
    "Don't Leave", "Take", "Remember", "Follow", "Chasing", "Lovin'", "Waitin' for", "Dancing in", "Walking",
    "Crying in", "Dreaming of", "Leaving", "Calling", "Finding", "Holding", "Missing", "Rock 'n' Roll",
    "Back to", "Down by", "Under"};
const QStringList kTypes = {"78-12", "45-EP", "33-LP", "00-CD", "45-SP", "78-10"};
const QStringList kCategories = {"Jazz", "Blues", "Rock", "Folk", "Classical", "Pop", "Soul", "Country",
                                 "Gospel", "Latin", "Swing", "Bebop"};
const QStringList kLabels = {"Blue Note", "Verve", "Chess", "Motown", "Decca", "Columbia", "Atlantic",
                             "Impulse!", "Stax", "Sun", "Prestige", "Riverside", "Brunswick", "Vogue",
                             "Pathé", "Odéon", "Savoy", "Okeh"};
const QStringList kConditions = {"Mint", "Good", "Fair", "Bad"};

using Rng = std::mt19937_64;

int pick(Rng& rng, int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); }

template <typename T>
const T& pickFrom(Rng& rng, const QList<T>& list)
{
    return list[pick(rng, static_cast<int>(list.size()))];
}

// n counts of at least one that add up to total, varied in pairs.
std::vector<int> spread(std::int64_t total, int n, int variation, Rng& rng)
{
    std::vector<int> out(static_cast<std::size_t>(n), static_cast<int>(total / n));
    for (std::int64_t i = 0; i < total % n; ++i)
        ++out[static_cast<std::size_t>(i)];
    for (std::size_t i = 0; i + 1 < out.size(); i += 2) {
        const int d = pick(rng, 2 * variation + 1) - variation;
        if (out[i] + d >= 1 && out[i + 1] - d >= 1) {
            out[i] += d;
            out[i + 1] -= d;
        }
    }
    return out;
}

std::vector<QString> artistNames(int count, Rng& rng)
{
    std::vector<QString> pool;
    for (const QString& f : kFirst)
        for (const QString& l : kLast) {
            for (const QString& g : kGroups)
                pool.push_back(f + QLatin1Char(' ') + l + g);
            for (char c = 'A'; c <= 'Z'; ++c)
                pool.push_back(f + QLatin1Char(' ') + QLatin1Char(c) + QStringLiteral(". ") + l);
        }
    for (const QString& a : kAdjectives)
        for (const QString& n : kNouns)
            pool.push_back(QStringLiteral("The ") + a + QLatin1Char(' ') + n + QLatin1Char('s'));
    std::shuffle(pool.begin(), pool.end(), rng);
    std::vector<QString> out;
    QSet<QString> seen;
    const QString big = landmarks().bigArtist;
    seen.insert(big.toCaseFolded());
    for (const QString& name : pool) {
        if (static_cast<int>(out.size()) == count - 1)
            break;
        const QString key = name.toCaseFolded();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        out.push_back(name);
    }
    if (static_cast<int>(out.size()) < count - 1)
        throw jet::Error(jet::err::InvalidOperation, QStringLiteral("Not enough distinct artist names."));
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(out.size() / 2), big);
    return out;
}

QString recordName(Rng& rng)
{
    switch (pick(rng, 4)) {
    case 0: return pickFrom(rng, kAdjectives) + QLatin1Char(' ') + pickFrom(rng, kNouns);
    case 1: return pickFrom(rng, kNouns) + QStringLiteral(" of ") + pickFrom(rng, kNouns);
    case 2: return pickFrom(rng, kAdjectives) + QLatin1Char(' ') + pickFrom(rng, kNouns) + QStringLiteral(" Sessions");
    default: return QStringLiteral("Live at the ") + pickFrom(rng, kNouns);
    }
}

QString songTitle(Rng& rng)
{
    switch (pick(rng, 4)) {
    case 0: return pickFrom(rng, kAdjectives) + QLatin1Char(' ') + pickFrom(rng, kNouns);
    case 1: return pickFrom(rng, kVerbs) + QStringLiteral(" the ") + pickFrom(rng, kNouns);
    case 2: return pickFrom(rng, kNouns) + QStringLiteral(" in the ") + pickFrom(rng, kNouns);
    default: return pickFrom(rng, kNouns) + QStringLiteral(" Blues");
    }
}

// One engine transaction at a time, committed every so many rows.
class Transaction {
public:
    void wrote(int rows)
    {
        rows_ += rows;
        if (rows_ >= kRowsPerTransaction)
            commit();
    }
    void begin()
    {
        if (!open_)
            jet::DBEngine::BeginTrans();
        open_ = true;
    }
    void commit()
    {
        if (open_)
            jet::DBEngine::CommitTrans();
        open_ = false;
        rows_ = 0;
    }

private:
    static constexpr int kRowsPerTransaction = 50'000;
    bool open_ = false;
    int rows_ = 0;
};

// Collects value tuples into multi-row inserts.
class Writer {
public:
    Writer(jet::Database& db, Transaction& transaction, QString head)
        : db_(db), transaction_(transaction), head_(std::move(head))
    {
    }

    void add(const QString& tuple)
    {
        if (count_ == 0)
            sql_ = head_;
        else
            sql_ += QLatin1Char(',');
        sql_ += tuple;
        if (++count_ == kRowsPerStatement)
            flush();
    }

    void flush()
    {
        if (count_ == 0)
            return;
        transaction_.begin();
        db_.Execute(sql_);
        rows_ += count_;
        transaction_.wrote(count_);
        count_ = 0;
    }

    std::int64_t rows() const { return rows_; }

private:
    static constexpr int kRowsPerStatement = 200;
    jet::Database& db_;
    Transaction& transaction_;
    QString head_;
    QString sql_;
    int count_ = 0;
    std::int64_t rows_ = 0;
};

QString recordTuple(const QString& artist, const QString& name, Rng& rng)
{
    const int year = 1930 + pick(rng, 90);
    const int date = 10958 + (year - 1930) * 365 + pick(rng, 365); // a day count
    const int cents = 50 + pick(rng, 50'000);
    const QString value = QString::number(cents / 100) + QLatin1Char('.') + QString::number(cents % 100).rightJustified(2, QLatin1Char('0'));
    return QLatin1Char('(') + TextLiteral(artist) + QLatin1Char(',') + TextLiteral(name) + QLatin1Char(',')
           + TextLiteral(pickFrom(rng, kTypes)) + QLatin1Char(',') + TextLiteral(pickFrom(rng, kCategories))
           + QLatin1Char(',') + TextLiteral(pickFrom(rng, kLabels)) + QLatin1Char(',')
           + TextLiteral(QStringLiteral("%1-%2").arg(QChar(QLatin1Char('A' + pick(rng, 26)))).arg(1000 + pick(rng, 9000)))
           + QLatin1Char(',') + TextLiteral(pickFrom(rng, kConditions)) + QLatin1Char(',')
           + TextLiteral(pickFrom(rng, kConditions)) + QLatin1Char(',') + QString::number(date) + QLatin1Char(',')
           + value + QLatin1Char(',') + QString::number(1 + pick(rng, 5)) + QLatin1Char(')');
}

} // namespace

void buildCatalogue(const QString& folder, const Size& size)
{
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    const QDir dir(folder);
    jet::createCatalogDatabase(dir.filePath(jet::kDatabaseFileName));
    jet::createWorkgroupFile(dir.filePath(jet::kWorkgroupFileName));
    jet::DBEngine::setSystemDB(dir.filePath(jet::kWorkgroupFileName));
    jet::DBEngine::setDefaultUser(QStringLiteral("brevlin"));
    jet::DBEngine::setDefaultPassword(QStringLiteral("mossgravel"));
    jet::DBEngine::Workspaces()(0).Close();

    Rng rng(20261210);
    const Landmarks marks = landmarks();
    const std::vector<QString> artists = artistNames(size.artists, rng);
    const auto bigIndex = static_cast<std::size_t>(std::find(artists.begin(), artists.end(), marks.bigArtist) - artists.begin());
    std::vector<int> recordsPerArtist = spread(size.records - 1000, size.artists - 1, 6, rng);
    recordsPerArtist.insert(recordsPerArtist.begin() + static_cast<std::ptrdiff_t>(bigIndex), 1000);
    const std::vector<int> songsPerRecord = spread(size.songs - 20, size.records - 1, 5, rng);

    jet::Database db = jet::DBEngine::OpenDatabase(dir.filePath(jet::kDatabaseFileName), false, false, ConnectString);
    Transaction transaction;
    Writer records(db, transaction, QStringLiteral("Insert into records ([Artist], [Record_Name], [Record_Type], [Record_Category], "
                                      "[Label_Name], [Label_Number], [Record_Condition], [Sleeve_Condition], "
                                      "[Record_Date], [Book_Value], [Quantity]) Values "));
    Writer songs(db, transaction, QStringLiteral("Insert into songs ([Artist], [Record_Name], [Song_Title]) Values "));
    std::size_t nextSongCount = 0;
    for (std::size_t a = 0; a < artists.size(); ++a) {
        const QString& artist = artists[a];
        const QString artistText = TextLiteral(artist);
        records.add(QLatin1Char('(') + artistText
                    + QStringLiteral(",Null,Null,Null,Null,Null,Null,Null,Null,Null,Null)"));
        QSet<QString> names;
        for (int r = 0; r < recordsPerArtist[a]; ++r) {
            const bool landmark = a == bigIndex && r == recordsPerArtist[a] / 2;
            QString name = landmark ? marks.bigRecord : recordName(rng);
            for (int volume = 2; names.contains(name.toCaseFolded())
                                 || (!landmark && a == bigIndex && name.compare(marks.bigRecord, Qt::CaseInsensitive) == 0);
                 ++volume)
                name = name.section(QStringLiteral(" Vol. "), 0, 0) + QStringLiteral(" Vol. ") + QString::number(volume);
            names.insert(name.toCaseFolded());
            records.add(recordTuple(artist, name, rng));
            const int songCount = landmark ? 20 : songsPerRecord[nextSongCount++];
            const QString prefix = QLatin1Char('(') + artistText + QLatin1Char(',') + TextLiteral(name) + QLatin1Char(',');
            for (int s = 0; s < songCount; ++s)
                songs.add(prefix + TextLiteral(songTitle(rng)) + QLatin1Char(')'));
        }
        if ((a + 1) % std::max<std::size_t>(1, artists.size() / 20) == 0)
            std::fprintf(stderr, "  %zu of %zu artists written (%.0f s)\n", a + 1, artists.size(),
                         std::chrono::duration<double>(Clock::now() - started).count());
    }
    records.flush();
    songs.flush();
    transaction.commit();
    db.Close();
    jet::DBEngine::Workspaces()(0).Close();
    std::fprintf(stderr, "  catalogue built: %lld rows in records, %lld in songs, %.1f s\n",
                 static_cast<long long>(records.rows()), static_cast<long long>(songs.rows()),
                 std::chrono::duration<double>(Clock::now() - started).count());
}

void addArtistAccounts(const QString& folder)
{
    const QDir dir(folder);
    sqlite3* db = nullptr;
    const QByteArray path = QFile::encodeName(dir.filePath(jet::kWorkgroupFileName));
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw jet::Error(jet::err::InvalidOperation, QStringLiteral("Cannot open the workgroup file."));
    }
    jet::registerExtensions(db);
    const auto started = std::chrono::steady_clock::now();
    int made = 0;
    try {
        const QByteArray catalogue = QFile::encodeName(dir.filePath(jet::kDatabaseFileName));
        jet::detail::Stmt attach(db, "ATTACH DATABASE ?1 AS catalogue");
        attach.bind(1, QString::fromUtf8(catalogue));
        attach.step();
        QStringList artists;
        {
            jet::detail::Stmt s(db, "SELECT DISTINCT Artist FROM catalogue.records WHERE Artist IS NOT NULL ORDER BY Artist");
            while (s.step())
                artists << s.text(0);
        }
        jet::detail::exec(db, "BEGIN");
        for (const QString& name : artists) {
            jet::workgroup::addUser(db, name, ArtistAccount::PID, ArtistAccount::Password);
            jet::workgroup::addMembership(db, name, ArtistAccount::Group);
            ++made;
        }
        jet::detail::exec(db, "COMMIT");
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    sqlite3_close_v2(db);
    std::fprintf(stderr, "  %d artist accounts made, %.1f s\n", made,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

} // namespace bench

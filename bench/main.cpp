// Builds a catalogue of a given size and times the program's own routines on
// it, each beside the same statement run by SQLite alone on the same file.
//
//   bench_records S|L|XL [--dir FOLDER] [--plans] [--reports] [--find] [--artists] [--maintenance]

#include "bench/ArtistRows.h"
#include "bench/BenchWindow.h"
#include "bench/Catalogue.h"
#include "bench/MaintenanceRows.h"
#include "bench/EveryArtistFind.h"
#include "bench/FindDialogRows.h"
#include "bench/PlainSqlite.h"
#include "bench/SnapshotRead.h"
#include "bench/Reports.h"

#include "app/frmDatabaseExplorer.h"
#include "catalog/DataAccess.h"
#include "catalog/EntryActions.h"
#include "catalog/ProgramState.h"
#include "jet/CatalogFiles.h"
#include "jet/Dialect.h"
#include "jet/Engine.h"
#include "vb/App.h"
#include "vb/MsgBox.h"
#include "vb/Runtime.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>

#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

namespace {

const QString kMarker = QStringLiteral("bench-catalogue.txt");
const QString kUnfinished = QStringLiteral("bench-unfinished.txt");
// The marker's last line once every artist has its account.
const QString kAccountsLine = QStringLiteral("accounts\n");

void say(const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); }

QString markerText(const bench::Size& size)
{
    return QStringLiteral("%1 %2 %3 %4\n").arg(size.name).arg(size.artists).arg(size.records).arg(size.songs);
}

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool writeFile(const QString& path, const QString& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
}

// Runs build in a child process, so that the peak memory measured later is that
// of the measured routines alone. True when it succeeded.
bool inChild(const std::function<void()>& build)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        say(QStringLiteral("Cannot start the catalogue builder."));
        return false;
    }
    if (child == 0) {
        int code = 0;
        try {
            build();
        } catch (const jet::Error& e) {
            std::fprintf(stderr, "Building the catalogue failed: %d %s\n", e.Number(),
                         e.Description().toLocal8Bit().constData());
            code = 1;
        }
        std::fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Makes sure folder holds a filled catalogue of the size, every artist with its
// account. Returns false with a message when it cannot.
bool prepareCatalogue(const QString& folder, const bench::Size& size)
{
    const QDir dir(folder);
    if (!QDir().mkpath(folder)) {
        say(QStringLiteral("Cannot create the folder %1.").arg(folder));
        return false;
    }
    const QString db = dir.filePath(jet::kDatabaseFileName);
    const QString mdw = dir.filePath(jet::kWorkgroupFileName);
    if (QFileInfo::exists(dir.filePath(kUnfinished))) {
        say(QStringLiteral("Removing an unfinished benchmark catalogue in %1.").arg(folder));
        QFile::remove(db);
        QFile::remove(mdw);
        QFile::remove(dir.filePath(kMarker));
    }
    if (QFileInfo::exists(db) || QFileInfo::exists(mdw)) {
        const QString marker = readFile(dir.filePath(kMarker));
        if (marker == markerText(size) + kAccountsLine && QFileInfo::exists(db) && QFileInfo::exists(mdw)) {
            say(QStringLiteral("Reusing the filled %1 catalogue in %2.").arg(size.name, folder));
            return true;
        }
        // A catalogue of an earlier benchmark, filled before artists had accounts.
        if (marker == markerText(size) && QFileInfo::exists(db) && QFileInfo::exists(mdw)) {
            say(QStringLiteral("Giving the artists of the %1 catalogue in %2 their accounts...").arg(size.name, folder));
            return inChild([&] { bench::addArtistAccounts(folder); })
                   && writeFile(dir.filePath(kMarker), markerText(size) + kAccountsLine);
        }
        say(QStringLiteral("%1 holds catalogue files that are not a benchmark catalogue of size %2; "
                           "give an empty folder with --dir.")
                .arg(folder, size.name));
        return false;
    }

    struct statvfs fs {};
    if (statvfs(QFile::encodeName(folder).constData(), &fs) != 0) {
        say(QStringLiteral("Cannot read the free space of %1.").arg(folder));
        return false;
    }
    const unsigned long long freeBytes = static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize;
    if (freeBytes < size.diskBytes) {
        say(QStringLiteral("Not enough free disk space in %1 for the %2 catalogue: %3 MB free, %4 MB needed.")
                .arg(folder, size.name)
                .arg(freeBytes >> 20)
                .arg(size.diskBytes >> 20));
        return false;
    }

    say(QStringLiteral("Building the %1 catalogue in %2 (%3 artists, %4 records, %5 songs)...")
            .arg(size.name, folder)
            .arg(size.artists)
            .arg(size.records)
            .arg(size.songs));
    if (!writeFile(dir.filePath(kUnfinished), markerText(size))) {
        say(QStringLiteral("Cannot write in %1.").arg(folder));
        return false;
    }
    if (!inChild([&] {
            bench::buildCatalogue(folder, size);
            bench::addArtistAccounts(folder);
        }))
        return false;
    if (!writeFile(dir.filePath(kMarker), markerText(size) + kAccountsLine) || !QFile::remove(dir.filePath(kUnfinished))) {
        say(QStringLiteral("Cannot mark the catalogue as finished in %1.").arg(folder));
        return false;
    }
    return true;
}

using Clock = std::chrono::steady_clock;

// Median times in milliseconds of `runs` calls of each body after one warm-up
// call each. The bodies take turns, so that a busy spell of the machine falls
// on all of them alike and their ratios hold. An empty body gets -1.
std::vector<double> medianMs(int runs, const std::vector<std::function<void()>>& bodies)
{
    std::vector<std::vector<double>> times(bodies.size());
    for (const auto& body : bodies)
        if (body)
            body();
    for (int i = 0; i < runs; ++i) {
        for (std::size_t b = 0; b < bodies.size(); ++b) {
            if (!bodies[b])
                continue;
            const auto t0 = Clock::now();
            bodies[b]();
            times[b].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
    }
    std::vector<double> medians;
    for (auto& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t.empty() ? -1 : t[t.size() / 2]);
    }
    return medians;
}

// Reads every field of every row of the snapshot, as the list loaders do.
long long readAll(jet::Recordset& rs)
{
    if (rs.Eof())
        return 0;
    rs.MoveFirst();
    return bench::readEveryField(rs, true);
}

// One database open and one snapshot read in full, as every reader does.
long long engineQuery(const QString& sql)
{
    jet::Database db = jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString);
    jet::Recordset rs = db.OpenRecordset(sql, jet::dbOpenSnapshot);
    const long long rows = readAll(rs);
    rs.Close();
    db.Close();
    return rows;
}

long long plainQuery(const char* sql, const QStringList& values = {})
{
    bench::PlainSqlite plain(DatabasePath(), false);
    return plain.run(sql, values);
}

// The engine's own translation of a statement run by SQLite with the engine's
// functions only: what the engine costs beyond that is its snapshot and fields.
long long functionsQuery(const QString& jetSql,
                         bench::PlainSqlite::Functions functions = bench::PlainSqlite::EngineFunctions)
{
    bench::PlainSqlite sqlite(DatabasePath(), false, functions);
    return sqlite.run(jet::translateStatement(jetSql).toUtf8().constData());
}

bool showPlans = false;
// Only the reports' rows (--reports).
bool reportsOnly = false;
// Only the Find dialog's rows (--find).
bool findOnly = false;
// Only the artist commands' rows (--artists).
bool artistsOnly = false;
// Only Compact and Repair (--maintenance).
bool maintenanceOnly = false;
// Only the tree's rows (--tree).
bool treeOnly = false;

void printPlans(const QString& what, const QString& jetSql, const char* plainSql)
{
    if (!showPlans)
        return;
    bench::PlainSqlite engine(DatabasePath(), false, bench::PlainSqlite::EngineFunctions);
    const QByteArray translated = jet::translateStatement(jetSql).toUtf8();
    std::fprintf(stderr, "\n%s\n  engine: %s\n", what.toUtf8().constData(), translated.constData());
    for (const QString& line : engine.plan(translated.constData()))
        std::fprintf(stderr, "    %s\n", line.toUtf8().constData());
    bench::PlainSqlite plain(DatabasePath(), false);
    std::fprintf(stderr, "  sqlite: %s\n", plainSql);
    for (const QString& line : plain.plan(plainSql))
        std::fprintf(stderr, "    %s\n", line.toUtf8().constData());
}

using Row = bench::TableRow;

std::vector<Row> table;

void addRow(Row row) { table.push_back(std::move(row)); }

QString ms(double v) { return v < 0 ? QStringLiteral("-") : QString::number(v, 'f', v < 10 ? 2 : 1); }

void printTable(const bench::Size& size, long peakKb)
{
    std::printf("\nCatalogue %s: %d artists, %d records, %lld songs\n\n", size.name.toUtf8().constData(),
                size.artists, size.records, static_cast<long long>(size.songs));
    std::printf("%-52s %9s %10s %10s %7s  %-26s %s\n", "operation", "rows", "ours ms", "sqlite ms", "ratio",
                "target", "");
    for (const Row& r : table) {
        const QString ratio = (r.ours >= 0 && r.plain > 0) ? QString::number(r.ours / r.plain, 'f', 2) : QStringLiteral("-");
        const char* verdict = !r.met ? "" : (*r.met ? "met" : "MISSED");
        std::printf("%-52s %9s %10s %10s %7s  %-26s %s\n", r.what.toUtf8().constData(),
                    r.rows < 0 ? "-" : QString::number(r.rows).toUtf8().constData(), ms(r.ours).toUtf8().constData(),
                    ms(r.plain).toUtf8().constData(), ratio.toUtf8().constData(), r.target.toUtf8().constData(),
                    verdict);
    }
    if (peakKb < 0)
        return;
    std::printf("%-52s %9s %10.1f MB\n", "peak memory (ru_maxrss)", "", peakKb / 1024.0);
    if (size.name == QLatin1String("XL"))
        std::printf("%-52s %9s %10s %10s %7s  %-26s %s\n", "", "", "", "", "", "< 250 MB",
                    peakKb / 1024.0 < 250 ? "met" : "MISSED");
}

using bench::BenchWindow;
using bench::artistNode;
using bench::openBenchWindow;

template <typename W>
concept WindowLoadsRecords = requires(W& w, CatalogEntry& e) { w.LoadRecords(e); };
template <typename W>
concept WindowLoadsSongs = requires(W& w, CatalogEntry& e) { w.LoadSongTitles(e); };

const QString kRecordsQuery = QStringLiteral("Select * from records ") + QStringLiteral(" where [Artist] = ")
                              + QStringLiteral("'%1'") + QStringLiteral(" And Not IsNull([Record_Name])")
                              + QStringLiteral(" Order by [Artist], [Record_Name], [Record_Type], [Record_Category]");
const QString kSongsQuery = QStringLiteral("Select * from songs ") + QStringLiteral(" where [Artist] = ")
                            + QStringLiteral("'%1'") + QStringLiteral(" And [Record_Name] = ") + QStringLiteral("'%2'")
                            + QStringLiteral(" And Not IsNull([Record_Name])")
                            + QStringLiteral(" Order by [Artist], [Record_Name], [Song_Title]");

const char* kPlainTree = "SELECT DISTINCT Artist FROM records ORDER BY Artist";
const char* kPlainRecords = "SELECT * FROM records WHERE Artist = ?1 AND Record_Name IS NOT NULL "
                            "ORDER BY Artist, Record_Name, Record_Type, Record_Category";
const char* kPlainSongs = "SELECT * FROM songs WHERE Artist = ?1 AND Record_Name = ?2 AND Record_Name IS NOT NULL "
                          "ORDER BY Artist, Record_Name, Song_Title";

// The Find statements of the Find dialog, piece by piece.
QString findArtistStatement(const QString& text)
{
    const QString p = QStringLiteral(" Like ") + QStringLiteral("'") + QStringLiteral("*") + text
                      + QStringLiteral("*") + QStringLiteral("'");
    const QString cols1 = QStringLiteral(", [Record_Name], [Label_Name], [Label_Number] ");
    const QString cols2 = QStringLiteral(", [Record_Type], [Record_Category] ");
    const QString cols3 = QStringLiteral(", [Record_Condition], [Sleeve_Condition], [Record_Date], [Book_Value], [Quantity]  ");
    return QStringLiteral(" Select [Artist] ") + cols1 + cols2 + cols3 + QStringLiteral(" from records where [Artist] ")
           + p + QStringLiteral(" and IsNull([Record_Name])") + QStringLiteral(" and [Artist] Not In ")
           + QStringLiteral("( Select [Artist] ") + QStringLiteral(" from records where [Artist] ") + p
           + QStringLiteral(" and Not IsNull([Record_Name])") + QStringLiteral(")") + QStringLiteral(" Union")
           + QStringLiteral(" Select [Artist] ") + cols1 + cols2 + cols3 + QStringLiteral(" from records where [Artist] ")
           + p + QStringLiteral(" and Not IsNull([Record_Name])") + QStringLiteral(" group by ")
           + QStringLiteral(" [Artist] ") + cols1 + cols2 + cols3 + QStringLiteral(" Order by [Artist] ")
           + QStringLiteral(", [Record_Name], [Record_Type], [Record_Name] ");
}

QString findSongStatement(const QString& text)
{
    const QString p = QStringLiteral(" Like ") + QStringLiteral("'") + QStringLiteral("*") + text
                      + QStringLiteral("*") + QStringLiteral("'");
    return QStringLiteral(" Select Distinctrow [Artist], [Record_Name], [Song_Title] ") + QStringLiteral(" from songs ")
           + QStringLiteral(" where [Song_Title] ") + p;
}

const char* kPlainFindArtist =
    "SELECT Artist, Record_Name, Label_Name, Label_Number, Record_Type, Record_Category, Record_Condition, "
    "Sleeve_Condition, Record_Date, Book_Value, Quantity FROM records WHERE Artist LIKE ?1 AND Record_Name IS NULL "
    "AND Artist NOT IN (SELECT Artist FROM records WHERE Artist LIKE ?1 AND Record_Name IS NOT NULL) "
    "UNION SELECT Artist, Record_Name, Label_Name, Label_Number, Record_Type, Record_Category, Record_Condition, "
    "Sleeve_Condition, Record_Date, Book_Value, Quantity FROM records WHERE Artist LIKE ?1 AND Record_Name IS NOT NULL "
    "GROUP BY Artist, Record_Name, Label_Name, Label_Number, Record_Type, Record_Category, Record_Condition, "
    "Sleeve_Condition, Record_Date, Book_Value, Quantity ORDER BY Artist, Record_Name, Record_Type, Record_Name";
const char* kPlainFindSong = "SELECT Artist, Record_Name, Song_Title FROM songs WHERE Song_Title LIKE ?1";

constexpr int kRuns = 5;

std::optional<bool> within(bool applies, bool ok) { return applies ? std::optional<bool>(ok) : std::nullopt; }

int run(const bench::Size& size, const QString& folder)
{
    const bool L = size.name == QLatin1String("L");
    const bool XL = size.name == QLatin1String("XL");
    const bench::Landmarks marks = bench::landmarks();

    vb::App::setPath(folder);
    int boxes = 0;
    vb::setMsgBoxResponder([&boxes](const vb::MsgBoxCall& call) {
        ++boxes;
        say(QStringLiteral("Unexpected message box \"%1\": %2").arg(call.title, call.prompt));
        return static_cast<int>(vb::vbOK);
    });
    vb::setEndHandler([] { say(QStringLiteral("The program asked to end.")); });

    auto* window = openBenchWindow();

    if (reportsOnly) {
        for (bench::ReportRow& r : bench::reportRows(size, folder))
            addRow(std::move(r));
        printTable(size, -1);
        return boxes > 0 ? 1 : 0;
    }
    if (findOnly) {
        // The tree filled, as the program starts, before Find opens.
        window->PopulateTree();
        for (bench::FindRow& r : bench::findDialogRows(size))
            addRow(std::move(r));
        printTable(size, -1);
        return boxes > 0 ? 1 : 0;
    }
    if (artistsOnly || maintenanceOnly) {
        delete window;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (bench::TableRow& r : artistsOnly ? bench::artistRows(size) : bench::maintenanceRows(size))
            addRow(std::move(r));
        printTable(size, -1);
        return boxes > 0 ? 1 : 0;
    }

    // Tree.
    int nodes = 0;
    long long plainRows = 0;
    long long engineRows = 0;
    const QString treeQuery = QStringLiteral("Select Distinct [Artist] from records ") + QStringLiteral(" Order by [Artist]");
    const auto tree = medianMs(kRuns, {[&] {
                                            window->PopulateTree();
                                            const QTreeWidgetItem* root = window->tv1->topLevelItem(0);
                                            nodes = root ? root->childCount() : -1;
                                        },
                                        [&] { engineRows = engineQuery(treeQuery); },
                                        [&] { functionsQuery(treeQuery); },
                                        [&] { plainRows = plainQuery(kPlainTree); }});
    if (window->exitRequested) {
        say(QStringLiteral("The tree could not be filled; stopping."));
        return 1;
    }
    addRow({QStringLiteral("open and fill the tree (window PopulateTree)"), nodes, tree[0], tree[3],
            XL ? QStringLiteral("<= 1500 ms") : L ? QStringLiteral("<= 300 ms") : QString(),
            within(L || XL, tree[0] <= (XL ? 1500 : 300))});
    addRow({QStringLiteral("  tree query alone (engine snapshot)"), engineRows, tree[1], tree[3], {}, {}});
    addRow({QStringLiteral("  same, SQLite with the engine's functions"), -1, tree[2], tree[3], {}, {}});
    printPlans(QStringLiteral("tree"), treeQuery, kPlainTree);
    if (engineRows != plainRows || nodes != size.artists)
        say(QStringLiteral("Row counts differ for the tree: %1 nodes, %2 engine rows, %3 plain rows.")
                .arg(nodes).arg(engineRows).arg(plainRows));
    if (treeOnly) {
        printTable(size, -1);
        return boxes > 0 ? 1 : 0;
    }

    // Artist click. Generic, so that the body for a routine the window lacks is never compiled.
    int listed = 0;
    const auto artistClick = [&](auto* w) -> std::function<void()> {
        if constexpr (WindowLoadsRecords<std::remove_pointer_t<decltype(w)>>) {
            QTreeWidgetItem* node = artistNode(w->tv1, marks.bigArtist);
            if (!node)
                return {};
            w->tv1->setCurrentItem(node);
            return [w, &listed] {
                w->tv1_Click();
                listed = w->ListView1->topLevelItemCount();
            };
        } else {
            return {};
        }
    };
    const auto records = medianMs(kRuns, {artistClick(window),
                                           [&] { engineRows = engineQuery(kRecordsQuery.arg(marks.bigArtist)); },
                                           [&] { plainRows = plainQuery(kPlainRecords, {marks.bigArtist}); }});
    if (records[0] >= 0)
        addRow({QStringLiteral("artist click, 1,000 records (window tv1_Click)"), listed, records[0], records[2],
                L ? QStringLiteral("<= 50 ms") : QString(), within(L, records[0] <= 50)});
    addRow({QStringLiteral("  record list query alone (engine snapshot)"), engineRows, records[1], records[2],
            records[0] >= 0 ? QString() : QStringLiteral("(window routine not there)"), {}});
    printPlans(QStringLiteral("record list"), kRecordsQuery.arg(marks.bigArtist), kPlainRecords);

    // Record click.
    CatalogEntry record;
    record.Artist = marks.bigArtist;
    record.Record_Name = marks.bigRecord;
    record.Level = Level::Record_Name;
    const auto recordClick = [&](auto* w) -> std::function<void()> {
        if constexpr (WindowLoadsSongs<std::remove_pointer_t<decltype(w)>>) {
            return [w, &listed, &record] {
                w->LoadSongTitles(record);
                listed = w->ListView2->topLevelItemCount();
            };
        } else {
            return {};
        }
    };
    const auto songs = medianMs(
        kRuns, {recordClick(window),
                [&] { engineRows = engineQuery(kSongsQuery.arg(marks.bigArtist, marks.bigRecord)); },
                [&] { plainRows = plainQuery(kPlainSongs, {marks.bigArtist, marks.bigRecord}); }});
    if (songs[0] >= 0)
        addRow({QStringLiteral("record click, 20 songs (window LoadSongTitles)"), listed, songs[0], songs[2],
                XL ? QStringLiteral("<= 20 ms") : QString(), within(XL, songs[0] <= 20)});
    addRow({QStringLiteral("  song list query alone (engine snapshot)"), engineRows, songs[1], songs[2],
            songs[0] >= 0 ? QString() : QStringLiteral("(window routine not there)"), {}});
    printPlans(QStringLiteral("song list"), kSongsQuery.arg(marks.bigArtist, marks.bigRecord), kPlainSongs);
    delete window;
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Find.
    long long leanRows = 0;
    const QString songFind = findSongStatement(marks.songPattern);
    const QString plainSongPattern = QLatin1Char('%') + marks.songPattern + QLatin1Char('%');
    const auto findSong =
        medianMs(kRuns, {[&] { engineRows = engineQuery(songFind); }, [&] { functionsQuery(songFind); },
                         [&] { leanRows = functionsQuery(songFind, bench::PlainSqlite::LeanLike); },
                         [&] { plainRows = plainQuery(kPlainFindSong, {plainSongPattern}); }});
    addRow({QStringLiteral("Find song title *%1* (engine snapshot)").arg(marks.songPattern), engineRows, findSong[0],
            findSong[3], XL ? QStringLiteral("<= 2000 ms, <= 1.3x sqlite") : QString(),
            within(XL, findSong[0] <= 2000 && findSong[0] <= 1.3 * findSong[3])});
    addRow({QStringLiteral("  same, SQLite with the engine's functions"), -1, findSong[1], findSong[3], {}, {}});
    addRow({QStringLiteral("  same, with a leaner like() (proposal)"), leanRows, findSong[2], findSong[3], {}, {}});
    printPlans(QStringLiteral("Find song"), songFind, kPlainFindSong);
    if (engineRows != plainRows || leanRows != engineRows)
        say(QStringLiteral("Row counts differ for the song Find: %1 engine, %2 leaner like(), %3 plain (the engine "
                           "folds every letter, SQLite ASCII only).")
                .arg(engineRows).arg(leanRows).arg(plainRows));
    const QString artistFind = findArtistStatement(marks.artistPattern);
    const QString plainArtistPattern = QLatin1Char('%') + marks.artistPattern + QLatin1Char('%');
    const auto findArtist =
        medianMs(kRuns, {[&] { engineRows = engineQuery(artistFind); }, [&] { functionsQuery(artistFind); },
                         [&] { leanRows = functionsQuery(artistFind, bench::PlainSqlite::LeanLike); },
                         [&] { plainRows = plainQuery(kPlainFindArtist, {plainArtistPattern}); }});
    addRow({QStringLiteral("Find artist *%1* (engine snapshot)").arg(marks.artistPattern), engineRows, findArtist[0],
            findArtist[3], {}, {}});
    addRow({QStringLiteral("  same, SQLite with the engine's functions"), -1, findArtist[1], findArtist[3], {}, {}});
    addRow({QStringLiteral("  same, with a leaner like() (proposal)"), leanRows, findArtist[2], findArtist[3], {}, {}});
    printPlans(QStringLiteral("Find artist"), artistFind, kPlainFindArtist);
    if (leanRows != engineRows)
        say(QStringLiteral("Row counts differ for the artist Find: %1 engine, %2 leaner like().")
                .arg(engineRows).arg(leanRows));

    const bench::EveryArtistTiming every = bench::timeEveryArtistFind(DatabasePath(), ConnectString, kRuns);
    addRow({QStringLiteral("Find artist * statement alone (engine snapshot)"), every.engineRows, every.engineMs,
            every.plainMs, {}, {}});
    addRow({QStringLiteral("  same, SQLite with the engine's functions"), -1, every.functionsMs, every.plainMs, {}, {}});
    if (every.engineRows != every.plainRows)
        say(QStringLiteral("Row counts differ for the artist * Find: %1 engine, %2 plain.")
                .arg(every.engineRows).arg(every.plainRows));

    // Add a record: uniqueness test, insert and a durable commit.
    CatalogEntry add;
    add.Artist = marks.bigArtist;
    add.Level = Level::Record_Name;
    add.Record_Type = QStringLiteral("33-LP");
    add.Record_Category = QStringLiteral("Jazz");
    add.Label_Name = QStringLiteral("Verve");
    add.Label_Number = QStringLiteral("V-6001");
    add.Record_Condition = QStringLiteral("Good");
    add.Sleeve_Condition = QStringLiteral("Fair");
    add.Record_Date = 23000.0;
    add.Book_Value = 125000;
    add.Quantity = 1;
    int take = 0;
    int plainTake = 0;
    bool allAdded = true;
    const auto adds = medianMs(
        kRuns, {[&] {
                    add.Record_Name = QStringLiteral("Bench Take %1").arg(++take);
                    bool ok = false;
                    AddItem(add, add.Record_Name, ok);
                    allAdded = allAdded && ok;
                },
                [&] {
                    bench::PlainSqlite plain(DatabasePath(), true);
                    const QString name = QStringLiteral("Bench Plain %1").arg(++plainTake);
                    plain.run("SELECT * FROM records WHERE Record_Name = ?1 AND Artist = ?2", {name, marks.bigArtist});
                    plain.exec("BEGIN");
                    plain.run("INSERT INTO records (Artist, Record_Name, Record_Type, Record_Category, Label_Name, "
                              "Label_Number, Record_Condition, Sleeve_Condition, Record_Date, Book_Value, Quantity) "
                              "VALUES (?1, ?2, '33-LP', 'Jazz', 'Verve', 'V-6001', 'Good', 'Fair', 23000, 12.5, 1)",
                              {marks.bigArtist, name});
                    plain.exec("COMMIT");
                },
                // Its own body, so that its time is left out.
                [] { bench::engineSeesTheFiles(); }});
    addRow({QStringLiteral("add a record (AddItem: test, insert, commit)"), allAdded ? take : -1, adds[0], adds[1],
            XL ? QStringLiteral("<= 15 ms") : QString(), within(XL, allAdded && adds[0] <= 15)});
    if (!allAdded)
        say(QStringLiteral("An AddItem call did not succeed."));
    {
        // Leave the catalogue as it was built, so that it can be reused.
        bench::PlainSqlite plain(DatabasePath(), true);
        plain.exec("DELETE FROM records WHERE Record_Name LIKE 'Bench Take %' OR Record_Name LIKE 'Bench Plain %'");
    }

    for (bench::TableRow& r : bench::artistRows(size))
        addRow(std::move(r));

    // The peak memory of the routines above; the Find dialog and the reports
    // have rows of their own for theirs.
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    for (bench::FindRow& r : bench::findDialogRows(size))
        addRow(std::move(r));
    for (bench::ReportRow& r : bench::reportRows(size, folder))
        addRow(std::move(r));
    // Last: they replace the catalogue file by its compacted copy.
    for (bench::TableRow& r : bench::maintenanceRows(size))
        addRow(std::move(r));
    printTable(size, usage.ru_maxrss);
    if (boxes > 0)
        say(QStringLiteral("%1 unexpected message box(es) were shown.").arg(boxes));
    return boxes > 0 ? 1 : 0;
}

void usage()
{
    say(QStringLiteral("usage: bench_records S|L|XL [--dir FOLDER] [--plans] [--reports] [--find] [--artists] "
                       "[--maintenance] [--tree]\n"
                       "  S: 1,000 artists, 10,000 records, 120,000 songs\n"
                       "  L: 10,000 / 100,000 / 1,200,000\n"
                       "  XL: 60,000 / 634,000 / 7,000,000 (about 1 GB of disk)\n"
                       "  FOLDER defaults to /tmp/discavo-bench-<size>; a filled catalogue there is reused.\n"
                       "  --plans prints the query plans of the engine's and SQLite's statements.\n"
                       "  --reports runs only the reports' rows.\n"
                       "  --find runs only the Find dialog's rows.\n"
                       "  --artists runs only the rows of New Artist, rename and delete of an artist.\n"
                       "  --maintenance runs only Compact and Repair.\n"
                       "  --tree runs only the tree's rows."));
}

} // namespace

int main(int argc, char** argv)
{
    bench::Size size;
    QString folder;
    bool sized = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--dir") && i + 1 < argc) {
            folder = QDir(QString::fromLocal8Bit(argv[++i])).absolutePath();
        } else if (arg == QLatin1String("--plans")) {
            showPlans = true;
        } else if (arg == QLatin1String("--reports")) {
            reportsOnly = true;
        } else if (arg == QLatin1String("--find")) {
            findOnly = true;
        } else if (arg == QLatin1String("--artists")) {
            artistsOnly = true;
        } else if (arg == QLatin1String("--maintenance")) {
            maintenanceOnly = true;
        } else if (arg == QLatin1String("--tree")) {
            treeOnly = true;
        } else if (!sized && bench::sizeFromName(arg, size)) {
            sized = true;
        } else {
            usage();
            return 2;
        }
    }
    if (!sized) {
        usage();
        return 2;
    }
    if (folder.isEmpty())
        folder = QDir::temp().filePath(QStringLiteral("discavo-bench-") + size.name.toLower());

    if (!prepareCatalogue(folder, size))
        return 1;

    // Headless, and nothing written outside the scratch folder.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString scratch = QDir(folder).filePath(QStringLiteral("session"));
    QDir().mkpath(scratch);
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch));
    qputenv("DISCAVO_REGISTRY_FILE", QFile::encodeName(QDir(scratch).filePath(QStringLiteral("registry.ini"))));
    QFile::setPermissions(scratch, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QApplication app(argc, argv);
    try {
        return run(size, folder);
    } catch (const jet::Error& e) {
        say(QStringLiteral("Engine error %1: %2").arg(e.Number()).arg(e.Description()));
    } catch (const std::exception& e) {
        say(QStringLiteral("Failed: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    return 1;
}

#include "bench/FindDialogRows.h"
#include "bench/SnapshotRead.h"

#include "catalog/DataAccess.h"
#include "dialogs/FindResultModel.h"
#include "dialogs/frmFind.h"
#include "jet/Engine.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

// Medians in milliseconds, the bodies taking turns after one warm-up call each.
std::vector<double> medians(int runs, const std::vector<std::function<void()>>& bodies)
{
    std::vector<std::vector<double>> times(bodies.size());
    for (const auto& body : bodies)
        body();
    for (int i = 0; i < runs; ++i) {
        for (std::size_t b = 0; b < bodies.size(); ++b) {
            const auto t0 = Clock::now();
            bodies[b]();
            times[b].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
    }
    std::vector<double> result;
    for (auto& t : times) {
        std::sort(t.begin(), t.end());
        result.push_back(t[t.size() / 2]);
    }
    return result;
}

// The statement alone: one open, the snapshot read field by field.
long long engineAlone(const QString& sql)
{
    jet::Database db = jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString);
    jet::Recordset rs = db.OpenRecordset(sql, jet::dbOpenSnapshot);
    long long rows = 0;
    if (!rs.Eof()) {
        rs.MoveFirst();
        rows = readEveryField(rs);
    }
    rs.Close();
    db.Close();
    return rows;
}

// The process's peak resident size in kB since the last reset (VmHWM).
long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Starts a new peak at the current size (Linux: clear_refs 5), once the heap
// has handed back what earlier rows freed.
bool resetPeak()
{
    malloc_trim(0);
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

} // namespace

std::vector<FindRow> findDialogRows(const Size& size)
{
    const bool XL = size.name == QLatin1String("XL");
    constexpr int kRuns = 3;
    std::vector<FindRow> rows;
    frmFind& dialog = frmFindInstance()();
    dialog.show();
    QApplication::processEvents();

    long long listed = 0;
    long long alone = 0;
    auto search = [&](const QString& kind, const QString& text) {
        return [&, kind, text] {
            dialog.cmbFolderType->setCurrentText(kind);
            dialog.mlocate->setText(text);
            dialog.cmdRun_Click();
            listed = dialog.ListView1Rows->rows();
        };
    };

    // Searches one after another as a user runs them, first thing after the
    // dialog opens: the peak after each, measured from the start of the first.
    // Listed last.
    std::vector<FindRow> successive;
    const bool successionKnown = resetPeak();
    const std::pair<QString, QString> succession[] = {{QStringLiteral("Artist"), QStringLiteral("*")},
                                                     {QStringLiteral("Artist"), QStringLiteral("*")},
                                                     {QStringLiteral("Artist"), QStringLiteral("*")},
                                                     {QStringLiteral("Record Name"), QStringLiteral("*")}};
    int turn = 0;
    for (const auto& [kind, text] : succession) {
        search(kind, text)();
        QApplication::processEvents();
        const long after = successionKnown ? peakKb() : -1;
        successive.push_back({QStringLiteral("Find, search %1 in a row, %2 \"%3\": peak MB").arg(++turn).arg(kind, text),
                        listed, after / 1024.0, -1, XL ? QStringLiteral("<= 400 MB") : QString(),
                        XL && after >= 0 ? std::optional<bool>(after <= 400 * 1024) : std::nullopt});
    }

    // Song titles holding "moon".
    const auto moon = medians(kRuns, {search(QStringLiteral("Song Title"), QStringLiteral("moon")),
                                      [&] { alone = engineAlone(FindStatement(QStringLiteral("Song Title"),
                                                                              QStringLiteral("moon"))); }});
    rows.push_back({QStringLiteral("Find dialog, Song Title \"moon\" (cmdRun_Click)"), listed, moon[0], moon[1],
                    XL ? QStringLiteral("<= 1500 ms, <= 1.3x engine") : QString(),
                    XL ? std::optional<bool>(moon[0] <= 1500 && moon[0] <= 1.3 * moon[1]) : std::nullopt});
    rows.push_back({QStringLiteral("  same statement, engine alone"), alone, moon[1], -1, {}, {}});
    if (listed != alone)
        rows.push_back({QStringLiteral("  ROW COUNTS DIFFER"), listed - alone, -1, -1, {}, false});

    // Every artist: the longest list the dialog can show.
    dialog.cmbFolderType_Click();
    QApplication::processEvents();
    const bool peakKnown = resetPeak();
    // The statement alone runs with the list emptied, as after picking a kind:
    // the program never holds a full list beside a second snapshot. The list
    // is emptied in the dialog's turn, as the next search would empty it, so
    // that the engine's time is the statement's alone.
    const auto runStar = search(QStringLiteral("Artist"), QStringLiteral("*"));
    const auto star = medians(kRuns, {[&] {
                                          runStar();
                                          dialog.cmbFolderType_Click();
                                      },
                                      [&] {
                                          alone = engineAlone(FindStatement(QStringLiteral("Artist"),
                                                                            QStringLiteral("*")));
                                      }});
    const long peak = peakKnown ? peakKb() : -1;
    rows.push_back({QStringLiteral("Find dialog, Artist \"*\" (cmdRun_Click)"), listed, star[0], star[1],
                    XL ? QStringLiteral("<= 1.3x engine") : QString(),
                    XL ? std::optional<bool>(star[0] <= 1.3 * star[1]) : std::nullopt});
    rows.push_back({QStringLiteral("  same statement, engine alone"), alone, star[1], -1, {}, {}});
    if (listed != alone)
        rows.push_back({QStringLiteral("  ROW COUNTS DIFFER"), listed - alone, -1, -1, {}, false});
    rows.push_back({QStringLiteral("  peak memory of the program meanwhile (MB)"), -1, peak / 1024.0, -1,
                    XL ? QStringLiteral("<= 400 MB") : QString(),
                    XL && peak >= 0 ? std::optional<bool>(peak <= 400 * 1024) : std::nullopt});

    // The statement alone, for comparison: its snapshot is most of the peak.
    dialog.cmbFolderType_Click();
    QApplication::processEvents();
    const bool aloneKnown = resetPeak();
    alone = engineAlone(FindStatement(QStringLiteral("Artist"), QStringLiteral("*")));
    const long alonePeak = aloneKnown ? peakKb() : -1;
    rows.push_back({QStringLiteral("  peak memory, engine statement alone (MB)"), alone, alonePeak / 1024.0, -1, {}, {}});

    // Header clicks on that list: a text column, then a value column.
    dialog.mlocate->setText(QStringLiteral("*"));
    dialog.cmdRun_Click();
    const auto sort = medians(kRuns, {[&] { dialog.ListView1_ColumnClick(2); },
                                      [&] { dialog.ListView1_ColumnClick(10); }});
    rows.push_back({QStringLiteral("Find dialog, header click Record Name"), dialog.ListView1Rows->rows(), sort[0], -1,
                    XL ? QStringLiteral("<= 1000 ms") : QString(),
                    XL ? std::optional<bool>(sort[0] <= 1000) : std::nullopt});
    rows.push_back({QStringLiteral("Find dialog, header click Book Value"), dialog.ListView1Rows->rows(), sort[1], -1,
                    XL ? QStringLiteral("<= 1000 ms") : QString(),
                    XL ? std::optional<bool>(sort[1] <= 1000) : std::nullopt});

    rows.insert(rows.end(), successive.begin(), successive.end());

    dialog.cmdReturn_Click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return rows;
}

} // namespace bench

#include "bench/MaintenanceRows.h"

#include "bench/PlainSqlite.h"

#include "catalog/DataAccess.h"
#include "catalog/Maintenance.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

// The copies are built with the engine's collation, as the file's indexes
// need. Each run copies the whole catalogue, so there are fewer of them and no warm-up.
constexpr int kRuns = 3;

std::vector<double> medianMs(const std::vector<std::function<bool()>>& bodies, bool& allOk)
{
    std::vector<std::vector<double>> times(bodies.size());
    for (int i = 0; i < kRuns; ++i) {
        for (std::size_t b = 0; b < bodies.size(); ++b) {
            const auto t0 = Clock::now();
            allOk = bodies[b]() && allOk;
            times[b].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
    }
    std::vector<double> medians;
    for (auto& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

QString copyPath() { return DatabasePath() + QStringLiteral(".bench-copy"); }

bool plainVacuumInto(PlainSqlite& sql)
{
    QFile::remove(copyPath());
    sql.run("VACUUM INTO ?1", {copyPath()});
    return QFile::remove(copyPath());
}

std::optional<bool> within(bool applies, bool ok) { return applies ? std::optional<bool>(ok) : std::nullopt; }

} // namespace

std::vector<TableRow> maintenanceRows(const Size& size)
{
    const bool XL = size.name == QLatin1String("XL");
    std::vector<TableRow> out;
    bool allOk = true;
    const auto compact = medianMs({[] {
                                       QString message;
                                       const bool ok = CompactDatabaseFile(QStringLiteral("records"), message);
                                       if (!ok)
                                           std::fprintf(stderr, "Compact: %s\n", message.toLocal8Bit().constData());
                                       return ok;
                                   },
                                   [] {
                                       PlainSqlite sql(DatabasePath(), false, PlainSqlite::EngineFunctions);
                                       return plainVacuumInto(sql);
                                   }},
                                  allOk);
    out.push_back({QStringLiteral("Compact (CompactDatabaseFile) vs VACUUM INTO"), -1, compact[0], compact[1],
                   XL ? QStringLiteral("<= 1.5x sqlite") : QString(), within(XL, compact[0] <= 1.5 * compact[1])});
    const auto repair = medianMs({[] {
                                      QString message;
                                      const bool ok = RepairDatabaseFile(QStringLiteral("records"), message);
                                      if (!ok)
                                          std::fprintf(stderr, "Repair: %s\n", message.toLocal8Bit().constData());
                                      return ok;
                                  },
                                  [] {
                                      PlainSqlite sql(DatabasePath(), false, PlainSqlite::EngineFunctions);
                                      const QStringList check = sql.column("PRAGMA integrity_check");
                                      return check == QStringList{QStringLiteral("ok")} && plainVacuumInto(sql);
                                  }},
                                 allOk);
    out.push_back({QStringLiteral("Repair of a sound file vs integrity_check + VACUUM INTO"), -1, repair[0], repair[1],
                   XL ? QStringLiteral("<= 1.5x sqlite") : QString(), within(XL, repair[0] <= 1.5 * repair[1])});
    if (!allOk)
        out.push_back({QStringLiteral("  compact or repair did not succeed"), -1, -1, -1, {}, false});
    return out;
}

} // namespace bench

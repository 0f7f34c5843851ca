#include "bench/Reports.h"

#include "catalog/DataAccess.h"
#include "dialogs/frmPrint.h"
#include "jet/Engine.h"
#include "reports/PreviewWindow.h"
#include "vb/App.h"
#include "vb/MsgBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <sys/resource.h>


namespace bench {

namespace {

double elapsedMs(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// The engine's statement alone: the database opened and the snapshot read.
double snapshotMs(const QString& sql, long long& rows)
{
    QElapsedTimer t;
    t.start();
    jet::Database db = jet::DBEngine::OpenDatabase(DatabasePath(), false, false, ConnectString);
    jet::Recordset rs = db.OpenRecordset(sql, jet::dbOpenSnapshot);
    if (!rs.Eof())
        rs.MoveLast();
    rows = rs.RecordCount();
    rs.Close();
    db.Close();
    return elapsedMs(t);
}

// Print Preview clicked with the report chosen, until the first page is drawn.
reports::PreviewWindow* previewReport(int option, double& ms)
{
    QElapsedTimer t;
    t.start();
    frmPrint& f = frmPrintInstance()();
    f.optIndexRpt[option]->click();
    f.cmdPrint_Click();
    reports::PreviewWindow* w = f.previewWindow().window();
    if (!w)
        return nullptr;
    while (w->pagesDrawn() == 0 && t.elapsed() < 60000) {
        QApplication::processEvents();
        w->pageView()->repaint();
    }
    ms = elapsedMs(t);
    return w;
}

void closeDialog()
{
    if (frmPrint* f = frmPrintInstance().peek())
        f->cmdCancel_Click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

long peakMb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

std::vector<ReportRow> measure(const Size& size, const QString& folder)
{
    const bool L = size.name == QLatin1String("L");
    const bool XL = size.name == QLatin1String("XL");
    std::vector<ReportRow> out;
    int unexpected = 0;
    vb::setMsgBoxResponder([&unexpected](const vb::MsgBoxCall& call) {
        if (!call.prompt.startsWith(QStringLiteral("You can print the records")))
            ++unexpected;
        return static_cast<int>(vb::vbOK);
    });
    // The templates come from the sources.
    for (const char* name : {"RecordIdxRpt.rpt", "SongsIdxRpt.rpt", "ArtistIdxRpt.rpt", "TypeIdxRpt.rpt"}) {
        const QString target = QDir(folder).filePath(QLatin1String(name));
        QFile::remove(target);
        QFile::copy(QDir(QStringLiteral(REPORT_TEMPLATES)).filePath(QLatin1String(name)), target);
    }

    // Record Index.
    long long rows = 0;
    const double recordQuery = snapshotMs(frmPrint::ReportQuery(QStringLiteral("Record Name")), rows);
    double first = -1;
    reports::PreviewWindow* w = previewReport(1, first);
    if (w) {
        const int pages = w->pageCount();
        out.push_back({QStringLiteral("Record Index: Print click to first page (%1 pp)").arg(pages), rows, first,
                       recordQuery, XL ? QStringLiteral("<= 3000 ms") : QString(),
                       XL ? std::optional<bool>(first <= 3000) : std::nullopt});
        QElapsedTimer t;
        t.start();
        w->lastButton()->click();
        w->pageView()->repaint();
        const double last = elapsedMs(t);
        out.push_back({QStringLiteral("  Record Index: to the last page"), -1, last, -1,
                       XL ? QStringLiteral("<= 500 ms") : QString(),
                       XL ? std::optional<bool>(last <= 500) : std::nullopt});
        out.push_back({QStringLiteral("  record index query alone (engine snapshot)"), rows, recordQuery, -1, {}, {}});

        if (!XL) {
            const QString pdf = QDir(folder).filePath(QStringLiteral("session/record-index.pdf"));
            t.restart();
            const bool done = w->exportPdf(pdf);
            const double exportMs = elapsedMs(t);
            out.push_back({QStringLiteral("  Record Index to PDF (%1 pp)").arg(pages), done ? pages : -1, exportMs, -1,
                           L ? QStringLiteral("<= 30000 ms") : QString(),
                           L ? std::optional<bool>(done && exportMs <= 30000) : std::nullopt});
            QFile::remove(pdf);
            // Cancel clicked while the first page is written.
            QTimer::singleShot(0, w->cancelButton(), &QPushButton::click);
            t.restart();
            const bool stopped = !w->exportPdf(pdf);
            out.push_back({QStringLiteral("  same, Cancel clicked at once (stopped: %1)").arg(stopped ? "yes" : "no"), -1,
                           elapsedMs(t), -1, QStringLiteral("stops"), stopped && !QFile::exists(pdf)});
        }
    }
    closeDialog();

    // Song Title Index.
    const double songQuery = snapshotMs(frmPrint::ReportQuery(QStringLiteral("Song Titles")), rows);
    w = previewReport(3, first);
    if (w) {
        out.push_back({QStringLiteral("Song Title Index: Print click to first page (%1 pp)").arg(w->pageCount()), rows,
                       first, songQuery, XL ? QStringLiteral("<= 8000 ms") : QString(),
                       XL ? std::optional<bool>(first <= 8000) : std::nullopt});
        out.push_back({QStringLiteral("  song index query alone (engine snapshot)"), rows, songQuery, -1, {}, {}});
    }
    closeDialog();
    const long peak = peakMb();
    out.push_back({QStringLiteral("  reports peak memory, whole process: %1 MB").arg(peak), -1, -1, -1,
                   QStringLiteral("<= 1536 MB"), XL ? std::optional<bool>(peak <= 1536) : std::nullopt});
    if (unexpected > 0)
        out.push_back({QStringLiteral("  unexpected message boxes: %1").arg(unexpected), -1, -1, -1, {}, false});
    return out;
}

} // namespace

std::vector<ReportRow> reportRows(const Size& size, const QString& folder)
{
    try {
        return measure(size, folder);
    } catch (const jet::Error& e) {
        return {{QStringLiteral("reports failed: ") + e.Description(), -1, -1, -1, {}, false}};
    }
}

} // namespace bench

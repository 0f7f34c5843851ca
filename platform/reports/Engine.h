#pragma once

// The report engine the Print dialog drives: an application object made by
// program identifier, reports opened from templates, their data handed over
// from a snapshot, margins, the preview window's options, the preview and the
// error state of the last failed call. Every failing call throws
// reports::Error; the calls on a report also record it (ErrorNumber/ErrorText)
// until DiscardJob.

#include "reports/Error.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>

class QWidget;

namespace jet {
class Recordset;
}

namespace reports {

class PreviewWindow;
struct ReportState;

// The data tag under which a snapshot record set is handed over.
constexpr int kRecordsetDataTag = 3;

class ReportTable {
public:
    // Takes the rows of the record set now (the record set may be closed
    // afterwards). A tag other than 3, a closed record set or a template field
    // the rows lack is an error.
    void SetDataSource(int dataTag, jet::Recordset& recordset);
    // Kept for the job; the handed-over rows need no database access.
    void LogOnServer(const QString& server, const QString& database, const QString& user, const QString& password);
    QString LogOnDatabase() const;

private:
    friend class ReportTables;
    std::shared_ptr<ReportState> s_;
};

class ReportTables {
public:
    int Count() const { return 1; }
    // Tables are numbered from 1; a report has one.
    ReportTable Item(int index) const;

private:
    friend class ReportDatabase;
    std::shared_ptr<ReportState> s_;
};

class ReportDatabase {
public:
    ReportTables Tables() const;

private:
    friend class Report;
    std::shared_ptr<ReportState> s_;
};

// The page margins of the report, in twips.
class PageMargins {
public:
    double TopMargin() const;
    void setTopMargin(double twips);
    std::int16_t LeftMargin() const;
    void setLeftMargin(std::int16_t twips);

private:
    friend class Report;
    std::shared_ptr<ReportState> s_;
};

// The buttons of the preview window; a live view of the report's settings.
class PrintWindowOptions {
public:
#define REPORTS_OPTION(name)                                                                                           \
    bool name() const;                                                                                                 \
    void set##name(bool value);
    REPORTS_OPTION(HasPrintButton)
    REPORTS_OPTION(HasPrintSetupButton)
    REPORTS_OPTION(HasSearchButton)
    REPORTS_OPTION(HasRefreshButton)
    REPORTS_OPTION(HasCancelButton)
    REPORTS_OPTION(HasCloseButton)
    REPORTS_OPTION(HasExportButton)
    REPORTS_OPTION(HasNavigationControls)
    REPORTS_OPTION(HasProgressControls)
#undef REPORTS_OPTION

private:
    friend class Report;
    std::shared_ptr<ReportState> s_;
};

// The preview window as the program holds it. It knows when the user has
// closed the window: every call on a closed window does nothing.
class PreviewWindowHandle {
public:
    PreviewWindowHandle() = default;
    explicit PreviewWindowHandle(PreviewWindow* window);
    bool isOpen() const;
    // Shows the window in front.
    void setActive(bool active);
    void Close();
    PreviewWindow* window() const;

private:
    QPointer<PreviewWindow> window_;
};

class PreviewView {
public:
    PreviewView() = default;
    explicit PreviewView(PreviewWindow* window) : window_(window) {}
    PreviewWindowHandle Window() const { return window_; }

private:
    PreviewWindowHandle window_;
};

class Report {
public:
    ReportDatabase Database() const;
    PageMargins Margins() const;
    reports::PrintWindowOptions PrintWindowOptions() const;
    // Opens the preview window over the handed-over rows. parent: the window
    // it belongs to (it stays usable while that one is modal); may be null.
    PreviewView Preview(const QString& title, QWidget* parent = nullptr);
    // The last failure of a call on this report: 0 and "" when none.
    int ErrorNumber() const;
    QString ErrorText() const;
    // Gives up the job after a failure: drops the handed-over rows and the error.
    void DiscardJob();

    QString TemplatePath() const;

private:
    friend class Application;
    std::shared_ptr<ReportState> s_;
};

class Application {
public:
    // Reads the template; a missing or malformed one is an error naming the file.
    std::shared_ptr<Report> OpenReport(const QString& templatePath) const;
};

// The engine's program identifier.
inline const QString kProgId = QStringLiteral("Crystal.CRPE.Application");

// Creates the application object for a program identifier; any other is an error.
std::shared_ptr<Application> CreateObject(const QString& progId);

} // namespace reports

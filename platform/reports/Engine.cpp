#include "reports/Engine.h"

#include "reports/PreviewWindow.h"
#include "reports/ReportDocument.h"
#include "reports/Template.h"

#include "jet/Engine.h"

#include <QDir>

#include <bit>
#include <string>
#include <unordered_map>
#include <vector>

namespace reports {

struct ReportState {
    Template layout;
    double topMargin = 0;
    std::int16_t leftMargin = 0;
    PreviewOptions options;
    int errorNumber = 0;
    QString errorText;
    std::shared_ptr<const ReportDocument> document;
    // The rows taken at hand-over, laid out when the preview first needs them
    // (by then the caller may have closed its record set and freed the snapshot).
    std::unique_ptr<RowStore> rows;
    QDate handedOver;
    QString server, database, user, password;
    QPointer<PreviewWindow> preview;

    [[noreturn]] void fail(int number, const QString& text)
    {
        errorNumber = number;
        errorText = text;
        throw Error(number, text);
    }
};

namespace {

// Reads every row of the record set into a compact store, rendering each
// cell as it is shown.
std::unique_ptr<RowStore> takeRows(ReportState& s, jet::Recordset& rs)
{
    const QStringList fields = s.layout.fields();
    auto store = std::make_unique<RowStore>(static_cast<int>(fields.size()));
    if (rs.Eof() && rs.Bof())
        return store;
    rs.MoveFirst();
    std::vector<int> index;
    for (const QString& f : fields) {
        int found = -1;
        for (int i = 0; i < rs.FieldCount() && found < 0; ++i)
            if (rs.Fields(i).Name().compare(f, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            s.fail(errMissingColumn, QStringLiteral("The data handed to the report %1 has no field %2.")
                                         .arg(QDir::toNativeSeparators(s.layout.file), f));
        index.push_back(found);
    }
    std::vector<jet::FieldType> types;
    for (const int i : index)
        types.push_back(rs.Fields(i).Type());
    const CellRendering& render = cellRendering();
    constexpr std::size_t kRenderedKept = 1u << 16;
    std::vector<std::unordered_map<std::uint64_t, std::string>> rendered(index.size());
    rs.MoveLast();
    store->reserveRows(rs.RecordCount());
    rs.MoveFirst();
    while (!rs.Eof()) {
        for (std::size_t c = 0; c < index.size(); ++c) {
            const int i = index[c];
            // Texts are copied as the snapshot keeps them.
            if (types[c] == jet::FieldType::Text) {
                if (const std::optional<std::string_view> bytes = rs.TextBytes(i)) {
                    if (!store->addCell(*bytes))
                        s.fail(errDataRead, QStringLiteral("The data is too large for the report."));
                    continue;
                }
            }
            const jet::Field field = rs.Fields(i);
            if (field.IsNull()) {
                store->addNull();
                continue;
            }
            // Dates, values and quantities repeat: each distinct one is rendered once.
            std::optional<std::uint64_t> raw;
            switch (field.Type()) {
            case jet::FieldType::Date:
                raw = std::bit_cast<std::uint64_t>(*field.Date());
                break;
            case jet::FieldType::Currency:
                raw = static_cast<std::uint64_t>(*field.Currency());
                break;
            case jet::FieldType::Long:
                raw = static_cast<std::uint32_t>(*field.Long());
                break;
            default:
                break;
            }
            if (raw) {
                const auto known = rendered[c].find(*raw);
                if (known != rendered[c].end()) {
                    if (!store->addCell(std::string_view(known->second)))
                        s.fail(errDataRead, QStringLiteral("The data is too large for the report."));
                    continue;
                }
            }
            QString text;
            switch (field.Type()) {
            case jet::FieldType::Date:
                text = render.date(*field.Date());
                break;
            case jet::FieldType::Currency:
                text = render.currency(*field.Currency());
                break;
            case jet::FieldType::Long:
                text = render.quantity(*field.Long());
                break;
            default:
                text = field.Value().toString();
                break;
            }
            if (raw && rendered[c].size() < kRenderedKept)
                rendered[c].emplace(*raw, text.toStdString());
            if (!store->addCell(text))
                s.fail(errDataRead, QStringLiteral("The data is too large for the report."));
        }
        rs.MoveNext();
    }
    return store;
}

} // namespace

// ---- table, database, tables

void ReportTable::SetDataSource(int dataTag, jet::Recordset& recordset)
{
    ReportState& s = *s_;
    if (dataTag != kRecordsetDataTag)
        s.fail(errDataTag, QStringLiteral("The data tag %1 is not supported.").arg(dataTag));
    if (!recordset.isOpen())
        s.fail(errNoData, QStringLiteral("The record set handed to the report is not open."));
    try {
        auto rows = takeRows(s, recordset);
        s.document.reset();
        s.rows = std::move(rows);
        s.handedOver = QDate::currentDate();
    } catch (const jet::Error& e) {
        s.fail(errDataRead, e.Description());
    } catch (const std::bad_alloc&) {
        s.fail(errDataRead, QStringLiteral("Not enough memory for the report's data."));
    }
}

void ReportTable::LogOnServer(const QString& server, const QString& database, const QString& user,
                              const QString& password)
{
    s_->server = server;
    s_->database = database;
    s_->user = user;
    s_->password = password;
}

QString ReportTable::LogOnDatabase() const { return s_->database; }

ReportTable ReportTables::Item(int index) const
{
    if (index != 1)
        s_->fail(errNoSuchTable, QStringLiteral("The report has no table %1.").arg(index));
    ReportTable t;
    t.s_ = s_;
    return t;
}

ReportTables ReportDatabase::Tables() const
{
    ReportTables t;
    t.s_ = s_;
    return t;
}

// ---- margins and options

double PageMargins::TopMargin() const { return s_->topMargin; }
void PageMargins::setTopMargin(double twips) { s_->topMargin = twips; }
std::int16_t PageMargins::LeftMargin() const { return s_->leftMargin; }
void PageMargins::setLeftMargin(std::int16_t twips) { s_->leftMargin = twips; }

#define REPORTS_OPTION(name, member)                                                                                   \
    bool PrintWindowOptions::name() const { return s_->options.member; }                                               \
    void PrintWindowOptions::set##name(bool value) { s_->options.member = value; }
REPORTS_OPTION(HasPrintButton, print)
REPORTS_OPTION(HasPrintSetupButton, printSetup)
REPORTS_OPTION(HasSearchButton, search)
REPORTS_OPTION(HasRefreshButton, refresh)
REPORTS_OPTION(HasCancelButton, cancel)
REPORTS_OPTION(HasCloseButton, close)
REPORTS_OPTION(HasExportButton, exportButton)
REPORTS_OPTION(HasNavigationControls, navigation)
REPORTS_OPTION(HasProgressControls, progress)
#undef REPORTS_OPTION

// ---- preview window handle

PreviewWindowHandle::PreviewWindowHandle(PreviewWindow* window) : window_(window) {}

bool PreviewWindowHandle::isOpen() const { return window_ && !window_->isClosed(); }

void PreviewWindowHandle::setActive(bool active)
{
    if (!isOpen() || !active)
        return;
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void PreviewWindowHandle::Close()
{
    if (isOpen())
        window_->close();
}

PreviewWindow* PreviewWindowHandle::window() const { return isOpen() ? window_.data() : nullptr; }

// ---- report

ReportDatabase Report::Database() const
{
    ReportDatabase d;
    d.s_ = s_;
    return d;
}

PageMargins Report::Margins() const
{
    PageMargins m;
    m.s_ = s_;
    return m;
}

reports::PrintWindowOptions Report::PrintWindowOptions() const
{
    reports::PrintWindowOptions o;
    o.s_ = s_;
    return o;
}

PreviewView Report::Preview(const QString& title, QWidget* parent)
{
    ReportState& s = *s_;
    if (s.rows) {
        try {
            s.document = std::make_shared<const ReportDocument>(s.layout, std::move(s.rows), s.handedOver);
        } catch (const std::bad_alloc&) {
            s.rows.reset();
            s.fail(errDataRead, QStringLiteral("Not enough memory for the report's data."));
        }
    }
    if (!s.document)
        s.fail(errNoPreview, QStringLiteral("The report %1 has no data to preview.")
                                 .arg(QDir::toNativeSeparators(s.layout.file)));
    if (s.preview)
        s.preview->close();
    auto* window = new PreviewWindow(s.document, s.options, static_cast<int>(s.topMargin), s.leftMargin, title, parent);
    s.preview = window;
    window->show();
    return PreviewView(window);
}

int Report::ErrorNumber() const { return s_->errorNumber; }
QString Report::ErrorText() const { return s_->errorText; }

void Report::DiscardJob()
{
    if (s_->preview)
        s_->preview->close();
    s_->document.reset();
    s_->rows.reset();
    s_->errorNumber = 0;
    s_->errorText.clear();
}

QString Report::TemplatePath() const { return s_->layout.file; }

std::shared_ptr<Report> Application::OpenReport(const QString& templatePath) const
{
    auto report = std::make_shared<Report>();
    report->s_ = std::make_shared<ReportState>();
    report->s_->layout = loadTemplate(templatePath);
    return report;
}

std::shared_ptr<Application> CreateObject(const QString& progId)
{
    if (progId != kProgId)
        throw Error(errUnknownProgId, QStringLiteral("The object %1 cannot be created.").arg(progId));
    return std::make_shared<Application>();
}

} // namespace reports

#pragma once

// The laid-out report: the template, the handed-over rows in their printed
// order and the lines of the report, paged by arithmetic over fixed line
// heights. Draws one page at a time.

#include "reports/RowStore.h"
#include "reports/Template.h"

#include <QDate>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QPagedPaintDevice;

namespace reports {

// Sizes in twips of the printable page and its margins.
struct PageGeometry {
    int pageWidth = 0;
    int pageHeight = 0;
    int topMargin = 0;
    int leftMargin = 0;
    int linesPerPage = 1;
    std::vector<int> columnWidths; // of each template column on this page; 0 for the group's
};

// Called after each page with the pages done and the pages in all; returns
// false to stop.
using PageProgress = std::function<bool(int done, int total)>;

class ReportDocument {
public:
    static constexpr int kLineHeight = 240;    // twips, a sixth of an inch
    static constexpr int kHeaderHeight = 840;  // title line, column headings and the rule
    static constexpr int kFooterHeight = 360;
    static constexpr int kFontPixels = 180;    // twips: 9 points
    static constexpr int kCellPadding = 60;    // twips kept free at a cell's right
    static constexpr int kGroupIndent = 240;   // twips the rows of a group are indented

    ReportDocument(Template layout, std::unique_ptr<RowStore> rows, QDate printDate);

    const Template& layout() const { return layout_; }
    const RowStore& rows() const { return *rows_; }
    std::uint32_t rowCount() const { return rows_->rowCount(); }
    std::size_t lineCount() const { return lines_.size(); }
    QDate printDate() const { return printDate_; }

    // The page of the template's orientation on the paper of the user's locale.
    PageGeometry geometry(int topMargin, int leftMargin) const;
    // The same for a page of the given size in twips.
    PageGeometry geometry(QSizeF pageTwips, int topMargin, int leftMargin) const;
    // The same for the whole page of a printer or PDF writer as it is set up now.
    PageGeometry geometry(const QPagedPaintDevice& device, int topMargin, int leftMargin) const;
    int pageCount(const PageGeometry& g) const;

    // Draws page (0-based) with the painter's coordinates in twips from the
    // page's top left corner.
    void paintPage(QPainter& painter, int page, const PageGeometry& g) const;

    // Draws pages first..last (0-based) of the layout for the device's page (a
    // printer's or a PDF writer's), which it fills. False when progress stopped it.
    bool render(QPagedPaintDevice& device, int first, int last, int topMargin, int leftMargin,
                const PageProgress& progress) const;

    // The texts of one line as drawn, for tests: cells joined by "|".
    QString lineText(std::size_t line) const;

private:
    enum LineKind : std::uint32_t { RowLine = 0, GroupLine = 1u << 30, BlankLine = 2u << 30 };
    static constexpr std::uint32_t kRowMask = (1u << 30) - 1;

    void sortRows(std::vector<std::uint32_t>& order) const;
    void buildLines(const std::vector<std::uint32_t>& order);
    std::vector<int> columnWidths(int lineWidth) const;

    Template layout_;
    std::unique_ptr<RowStore> rows_;
    QDate printDate_;
    QString printDateText_; // rendered as the rows' dates are
    std::vector<int> columnOf_; // store column of each template column
    int groupColumn_ = -1;
    std::vector<int> sortColumns_;
    std::vector<std::uint32_t> lines_;
};

// Rendering of the typed values into cell text; the program installs the
// renderings its lists use.
struct CellRendering {
    std::function<QString(double)> date;
    std::function<QString(std::int64_t)> currency;
    std::function<QString(std::int32_t)> quantity;
};
void setCellRendering(CellRendering rendering);
const CellRendering& cellRendering();

// Ordering used by the reports: the engine's order of text (jet::compareText),
// and texts it holds equal by their UTF-8 bytes, so different texts never tie.
int compareForReport(QStringView a, QStringView b);

} // namespace reports

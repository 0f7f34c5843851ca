#include "reports/ReportDocument.h"

#include "jet/Collation.h"
#include "vb/VbTypes.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPageLayout>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <thread>


namespace reports {

namespace {

CellRendering& renderingStore()
{
    static CellRendering rendering{
        [](double d) { return vb::dateToQDate(d).toString(QStringLiteral("MM/dd/yyyy")); },
        [](std::int64_t c) { return QLocale().toString(static_cast<double>(c) / 10000.0, 'f', 2); },
        [](std::int32_t q) { return QLocale().toString(q); }};
    return rendering;
}

int compareBytes(std::string_view a, std::string_view b)
{
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The engine's order of text; texts it holds equal follow their bytes, so
// that different texts never tie.
bool precedes(std::string_view a, std::string_view b)
{
    const int c = jet::compareText(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
    return c != 0 ? c < 0 : compareBytes(a, b) < 0;
}

QFont reportFont(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

bool usesLetter()
{
    const QLocale::Territory t = QLocale().territory();
    return t == QLocale::UnitedStates || t == QLocale::Canada;
}

} // namespace

void setCellRendering(CellRendering rendering) { renderingStore() = std::move(rendering); }
const CellRendering& cellRendering() { return renderingStore(); }

int compareForReport(QStringView a, QStringView b)
{
    const int c = jet::compareText(a, b);
    if (c != 0)
        return c;
    const QByteArray x = a.toUtf8();
    const QByteArray y = b.toUtf8();
    return compareBytes(std::string_view(x.constData(), x.size()), std::string_view(y.constData(), y.size()));
}

ReportDocument::ReportDocument(Template layout, std::unique_ptr<RowStore> rows, QDate printDate)
    : layout_(std::move(layout)), rows_(std::move(rows)), printDate_(printDate),
      printDateText_(printDate.isValid() ? cellRendering().date(vb::dateFromQDate(printDate)) : QString())
{
    const QStringList fields = layout_.fields();
    const auto columnOfField = [&fields](const QString& f) {
        for (int i = 0; i < fields.size(); ++i)
            if (fields.at(i).compare(f, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    for (const TemplateColumn& c : layout_.columns)
        columnOf_.push_back(columnOfField(c.field));
    if (!layout_.groupField.isEmpty()) {
        groupColumn_ = columnOfField(layout_.groupField);
        sortColumns_.push_back(groupColumn_);
    }
    for (const QString& f : layout_.sortFields) {
        const int c = columnOfField(f);
        if (std::find(sortColumns_.begin(), sortColumns_.end(), c) == sortColumns_.end())
            sortColumns_.push_back(c);
    }
    std::vector<std::uint32_t> order;
    sortRows(order);
    buildLines(order);
}

namespace {

// The rank of every row's value in a column: equal texts share a rank, and
// ranks follow the report's order. Each distinct text is compared only with
// other distinct texts, so a column of many repeated values sorts quickly.
std::vector<std::uint32_t> columnRanks(const RowStore& rows, int column)
{
    const std::uint32_t n = rows.rowCount();
    std::vector<std::uint32_t> rank(n);
    // The distinct texts found so far, by the row they were first seen in; an
    // open hash table of their numbers finds a text again.
    std::vector<std::uint32_t> firstRow;
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::vector<std::uint32_t> table(1024, kEmpty);
    std::size_t mask = table.size() - 1;
    const std::hash<std::string_view> hash;
    for (std::uint32_t row = 0; row < n; ++row) {
        const std::string_view text = rows.text(row, column);
        std::size_t at = hash(text) & mask;
        for (;;) {
            const std::uint32_t id = table[at];
            if (id == kEmpty) {
                table[at] = static_cast<std::uint32_t>(firstRow.size());
                rank[row] = static_cast<std::uint32_t>(firstRow.size());
                firstRow.push_back(row);
                break;
            }
            if (rows.text(firstRow[id], column) == text) {
                rank[row] = id;
                break;
            }
            at = (at + 1) & mask;
        }
        if (firstRow.size() * 2 > table.size()) {
            std::vector<std::uint32_t>(table.size() * 2, kEmpty).swap(table);
            mask = table.size() - 1;
            for (std::uint32_t id = 0; id < firstRow.size(); ++id) {
                std::size_t a = hash(rows.text(firstRow[id], column)) & mask;
                while (table[a] != kEmpty)
                    a = (a + 1) & mask;
                table[a] = id;
            }
        }
    }
    std::vector<std::uint32_t>().swap(table);
    // Each text carries a prefix of its sort key, which settles most
    // comparisons without reaching for the texts.
    struct Distinct {
        jet::OrderPrefix prefix;
        std::uint32_t id;
        bool keyed;
    };
    std::vector<Distinct> distinct(firstRow.size());
    for (std::uint32_t i = 0; i < distinct.size(); ++i) {
        const std::string_view text = rows.text(firstRow[i], column);
        const std::optional<jet::OrderPrefix> prefix = jet::orderPrefix(text.data(), static_cast<int>(text.size()));
        distinct[i] = Distinct{prefix.value_or(jet::OrderPrefix{0, 0}), i, prefix.has_value()};
    }
    std::sort(distinct.begin(), distinct.end(), [&](const Distinct& a, const Distinct& b) {
        if (a.keyed && b.keyed && a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return precedes(rows.text(firstRow[a.id], column), rows.text(firstRow[b.id], column));
    });
    // Texts the engine holds equal (letter case aside) share a rank, so that
    // their rows sort by the next field as the engine's ORDER BY sorts them.
    std::vector<std::uint32_t> rankOf(distinct.size());
    std::uint32_t next = 0;
    for (std::uint32_t i = 0; i < distinct.size(); ++i) {
        if (i > 0) {
            const Distinct& a = distinct[i - 1];
            const Distinct& b = distinct[i];
            const std::string_view x = rows.text(firstRow[a.id], column);
            const std::string_view y = rows.text(firstRow[b.id], column);
            if ((a.keyed && b.keyed && a.prefix != b.prefix)
                || jet::compareText(x.data(), static_cast<int>(x.size()), y.data(), static_cast<int>(y.size())) != 0)
                ++next;
        }
        rankOf[distinct[i].id] = next;
    }
    for (std::uint32_t& r : rank)
        r = rankOf[r];
    return rank;
}

} // namespace

void ReportDocument::sortRows(std::vector<std::uint32_t>& order) const
{
    const std::uint32_t n = rows_->rowCount();
    order.resize(n);
    for (std::uint32_t i = 0; i < n; ++i)
        order[i] = i;
    if (sortColumns_.empty())
        return;
    // Up to three sort fields (the template reader allows no more), each
    // ranked once, the columns side by side.
    const std::size_t ranked = std::min(sortColumns_.size(), kMaxSortFields);
    std::vector<std::vector<std::uint32_t>> ranks(ranked);
    {
        std::vector<std::thread> workers;
        for (std::size_t c = 1; c < ranked; ++c)
            workers.emplace_back([this, &ranks, c] { ranks[c] = columnRanks(*rows_, sortColumns_[c]); });
        ranks[0] = columnRanks(*rows_, sortColumns_[0]);
        for (std::thread& w : workers)
            w.join();
    }
    // The rows go into buckets by their first rank, keeping their order...
    const std::vector<std::uint32_t>& first = ranks[0];
    const std::uint32_t buckets = n == 0 ? 0 : *std::max_element(first.begin(), first.end()) + 1;
    std::vector<std::uint32_t> end(std::size_t(buckets) + 1, 0);
    for (const std::uint32_t r : first)
        ++end[r + 1];
    for (std::uint32_t b = 0; b < buckets; ++b)
        end[b + 1] += end[b];
    for (std::uint32_t row = 0; row < n; ++row)
        order[end[first[row]]++] = row;
    std::vector<std::uint32_t>().swap(ranks[0]);
    // ... and each bucket is sorted by the other ranks, ties in row order.
    if (ranked > 1) {
        const std::vector<std::uint32_t>& second = ranks[1];
        const std::vector<std::uint32_t>* third = ranked > 2 ? &ranks[2] : nullptr;
        const auto less = [&](std::uint32_t a, std::uint32_t b) {
            if (second[a] != second[b])
                return second[a] < second[b];
            if (third && (*third)[a] != (*third)[b])
                return (*third)[a] < (*third)[b];
            return a < b;
        };
        std::uint32_t from = 0;
        for (std::uint32_t b = 0; b < buckets; ++b) {
            if (end[b] - from > 1)
                std::sort(order.begin() + from, order.begin() + end[b], less);
            from = end[b];
        }
    }
}

namespace {

// Rows whose group texts the engine holds equal (letter case aside) share a group.
bool sameGroup(std::string_view a, std::string_view b)
{
    return jet::compareText(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size())) == 0;
}

} // namespace

void ReportDocument::buildLines(const std::vector<std::uint32_t>& order)
{
    lines_.clear();
    lines_.reserve(order.size());
    bool haveGroup = false;
    std::uint32_t groupRow = 0;
    for (const std::uint32_t row : order) {
        if (groupColumn_ >= 0
            && (!haveGroup || !sameGroup(rows_->text(row, groupColumn_), rows_->text(groupRow, groupColumn_)))) {
            if (haveGroup)
                lines_.push_back(BlankLine);
            lines_.push_back(GroupLine | row);
            haveGroup = true;
            groupRow = row;
        }
        if (layout_.skipEmptyRows) {
            bool empty = true;
            for (std::size_t c = 0; c < columnOf_.size() && empty; ++c)
                empty = static_cast<int>(columnOf_[c]) == groupColumn_ || rows_->text(row, columnOf_[c]).empty();
            if (empty)
                continue;
        }
        lines_.push_back(RowLine | row);
    }
}

PageGeometry ReportDocument::geometry(int topMargin, int leftMargin) const
{
    QSizeF size = QPageSize(usesLetter() ? QPageSize::Letter : QPageSize::A4).size(QPageSize::Point) * 20.0;
    if (layout_.landscape)
        size.transpose();
    return geometry(size, topMargin, leftMargin);
}

PageGeometry ReportDocument::geometry(QSizeF pageTwips, int topMargin, int leftMargin) const
{
    PageGeometry g;
    g.pageWidth = static_cast<int>(pageTwips.width());
    g.pageHeight = static_cast<int>(pageTwips.height());
    g.topMargin = std::clamp(topMargin, 0, g.pageHeight / 4);
    g.leftMargin = std::clamp(leftMargin, 0, g.pageWidth / 4);
    const int body = g.pageHeight - 2 * g.topMargin - kHeaderHeight - kFooterHeight;
    // A grouped report keeps its first line for the name of a group that goes on from the page before.
    g.linesPerPage = std::max(1, body / kLineHeight - (groupColumn_ >= 0 ? 1 : 0));
    g.columnWidths = columnWidths(g.pageWidth - 2 * g.leftMargin - (groupColumn_ >= 0 ? kGroupIndent : 0));
    return g;
}

PageGeometry ReportDocument::geometry(const QPagedPaintDevice& device, int topMargin, int leftMargin) const
{
    return geometry(device.pageLayout().fullRectPoints().size() * 20.0, topMargin, leftMargin);
}

std::vector<int> ReportDocument::columnWidths(int lineWidth) const
{
    std::vector<int> widths(layout_.columns.size(), 0);
    std::int64_t least = 0;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        if (columnOf_[c] == groupColumn_)
            continue;
        widths[c] = layout_.columns[c].widthTwips;
        least += widths[c];
    }
    lineWidth = std::max(lineWidth, 0);
    if (least >= lineWidth) {
        // Too narrow a page: every column narrows alike, so that none is left out.
        for (int& w : widths)
            w = static_cast<int>(w * std::int64_t(lineWidth) / std::max<std::int64_t>(least, 1));
        return widths;
    }
    // The room a column needs for its characters: ordinary text, letters of both cases.
    const QFontMetricsF metrics(reportFont(kFontPixels, false));
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const double perChar = metrics.horizontalAdvance(letters) / letters.size();
    std::vector<int> needs(widths.size(), 0);
    std::int64_t budget = lineWidth;
    int widest = 0;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        const TemplateColumn& col = layout_.columns[c];
        if (widths[c] > 0 && col.fitChars > 0)
            needs[c] = std::max(widths[c], static_cast<int>(std::ceil(col.fitChars * perChar)) + kCellPadding);
        if (needs[c] > widths[c])
            widest = std::max(widest, needs[c]);
        else
            budget -= widths[c];
    }
    if (widest == 0)
        return widths;
    // The widening columns rise to one common width, each within its least and
    // its need: a column that needs little gets all it needs, and those that
    // need more share the rest alike.
    const auto widthsAt = [&](int level) {
        std::int64_t sum = 0;
        for (std::size_t c = 0; c < widths.size(); ++c)
            if (needs[c] > widths[c])
                sum += std::clamp(level, widths[c], needs[c]);
        return sum;
    };
    int low = 0;
    int high = widest;
    while (low < high) {
        const int mid = low + (high - low + 1) / 2;
        if (widthsAt(mid) <= budget)
            low = mid;
        else
            high = mid - 1;
    }
    for (std::size_t c = 0; c < widths.size(); ++c)
        if (needs[c] > widths[c])
            widths[c] = std::clamp(low, widths[c], needs[c]);
    return widths;
}

int ReportDocument::pageCount(const PageGeometry& g) const
{
    const std::size_t pages = (lines_.size() + g.linesPerPage - 1) / g.linesPerPage;
    return static_cast<int>(std::max<std::size_t>(1, pages));
}

QString ReportDocument::lineText(std::size_t line) const
{
    const std::uint32_t entry = lines_.at(line);
    const std::uint32_t row = entry & kRowMask;
    switch (entry & ~kRowMask) {
    case GroupLine:
        return rows_->cell(row, groupColumn_);
    case BlankLine:
        return QString();
    default: {
        QStringList cells;
        for (std::size_t c = 0; c < columnOf_.size(); ++c)
            if (columnOf_[c] != groupColumn_)
                cells << rows_->cell(row, columnOf_[c]);
        return cells.join(QLatin1Char('|'));
    }
    }
}

void ReportDocument::paintPage(QPainter& painter, int page, const PageGeometry& g) const
{
    const int pages = pageCount(g);
    const double left = g.leftMargin;
    const double right = g.pageWidth - g.leftMargin;
    const double width = right - left;
    double y = g.topMargin;

    painter.save();
    painter.setPen(Qt::black);
    // Title and print date.
    painter.setFont(reportFont(280, true));
    painter.drawText(QRectF(left, y, width, 400), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, layout_.title);
    painter.setFont(reportFont(kFontPixels, false));
    painter.drawText(QRectF(left, y, width, 400), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                     printDateText_);
    y += 480;

    // Column headings: the group column is the heading of each group, not a column.
    const auto drawCells = [&](double top, const std::function<QString(std::size_t)>& text) {
        double x = left + (groupColumn_ >= 0 ? kGroupIndent : 0);
        const QFontMetricsF metrics(painter.font(), painter.device());
        for (std::size_t c = 0; c < layout_.columns.size(); ++c) {
            const int w = g.columnWidths[c];
            if (columnOf_[c] == groupColumn_ || w <= 0)
                continue;
            const TemplateColumn& col = layout_.columns[c];
            const double room = std::max(0, w - kCellPadding);
            const QString shown = metrics.elidedText(text(c), Qt::ElideRight, room);
            painter.drawText(QRectF(x, top, room, kLineHeight),
                             (col.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine,
                             shown);
            x += w;
        }
    };
    painter.setFont(reportFont(kFontPixels, true));
    drawCells(y, [this](std::size_t c) { return layout_.columns[c].heading; });
    y += kLineHeight + 60;
    painter.drawLine(QPointF(left, y), QPointF(right, y));
    y = g.topMargin + kHeaderHeight;

    // Body: only the lines of this page.
    const std::size_t from = std::size_t(page) * g.linesPerPage;
    const std::size_t to = std::min(lines_.size(), from + g.linesPerPage);
    const QFont plain = reportFont(kFontPixels, false);
    const QFont bold = reportFont(kFontPixels, true);
    if (groupColumn_ >= 0) {
        if (from < to && (lines_[from] & ~kRowMask) == RowLine) {
            painter.setFont(bold);
            const QFontMetricsF metrics(bold, painter.device());
            const QString name = rows_->cell(lines_[from] & kRowMask, groupColumn_) + QStringLiteral(" (continued)");
            painter.drawText(QRectF(left, y, width, kLineHeight), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             metrics.elidedText(name, Qt::ElideRight, width));
        }
        y += kLineHeight;
    }
    for (std::size_t i = from; i < to; ++i, y += kLineHeight) {
        const std::uint32_t entry = lines_[i];
        const std::uint32_t row = entry & kRowMask;
        if ((entry & ~kRowMask) == BlankLine)
            continue;
        if ((entry & ~kRowMask) == GroupLine) {
            painter.setFont(bold);
            const QFontMetricsF metrics(bold, painter.device());
            painter.drawText(QRectF(left, y, width, kLineHeight), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             metrics.elidedText(rows_->cell(row, groupColumn_), Qt::ElideRight, width));
            continue;
        }
        painter.setFont(plain);
        drawCells(y, [this, row](std::size_t c) { return rows_->cell(row, columnOf_[c]); });
    }

    // Footer.
    painter.setFont(plain);
    const double footerTop = g.pageHeight - g.topMargin - kFooterHeight;
    painter.drawText(QRectF(left, footerTop, width, kFooterHeight), Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine,
                     QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages));
    painter.restore();
}

bool ReportDocument::render(QPagedPaintDevice& device, int first, int last, int topMargin, int leftMargin,
                            const PageProgress& progress) const
{
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    const PageGeometry g = geometry(device, topMargin, leftMargin);
    const int pages = pageCount(g);
    first = std::clamp(first, 0, pages - 1);
    last = std::clamp(last, first, pages - 1);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double scale = device.logicalDpiX() / 1440.0;
    const double scaleY = device.logicalDpiY() / 1440.0;
    painter.scale(scale, scaleY);
    for (int p = first; p <= last; ++p) {
        if (p > first)
            device.newPage();
        paintPage(painter, p, g);
        if (progress && !progress(p - first + 1, last - first + 1)) {
            painter.end();
            return false;
        }
    }
    painter.end();
    return true;
}

} // namespace reports

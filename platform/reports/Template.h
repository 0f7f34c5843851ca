#pragma once

// A report template: a text file of our own, one statement a line.
//
//   # a comment
//   title "Artist Index"
//   orientation landscape            (or portrait)
//   group Artist                     (optional: a heading line per value)
//   sort Artist Record_Name          (fields, in order of precedence)
//   skip-empty-rows                  (a row whose columns are all empty is left out)
//   column Record_Name "Record Name" 2400 text chars 60
//   column Book_Value "Book Value" 1200 currency right
//
// Column kinds: text, date, currency, quantity. Widths are in twips: the
// least a column gets. "chars N" lets a column widen, as far as the page
// allows, until it holds N characters of ordinary text.

#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

namespace reports {

// A report sorts by at most three fields, the group's included.
constexpr std::size_t kMaxSortFields = 3;

enum class CellKind { Text, Date, Currency, Quantity };

struct TemplateColumn {
    QString field;
    QString heading;
    int widthTwips = 0;
    CellKind kind = CellKind::Text;
    bool alignRight = false;
    int fitChars = 0; // 0: the column keeps its width
};

struct Template {
    QString file;
    QString title;
    bool landscape = false;
    QString groupField;
    QStringList sortFields;
    bool skipEmptyRows = false;
    std::vector<TemplateColumn> columns;

    // Every field the report reads: the columns', the group's and the sort fields, once each.
    QStringList fields() const;
};

// Reads a template; throws reports::Error naming the file when it is missing
// or malformed.
Template loadTemplate(const QString& path);

} // namespace reports

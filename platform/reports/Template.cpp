#include "reports/Template.h"

#include "reports/Error.h"

#include <QDir>
#include <QFile>

namespace reports {

QStringList Template::fields() const
{
    QStringList all;
    const auto add = [&all](const QString& f) {
        if (!f.isEmpty() && !all.contains(f, Qt::CaseInsensitive))
            all.push_back(f);
    };
    for (const TemplateColumn& c : columns)
        add(c.field);
    add(groupField);
    for (const QString& f : sortFields)
        add(f);
    return all;
}

namespace {

// Splits a line into words; "double-quoted" words keep their blanks.
bool splitWords(const QString& line, QStringList& words)
{
    words.clear();
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && line.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        if (line.at(i) == QLatin1Char('"')) {
            const qsizetype end = line.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                return false;
            words.push_back(line.mid(i + 1, end - i - 1));
            i = end + 1;
        } else {
            const qsizetype start = i;
            while (i < n && !line.at(i).isSpace())
                ++i;
            words.push_back(line.mid(start, i - start));
        }
    }
    return true;
}

} // namespace

Template loadTemplate(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Error(errTemplateMissing, QStringLiteral("The report template %1 cannot be opened.").arg(shown));
    Template t;
    t.file = path;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const auto malformed = [&shown](int line, const QString& why) {
        return Error(errTemplateMalformed,
                     QStringLiteral("The report template %1 is not valid (line %2: %3).").arg(shown).arg(line).arg(why));
    };
    QStringList words;
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (!splitWords(line, words))
            throw malformed(n + 1, QStringLiteral("unclosed quotation mark"));
        const QString key = words.at(0);
        if (key == QLatin1String("title") && words.size() == 2) {
            t.title = words.at(1);
        } else if (key == QLatin1String("orientation") && words.size() == 2
                   && (words.at(1) == QLatin1String("landscape") || words.at(1) == QLatin1String("portrait"))) {
            t.landscape = words.at(1) == QLatin1String("landscape");
        } else if (key == QLatin1String("group") && words.size() == 2) {
            t.groupField = words.at(1);
        } else if (key == QLatin1String("sort") && words.size() >= 2) {
            t.sortFields = words.mid(1);
        } else if (key == QLatin1String("skip-empty-rows") && words.size() == 1) {
            t.skipEmptyRows = true;
        } else if (key == QLatin1String("column") && words.size() >= 5) {
            TemplateColumn c;
            c.field = words.at(1);
            c.heading = words.at(2);
            bool ok = false;
            c.widthTwips = words.at(3).toInt(&ok);
            if (!ok || c.widthTwips <= 0 || c.widthTwips > 30000)
                throw malformed(n + 1, QStringLiteral("bad column width"));
            const QString kind = words.at(4);
            if (kind == QLatin1String("text"))
                c.kind = CellKind::Text;
            else if (kind == QLatin1String("date"))
                c.kind = CellKind::Date;
            else if (kind == QLatin1String("currency"))
                c.kind = CellKind::Currency;
            else if (kind == QLatin1String("quantity"))
                c.kind = CellKind::Quantity;
            else
                throw malformed(n + 1, QStringLiteral("unknown column kind"));
            for (qsizetype w = 5; w < words.size(); ++w) {
                if (words.at(w) == QLatin1String("right") && !c.alignRight) {
                    c.alignRight = true;
                } else if (words.at(w) == QLatin1String("chars") && c.fitChars == 0 && w + 1 < words.size()) {
                    c.fitChars = words.at(++w).toInt(&ok);
                    if (!ok || c.fitChars <= 0 || c.fitChars > 1000)
                        throw malformed(n + 1, QStringLiteral("bad number of characters"));
                } else {
                    throw malformed(n + 1, QStringLiteral("unknown column option"));
                }
            }
            t.columns.push_back(c);
        } else {
            throw malformed(n + 1, QStringLiteral("unknown statement"));
        }
    }
    if (t.title.isEmpty() || t.columns.empty())
        throw malformed(lines.size(), QStringLiteral("a title and at least one column are needed"));
    QStringList sortBy;
    for (const QString& f : QStringList{t.groupField} + t.sortFields)
        if (!f.isEmpty() && !sortBy.contains(f, Qt::CaseInsensitive))
            sortBy << f;
    if (static_cast<std::size_t>(sortBy.size()) > kMaxSortFields)
        throw malformed(lines.size(), QStringLiteral("at most three sort fields, the group's included"));
    return t;
}

} // namespace reports

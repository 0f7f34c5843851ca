#include "catalog/ValueParse.h"

#include <QDate>
#include <QLocale>

#include <limits>

namespace {

// A plain decimal number taken apart: sign, the digits before and after the mark.
struct Decimal {
    bool negative = false;
    QString whole;
    QString fraction;
};

std::optional<Decimal> splitDecimal(const QString& text)
{
    const QLocale locale;
    Decimal d;
    qsizetype i = 0;
    const QString minus = locale.negativeSign();
    if (text.startsWith(QLatin1Char('+'))) {
        i = 1;
    } else if (text.startsWith(QLatin1Char('-'))) {
        d.negative = true;
        i = 1;
    } else if (!minus.isEmpty() && text.startsWith(minus)) {
        d.negative = true;
        i = minus.size();
    }
    const QString mark = locale.decimalPoint();
    const bool dotIsMark = locale.groupSeparator() != QStringLiteral(".");
    bool afterMark = false;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c.isDigit()) {
            (afterMark ? d.fraction : d.whole).append(QChar(u'0' + c.digitValue()));
            ++i;
            continue;
        }
        qsizetype markLength = 0;
        if (!mark.isEmpty() && QStringView(text).mid(i).startsWith(mark))
            markLength = mark.size();
        else if (c == QLatin1Char('.') && dotIsMark)
            markLength = 1;
        if (markLength == 0 || afterMark)
            return std::nullopt;
        afterMark = true;
        i += markLength;
    }
    if (d.whole.isEmpty() && d.fraction.isEmpty())
        return std::nullopt;
    return d;
}

// The digits as a magnitude; nullopt when it does not fit 64 bits.
std::optional<std::uint64_t> magnitude(const QString& digits)
{
    std::uint64_t m = 0;
    for (const QChar c : digits) {
        if (__builtin_mul_overflow(m, 10u, &m) || __builtin_add_overflow(m, static_cast<unsigned>(c.digitValue()), &m))
            return std::nullopt;
    }
    return m;
}

// Whether the dropped digits round the kept magnitude up, a half to even.
bool roundsUp(const QString& dropped, std::uint64_t kept)
{
    if (dropped.isEmpty() || dropped.at(0) < QLatin1Char('5'))
        return false;
    if (dropped.at(0) > QLatin1Char('5'))
        return true;
    for (qsizetype i = 1; i < dropped.size(); ++i)
        if (dropped.at(i) != QLatin1Char('0'))
            return true;
    return kept % 2 == 1;
}

// The number scaled by 10^places and rounded, within [-limit - 1, limit].
std::optional<std::int64_t> scaled(const QString& text, int places, std::uint64_t limit)
{
    const std::optional<Decimal> d = splitDecimal(text);
    if (!d)
        return std::nullopt;
    const QString kept = d->whole + d->fraction.left(places).leftJustified(places, QLatin1Char('0'));
    std::optional<std::uint64_t> m = magnitude(kept);
    if (!m)
        return std::nullopt;
    if (roundsUp(d->fraction.mid(places), *m) && __builtin_add_overflow(*m, 1u, &*m))
        return std::nullopt;
    if (*m > limit + (d->negative ? 1u : 0u))
        return std::nullopt;
    if (!d->negative)
        return static_cast<std::int64_t>(*m);
    return *m == limit + 1 ? -static_cast<std::int64_t>(limit) - 1 : -static_cast<std::int64_t>(*m);
}

QString withLocaleSign(QString text)
{
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, QLocale().negativeSign());
    return text;
}

} // namespace

std::optional<vb::Date> ParseRecordDate(const QString& shown)
{
    if (shown.size() != 10 || shown.at(2) != QLatin1Char('/') || shown.at(5) != QLatin1Char('/'))
        return std::nullopt;
    auto number = [&shown](int from, int length) {
        int n = 0;
        for (int i = from; i < from + length; ++i) {
            const QChar c = shown.at(i);
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return -1;
            n = n * 10 + (c.unicode() - u'0');
        }
        return n;
    };
    const int month = number(0, 2);
    const int day = number(3, 2);
    const int year = number(6, 4);
    if (month < 1 || day < 1 || year < 100)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return vb::dateFromQDate(date);
}

std::optional<vb::Currency> ParseBookValue(const QString& text)
{
    return scaled(text, 4, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()));
}

std::optional<std::int32_t> ParseQuantity(const QString& text)
{
    const std::optional<std::int64_t> q = scaled(text, 0, std::numeric_limits<std::int32_t>::max());
    if (!q)
        return std::nullopt;
    return static_cast<std::int32_t>(*q);
}

QString RecordDateField(const std::optional<vb::Date>& value)
{
    if (!value)
        return QString();
    const QDate d = vb::dateToQDate(*value);
    if (!d.isValid() || d.year() < 100 || d.year() > 9999)
        return QString();
    return QStringLiteral("%1/%2/%3")
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.year(), 4, 10, QLatin1Char('0'));
}

QString BookValueField(const std::optional<vb::Currency>& value)
{
    if (!value)
        return QString();
    QString text = vb::currencyToStatementText(*value);
    text.replace(QLatin1Char('.'), QLocale().decimalPoint());
    return withLocaleSign(text);
}

QString QuantityField(const std::optional<std::int32_t>& value)
{
    return value ? withLocaleSign(QString::number(*value)) : QString();
}

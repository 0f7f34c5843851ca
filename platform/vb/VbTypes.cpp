#include "vb/VbTypes.h"

#include <QRegularExpression>

#include <cmath>

namespace vb {

namespace {
const QDate kEpoch(1899, 12, 30);
}

bool dateIsValid(Date value) { return value >= kFirstDate && value < kEndOfLastDate; }

QDate dateToQDate(Date value)
{
    if (!dateIsValid(value))
        return QDate();
    return kEpoch.addDays(static_cast<qint64>(std::floor(value)));
}

QDateTime dateToQDateTime(Date value)
{
    if (!dateIsValid(value))
        return QDateTime();
    const double day = std::floor(value);
    const qint64 ms = std::llround((value - day) * 86400000.0);
    return QDateTime(kEpoch.addDays(static_cast<qint64>(day)), QTime(0, 0)).addMSecs(ms);
}

Date dateFromQDate(const QDate& date) { return static_cast<Date>(kEpoch.daysTo(date)); }

Date dateFromQDateTime(const QDateTime& dateTime)
{
    const QTime t = dateTime.time();
    return static_cast<Date>(kEpoch.daysTo(dateTime.date())) + t.msecsSinceStartOfDay() / 86400000.0;
}

bool dateHasTime(Date value)
{
    const QTime t = dateToQDateTime(value).time();
    return t.hour() != 0 || t.minute() != 0 || t.second() != 0;
}

QString dateToStatementText(Date value)
{
    const QDateTime dt = dateToQDateTime(value);
    QString text = dt.date().toString(QStringLiteral("MM/dd/yyyy"));
    if (dateHasTime(value))
        text += dt.time().toString(QStringLiteral(" hh:mm:ss"));
    return text;
}

std::optional<Date> dateFromStatementText(const QString& text)
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{1,2})/(\d{1,2})/(\d{1,4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() <= 2)
        year += year < 30 ? 2000 : 1900;
    const QDate date(year, m.captured(1).toInt(), m.captured(2).toInt());
    if (!date.isValid())
        return std::nullopt;
    Date value = dateFromQDate(date);
    if (!m.captured(4).isEmpty()) {
        const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid())
            return std::nullopt;
        value += time.msecsSinceStartOfDay() / 86400000.0;
    }
    return value;
}

std::optional<Currency> currencyFromDouble(double units)
{
    // 2^63 ten-thousandths: the first magnitude beyond the range, exact as a double.
    constexpr double kLimit = 9223372036854775808.0;
    const double scaled = std::round(units * static_cast<double>(kCurrencyScale));
    if (!(scaled >= -kLimit && scaled < kLimit))
        return std::nullopt;
    return static_cast<Currency>(scaled);
}

QString currencyToStatementText(Currency value)
{
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    QString text = QString::number(magnitude / kCurrencyScale);
    std::uint64_t fraction = magnitude % kCurrencyScale;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return negative ? QLatin1Char('-') + text : text;
}

std::optional<Currency> currencyFromStatementText(const QString& text)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*([+-]?)(\d*)(?:\.(\d*))?\s*$)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return std::nullopt;
    bool ok = true;
    const qint64 whole = m.captured(2).isEmpty() ? 0 : m.captured(2).toLongLong(&ok);
    if (!ok || whole > 922337203685477LL)
        return std::nullopt;
    const bool negative = m.captured(1) == QLatin1String("-");
    QString frac = m.captured(3);
    // Round half away from zero at the fifth decimal, as the currency type does.
    int roundUp = 0;
    if (frac.size() > 4) {
        roundUp = frac.at(4).digitValue() >= 5 ? 1 : 0;
        frac.truncate(4);
    }
    while (frac.size() < 4)
        frac += QLatin1Char('0');
    // Counted without sign, so that the very end of the range never overflows.
    const std::uint64_t magnitude = static_cast<std::uint64_t>(whole) * kCurrencyScale
                                    + static_cast<std::uint64_t>(frac.toLongLong() + roundUp);
    const std::uint64_t limit = negative ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 63) - 1;
    if (magnitude > limit)
        return std::nullopt;
    return negative ? static_cast<Currency>(0 - magnitude) : static_cast<Currency>(magnitude);
}

QString Trim(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

bool hasLoneSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            return true;
    }
    return false;
}

} // namespace vb

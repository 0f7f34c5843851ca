#include "catalog/ValueText.h"

#include <QDate>
#include <QLocale>

namespace {

QString dateSeparator()
{
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    for (const QChar c : format) {
        if (!c.isLetter() && c != QLatin1Char(' ') && c != QLatin1Char('\''))
            return QString(c);
    }
    return QStringLiteral("/");
}

QString localSign(QString text)
{
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, QLocale().negativeSign());
    return text;
}

} // namespace

QString RecordDateText(const std::optional<vb::Date>& value)
{
    if (!value)
        return QString();
    const QDate d = vb::dateToQDate(*value);
    const QString sep = dateSeparator();
    return QStringLiteral("%1").arg(d.month(), 2, 10, QLatin1Char('0')) + sep
           + QStringLiteral("%1").arg(d.day(), 2, 10, QLatin1Char('0')) + sep
           + QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0'));
}

QString BookValueText(const std::optional<vb::Currency>& value)
{
    if (!value)
        return QString();
    QString text = vb::currencyToStatementText(*value);
    text.replace(QLatin1Char('.'), QLocale().decimalPoint());
    return localSign(text);
}

QString QuantityText(const std::optional<std::int32_t>& value)
{
    return value ? localSign(QString::number(*value)) : QString();
}

#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace vb {

// Visual Basic's date: a day count with day 0 = 1899-12-30, the fraction the time of day.
using Date = double;
// Currency: a 64-bit count of ten-thousandths.
using Currency = std::int64_t;

constexpr Currency kCurrencyScale = 10000;

// The dates a Date can hold: 1 January 100 to 31 December 9999, times included.
constexpr Date kFirstDate = -657434.0;
constexpr Date kEndOfLastDate = 2958466.0;
bool dateIsValid(Date value);

// An invalid QDate / QDateTime for a value outside the valid dates.
QDate dateToQDate(Date value);
QDateTime dateToQDateTime(Date value);
Date dateFromQDate(const QDate& date);
Date dateFromQDateTime(const QDateTime& dateTime);
bool dateHasTime(Date value);

// "mm/dd/yyyy" with "/", and " hh:mm:ss" only where the value has a time. Locale-free.
QString dateToStatementText(Date value);
// Reads "m/d/yyyy" (and an optional time) back; std::nullopt when it is no date.
std::optional<Date> dateFromStatementText(const QString& text);

// The currency nearest to a number of units (half away from zero); std::nullopt
// when it is not finite or beyond the currency's range.
std::optional<Currency> currencyFromDouble(double units);

// Plain decimal text, "." and no grouping, no trailing zeros. Locale-free.
QString currencyToStatementText(Currency value);
std::optional<Currency> currencyFromStatementText(const QString& text);

// The text without its leading and trailing blanks (U+0020 only), as Trim does.
QString Trim(const QString& text);

// True when the text holds half of a character that takes two UTF-16 units
// without the other half (such a text cannot be stored as it is).
bool hasLoneSurrogate(const QString& text);

} // namespace vb

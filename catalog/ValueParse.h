#pragma once

// What the user types into a record's date, book value and quantity fields,
// read back into typed values, and those values written into the fields in
// exactly the form that is read back (so a record opened and saved unchanged
// keeps its values under every locale). A missing value writes an empty field.
//
// Date: "mm/dd/yyyy" with "/" as the field shows it, never through the locale;
// a real day of the years 100 to 9999. A position left unfilled ("_") fails.
// Numbers: an optional sign (+, - or the locale's minus sign), digits, at most
// one decimal mark (the locale's decimal separator, or "." unless "." groups
// digits in the locale), at least one digit, nothing else. A book value is
// rounded to four decimal places, a quantity to a whole number, a half to the
// even neighbour; a value beyond currency or a 32-bit integer is refused.

#include "vb/VbTypes.h"

#include <QString>

#include <cstdint>
#include <optional>

std::optional<vb::Date> ParseRecordDate(const QString& shown);
std::optional<vb::Currency> ParseBookValue(const QString& text);
std::optional<std::int32_t> ParseQuantity(const QString& text);

QString RecordDateField(const std::optional<vb::Date>& value);
QString BookValueField(const std::optional<vb::Currency>& value);
QString QuantityField(const std::optional<std::int32_t>& value);

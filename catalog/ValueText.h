#pragma once

// The shown text of a record's typed values, as the lists, Find and the
// reports render them under the user's locale. A missing value shows empty.

#include "vb/VbTypes.h"

#include <QString>

#include <cstdint>
#include <optional>

QString RecordDateText(const std::optional<vb::Date>& value);
QString BookValueText(const std::optional<vb::Currency>& value);
QString QuantityText(const std::optional<std::int32_t>& value);

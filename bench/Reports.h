#pragma once

#include "bench/Catalogue.h"
#include "bench/TableRow.h"

#include <QString>

#include <optional>
#include <vector>

namespace bench {

using ReportRow = TableRow;

// Previews the Record Index and the Song Title Index through the Print dialog
// and exports the Record Index to PDF, each beside the engine's statement
// alone. Call it after the caller has read its own peak memory: the rows'
// peak is that of the whole process.
std::vector<ReportRow> reportRows(const Size& size, const QString& folder);

} // namespace bench

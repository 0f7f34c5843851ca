#pragma once

#include "bench/Catalogue.h"
#include "bench/TableRow.h"

#include <vector>

namespace bench {

// Compact and Repair of the (sound) catalogue, each beside plain SQLite doing
// the same copy of the same file: VACUUM INTO, and integrity_check followed by
// VACUUM INTO. The catalogue is replaced by its compacted copy.
std::vector<TableRow> maintenanceRows(const Size& size);

} // namespace bench

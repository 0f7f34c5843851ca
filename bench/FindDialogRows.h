#pragma once

#include "bench/Catalogue.h"
#include "bench/TableRow.h"

#include <QString>

#include <optional>
#include <vector>

namespace bench {

// Our time beside the engine running the same statement alone.
using FindRow = TableRow;

// Times the Find dialog's own search (cmdRun_Click until the list is filled,
// counted and sorted) beside the engine running the same statement alone, and
// a header click on the longest list. The program folder must hold the catalogue.
std::vector<FindRow> findDialogRows(const Size& size);

} // namespace bench

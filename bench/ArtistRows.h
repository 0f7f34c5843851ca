#pragma once

#include "bench/Catalogue.h"
#include "bench/TableRow.h"

#include <vector>

namespace bench {

// New Artist, the in-place rename of an artist with ten records and the delete
// of an artist with ten records: each data routine beside plain SQLite making
// the same rows on the same two files in one transaction, and each window
// command from the user's key to the tree rebuilt. Leaves the catalogue as it
// found it.
std::vector<TableRow> artistRows(const Size& size);

} // namespace bench

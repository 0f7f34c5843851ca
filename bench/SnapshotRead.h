#pragma once

#include "jet/Engine.h"

namespace bench {

// Reads every field of every row of the snapshot from its current row on, as
// the list loaders do; with idle, lets the engine idle after each row as they
// do too. Returns the number of rows read.
long long readEveryField(jet::Recordset& rs, bool idle = false);

} // namespace bench

#pragma once

#include "bench/Catalogue.h"

#include <QString>

#include <optional>
#include <vector>

namespace bench {

// One line of the benchmark table.
struct FindRow {
    QString what;
    long long rows = -1;
    double ours = -1;
    double beside = -1;
    QString target;
    std::optional<bool> met;
};

// Times the Find dialog's own search (cmdRun_Click until the list is filled,
// counted and sorted) beside the engine running the same statement alone, and
// a header click on the longest list. The program folder must hold the catalogue.
std::vector<FindRow> findDialogRows(const Size& size);

} // namespace bench

#pragma once

#include <QString>

#include <optional>

namespace bench {

// One line of the benchmark table: what was timed, how many rows it gave, our
// time beside the time it is compared with, and the target where one applies.
struct TableRow {
    QString what;
    long long rows = -1;
    double ours = -1;
    double plain = -1;
    QString target;
    std::optional<bool> met;
};

} // namespace bench

#pragma once

#include <QString>

namespace bench {

// The Find dialog's statement for kind "Artist" and the search text "*": every
// artist-only row of an artist without records and every record row, grouped
// on eleven columns and sorted. Run by the engine (snapshot read in full), by
// SQLite with the engine's functions, and by SQLite alone, in turns.
struct EveryArtistTiming {
    long long engineRows = 0;
    long long plainRows = 0;
    double engineMs = -1;
    double functionsMs = -1;
    double plainMs = -1;
};

EveryArtistTiming timeEveryArtistFind(const QString& databasePath, const QString& connect, int runs);

} // namespace bench

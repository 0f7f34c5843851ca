#pragma once

#include <QString>

#include <cstdint>

namespace bench {

// How big a catalogue to build and measure.
struct Size {
    QString name;
    int artists = 0;
    int records = 0;
    std::int64_t songs = 0;
    std::uint64_t diskBytes = 0; // free space needed before building
};

// S, L or XL (case-blind); false for anything else.
bool sizeFromName(const QString& name, Size& size);

// The rows every measurement looks up; fixed by the generator's seed.
struct Landmarks {
    QString bigArtist;    // holds exactly 1,000 records
    QString bigRecord;    // one of its records, with 20 song titles
    QString songPattern;  // four letters found inside some song titles
    QString artistPattern; // four letters found inside some artist names
};

Landmarks landmarks();

// Fills folder/records.mdb (made fresh with the program's own creation code,
// together with records.mdw) through the engine's Execute, many rows a
// transaction. Prints progress to stderr. Throws jet::Error on failure.
void buildCatalogue(const QString& folder, const Size& size);

// Gives every artist of folder/records.mdb its account in folder/records.mdw,
// as New Artist makes it (personal identifier, password, member of "Users"),
// in one transaction. Throws jet::Error on failure.
void addArtistAccounts(const QString& folder);

} // namespace bench

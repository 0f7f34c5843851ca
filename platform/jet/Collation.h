#pragma once

// The one order of text of the whole program: the engine's ORDER BY, GROUP BY
// and indexes, the lists' header sort and the reports.

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace jet {

// Name of the collation of every text column of the program's files: equal
// when equal without regard to letter case (any letter, not only ASCII);
// ordered as compareText orders.
inline constexpr const char* kTextCollation = "JETTEXT";

// Orders two texts first by their letters without regard to accents and
// letter case, in one fixed order (Unicode's root collation, never the user's
// locale); texts equal there follow their case-folded characters. Two texts
// compare equal exactly when they are equal without regard to case, so
// equality stays what it always was. Returns <0, 0 or >0.
int compareText(const char* a, int aLength, const char* b, int bLength); // UTF-8
int compareText(QStringView a, QStringView b);
// compareText in the form of an SQLite collation callback (UTF-8; the first
// argument is not used).
int collateText(void*, int aLength, const void* a, int bLength, const void* b);

// The first sixteen bytes of a key whose byte order is the first level of the
// order above, as two big-endian numbers compared in turn: two texts whose
// prefixes differ compare as their prefixes do, so a sort meets the texts
// themselves only on equal prefixes. nullopt for the few texts the key does
// not serve; compare those in full.
using OrderPrefix = std::array<std::uint64_t, 2>;
std::optional<OrderPrefix> orderPrefix(const char* text, int length); // UTF-8

// A number that changes whenever the order above changes (a new collation
// of the Unicode library included). A database file keeps the number of the
// order its indexes were built in.
int collationStamp();

namespace detail {
// The same order without the shortcut for plain ASCII, for the tests.
int compareTextUnhurried(const char* a, int aLength, const char* b, int bLength);
} // namespace detail

} // namespace jet

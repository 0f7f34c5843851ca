#pragma once

struct sqlite3;

namespace bench {

// A like() with the engine's pattern rules and case folding that avoids the
// engine's per-row costs: no allocation per row, ASCII texts folded byte by
// byte, and a pattern of the form *text* matched by a substring search.
// Anything else (non-ASCII text or pattern, other wildcards) is answered by the
// engine's own matcher, so the answers are the engine's. Registered by the
// benchmark only, to measure what such a like() would gain.
void registerLeanLike(sqlite3* db);

} // namespace bench

#pragma once

// Reading UTF-8 text one code point at a time and folding its letter case, as
// the engine's comparisons and patterns do.

#include <QChar>

namespace jet::detail {

// Decodes one UTF-8 code point; an invalid byte stands for itself.
inline char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end)
{
    const unsigned char c = *p++;
    if (c < 0x80)
        return c;
    int extra = 0;
    char32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        return c;
    }
    if (end - p < extra)
        return c;
    for (int k = 0; k < extra; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return c;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    p += extra;
    return cp;
}

// Simple case folding of one code point (every letter, not only ASCII).
inline char32_t fold(char32_t cp)
{
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    return QChar::toCaseFolded(cp);
}

} // namespace jet::detail

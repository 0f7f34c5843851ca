#include "jet/Collation.h"

#include "jet/TextFold.h"

#include <QList>

#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace jet {

namespace {

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};
using Collator = std::unique_ptr<UCollator, CollatorCloser>;

// Unicode's root order compared at its first level only: base letters, no
// accents, no letter case. A collator serves one thread at a time.
UCollator* primaryCollator()
{
    thread_local const Collator collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        Collator c(ucol_open("", &status));
        if (U_FAILURE(status) || !c)
            return Collator();
        ucol_setStrength(c.get(), UCOL_PRIMARY);
        return c;
    }();
    return collator.get();
}

// The first-level rank of each ASCII character in the root order (0 for the
// characters the order ignores), taken from the collator itself so that plain
// ASCII texts compared by rank come out exactly as the collator orders them.
struct AsciiRanks {
    std::array<unsigned char, 128> rank{};
};

const AsciiRanks& asciiRanks()
{
    static const AsciiRanks ranks = [] {
        AsciiRanks r;
        UCollator* c = primaryCollator();
        std::vector<std::pair<std::string, int>> keys;
        for (int ch = 0; ch < 128; ++ch) {
            const UChar u = static_cast<UChar>(ch);
            uint8_t key[64];
            const int32_t n = c ? ucol_getSortKey(c, &u, 1, key, sizeof key) : 0;
            // A key of only its terminator: the character weighs nothing.
            if (n <= 1 || n > static_cast<int32_t>(sizeof key))
                continue;
            keys.emplace_back(std::string(reinterpret_cast<const char*>(key), static_cast<std::size_t>(n)), ch);
        }
        std::sort(keys.begin(), keys.end());
        int rank = 0;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (i == 0 || keys[i].first != keys[i - 1].first)
                ++rank;
            r.rank[static_cast<std::size_t>(keys[i].second)] = static_cast<unsigned char>(rank);
        }
        return r;
    }();
    return ranks;
}

inline unsigned char foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

inline int sign(int v) { return (v > 0) - (v < 0); }

// Texts equal at the first level follow their case-folded code points; a
// text that is the start of the other comes first.
int compareFoldedUtf8(const unsigned char* a, int aLength, const unsigned char* b, int bLength)
{
    const unsigned char* ea = a + aLength;
    const unsigned char* eb = b + bLength;
    for (;;) {
        const bool endA = a >= ea;
        const bool endB = b >= eb;
        if (endA || endB)
            return endA && endB ? 0 : (endA ? -1 : 1);
        const char32_t ca = detail::fold(detail::nextCodePoint(a, ea));
        const char32_t cb = detail::fold(detail::nextCodePoint(b, eb));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
}

int compareFoldedUtf16(QStringView a, QStringView b)
{
    const std::u32string ua = [&] {
        std::u32string out;
        for (const char32_t cp : a.toUcs4())
            out.push_back(detail::fold(cp));
        return out;
    }();
    const std::u32string ub = [&] {
        std::u32string out;
        for (const char32_t cp : b.toUcs4())
            out.push_back(detail::fold(cp));
        return out;
    }();
    return sign(ua.compare(ub));
}

// Plain ASCII: the first level by rank, then the folded bytes. Returns 2 when
// a character beyond ASCII turns up.
template <class Char>
int compareAscii(const Char* a, int aLength, const Char* b, int bLength)
{
    const auto& rank = asciiRanks().rank;
    int i = 0;
    int j = 0;
    for (;;) {
        while (i < aLength && static_cast<unsigned>(a[i]) < 0x80 && rank[static_cast<unsigned>(a[i])] == 0)
            ++i;
        while (j < bLength && static_cast<unsigned>(b[j]) < 0x80 && rank[static_cast<unsigned>(b[j])] == 0)
            ++j;
        if (i == aLength || j == bLength)
            break;
        const unsigned ca = static_cast<unsigned>(a[i]);
        const unsigned cb = static_cast<unsigned>(b[j]);
        if (ca >= 0x80 || cb >= 0x80)
            return 2;
        if (rank[ca] != rank[cb])
            return rank[ca] < rank[cb] ? -1 : 1;
        ++i;
        ++j;
    }
    for (int k = i; k < aLength; ++k)
        if (static_cast<unsigned>(a[k]) >= 0x80)
            return 2;
    for (int k = j; k < bLength; ++k)
        if (static_cast<unsigned>(b[k]) >= 0x80)
            return 2;
    if (i < aLength)
        return 1;
    if (j < bLength)
        return -1;
    // Equal at the first level: the folded bytes decide.
    const int n = std::min(aLength, bLength);
    for (int k = 0; k < n; ++k) {
        const unsigned char ca = foldAscii(static_cast<unsigned char>(a[k]));
        const unsigned char cb = foldAscii(static_cast<unsigned char>(b[k]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return sign(aLength - bLength);
}

// U+0345 (combining ypogegrammeni) is the one character whose case-folded form
// weighs differently at the first level; texts holding it are folded first.
bool holdsYpogegrammeni(const char* p, int length)
{
    for (int i = 0; i + 1 < length; ++i)
        if (static_cast<unsigned char>(p[i]) == 0xCD && static_cast<unsigned char>(p[i + 1]) == 0x85)
            return true;
    return false;
}

std::string foldedUtf8(const char* p, int length)
{
    const QString folded = QString::fromUtf8(p, length).toCaseFolded();
    return folded.toStdString();
}

int primaryUtf8(const char* a, int aLength, const char* b, int bLength)
{
    UCollator* c = primaryCollator();
    if (!c)
        return 0;
    if (holdsYpogegrammeni(a, aLength) || holdsYpogegrammeni(b, bLength)) {
        const std::string fa = foldedUtf8(a, aLength);
        const std::string fb = foldedUtf8(b, bLength);
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult r = ucol_strcollUTF8(c, fa.data(), static_cast<int32_t>(fa.size()), fb.data(),
                                                    static_cast<int32_t>(fb.size()), &status);
        return U_FAILURE(status) ? 0 : static_cast<int>(r);
    }
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = ucol_strcollUTF8(c, a, aLength, b, bLength, &status);
    return U_FAILURE(status) ? 0 : static_cast<int>(r);
}

int primaryUtf16(QStringView a, QStringView b)
{
    UCollator* c = primaryCollator();
    if (!c)
        return 0;
    const QChar ypogegrammeni(0x0345);
    if (a.contains(ypogegrammeni) || b.contains(ypogegrammeni)) {
        const QString fa = a.toString().toCaseFolded();
        const QString fb = b.toString().toCaseFolded();
        return static_cast<int>(ucol_strcoll(c, reinterpret_cast<const UChar*>(fa.utf16()), static_cast<int32_t>(fa.size()),
                                             reinterpret_cast<const UChar*>(fb.utf16()), static_cast<int32_t>(fb.size())));
    }
    return static_cast<int>(ucol_strcoll(c, reinterpret_cast<const UChar*>(a.utf16()), static_cast<int32_t>(a.size()),
                                         reinterpret_cast<const UChar*>(b.utf16()), static_cast<int32_t>(b.size())));
}

} // namespace

int detail::compareTextUnhurried(const char* a, int aLength, const char* b, int bLength)
{
    if (const int r = primaryUtf8(a, aLength, b, bLength))
        return r;
    return compareFoldedUtf8(reinterpret_cast<const unsigned char*>(a), aLength,
                             reinterpret_cast<const unsigned char*>(b), bLength);
}

int compareText(const char* a, int aLength, const char* b, int bLength)
{
    // Sorting and grouping meet the same text again and again.
    if (aLength == bLength && (aLength == 0 || std::memcmp(a, b, static_cast<std::size_t>(aLength)) == 0))
        return 0;
    const int ascii = compareAscii(reinterpret_cast<const unsigned char*>(a), aLength,
                                   reinterpret_cast<const unsigned char*>(b), bLength);
    if (ascii != 2)
        return ascii;
    return detail::compareTextUnhurried(a, aLength, b, bLength);
}

int compareText(QStringView a, QStringView b)
{
    if (a.size() == b.size() && (a.isEmpty() || std::memcmp(a.utf16(), b.utf16(), static_cast<std::size_t>(a.size()) * 2) == 0))
        return 0;
    const int ascii = compareAscii(a.utf16(), static_cast<int>(a.size()), b.utf16(), static_cast<int>(b.size()));
    if (ascii != 2)
        return ascii;
    if (const int r = primaryUtf16(a, b))
        return r;
    return compareFoldedUtf16(a, b);
}

int collateText(void*, int aLength, const void* a, int bLength, const void* b)
{
    return compareText(static_cast<const char*>(a), aLength, static_cast<const char*>(b), bLength);
}

std::optional<OrderPrefix> orderPrefix(const char* text, int length)
{
    // The collator's own sort key at the first level, of which only the first
    // bytes are made; its byte order is the collator's order.
    if (holdsYpogegrammeni(text, length))
        return std::nullopt;
    UCollator* c = primaryCollator();
    if (!c)
        return std::nullopt;
    UCharIterator it;
    uiter_setUTF8(&it, text, length);
    uint32_t state[2] = {0, 0};
    uint8_t key[16] = {};
    UErrorCode status = U_ZERO_ERROR;
    ucol_nextSortKeyPart(c, &it, state, key, static_cast<int32_t>(sizeof key), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    OrderPrefix prefix{0, 0};
    for (int i = 0; i < 16; ++i)
        prefix[static_cast<std::size_t>(i / 8)] = (prefix[static_cast<std::size_t>(i / 8)] << 8) | key[i];
    return prefix;
}

int collationStamp()
{
    static const int stamp = [] {
        // The order's own version, the collator's and the Unicode version of
        // the case folding: a change of any of them changes the order.
        constexpr unsigned char kOrderVersion = 1;
        UVersionInfo collatorVersion{};
        if (UCollator* c = primaryCollator())
            ucol_getVersion(c, collatorVersion);
        std::uint32_t h = 2166136261u;
        const auto mix = [&h](unsigned value) {
            h ^= value & 0xFFu;
            h *= 16777619u;
        };
        mix(kOrderVersion);
        for (const unsigned char v : collatorVersion)
            mix(v);
        mix(static_cast<unsigned>(QChar::currentUnicodeVersion()));
        const int s = static_cast<int>(h & 0x7FFFFFFFu);
        return s == 0 ? 1 : s;
    }();
    return stamp;
}

} // namespace jet

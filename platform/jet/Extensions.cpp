#include "jet/Extensions.h"

#include "jet/Collation.h"
#include "jet/Error.h"
#include "jet/Sqlite.h"
#include "jet/TextFold.h"
#include "vb/VbTypes.h"

#include <QChar>
#include <QLocale>

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace jet {

namespace {

using detail::fold;
using detail::nextCodePoint;

std::u32string foldedUtf8(const unsigned char* p, int length)
{
    std::u32string out;
    out.reserve(static_cast<std::size_t>(length));
    const unsigned char* end = p + length;
    while (p < end)
        out.push_back(fold(nextCodePoint(p, end)));
    return out;
}

std::u32string folded(const QString& s)
{
    std::u32string out;
    for (char32_t cp : s.toUcs4())
        out.push_back(fold(cp));
    return out;
}

// A compiled Jet pattern: every element but Any matches exactly one character.
struct PatternElement {
    enum Kind { Any, One, Digit, Literal, Set } kind;
    char32_t ch = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool matches(char32_t c) const
    {
        switch (kind) {
        case One: return true;
        case Digit: return c >= '0' && c <= '9';
        case Literal: return c == ch;
        case Set: {
            bool in = false;
            for (const auto& [lo, hi] : ranges)
                if (c >= lo && c <= hi) {
                    in = true;
                    break;
                }
            return in != negate;
        }
        default: return false;
        }
    }
};
using Pattern = std::vector<PatternElement>;

Pattern compilePattern(const std::u32string& p)
{
    Pattern out;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        PatternElement e{PatternElement::Literal, c, false, {}};
        if (c == '*') {
            if (!out.empty() && out.back().kind == PatternElement::Any)
                continue;
            e.kind = PatternElement::Any;
        } else if (c == '?') {
            e.kind = PatternElement::One;
        } else if (c == '#') {
            e.kind = PatternElement::Digit;
        } else if (c == '[') {
            std::size_t j = i + 1;
            e.kind = PatternElement::Set;
            if (j < p.size() && p[j] == '!') {
                e.negate = true;
                ++j;
            }
            const std::size_t listStart = j;
            while (j < p.size() && p[j] != ']')
                ++j;
            if (j >= p.size())
                throw Error(err::InvalidPattern, QStringLiteral("Invalid pattern string."));
            for (std::size_t k = listStart; k < j; ++k) {
                if (k + 2 < j && p[k + 1] == '-') {
                    e.ranges.emplace_back(p[k], p[k + 2]);
                    k += 2;
                } else {
                    e.ranges.emplace_back(p[k], p[k]);
                }
            }
            i = j;
        }
        out.push_back(std::move(e));
    }
    return out;
}

// Text is any sequence of folded code points with size() and operator[].
template <class Text>
bool matchPattern(const Pattern& pattern, const Text& text)
{
    const std::size_t length = text.size();
    std::size_t t = 0, p = 0;
    std::size_t starP = std::string::npos, starT = 0;
    while (t < length) {
        if (p < pattern.size() && pattern[p].kind == PatternElement::Any) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && pattern[p].matches(text[t])) {
            ++p;
            ++t;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p].kind == PatternElement::Any)
        ++p;
    return p == pattern.size();
}

inline unsigned char foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// ASCII text folded on the fly, without a copy.
struct AsciiText {
    const unsigned char* bytes;
    std::size_t length;
    std::size_t size() const { return length; }
    char32_t operator[](std::size_t i) const { return foldAscii(bytes[i]); }
};

bool isAscii(const unsigned char* p, int length)
{
    for (int i = 0; i < length; ++i)
        if (p[i] >= 0x80)
            return false;
    return true;
}

// A pattern compiled once per statement. Scans meet the same text many times
// in a row (the rows of one artist), so the last answer is kept too.
struct CompiledLike {
    Pattern pattern;
    // Only "*": every text matches, unread.
    bool everything = false;
    // "*literal*" with an ASCII literal: answered by a substring search.
    bool substring = false;
    std::string needle;
    std::string lastText;
    int lastResult = -1;
};

CompiledLike* compileLike(const unsigned char* p, int length)
{
    auto* c = new CompiledLike{compilePattern(foldedUtf8(p, length)), false, false, {}, {}, -1};
    const Pattern& pat = c->pattern;
    c->everything = pat.size() == 1 && pat.front().kind == PatternElement::Any;
    if (pat.size() >= 2 && pat.front().kind == PatternElement::Any && pat.back().kind == PatternElement::Any) {
        c->substring = true;
        for (std::size_t i = 1; i + 1 < pat.size() && c->substring; ++i) {
            if (pat[i].kind == PatternElement::Literal && pat[i].ch < 0x80)
                c->needle.push_back(static_cast<char>(pat[i].ch));
            else
                c->substring = false;
        }
    }
    return c;
}

bool containsFolded(const unsigned char* text, std::size_t length, const std::string& needle)
{
    const std::size_t n = needle.size();
    if (n == 0)
        return true;
    const auto first = static_cast<unsigned char>(needle[0]);
    for (std::size_t i = 0; i + n <= length; ++i) {
        if (foldAscii(text[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < n && foldAscii(text[i + k]) == static_cast<unsigned char>(needle[k]))
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

bool likeMatches(const CompiledLike& c, const unsigned char* text, int length)
{
    if (isAscii(text, length)) {
        if (c.substring)
            return containsFolded(text, static_cast<std::size_t>(length), c.needle);
        return matchPattern(c.pattern, AsciiText{text, static_cast<std::size_t>(length)});
    }
    // Only texts with other letters pay for decoding and folding; the buffer is reused.
    thread_local std::u32string buffer;
    buffer.clear();
    const unsigned char* end = text + length;
    while (text < end)
        buffer.push_back(fold(nextCodePoint(text, end)));
    return matchPattern(c.pattern, buffer);
}

void resultError(sqlite3_context* ctx, int number, const QString& description)
{
    const QByteArray msg = encodeFunctionError(number, description).toUtf8();
    sqlite3_result_error(ctx, msg.constData(), static_cast<int>(msg.size()));
}

QString argText(sqlite3_value* v)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
}

void mismatch(sqlite3_context* ctx) { resultError(ctx, err::TypeMismatch, QStringLiteral("Data type mismatch in criteria expression.")); }

void deleteCompiledLike(void* p) { delete static_cast<CompiledLike*>(p); }

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc != 2) {
        resultError(ctx, err::SyntaxError, QStringLiteral("Syntax error: Like takes no escape character."));
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;
    auto* compiled = static_cast<CompiledLike*>(sqlite3_get_auxdata(ctx, 0));
    if (!compiled) {
        std::unique_ptr<CompiledLike> fresh;
        try {
            fresh.reset(compileLike(sqlite3_value_text(argv[0]), sqlite3_value_bytes(argv[0])));
        } catch (const Error& e) {
            resultError(ctx, e.Number(), e.Description());
            return;
        }
        sqlite3_set_auxdata(ctx, 0, fresh.release(), deleteCompiledLike);
        compiled = static_cast<CompiledLike*>(sqlite3_get_auxdata(ctx, 0));
        if (!compiled) {
            // SQLite did not keep it (not a constant): compile for this row only.
            const std::unique_ptr<CompiledLike> local(
                compileLike(sqlite3_value_text(argv[0]), sqlite3_value_bytes(argv[0])));
            sqlite3_result_int(ctx, local->everything || likeMatches(*local, sqlite3_value_text(argv[1]),
                                                                     sqlite3_value_bytes(argv[1])));
            return;
        }
    }
    if (compiled->everything) {
        sqlite3_result_int(ctx, 1);
        return;
    }
    const auto* text = sqlite3_value_text(argv[1]);
    const int length = sqlite3_value_bytes(argv[1]);
    if (compiled->lastResult >= 0 && compiled->lastText.size() == static_cast<std::size_t>(length)
        && std::memcmp(compiled->lastText.data(), text, static_cast<std::size_t>(length)) == 0) {
        sqlite3_result_int(ctx, compiled->lastResult);
        return;
    }
    const int result = likeMatches(*compiled, text, length) ? 1 : 0;
    compiled->lastText.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
    compiled->lastResult = result;
    sqlite3_result_int(ctx, result);
}

void cdateFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    std::optional<vb::Date> date;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: date = sqlite3_value_double(argv[0]); break;
    default:
        date = vb::dateFromStatementText(argText(argv[0]));
        if (!date) {
            mismatch(ctx);
            return;
        }
    }
    if (!vb::dateIsValid(*date)) {
        resultError(ctx, err::NumericOverflow, QStringLiteral("Numeric field overflow."));
        return;
    }
    sqlite3_result_double(ctx, *date);
}

void resultCurrency(sqlite3_context* ctx, vb::Currency value)
{
    // Stored as the decimal value, so that plain number comparisons work.
    if (value % vb::kCurrencyScale == 0)
        sqlite3_result_int64(ctx, value / vb::kCurrencyScale);
    else
        sqlite3_result_double(ctx, static_cast<double>(value) / vb::kCurrencyScale);
}

void ccurFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: return;
    case SQLITE_INTEGER: {
        const sqlite3_int64 units = sqlite3_value_int64(argv[0]);
        if (units < -INT64_MAX / vb::kCurrencyScale || units > INT64_MAX / vb::kCurrencyScale) {
            resultError(ctx, err::NumericOverflow, QStringLiteral("Numeric field overflow."));
            return;
        }
        sqlite3_result_int64(ctx, units);
        return;
    }
    case SQLITE_FLOAT: {
        const std::optional<vb::Currency> value = vb::currencyFromDouble(sqlite3_value_double(argv[0]));
        if (!value) {
            resultError(ctx, err::NumericOverflow, QStringLiteral("Numeric field overflow."));
            return;
        }
        resultCurrency(ctx, *value);
        return;
    }
    default: break;
    }
    if (const std::optional<vb::Currency> c = vb::currencyFromStatementText(argText(argv[0])))
        resultCurrency(ctx, *c);
    else
        mismatch(ctx);
}

void clngFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double value = 0;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: return;
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_value_int64(argv[0]);
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) {
            resultError(ctx, err::NumericOverflow, QStringLiteral("Numeric field overflow."));
            return;
        }
        sqlite3_result_int64(ctx, v);
        return;
    }
    case SQLITE_FLOAT: value = sqlite3_value_double(argv[0]); break;
    default: {
        bool ok = false;
        value = QLocale::c().toDouble(argText(argv[0]).trimmed(), &ok);
        if (!ok) {
            mismatch(ctx);
            return;
        }
    }
    }
    const double rounded = std::nearbyint(value); // half to even, as Jet rounds
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())) {
        resultError(ctx, err::NumericOverflow, QStringLiteral("Numeric field overflow."));
        return;
    }
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(rounded));
}

void cboolFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: sqlite3_result_int(ctx, 0); return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: sqlite3_result_int(ctx, sqlite3_value_double(argv[0]) != 0 ? 1 : 0); return;
    default: break;
    }
    const QString t = argText(argv[0]).trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on")) {
        sqlite3_result_int(ctx, 1);
        return;
    }
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off")) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok) {
        mismatch(ctx);
        return;
    }
    sqlite3_result_int(ctx, v != 0 ? 1 : 0);
}

} // namespace

bool likeMatch(const QString& text, const QString& pattern)
{
    return matchPattern(compilePattern(folded(pattern)), folded(text));
}

QString encodeFunctionError(int number, const QString& description)
{
    return QStringLiteral("jet:%1:%2").arg(number).arg(description);
}

bool decodeFunctionError(const QString& message, int& number, QString& description)
{
    if (!message.startsWith(QLatin1String("jet:")))
        return false;
    const qsizetype colon = message.indexOf(QLatin1Char(':'), 4);
    if (colon < 0)
        return false;
    bool ok = false;
    number = message.mid(4, colon - 4).toInt(&ok);
    description = message.mid(colon + 1);
    return ok;
}

void registerExtensions(sqlite3* db)
{
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_collation_v2(db, kTextCollation, SQLITE_UTF8, nullptr, collateText, nullptr);
    sqlite3_create_function_v2(db, "like", 2, det, nullptr, likeFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "like", 3, det, nullptr, likeFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "jet_cdate", 1, det, nullptr, cdateFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "jet_ccur", 1, det, nullptr, ccurFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "jet_clng", 1, det, nullptr, clngFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "jet_cbool", 1, det, nullptr, cboolFunction, nullptr, nullptr, nullptr);
}

} // namespace jet

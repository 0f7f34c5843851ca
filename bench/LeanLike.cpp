#include "bench/LeanLike.h"

#include "jet/Error.h"
#include "jet/Extensions.h"

#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace bench {

namespace {

struct Compiled {
    QString pattern;      // as given, for the engine's matcher
    std::string needle;   // folded ASCII literal of a *literal* pattern
    bool substring = false;
    // Scans in index order meet the same text many times in a row.
    std::string lastText;
    int lastResult = -1;
};

char foldAscii(unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); }

Compiled* compile(const unsigned char* p, int n)
{
    auto* c = new Compiled;
    c->pattern = QString::fromUtf8(reinterpret_cast<const char*>(p), n);
    if (n >= 2 && p[0] == '*' && p[n - 1] == '*') {
        c->substring = true;
        for (int i = 1; i < n - 1 && c->substring; ++i) {
            const unsigned char ch = p[i];
            if (ch >= 0x80 || ch == '*' || ch == '?' || ch == '#' || ch == '[' || ch == ']')
                c->substring = false;
            else
                c->needle.push_back(foldAscii(ch));
        }
    }
    return c;
}

void destroy(void* p) { delete static_cast<Compiled*>(p); }

// 1 or 0; -1 after setting an error on ctx.
int matches(const Compiled& c, const unsigned char* text, int length, sqlite3_context* ctx)
{
    if (c.substring) {
        // A match found among ASCII bytes is the engine's match too (an ASCII
        // byte is a whole character); only a miss in a text with other
        // characters needs the engine's folding.
        const std::string& needle = c.needle;
        const int n = static_cast<int>(needle.size());
        bool ascii = true;
        for (int i = 0; i + n <= length; ++i) {
            if (text[i] >= 0x80) {
                ascii = false;
                continue;
            }
            int k = 0;
            while (k < n && foldAscii(text[i + k]) == needle[static_cast<std::size_t>(k)])
                ++k;
            if (k == n) {
                return 1;
            }
        }
        for (int i = std::max(0, length - n); ascii && i < length; ++i)
            ascii = text[i] < 0x80;
        if (ascii)
            return 0;
    }
    try {
        const QString t = QString::fromUtf8(reinterpret_cast<const char*>(text), length);
        return jet::likeMatch(t, c.pattern) ? 1 : 0;
    } catch (const jet::Error& e) {
        const QByteArray msg = e.Description().toUtf8();
        sqlite3_result_error(ctx, msg.constData(), static_cast<int>(msg.size()));
        return -1;
    }
}

void leanLike(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;
    auto* compiled = static_cast<Compiled*>(sqlite3_get_auxdata(ctx, 0));
    if (!compiled) {
        sqlite3_set_auxdata(ctx, 0, compile(sqlite3_value_text(argv[0]), sqlite3_value_bytes(argv[0])), destroy);
        compiled = static_cast<Compiled*>(sqlite3_get_auxdata(ctx, 0));
        if (!compiled) {
            sqlite3_result_error(ctx, "pattern not kept", -1);
            return;
        }
    }
    const auto* text = sqlite3_value_text(argv[1]);
    const int length = sqlite3_value_bytes(argv[1]);
    if (compiled->lastResult >= 0 && compiled->lastText.size() == static_cast<std::size_t>(length)
        && std::memcmp(compiled->lastText.data(), text, compiled->lastText.size()) == 0) {
        sqlite3_result_int(ctx, compiled->lastResult);
        return;
    }
    const int result = matches(*compiled, text, length, ctx);
    if (result < 0)
        return; // the error is set
    compiled->lastText.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
    compiled->lastResult = result;
    sqlite3_result_int(ctx, result);
}

} // namespace

void registerLeanLike(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "like", 2, flags, nullptr, leanLike, nullptr, nullptr, nullptr);
}

} // namespace bench

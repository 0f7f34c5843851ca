#include "jet/Dialect.h"

#include "jet/Error.h"
#include "vb/VbTypes.h"

#include <vector>

namespace jet {

ColumnKind columnKindFromDeclaredType(const QString& declaredType)
{
    const QString t = declaredType.toUpper();
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME")))
        return ColumnKind::Date;
    if (t.contains(QLatin1String("CURRENCY")) || t.contains(QLatin1String("MONEY")))
        return ColumnKind::Currency;
    if (t.contains(QLatin1String("BIT")) || t.contains(QLatin1String("BOOL")) || t.contains(QLatin1String("YESNO")))
        return ColumnKind::Boolean;
    if (t.contains(QLatin1String("LONG")) || t.contains(QLatin1String("INT")))
        return ColumnKind::Long;
    if (t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("MEMO")))
        return ColumnKind::Text;
    return ColumnKind::Other;
}

namespace {

struct Token {
    enum Kind { Space, Word, Number, String, Bracket, Date, Punct } kind;
    QString text;   // the text written out
    QString prefix; // written before the token
    QString suffix; // written after the token
    QChar op = {};  // a punctuation token's character, whatever its text becomes
};

Error syntax(const QString& what)
{
    return Error(err::SyntaxError, what);
}

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isWordPart(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s.at(i);
        const qsizetype start = i;
        if (c.isSpace()) {
            while (i < n && s.at(i).isSpace())
                ++i;
            out.push_back({Token::Space, QStringLiteral(" "), {}, {}});
        } else if (isWordStart(c)) {
            while (i < n && isWordPart(s.at(i)))
                ++i;
            out.push_back({Token::Word, s.mid(start, i - start), {}, {}});
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s.at(i + 1).isDigit())) {
            while (i < n && (s.at(i).isDigit() || s.at(i) == QLatin1Char('.')))
                ++i;
            if (i < n && (s.at(i) == QLatin1Char('e') || s.at(i) == QLatin1Char('E'))) {
                qsizetype j = i + 1;
                if (j < n && (s.at(j) == QLatin1Char('+') || s.at(j) == QLatin1Char('-')))
                    ++j;
                if (j < n && s.at(j).isDigit()) {
                    i = j;
                    while (i < n && s.at(i).isDigit())
                        ++i;
                }
            }
            out.push_back({Token::Number, s.mid(start, i - start), {}, {}});
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Jet takes both quotes as string delimiters; SQLite gets single quotes.
            QString value;
            ++i;
            bool closed = false;
            while (i < n) {
                if (s.at(i) == c) {
                    if (i + 1 < n && s.at(i + 1) == c) {
                        value += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += s.at(i++);
            }
            if (!closed)
                throw syntax(QStringLiteral("Syntax error in string in query expression '%1'.").arg(s.mid(start)));
            value.replace(QLatin1Char('\''), QLatin1String("''"));
            out.push_back({Token::String, QLatin1Char('\'') + value + QLatin1Char('\''), {}, {}});
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = s.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0)
                throw syntax(QStringLiteral("Invalid bracketing of name '%1'.").arg(s.mid(start)));
            i = close + 1;
            out.push_back({Token::Bracket, s.mid(start, i - start), {}, {}});
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = s.indexOf(QLatin1Char('#'), i + 1);
            if (close < 0)
                throw syntax(QStringLiteral("Syntax error in date in query expression '%1'.").arg(s.mid(start)));
            const QString body = s.mid(i + 1, close - i - 1);
            const std::optional<vb::Date> date = vb::dateFromStatementText(body);
            if (!date)
                throw syntax(QStringLiteral("Syntax error in date in query expression '%1'.")
                                 .arg(s.mid(start, close + 1 - start)));
            i = close + 1;
            out.push_back({Token::Date, QString::number(*date, 'g', 17), {}, {}});
        } else {
            ++i;
            QString text(c);
            // A lone "-" or "/" must never open a comment in SQLite's reading.
            if (c == QLatin1Char('-') || c == QLatin1Char('/'))
                text += QLatin1Char(' ');
            else if (c == QLatin1Char('&'))
                text = QStringLiteral("||");
            out.push_back({Token::Punct, text, {}, {}, c});
        }
    }
    return out;
}

bool isWord(const Token& t, const char* word)
{
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}
bool isPunct(const Token& t, char c) { return t.kind == Token::Punct && t.op == QLatin1Char(c); }

QString bareName(const Token& t)
{
    if (t.kind == Token::Bracket)
        return t.text.mid(1, t.text.size() - 2);
    return t.text;
}

class Rewriter {
public:
    Rewriter(std::vector<Token>& all, const ColumnKindLookup& lookup) : all_(all), lookup_(lookup)
    {
        for (std::size_t k = 0; k < all_.size(); ++k)
            if (all_[k].kind != Token::Space)
                sig_.push_back(k);
    }

    QString run()
    {
        // A trailing ";" ends the statement; anything after one is a second statement.
        for (std::size_t k = 0; k < sig_.size(); ++k) {
            if (!isPunct(at(k), ';'))
                continue;
            if (k + 1 != sig_.size())
                throw Error(err::TextAfterStatement, QStringLiteral("Characters found after end of SQL statement."));
            at(k).text.clear();
            sig_.pop_back();
        }
        if (sig_.empty() || !(isWord(at(0), "select") || isWord(at(0), "insert") || isWord(at(0), "update")
                              || isWord(at(0), "delete") || isWord(at(0), "create") || isWord(at(0), "drop")
                              || isWord(at(0), "alter")))
            throw Error(err::InvalidStatement,
                        QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
                                       "'UPDATE'."));
        checkParentheses();
        for (std::size_t k = 0; k < sig_.size(); ++k) {
            Token& t = at(k);
            if (t.kind != Token::Word)
                continue;
            const bool afterDot = k > 0 && isPunct(at(k - 1), '.');
            if (isWord(t, "delete") && k + 1 < sig_.size() && isPunct(at(k + 1), '*')) {
                at(k + 1).text.clear();
            } else if (isWord(t, "isnull") && k + 1 < sig_.size() && isPunct(at(k + 1), '(')) {
                // IsNull(x) -> ((x) IS NULL); ISNULL is a postfix operator in SQLite.
                t.text = QStringLiteral("(");
                at(matchingParen(k + 1)).suffix += QStringLiteral(" IS NULL)");
            } else if (isWord(t, "distinctrow")) {
                // On a single table every row is a distinct row: Jet ignores the word.
                t.text = QStringLiteral("ALL");
            } else if (!afterDot && isWord(t, "true")) {
                t.text = QStringLiteral("1");
            } else if (!afterDot && isWord(t, "false")) {
                t.text = QStringLiteral("0");
            }
        }
        if (lookup_) {
            if (isWord(at(0), "insert"))
                convertInsert();
            else if (isWord(at(0), "update"))
                convertUpdate();
        }
        QString sql;
        for (const Token& t : all_)
            sql += t.prefix + t.text + t.suffix;
        return sql;
    }

private:
    Token& at(std::size_t k) { return all_[sig_[k]]; }

    void checkParentheses()
    {
        int depth = 0;
        for (std::size_t k = 0; k < sig_.size(); ++k) {
            if (isPunct(at(k), '('))
                ++depth;
            else if (isPunct(at(k), ')') && --depth < 0)
                break;
        }
        if (depth != 0)
            throw syntax(QStringLiteral("Syntax error: unbalanced parentheses in SQL statement."));
    }

    std::size_t matchingParen(std::size_t open)
    {
        int depth = 0;
        for (std::size_t k = open; k < sig_.size(); ++k) {
            if (isPunct(at(k), '('))
                ++depth;
            else if (isPunct(at(k), ')') && --depth == 0)
                return k;
        }
        throw syntax(QStringLiteral("Syntax error: unbalanced parentheses in SQL statement."));
    }

    static const char* converter(ColumnKind kind)
    {
        switch (kind) {
        case ColumnKind::Date: return "jet_cdate(";
        case ColumnKind::Currency: return "jet_ccur(";
        case ColumnKind::Long: return "jet_clng(";
        case ColumnKind::Boolean: return "jet_cbool(";
        default: return nullptr;
        }
    }

    void wrap(std::size_t first, std::size_t last, ColumnKind kind)
    {
        const char* fn = converter(kind);
        if (!fn || first > last)
            return;
        at(first).prefix.prepend(QLatin1String(fn));
        at(last).suffix += QLatin1Char(')');
    }

    bool isName(std::size_t k) { return k < sig_.size() && (at(k).kind == Token::Word || at(k).kind == Token::Bracket); }

    // Reads "a.b" or "a" at k; returns the last part and moves k past it.
    QString readName(std::size_t& k)
    {
        QString name = bareName(at(k++));
        while (k + 1 < sig_.size() && isPunct(at(k), '.') && isName(k + 1)) {
            name = bareName(at(k + 1));
            k += 2;
        }
        return name;
    }

    // insert into T ( c1, c2 ) values ( e1, e2 )
    void convertInsert()
    {
        std::size_t k = 1;
        if (k < sig_.size() && isWord(at(k), "into"))
            ++k;
        if (!isName(k))
            return;
        const QString table = readName(k);
        if (k >= sig_.size() || !isPunct(at(k), '('))
            return;
        ++k;
        std::vector<QString> columns;
        while (isName(k)) {
            columns.push_back(readName(k));
            if (k < sig_.size() && isPunct(at(k), ','))
                ++k;
        }
        if (k >= sig_.size() || !isPunct(at(k), ')'))
            return;
        ++k;
        if (k >= sig_.size() || !isWord(at(k), "values"))
            return;
        ++k;
        if (k >= sig_.size() || !isPunct(at(k), '('))
            return;
        const std::size_t close = matchingParen(k);
        std::size_t column = 0;
        std::size_t first = k + 1;
        int depth = 0;
        for (std::size_t j = k + 1; j <= close; ++j) {
            if (isPunct(at(j), '('))
                ++depth;
            else if (isPunct(at(j), ')') && j != close)
                --depth;
            if (j == close || (depth == 0 && isPunct(at(j), ','))) {
                if (column < columns.size() && j > first)
                    wrap(first, j - 1, lookup_(table, columns[column]));
                ++column;
                first = j + 1;
            }
        }
    }

    // update T set c1 = e1, c2 = e2 where ...
    void convertUpdate()
    {
        std::size_t k = 1;
        if (!isName(k))
            return;
        const QString table = readName(k);
        if (k >= sig_.size() || !isWord(at(k), "set"))
            return;
        ++k;
        while (isName(k)) {
            const QString column = readName(k);
            if (k >= sig_.size() || !isPunct(at(k), '='))
                return;
            ++k;
            const std::size_t first = k;
            int depth = 0;
            while (k < sig_.size()) {
                if (isPunct(at(k), '('))
                    ++depth;
                else if (isPunct(at(k), ')'))
                    --depth;
                else if (depth == 0 && (isPunct(at(k), ',') || isWord(at(k), "where")))
                    break;
                ++k;
            }
            if (k > first)
                wrap(first, k - 1, lookup_(table, column));
            if (k >= sig_.size() || !isPunct(at(k), ','))
                return;
            ++k;
        }
    }

    std::vector<Token>& all_;
    const ColumnKindLookup& lookup_;
    std::vector<std::size_t> sig_;
};

} // namespace

QString translateStatement(const QString& jetSql, const ColumnKindLookup& lookup)
{
    // SQLite reads a statement only up to a NUL: whatever follows one would be
    // dropped unseen, a where clause included.
    if (jetSql.contains(QChar(u'\0')))
        throw syntax(QStringLiteral("Syntax error: the SQL statement holds a NUL character."));
    std::vector<Token> tokens = tokenize(jetSql);
    return Rewriter(tokens, lookup).run();
}

} // namespace jet

#include "catalog/EntryActions.h"

std::optional<QString> FixQuotes(const std::optional<QString>& value)
{
    return ReplaceText(value, QStringLiteral("'"), QStringLiteral("''"));
}

std::optional<QString> ReplaceText(const std::optional<QString>& text, const QString& find,
                                   const QString& replacement)
{
    if (!text)
        return std::nullopt;
    QString result = *text;
    // An empty find would match everywhere (and forever with an empty replacement).
    if (find.isEmpty())
        return result;
    qsizetype pos = result.indexOf(find, 0, Qt::CaseInsensitive);
    while (pos >= 0) {
        result.replace(pos, find.size(), replacement);
        pos = result.indexOf(find, pos + replacement.size(), Qt::CaseInsensitive);
    }
    return result;
}

#include "catalog/EntryActions.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(TextRoutinesTest, FixQuotesDoublesEveryApostropheAndKeepsNull)
{
    struct Case {
        std::optional<QString> value;
        std::optional<QString> fixed;
    };
    const Case cases[] = {
        {QStringLiteral("Rock 'n' Roll"), QStringLiteral("Rock ''n'' Roll")},
        {QStringLiteral("''"), QStringLiteral("''''")},
        {QStringLiteral("O'Day"), QStringLiteral("O''Day")},
        {QStringLiteral("Kind of Blue"), QStringLiteral("Kind of Blue")},
        {QString(), QString()},
        {std::nullopt, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FixQuotes(c.value), c.fixed) << c.value.value_or(QStringLiteral("<Null>")).toStdString();
}

TEST(TextRoutinesTest, ReplaceTextIgnoresCaseAndNeverRescansWhatItInserted)
{
    struct Case {
        std::optional<QString> text;
        const char16_t* find;
        const char16_t* replacement;
        std::optional<QString> result;
    };
    const Case cases[] = {
        // The replacement holds the find text: searching it again would never end.
        {QStringLiteral("a"), u"a", u"aa", QStringLiteral("aa")},
        {QStringLiteral("Blue"), u"b", u"bb", QStringLiteral("bblue")},
        // The replacement and what follows form a new occurrence, which stays.
        {QStringLiteral("aabb"), u"ab", u"a", QStringLiteral("aab")},
        {QStringLiteral("xAxa"), u"a", u"b", QStringLiteral("xbxb")},
        {QStringLiteral("Ärger ä"), u"ä", u"ae", QStringLiteral("aerger ae")},
        {QStringLiteral("aaa"), u"a", u"", QString()},
        {QStringLiteral("Night Train"), u"'", u"''", QStringLiteral("Night Train")},
        {QString(), u"'", u"''", QString()},
        {std::nullopt, u"'", u"''", std::nullopt},
        {std::nullopt, u"x", u"y", std::nullopt},
        // An empty find replaces nothing instead of looping.
        {QStringLiteral("abc"), u"", u"", QStringLiteral("abc")},
    };
    for (const Case& c : cases) {
        const auto result = ReplaceText(c.text, QString::fromUtf16(c.find), QString::fromUtf16(c.replacement));
        EXPECT_EQ(result, c.result) << c.text.value_or(QStringLiteral("<Null>")).toStdString() << " / "
                                    << QString::fromUtf16(c.find).toStdString();
    }
}

} // namespace

#include "reports/ReportDocument.h"
#include "reports/RowStore.h"
#include "reports/Template.h"

#include "jet/Collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Texts that meet every branch of the engine's order: punctuation, digits,
// case, accents, long shared beginnings, other scripts and the one character
// folded before it is weighed.
const std::vector<std::string> kTexts = {
    "",          "zed",         "Zed",        "ZED",          "_under",     "{brace}",   "-dash",     "1999",
    "a b",       "ab",          "a-b",        "a_b",          "abba",       "ABBA",      "Abbá",      "Émile",
    "Emile",     "emile",       "Eve",        "Café",         "Cafe",       "café au lait", "Señorita", "Senorita",
    "Letter of Love", "Letter of Love Two", "Letter of love", "Letter of Lovf", "Ωμέγα", "ωμεγα", "ᾳ",  "α",
    "日本",      "\xCE\xB1\xCD\x85", "\x01" "ab",   "Straße",     "Strasse",      "Øre",        "Ore",       "~tilde",    "$dollar"};

int sign(int v) { return (v > 0) - (v < 0); }

int engine(const std::string& a, const std::string& b)
{
    return jet::compareText(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
}

} // namespace

TEST(ReportOrder, KeyPrefixesNeverContradictTheEngine)
{
    int decided = 0;
    for (const std::string& a : kTexts)
        for (const std::string& b : kTexts) {
            const auto pa = jet::orderPrefix(a.data(), static_cast<int>(a.size()));
            const auto pb = jet::orderPrefix(b.data(), static_cast<int>(b.size()));
            if (!pa || !pb || *pa == *pb)
                continue;
            ++decided;
            EXPECT_EQ(*pa < *pb ? -1 : 1, sign(engine(a, b))) << a << " / " << b;
        }
    EXPECT_GT(decided, 1000); // the prefixes settle most pairs
    EXPECT_FALSE(jet::orderPrefix("\xCE\xB1\xCD\x85", 4)); // α with a combining ypogegrammeni: compared in full
}

TEST(ReportOrder, RowsSortAndGroupAsTheEngineOrdersText)
{
    reports::Template layout;
    layout.title = QStringLiteral("Order");
    layout.groupField = QStringLiteral("Artist");
    layout.sortFields = {QStringLiteral("Artist"), QStringLiteral("Song_Title")};
    layout.columns = {{QStringLiteral("Artist"), QStringLiteral("Artist"), 2000},
                      {QStringLiteral("Song_Title"), QStringLiteral("Song Title"), 4000}};
    auto rows = std::make_unique<reports::RowStore>(2);
    // The engine puts punctuation before digits and letters; "_" and "{"
    // come after the digits in code points.
    const std::vector<std::pair<std::string, std::string>> input = {
        {"Émile", "zed"}, {"abba", "1999"}, {"Emile", "b"}, {"ABBA", "{brace}"}, {"abba", "_under"},
        {"abba", "Zed"},  {"abba", "zed"},  {"Emile", "a"}, {"ABBA", "-dash"}};
    for (const auto& [artist, title] : input) {
        ASSERT_TRUE(rows->addCell(std::string_view(artist)));
        ASSERT_TRUE(rows->addCell(std::string_view(title)));
    }
    const reports::ReportDocument doc(layout, std::move(rows), QDate(2026, 1, 1));
    std::vector<QString> lines;
    for (std::size_t i = 0; i < doc.lineCount(); ++i)
        lines.push_back(doc.lineText(i));
    // "abba" and "ABBA" are one group, as the engine holds them equal; "Émile"
    // and "Emile" are two. Equal titles ("Zed", "zed") follow their bytes.
    const std::vector<QString> expected = {
        QStringLiteral("abba"), QStringLiteral("_under"), QStringLiteral("-dash"), QStringLiteral("{brace}"),
        QStringLiteral("1999"), QStringLiteral("Zed"),    QStringLiteral("zed"),   QString(),
        QStringLiteral("Emile"), QStringLiteral("a"),     QStringLiteral("b"),     QString(),
        QStringLiteral("Émile"), QStringLiteral("zed")};
    EXPECT_EQ(lines, expected);
    for (std::size_t i = 1; i + 1 < 7; ++i) // the titles of the first group in the engine's order
        EXPECT_LE(jet::compareText(lines[i], lines[i + 1]), 0) << lines[i].toStdString();
}

#include "support/CatalogFixture.h"

#include "jet/Collation.h"
#include "jet/Engine.h"
#include "jet/Extensions.h"

#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

using testenv::CatalogFixture;

const QString kConnect = QStringLiteral(";uid=brevlin;pwd=mossgravel");

int sign(int v) { return (v > 0) - (v < 0); }

int compareUtf8(const QString& a, const QString& b)
{
    const QByteArray ua = a.toUtf8();
    const QByteArray ub = b.toUtf8();
    return sign(jet::compareText(ua.constData(), static_cast<int>(ua.size()), ub.constData(), static_cast<int>(ub.size())));
}

// The order a reader expects: accents and letter case count only between texts
// that are otherwise the same; punctuation before digits before letters.
const QStringList kOrdered = {
    "_under", "-dash", "10cc",   "9 Lives", "Abba",    "ábel",   "Adele",  "Ça",       "Cab",     "Elvis",
    "Emile",  "émile", "Enya",    "Lukas",   "Łukasz", "Nu",     "Ñu",       "Nz",      "O'Brien",
    "Oasis",  "Olsen", "Ölsen",  "Oz",      "Strasse", "Straße", "The Band", "Theatre", "Zappa",   "Zoe",
    "Zoë",
};

TEST(CollationTest, TextSortsByItsLettersFirstAndAccentsAndCaseAfter)
{
    const QStringList expected = kOrdered;
    QStringList shuffled = expected;
    std::mt19937 rng(7);
    std::shuffle(shuffled.begin(), shuffled.end(), rng);

    QStringList byQString = shuffled;
    std::sort(byQString.begin(), byQString.end(), [](const QString& a, const QString& b) { return jet::compareText(a, b) < 0; });
    EXPECT_EQ(byQString, expected);
    QStringList byUtf8 = shuffled;
    std::sort(byUtf8.begin(), byUtf8.end(), [](const QString& a, const QString& b) { return compareUtf8(a, b) < 0; });
    EXPECT_EQ(byUtf8, expected);
}

TEST(CollationTest, EqualityStaysWithoutRegardToCaseOnly)
{
    struct Row {
        const char* a;
        const char* b;
        int sign;
    };
    const Row rows[] = {
        {"Björk", "BJÖRK", 0},        {"abba", "ABBA", 0},         {"Émile", "émile", 0},
        {"\u212Aelvin", "kelvin", 0}, {"Emile", "Émile", -1},      {"Straße", "STRASSE", 1},
        {"e\u0301", "\u00e9", -1},    {"ab", "abc", -1},           {"", "", 0},
        {"", "a", -1},                {"x\u0345", "X\u0345", 0},   {"a\u0345", "A\u03b9", 0},
    };
    for (const Row& r : rows) {
        const QString a = QString::fromUtf8(r.a);
        const QString b = QString::fromUtf8(r.b);
        EXPECT_EQ(compareUtf8(a, b), r.sign) << r.a << " vs " << r.b;
        EXPECT_EQ(compareUtf8(b, a), -r.sign) << r.b << " vs " << r.a;
        EXPECT_EQ(sign(jet::compareText(a, b)), r.sign) << r.a << " vs " << r.b;
    }
}

// Plain ASCII texts take a shortcut; it must order exactly as the full
// collation does, punctuation, digits, blanks and control characters included.
TEST(CollationTest, PlainAsciiShortcutAgreesWithTheFullOrder)
{
    std::mt19937 rng(11);
    const std::string alphabet = std::string("aAbBzZ09 _-,.'&()[]{}~`^|\\/<=>*#%@!?:;\"+$\t\x01\x7f", 45);
    std::vector<std::string> texts;
    for (int i = 0; i < 400; ++i) {
        std::string t;
        const int length = static_cast<int>(rng() % 6);
        for (int k = 0; k < length; ++k)
            t.push_back(alphabet[rng() % alphabet.size()]);
        texts.push_back(t);
    }
    int mismatches = 0;
    for (const std::string& a : texts)
        for (const std::string& b : texts) {
            const int quick = sign(jet::compareText(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size())));
            const int full = sign(jet::detail::compareTextUnhurried(a.data(), static_cast<int>(a.size()), b.data(),
                                                                   static_cast<int>(b.size())));
            const int fromQString = sign(jet::compareText(QString::fromStdString(a), QString::fromStdString(b)));
            if (quick != full || fromQString != full)
                ++mismatches;
            EXPECT_EQ(quick, full) << '"' << a << "\" vs \"" << b << '"';
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(CollationTest, StatementsSortGroupAndCompareInTheSameOrder)
{
    CatalogFixture f;
    QStringList shuffled = {"Zappa", "Émile", "Enya", "Elvis", "ábel", "Abba", "Øystein", "Oasis", "Zoë"};
    for (const QString& name : shuffled)
        f.addRecord(name, "Live");
    f.addRecord("ÉMILE", "Studio");
    EXPECT_EQ(f.rows("select distinct [Artist] from records order by [Artist]"),
              (QStringList{"Abba", "ábel", "Elvis", "Émile", "Enya", "Oasis", "Øystein", "Zappa", "Zoë"}));
    // Equality and Like stay without regard to case only.
    EXPECT_EQ(f.count("select * from records where [Artist] = 'émile'"), 2);
    EXPECT_EQ(f.count("select * from records where [Artist] = 'Emile'"), 0);
    EXPECT_EQ(f.count("select * from records where [Artist] Like 'é*'"), 2);
    EXPECT_EQ(f.count("select * from records where [Artist] Like 'e*'"), 2); // Elvis, Enya
    EXPECT_EQ(f.count("select * from records where [Artist] > 'Elvis' and [Artist] < 'Enya'"), 2);
}

// Writes rows into a catalogue whose indexes follow another order, as a file
// made by an earlier version of the program would.
int reversed(void*, int aLength, const void* a, int bLength, const void* b)
{
    return -jet::compareText(static_cast<const char*>(a), aLength, static_cast<const char*>(b), bLength);
}

TEST(CollationTest, IndexesBuiltInAnotherOrderAreRebuiltOnOpen)
{
    CatalogFixture f;
    const QStringList names = {"Abba", "Émile", "Enya", "Elvis", "Zappa", "Øystein", "Oasis", "O'Brien", "10cc"};
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(f.databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        sqlite3_create_collation_v2(db, jet::kTextCollation, SQLITE_UTF8, nullptr, reversed, nullptr);
        for (const QString& name : names) {
            const QByteArray sql = ("INSERT INTO records (Artist, Record_Name) VALUES ('" + name.toUtf8().replace("'", "''")
                                    + "', 'Live')");
            ASSERT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        }
        ASSERT_EQ(sqlite3_exec(db, "UPDATE file_stamp SET text_order = 0", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close_v2(db);
    }
    for (const QString& name : names) {
        QString quoted = name;
        quoted.replace("'", "''");
        EXPECT_EQ(f.count("select * from records where [Artist] = '" + quoted + "' and [Record_Name] = 'Live'"), 1)
            << name.toStdString();
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    jet::registerExtensions(db);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT (SELECT text_order FROM file_stamp), "
                                     "(SELECT integrity_check FROM pragma_integrity_check)", -1, &stmt, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), jet::collationStamp());
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)), "ok");
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
}

TEST(CollationTest, OpeningAFileWithoutTextIndexesWritesNothingIntoIt)
{
    CatalogFixture f;
    for (const QByteArray& content : {QByteArray(), QByteArray("not a database at all")}) {
        {
            QFile file(f.databasePath());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(content);
        }
        try {
            jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false,
                                                           QStringLiteral(";uid=brevlin;pwd=mossgravel"));
            db.Close();
        } catch (const jet::Error&) {
        }
        QFile file(f.databasePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), content);
    }
}

} // namespace

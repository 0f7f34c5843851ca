#include "support/CatalogFixture.h"

#include <gtest/gtest.h>

namespace {

using testenv::CatalogFixture;

// A pattern of asterisks only matches every value but Null without reading it;
// Null stays Null under Not, and any other pattern still goes through the matcher.
TEST(PatternTest, AsterisksOnlyMatchEveryValueButNull)
{
    CatalogFixture f;
    f.addArtist("Miles");
    f.addArtist("");
    f.addRecord("Björk", "*");
    f.addRecord("Björk", "Debut");
    f.exec("Insert into records ([Artist], [Record_Name]) Values (Null, 'x')");
    struct Case {
        const char* where;
        int rows;
    };
    const Case cases[] = {
        {"[Artist] Like '*'", 4},
        {"[Artist] Like '***'", 4},
        {"[Artist] Like \"**\"", 4},
        {"([Artist] Like '*') and IsNull([Record_Name])", 2},
        {"[Artist] Like '*' and Not IsNull([Record_Name])", 2},
        {"[Record_Name] Like '*' or [Artist] = 'Miles'", 4},
        {"[Artist] Not Like '*'", 0},
        {"Not [Artist] Like '*'", 0},
        {"[Artist] Like '*' & 'k'", 2},
        {"[Artist] Like '*k'", 2},
        {"[Artist] Like [Record_Name]", 1}, // the pattern "*" read from a row
        {"[Quantity] Like '*'", 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.count(QStringLiteral("select * from records where ") + QString::fromUtf8(c.where)), c.rows) << c.where;
}

} // namespace

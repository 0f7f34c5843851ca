#include "support/CatalogFixture.h"

#include "jet/Engine.h"
#include "vb/Twips.h"
#include "vb/VbTypes.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using testenv::CatalogFixture;
using testenv::errorOf;

const QString kConnect = QStringLiteral(";uid=brevlin;pwd=mossgravel");

// Writes straight into the file, as another program or a damaged page could.
void storeRaw(const CatalogFixture& f, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(f.databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close_v2(db);
}

TEST(StoredValuesTest, ValuesTheirTypeCannotHoldReadAsMissing)
{
    struct Case {
        const char* assignment;
        const char* column;
    };
    const Case cases[] = {
        {"Record_Date = 1e300", "Record_Date"},
        {"Record_Date = -1e300", "Record_Date"},
        {"Record_Date = 9e999", "Record_Date"}, // infinity
        {"Record_Date = 2958466", "Record_Date"}, // the day after 31 December 9999
        {"Record_Date = -657435", "Record_Date"}, // the day before 1 January 100
        {"Record_Date = 'soon'", "Record_Date"},
        {"Book_Value = 1e300", "Book_Value"},
        {"Book_Value = -9e999", "Book_Value"},
        {"Book_Value = 922337203685478", "Book_Value"},
        {"Book_Value = 9223372036854775807", "Book_Value"},
        {"Book_Value = 'much'", "Book_Value"},
        {"Quantity = 3000000000", "Quantity"},
        {"Quantity = 1e300", "Quantity"},
        {"Quantity = 'some'", "Quantity"},
    };
    for (const Case& c : cases) {
        CatalogFixture f;
        f.addRecord("Miles", "Kind of Blue");
        storeRaw(f, (std::string("UPDATE records SET ") + c.assignment).c_str());
        jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false, kConnect);
        jet::Recordset rs = db.OpenRecordset("select * from records where not IsNull([Record_Name])");
        const jet::Field field = rs.Fields(QString::fromLatin1(c.column));
        EXPECT_TRUE(field.IsNull()) << c.assignment;
        EXPECT_EQ(field.Date(), std::nullopt) << c.assignment;
        EXPECT_EQ(field.Currency(), std::nullopt) << c.assignment;
        EXPECT_EQ(field.Long(), std::nullopt) << c.assignment;
        EXPECT_EQ(field.Text(), std::nullopt) << c.assignment;
        // The other cells of the row keep their values.
        EXPECT_EQ(rs.Fields("Record_Name").Text(), QString("Kind of Blue"));
        db.Close();
        jet::DBEngine::Workspaces()(0).Close();
    }
}

TEST(StoredValuesTest, EndsOfEachRangeReadBackExactly)
{
    CatalogFixture f;
    f.addRecord("Miles", "First", "01/01/0100", "-922337203685477", -2147483647 - 1);
    f.addRecord("Miles", "Last", "12/31/9999 23:59:59", "922337203685477", 2147483647);
    const QStringList rows = f.rows("select [Record_Date], [Book_Value], [Quantity] from records "
                                    "where not IsNull([Record_Name]) order by [Record_Name]");
    EXPECT_EQ(rows, (QStringList{"01/01/0100|-922337203685477|-2147483648",
                                 "12/31/9999 23:59:59|922337203685477|2147483647"}));
}

TEST(StoredValuesTest, StatementsRefuseValuesBeyondTheRange)
{
    CatalogFixture f;
    f.addRecord("Miles", "Kind of Blue");
    const auto run = [&](const QString& sql) {
        jet::Database db = jet::DBEngine::OpenDatabase(f.databasePath(), false, false, kConnect);
        db.Execute(sql);
    };
    EXPECT_EQ(errorOf([&] { run("Update records Set [Record_Date] = 1e300"); }), jet::err::NumericOverflow);
    EXPECT_EQ(errorOf([&] { run("Update records Set [Record_Date] = '1/1/050'"); }), jet::err::NumericOverflow);
    EXPECT_EQ(errorOf([&] { run("Update records Set [Book_Value] = 1e300"); }), jet::err::NumericOverflow);
    EXPECT_EQ(errorOf([&] { run("Update records Set [Book_Value] = 922337203685478"); }), jet::err::NumericOverflow);
    EXPECT_EQ(errorOf([&] { run("Update records Set [Book_Value] = '922337203685477.5808'"); }),
              jet::err::TypeMismatch);
    EXPECT_EQ(f.rows("select [Record_Date], [Book_Value] from records"), (QStringList{"01/02/1990|1"}));
}

TEST(StoredValuesTest, ConversionsOutsideTheRangeGiveNoValue)
{
    const double huge[] = {1e300, -1e300, std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(), vb::kEndOfLastDate, vb::kFirstDate - 1};
    for (const double v : huge) {
        EXPECT_FALSE(vb::dateToQDate(v).isValid()) << v;
        EXPECT_FALSE(vb::dateToQDateTime(v).isValid()) << v;
    }
    EXPECT_EQ(vb::dateToQDate(vb::kFirstDate), QDate(100, 1, 1));
    EXPECT_EQ(vb::dateToQDate(vb::kEndOfLastDate - 1e-6), QDate(9999, 12, 31));

    EXPECT_EQ(vb::currencyFromDouble(1e300), std::nullopt);
    EXPECT_EQ(vb::currencyFromDouble(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(vb::currencyFromDouble(922337203685477.6), std::nullopt);
    EXPECT_EQ(vb::currencyFromDouble(1.03125), 10313); // half a ten-thousandth, away from zero
    EXPECT_EQ(vb::currencyFromDouble(-1.03125), -10313);
    EXPECT_EQ(vb::currencyFromStatementText("922337203685477.5807"), INT64_MAX);
    EXPECT_EQ(vb::currencyFromStatementText("-922337203685477.5808"), INT64_MIN);
    EXPECT_EQ(vb::currencyFromStatementText("922337203685477.5808"), std::nullopt);
    EXPECT_EQ(vb::currencyFromStatementText("922337203685477.99999"), std::nullopt);

    EXPECT_EQ(vb::twipsToPixelsX(1e300), INT32_MAX);
    EXPECT_EQ(vb::twipsToPixelsY(-1e300), INT32_MIN);
    EXPECT_EQ(vb::twipsToPixelsX(std::numeric_limits<double>::quiet_NaN()), 0);
}

} // namespace

#include "catalog/ValueParse.h"
#include "support/QtPrint.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

namespace {

class LocaleGuard {
public:
    explicit LocaleGuard(const char* name) { QLocale::setDefault(QLocale(QString::fromLatin1(name))); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

struct NumberCase {
    const char* locale;
    QString text;
    std::optional<vb::Currency> bookValue; // ten-thousandths
    std::optional<std::int32_t> quantity;
};

TEST(ValueParseTest, NumbersAcceptPlainDecimalsOnlyAndRoundHalvesToEven)
{
    const std::optional<vb::Currency> none;
    const std::optional<std::int32_t> noQ;
    const std::vector<NumberCase> cases = {
        {"en_US", "1.5", 15000, 2},
        {"en_US", "1,5", none, noQ},
        {"de_DE", "1,5", 15000, 2},
        {"de_DE", "1.5", none, noQ}, // "." groups digits there
        {"fr_FR", "1.5", 15000, 2},  // "." groups nothing there
        {"en_US", "-1.5", -15000, -2},
        {"en_US", "+2", 20000, 2},
        {"sv_SE", "\u22122,5", -25000, -2}, // the locale's own minus sign
        {"en_US", ".5", 5000, 0},
        {"en_US", "5.", 50000, 5},
        {"en_US", "007", 70000, 7},
        {"en_US", "2.5", 25000, 2},
        {"en_US", "3.5", 35000, 4},
        {"en_US", "-2.5", -25000, -2},
        {"en_US", "2.51", 25100, 3},
        {"en_US", "0.00005", 0, 0},
        {"en_US", "0.00015", 2, 0},
        {"en_US", "0.000051", 1, 0},
        {"en_US", "1e3", none, noQ},
        {"en_US", "1,000", none, noQ},
        {"en_US", "1 000", none, noQ},
        {"en_US", "$1", none, noQ},
        {"en_US", "(1)", none, noQ},
        {"en_US", "1-", none, noQ},
        {"en_US", "--1", none, noQ},
        {"en_US", "1.2.3", none, noQ},
        {"en_US", "nan", none, noQ},
        {"en_US", "inf", none, noQ},
        {"en_US", "", none, noQ},
        {"en_US", "-", none, noQ},
        {"en_US", ".", none, noQ},
        {"en_US", " 1", none, noQ},
        {"en_US", "2147483647", 21474836470000, 2147483647},
        {"en_US", "2147483648", 21474836480000, noQ},
        {"en_US", "-2147483648", -21474836480000, -2147483647 - 1},
        {"en_US", "2147483646.5", 21474836465000, 2147483646},
        {"en_US", "2147483647.5", 21474836475000, noQ},
        {"en_US", "922337203685477.5807", 9223372036854775807LL, noQ},
        {"en_US", "922337203685477.5808", none, noQ},
        {"en_US", "922337203685477.58075", none, noQ},
        {"en_US", "-922337203685477.5808", -9223372036854775807LL - 1, noQ},
        {"en_US", "99999999999999999999999", none, noQ},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " [" + c.text.toStdString() + "]");
        LocaleGuard locale(c.locale);
        EXPECT_EQ(ParseBookValue(c.text), c.bookValue);
        EXPECT_EQ(ParseQuantity(c.text), c.quantity);
    }
}

TEST(ValueParseTest, DatesReadMonthDayYearAsShownAndNameARealDay)
{
    const LocaleGuard locale("en_GB"); // day first in the locale: never used
    const std::vector<std::pair<QString, QDate>> cases = {
        {"12/03/2020", QDate(2020, 12, 3)},
        {"02/29/2020", QDate(2020, 2, 29)},
        {"01/01/0100", QDate(100, 1, 1)},
        {"12/31/9999", QDate(9999, 12, 31)},
        {"02/29/2021", {}},
        {"02/30/2021", {}},
        {"13/01/2020", {}},
        {"00/10/2020", {}},
        {"10/00/2020", {}},
        {"01/01/0099", {}},
        {"12/3_/2020", {}},
        {"__/__/____", {}},
        {"", {}},
        {"1/3/2020", {}},
        {"12-03-2020", {}},
        {"12/03/2020 ", {}},
    };
    for (const auto& [text, date] : cases) {
        SCOPED_TRACE(text.toStdString());
        const std::optional<vb::Date> parsed = ParseRecordDate(text);
        if (date.isValid()) {
            ASSERT_TRUE(parsed.has_value());
            EXPECT_EQ(vb::dateToQDate(*parsed), date);
        } else {
            EXPECT_FALSE(parsed.has_value());
        }
    }
}

TEST(ValueParseTest, FieldTextsReadBackToTheSameValuesUnderEveryLocale)
{
    const std::vector<vb::Currency> values = {0, 10000, -5000, 12345678, 9999999999, -9223372036854775807LL - 1,
                                              9223372036854775807LL};
    const std::vector<std::int32_t> quantities = {0, 7, -3, 2147483647, -2147483647 - 1};
    const std::vector<QDate> dates = {QDate(1990, 1, 2), QDate(100, 12, 31), QDate(9999, 2, 28)};
    for (const char* name : {"en_US", "de_DE", "en_GB", "fr_FR", "sv_SE", "de_CH", "ar_EG"}) {
        SCOPED_TRACE(name);
        const LocaleGuard locale(name);
        for (const vb::Currency v : values) {
            const QString text = BookValueField(v);
            EXPECT_EQ(ParseBookValue(text), v) << text.toStdString();
        }
        for (const std::int32_t q : quantities) {
            const QString text = QuantityField(q);
            EXPECT_EQ(ParseQuantity(text), q) << text.toStdString();
        }
        for (const QDate& d : dates)
            EXPECT_EQ(ParseRecordDate(RecordDateField(vb::dateFromQDate(d))), vb::dateFromQDate(d));
        EXPECT_EQ(BookValueField(std::nullopt), "");
        EXPECT_EQ(QuantityField(std::nullopt), "");
        EXPECT_EQ(RecordDateField(std::nullopt), "");
    }
    const LocaleGuard locale("de_DE");
    EXPECT_EQ(BookValueField(12345678), "1234,5678");
    EXPECT_EQ(RecordDateField(vb::dateFromQDate(QDate(2005, 3, 4))), "03/04/2005");
}

} // namespace

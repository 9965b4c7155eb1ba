#include "Books.h"

#include "core/Conversions.h"
#include "support/ScopedEnvironment.h"

#include <QFile>
#include <QJsonDocument>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

using standin::Books;

namespace {

Books fromText(const char* json)
{
    return Books::fromJson(QJsonDocument::fromJson(json).object());
}

QString demoPath()
{
    return QStringLiteral(FVT_SOURCE_DIR "/demo/books.json");
}

QString expand(QString t, int employee)
{
    return t.replace(u'&', QString::number(employee));
}

// The default templates of the income rows that carry any (rows 4 to 8 are empty).
struct Row
{
    QString income, tax, benefit;
};
const Row kRows[] = {
    {QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\КО70.01:&-ОБ87.01,70.01:&\\0)"),
     QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\ОБ70.01:&,68.01\\0)"),
     QStringLiteral("СН1:&.102")},
    {QStringLiteral("?((СН1:&.35=2) ИЛИ (СН1:&.35=3)\\КО70.01:&\\0)"),
     QStringLiteral("?((СН1:&.35=2) ИЛИ (СН1:&.35=3)\\ОБ70.01:&,68.01\\0)"), QString()},
    {QStringLiteral("ОБ87.01,70.01:&"), QString(), QString()},
};

// The ten-digit taxpayer number: the last digit checks the first nine.
bool validTaxpayerNumber(const QString& tin)
{
    if (tin.size() != 10)
        return false;
    static const int weights[9] = {-1, 5, 7, 9, 4, 6, 10, 5, 7};
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        if (!tin[i].isDigit())
            return false;
        if (i < 9)
            sum += weights[i] * tin[i].digitValue();
    }
    return ((sum % 11 + 11) % 11) % 10 == tin[9].digitValue();
}

class BooksTest : public ::testing::Test
{
protected:
    testsupport::DefaultLocale m_locale{QLocale::c()};
};

} // namespace

TEST_F(BooksTest, LiteralItemsComeFirst)
{
    const Books books = fromText(R"({
      "items": {"СН1:1.52": "1111111111", "особливе": "так", "число": 12.5, "ні": null},
      "employees": [{"number": 1, "attributes": {"52": "2222222222"}}]
    })");
    EXPECT_EQ(books.answer("СН1:1.52"), "1111111111");
    EXPECT_EQ(books.answer("особливе"), "так");
    EXPECT_EQ(books.answer("число"), "12.50");
    EXPECT_EQ(books.answer("ні"), std::nullopt);
    // Only the exact item is literal; anything else is evaluated from the books.
    EXPECT_EQ(books.answer("СН1:1.52 "), "2222222222");
    EXPECT_EQ(books.answer("СН 1:1.52"), "2222222222");
    EXPECT_EQ(books.answer("РДАТА"), "01102008   ");
    EXPECT_EQ(fromText(R"({"date": "2008-12-31"})").answer("РДАТА"), "31122008   ");
    EXPECT_EQ(fromText(R"({"date": "3112200801 "})").answer("РДАТА"), "3112200801 ");
}

TEST_F(BooksTest, BadBooksAreReportedNotGuessed)
{
    const char* bad[] = {
        R"({"employees": {}})",
        R"({"employees": [{"name": "без номера"}]})",
        R"({"employees": [{"number": 1.5}]})",
        R"({"employees": [{"number": 1}, {"number": 1}]})",
        R"({"employees": [{"number": 1, "attributes": {"x": 1}}]})",
        R"({"employees": [{"number": 1, "attributes": {"52": [1]}}]})",
        R"({"postings": [{"debit": "91", "credit": "70.01", "amount": "100"}]})",
        R"({"postings": [{"debit": "91", "credit": "70.01", "amount": 100.005}]})",
        R"({"postings": [{"debit": "91", "amount": 100}]})",
        R"({"postings": [{"debit": "91", "credit": "70.01", "employee": 3, "amount": 1}]})",
        R"({"employees": [{"number": 3}],
            "postings": [{"debit": "91", "credit": "68.01", "employee": 3, "amount": 1}]})",
        R"({"postings": [{"date": "31.07.2008", "debit": "91", "credit": "70", "amount": 1}]})",
        R"({"items": {"a": [1]}})",
        R"({"date": 20080930})",
    };
    for (const char* json : bad)
        EXPECT_THROW(fromText(json), std::runtime_error) << json;

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_THROW(Books::load(dir.filePath("none.json")), std::runtime_error);
    QFile broken(dir.filePath("broken.json"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\"employees\": [");
    broken.close();
    try {
        Books::load(broken.fileName());
        FAIL() << "a broken file loaded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("broken.json"), std::string::npos) << e.what();
    }
}

TEST_F(BooksTest, EmployeeAccountsCarryTheEmployee)
{
    const Books books = fromText(R"({
      "employeeAccounts": ["66"],
      "employees": [{"number": 2}],
      "postings": [{"debit": "23", "credit": "66.1", "employee": 2, "amount": 10.01},
                   {"debit": "66.1", "credit": "64.1", "employee": 2, "amount": 1.5}]
    })");
    EXPECT_EQ(books.answer("КО66:2"), "10.01");
    EXPECT_EQ(books.answer("ОБ66.1:2,64.1"), "1.50");
    EXPECT_EQ(books.answer("ОБ66.1,64.1:2"), "0.00");
}

// Every default template for every demo employee, converted as the generation run converts
// the answers, gives the records a bookkeeper would expect of this small firm.
TEST_F(BooksTest, DemoBooksMakeAPlausibleReturn)
{
    const Books books = Books::load(demoPath());
    for (const char* locale : {"uk_UA", "C"}) {
        SCOPED_TRACE(locale);
        const testsupport::DefaultLocale desktop(QLocale(QString::fromLatin1(locale)));
        const QDate quarterStart(2008, 7, 1);
        const QDate quarterEnd(2008, 9, 30);
        EXPECT_EQ(core::dateFromAnswer(*books.answer("РДАТА")), quarterEnd);

        int records[4] = {0, 0, 0, 0};
        int types[5] = {0, 0, 0, 0, 0};
        int hiredInQuarter = 0;
        int dismissedInQuarter = 0;
        int withoutRecord = 0;
        double incomeTotal = 0;
        for (int n = 1; n <= 15; ++n) {
            SCOPED_TRACE(n);
            const auto tin = books.answer(expand("СН1:&.52", n));
            ASSERT_TRUE(tin);
            EXPECT_TRUE(validTaxpayerNumber(*tin)) << tin->toStdString();
            const int type = core::toInt(*books.answer(expand("СН 1:&.35", n)));
            ASSERT_GE(type, 1);
            ASSERT_LE(type, 4);
            ++types[type];

            int written = 0;
            for (int row = 1; row <= 3; ++row) {
                const Row& r = kRows[row - 1];
                const auto income = books.answer(expand(r.income, n));
                ASSERT_TRUE(income) << row;
                const double s = core::toFloat(*income);
                const double tax =
                    r.tax.isEmpty() ? 0 : core::toFloat(*books.answer(expand(r.tax, n)));
                EXPECT_GE(s, 0) << row;
                EXPECT_GE(tax, 0) << row;
                EXPECT_LT(tax, 0.2 * s + 0.005) << row; // a plausible withholding rate
                const bool rowOfType = row == 1   ? (type == 1 || type == 4)
                                       : row == 2 ? (type == 2 || type == 3)
                                                  : true;
                if (!rowOfType) {
                    EXPECT_EQ(s, 0) << row;
                }
                if (s == 0 && tax == 0)
                    continue;
                ++written;
                ++records[row];
                incomeTotal += s;
                EXPECT_EQ(s, std::round(s * 100) / 100) << row;

                // The dates and the benefit code are asked for every written row.
                const auto hired = books.answer(expand("СН1:&.100", n));
                const auto dismissed = books.answer(expand("СН1:&.101", n));
                ASSERT_TRUE(hired && dismissed);
                const QDate from = core::dateFromAnswer(*hired);
                ASSERT_TRUE(from.isValid()) << hired->toStdString();
                EXPECT_LE(from, quarterEnd);
                if (!dismissed->isEmpty()) {
                    const QDate to = core::dateFromAnswer(*dismissed);
                    ASSERT_TRUE(to.isValid());
                    EXPECT_GE(to, quarterStart);
                    EXPECT_GE(to, from);
                }
                if (!r.benefit.isEmpty()) {
                    EXPECT_GE(core::toInt(*books.answer(expand(r.benefit, n))), 0);
                }
                if (row == 1) {
                    hiredInQuarter += from >= quarterStart;
                    dismissedInQuarter += !dismissed->isEmpty();
                }
            }
            if (type == 1 || type == 4 || type == 2 || type == 3)
                withoutRecord += written == 0;
        }
        EXPECT_GE(records[1], 8);
        EXPECT_GE(records[2], 2);
        EXPECT_GE(records[3], 1);
        for (int type = 1; type <= 4; ++type)
            EXPECT_GE(types[type], 1) << "type " << type;
        EXPECT_GE(hiredInQuarter, 1);
        EXPECT_GE(dismissedInQuarter, 1);
        EXPECT_EQ(withoutRecord, 1);
        // The rows split the accrued salary without counting any of it twice.
        EXPECT_NEAR(incomeTotal, core::toFloat(*books.answer("КО70.01")), 0.005);

        // Beyond the default employee range there is nobody: the run skips the number.
        EXPECT_EQ(books.answer("СН1:16.52"), std::nullopt);
        EXPECT_EQ(books.answer("СН1:0.52"), std::nullopt);
    }
}

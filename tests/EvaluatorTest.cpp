#include "Evaluator.h"
#include "Books.h"
#include "support/ScopedEnvironment.h"

#include <QJsonDocument>
#include <QLocale>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using standin::Books;
using standin::Evaluator;

namespace {

// Employee 7 is of type 1 with a bonus out of profit, 8 of type 4, 9 of type 2; 10 has no
// postings at all.
const char* kBooks = R"({
  "date": "2008-09-30",
  "employees": [
    {"number": 7, "attributes": {"52": "2912345678", "35": 1, "100": "2008-08-04", "101": "",
                                 "102": 2, "200": "0012", "201": 1234.5}},
    {"number": 8, "attributes": {"52": "3012345679", "35": 4}},
    {"number": 9, "attributes": {"52": "2812345670", "35": 2}},
    {"number": 10, "attributes": {"35": 3}}
  ],
  "postings": [
    {"debit": "91", "credit": "70.01", "employee": 7, "amount": 1000.10},
    {"debit": "91", "credit": "70.01", "employee": 7, "amount": 0.20},
    {"debit": "87.01", "credit": "70.01", "employee": 7, "amount": 300.00},
    {"debit": "70.01", "credit": "68.01", "employee": 7, "amount": 145.55},
    {"debit": "70.01", "credit": "65.01", "employee": 7, "amount": 36.01},
    {"debit": "91", "credit": "70.01", "employee": 8, "amount": 500.00},
    {"debit": "87.01", "credit": "70.01", "employee": 8, "amount": 50.00},
    {"debit": "70.01", "credit": "68.01", "employee": 8, "amount": 72.30},
    {"debit": "92", "credit": "70.01", "employee": 9, "amount": 2500.00},
    {"debit": "70.01", "credit": "68.01", "employee": 9, "amount": 367.50},
    {"debit": "92", "credit": "65.01", "amount": 999.99}
  ]
})";

class EvaluatorTest : public ::testing::Test
{
protected:
    testsupport::DefaultLocale m_locale{QLocale::c()};

    std::optional<QString> eval(const QString& expression) const
    {
        return Evaluator(m_books).answer(expression);
    }

    Books m_books = Books::fromJson(QJsonDocument::fromJson(kBooks).object());
};

const QString kRow1 =
    QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\КО70.01:&-ОБ87.01,70.01:&\\0)");
const QString kRow2 = QStringLiteral("?((СН1:&.35=2) ИЛИ (СН1:&.35=3)\\КО70.01:&\\0)");
const QString kTax1 = QStringLiteral("?((СН1:&.35=1) ИЛИ (СН1:&.35=4)\\ОБ70.01:&,68.01\\0)");

QString expand(QString t, int employee)
{
    return t.replace(u'&', QString::number(employee));
}

} // namespace

TEST_F(EvaluatorTest, AttributesAnswerByTheirKind)
{
    EXPECT_EQ(eval("СН1:7.52"), "2912345678");
    EXPECT_EQ(eval("СН1:7.35"), "1");
    EXPECT_EQ(eval("СН 1:7.35"), "1");
    EXPECT_EQ(eval("СН1:7.102"), "2");
    EXPECT_EQ(eval("СН1:7.200"), "0012"); // text is answered as stored
    EXPECT_EQ(eval("СН1:7.201"), "1234.50");
    EXPECT_EQ(eval("СН1:7.100"), "04082008   ");
    EXPECT_EQ(eval("СН1:7.101"), ""); // an empty dismissal date is no date
    EXPECT_EQ(eval("РДАТА"), "30092008   ");
}

TEST_F(EvaluatorTest, UnknownReferencesAreRefused)
{
    EXPECT_EQ(eval("СН1:11.52"), std::nullopt); // no such employee
    EXPECT_EQ(eval("СН1:-1.52"), std::nullopt);
    EXPECT_EQ(eval("СН1:7.53"), std::nullopt); // no such attribute
    EXPECT_EQ(eval("СН2:7.52"), std::nullopt); // no such catalogue
    EXPECT_EQ(eval("КО70.01:11"), std::nullopt);
    EXPECT_EQ(eval("ОБ87.01,70.01:11"), std::nullopt);
    EXPECT_EQ(eval("ОБ70.01:11,68.01"), std::nullopt);
    EXPECT_EQ(eval("CH1:7.52"), std::nullopt); // Latin letters are not the prefix
    EXPECT_EQ(eval("ЩОСЬ"), std::nullopt);
}

TEST_F(EvaluatorTest, TurnoversCountOnlyTheirAccountsAndEmployee)
{
    EXPECT_EQ(eval("КО70.01:7"), "1300.30"); // kopecks add up exactly
    EXPECT_EQ(eval("ОБ87.01,70.01:7"), "300.00");
    EXPECT_EQ(eval("ОБ70.01:7,68.01"), "145.55"); // not the 65.01 withholding
    EXPECT_EQ(eval("ДО70.01:7"), "181.56");
    EXPECT_EQ(eval("КО70:7"), "1300.30"); // a parent account takes in its sub-accounts
    EXPECT_EQ(eval("КО70.0:7"), "0.00");  // but a prefix of a code is no parent
    EXPECT_EQ(eval("КО70.01"), "4350.30");
    EXPECT_EQ(eval("КО65.01"), "1036.00"); // postings without an employee count too
    EXPECT_EQ(eval("КО70.01:10"), "0.00"); // known employee, no postings
    // The employee is the object of the 70.01 side only.
    EXPECT_EQ(eval("ОБ87.01:7,70.01"), "0.00");
}

TEST_F(EvaluatorTest, DefaultRowTemplatesFollowTheType)
{
    EXPECT_EQ(eval(expand(kRow1, 7)), "1000.30");
    EXPECT_EQ(eval(expand(kRow1, 8)), "500.00"); // type 4 is row 1 too
    EXPECT_EQ(eval(expand(kRow1, 9)), "0");
    EXPECT_EQ(eval(expand(kRow2, 7)), "0");
    EXPECT_EQ(eval(expand(kRow2, 9)), "2500.00");
    EXPECT_EQ(eval(expand(kRow2, 10)), "0.00"); // type 3, nothing accrued
    EXPECT_EQ(eval(expand(kTax1, 8)), "72.30");
    EXPECT_EQ(eval(expand(kRow1, 11)), std::nullopt);
}

TEST_F(EvaluatorTest, Precedence)
{
    // "-" binds tighter than "=", "=" tighter than "И", "И" tighter than "ИЛИ".
    EXPECT_EQ(eval("СН1:7.35=3-2"), "1");
    EXPECT_EQ(eval("3-2=1"), "1");
    EXPECT_EQ(eval("10-3-2"), "5"); // left to right
    EXPECT_EQ(eval("2+3*4"), "14");
    EXPECT_EQ(eval("1=1 ИЛИ 1=2 И 1=2"), "1");
    EXPECT_EQ(eval("(1=1 ИЛИ 1=2) И 1=2"), "0");
    EXPECT_EQ(eval("НЕ 1=2"), "1");
    EXPECT_EQ(eval("-КО70.01:7+1300.30"), "0.00");
    EXPECT_EQ(eval("1-1.50"), "-0.50");
    EXPECT_EQ(eval("2.5-2.5"), "0.00"); // never "-0.00"
    EXPECT_EQ(eval("7/2"), "3.50");
    EXPECT_EQ(eval("1 и 0 или 1"), "1"); // keywords in either case
}

TEST_F(EvaluatorTest, ConditionalsAndComparisons)
{
    EXPECT_EQ(eval("?(1\\?(0\\1\\2)\\3)"), "2");
    EXPECT_EQ(eval("?(0\\1\\?(СН1:9.35=2\\?(1=1\\4\\5)\\6))"), "4");
    // Only the chosen branch is evaluated; the other must still be well-formed.
    EXPECT_EQ(eval("?(1\\5\\СН1:99.35)"), "5");
    EXPECT_EQ(eval("?(0\\СН1:99.35\\5)"), "5");
    EXPECT_EQ(eval("?(1\\5\\СН1:99)"), std::nullopt);
    EXPECT_EQ(eval("1 ИЛИ СН1:99.35"), "1"); // short-circuit
    EXPECT_EQ(eval("0 ИЛИ СН1:99.35"), std::nullopt);
    EXPECT_EQ(eval("СН1:7.52=\"2912345678\""), "1");
    EXPECT_EQ(eval("СН1:7.52=2912345678"), "1");
    EXPECT_EQ(eval("СН1:7.200=12"), "1"); // a text of digits compares as a number
    EXPECT_EQ(eval("\"a\"=\"A\""), "0");
    EXPECT_EQ(eval("\"ab\"\"c\"=\"ab\"\"c\""), "1");
    EXPECT_EQ(eval("СН1:7.100=СН1:7.100"), "1");
    EXPECT_EQ(eval("СН1:7.100>РДАТА"), "0");
    EXPECT_EQ(eval("0.1+0.2=0.3"), "1");
    EXPECT_EQ(eval("2<=2"), "1");
    EXPECT_EQ(eval("?(СН1:7.101\\1\\2)"), "2"); // an empty text is false
}

TEST_F(EvaluatorTest, MalformedExpressionsAreRefused)
{
    const char* malformed[] = {
        "",
        " ",
        "(1",
        "1)",
        "1=",
        "=1",
        "1==1",
        "1=1=1",
        "1 2",
        "?(1\\2)",
        "?(1\\2\\3",
        "?1\\2\\3)",
        "?(\\\\)",
        "СН1:7",
        "СН1:7.",
        "СН1.7.52",
        "СН:7.52",
        "КО",
        "КО:7",
        "ОБ87.01:7",
        "ОБ87.01,",
        "КО70.:7",
        "КО70.01:",
        "ИЛИ 1",
        "1 ИЛИ",
        "НЕ",
        "\"abc",
        "1/0",
        "\"a\"+1",
        "СН1:7.100-1",
        "-\"a\"",
        "1.",
        ".5",
        "1,5",
        "СН1:7.52 x",
        "++",
        "СН1:9999999999.52",
        "1 ИЛИЛИ 1",
        "()",
    };
    for (const char* e : malformed)
        EXPECT_EQ(eval(QString::fromUtf8(e)), std::nullopt) << e;
}

TEST_F(EvaluatorTest, LengthAndDepthAreBounded)
{
    const auto nested = [](int depth) {
        return QString(depth, u'(') + u'1' + QString(depth, u')');
    };
    EXPECT_EQ(eval(nested(20)), "1");
    EXPECT_EQ(eval(nested(Evaluator::kMaxDepth - 1)), "1");
    EXPECT_EQ(eval(nested(Evaluator::kMaxDepth)), std::nullopt);
    EXPECT_EQ(eval(nested(120)), std::nullopt);
    EXPECT_EQ(eval(QString(200, u'-') + u'1'), std::nullopt);
    QString nots;
    for (int i = 0; i < 80; ++i)
        nots += QStringLiteral("НЕ ");
    EXPECT_EQ(eval(nots + u'1'), std::nullopt);
    EXPECT_EQ(eval(QStringLiteral("?(").repeated(60) + u'1'), std::nullopt);

    // A long but flat expression is fine up to the length of a DDE item name.
    QString sum = QStringLiteral("1");
    while (sum.size() + 2 <= Evaluator::kMaxLength)
        sum += QStringLiteral("+1");
    EXPECT_EQ(eval(sum), QString::number(sum.size() / 2 + 1));
    EXPECT_EQ(eval(sum + QStringLiteral("+1")), std::nullopt);
    EXPECT_EQ(eval(QString(100000, u'(')), std::nullopt);
}

TEST_F(EvaluatorTest, NumbersCarryTheLocaleDecimalSeparator)
{
    {
        const testsupport::DefaultLocale uk(QLocale(QStringLiteral("uk_UA")));
        EXPECT_EQ(eval("КО70.01:7"), "1300,30");
        EXPECT_EQ(eval("0-КО70.01:7"), "-1300,30");
        EXPECT_EQ(eval("1234567.891"), "1234567,89"); // no group separators
        EXPECT_EQ(eval("СН1:7.35"), "1");
        EXPECT_EQ(eval("СН1:7.100"), "04082008   ");
    }
    EXPECT_EQ(eval("КО70.01:7"), "1300.30");
    EXPECT_EQ(eval("1234567.891"), "1234567.89");
}

// Random token soup: whatever arrives, the evaluator answers or refuses, promptly.
TEST_F(EvaluatorTest, RandomInputNeverCrashes)
{
    const QStringList tokens = {
        "СН",    "1",  ":",     "7",  ".", "52", "35", "?",          "(",     ")",  "\\", "ИЛИ",
        "И",     "НЕ", "=",     "-",  "+", "*",  "/",  "<",          ">",     "КО", "ОБ", "ДО",
        "70.01", ",",  "68.01", "\"", " ", "&",  "0",  "9999999999", "РДАТА", "\t", "é"};
    QRandomGenerator random(4);
    int answered = 0;
    for (int i = 0; i < 10000; ++i) {
        QString e;
        const int n = int(random.bounded(1, 40));
        for (int k = 0; k < n; ++k)
            e += tokens[int(random.bounded(tokens.size()))];
        if (eval(e))
            ++answered;
    }
    EXPECT_GT(answered, 0);
}

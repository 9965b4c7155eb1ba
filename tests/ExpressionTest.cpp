#include "bands/Expression.h"
#include "bands/Value.h"
#include "core/Error.h"
#include "support/ScopedEnvironment.h"

#include <QHash>
#include <QLocale>

#include <gtest/gtest.h>

namespace {

using bands::Expression;
using bands::Value;

class Record final : public bands::ExpressionContext
{
public:
    Value field(const QString& table, const QString& name) const override
    {
        if (table != QLatin1String("Table1") || !fields.contains(name))
            throw core::Error(QStringLiteral("no field ") + name);
        return fields.value(name);
    }
    std::int64_t count() const override { return counter; }
    int pageNumber() const override { return page; }

    QHash<QString, Value> fields;
    std::int64_t counter = 0;
    int page = 1;
};

Record record(double np, std::int64_t count)
{
    Record r;
    r.fields.insert("NP", Value::fromFloat(np));
    r.fields.insert("TIN", Value::fromText("2238234710"));
    r.fields.insert("S_DOX", Value::fromFloat(1250.5));
    r.fields.insert("S_TAX", Value::fromFloat(1250.0));
    r.fields.insert("OZN_DOX", Value::fromInteger(0));
    r.counter = count;
    r.page = 4;
    return r;
}

struct Case
{
    const char* expression;
    double np;
    std::int64_t count;
    const char* uk; // printed under uk_UA
    const char* c;  // printed under the C locale
};

// The form's own expressions, as written in its definition, and the operations they use.
const Case cases[] = {
    {"IF(Table1.NP >= 99991, ' X ', COUNT)", 12, 7, "7", "7"},
    {"IF(Table1.NP >= 99991, ' X ', COUNT)", 99991, 7, " X ", " X "},
    {"IF(Table1.NP >= 99991, ' X', Table1.TIN)", 99990, 1, "2238234710", "2238234710"},
    {"IF(Table1.NP >= 99991, ' X', Table1.TIN)", 99999, 1, " X", " X"},
    {"IF((Table1.NP = 99991) or (Table1.NP = 99992), 'X', Table1.S_DOX)", 99992, 1, "X", "X"},
    {"IF((Table1.NP = 99991) or (Table1.NP = 99992), 'X', Table1.S_DOX)", 99991, 1, "X", "X"},
    {"IF((Table1.NP = 99991) or (Table1.NP = 99992), 'X', Table1.S_DOX)", 99999, 1, "1250,5",
     "1250.5"},
    {"IF((Table1.NP = 99991) or (Table1.NP = 99992), 'X', Table1.S_TAX)", 5, 1, "1250", "1250"},
    {"IF(Table1.NP >= 99991, 'X ', Table1.OZN_DOX)", 5, 1, "0", "0"},
    {"COUNT-3", 0, 3, "0", "0"},
    {"COUNT-3", 0, 1, "-2", "-2"},
    {"PAGENUMBER", 0, 0, "4", "4"},
    {"if(Table1.NP>=99991,'a','b')", 99991, 0, "a", "a"},
};

class ExpressionTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(ExpressionTest, EvaluatesAndPrintsUnderBothSeparators)
{
    const Case& c = GetParam();
    const auto e = Expression::parse(QString::fromLatin1(c.expression));
    const Record r = record(c.np, c.count);
    {
        const testsupport::DefaultLocale uk(QLocale(QLocale::Ukrainian, QLocale::Ukraine));
        EXPECT_EQ(bands::formatValue(e->evaluate(r)), QString::fromUtf8(c.uk)) << c.expression;
    }
    const testsupport::DefaultLocale plain(QLocale::c());
    EXPECT_EQ(bands::formatValue(e->evaluate(r)), QString::fromUtf8(c.c)) << c.expression;
}

INSTANTIATE_TEST_SUITE_P(Form, ExpressionTest, ::testing::ValuesIn(cases));

TEST(ExpressionValueTest, IfKeepsTheTypeOfTheChosenValue)
{
    const Record r = record(1, 9);
    EXPECT_EQ(Expression::parse("IF(1 = 1, COUNT, 'x')")->evaluate(r).kind, Value::Kind::Integer);
    EXPECT_EQ(Expression::parse("IF(1 = 2, COUNT, 'x')")->evaluate(r).kind, Value::Kind::Text);
    EXPECT_EQ(Expression::parse("IF(1 = 1, Table1.S_DOX, 'x')")->evaluate(r).kind,
              Value::Kind::Float);
}

TEST(ExpressionValueTest, FloatsPrintShortWithFifteenDigitsAndNoGrouping)
{
    const QLocale uk(QLocale::Ukrainian, QLocale::Ukraine);
    const struct
    {
        double value;
        const char* printed;
    } floats[] = {{1250.00, "1250"},
                  {0.1 + 0.2, "0,3"},
                  {1234567.891, "1234567,891"},
                  {-12.5, "-12,5"},
                  {0.0, "0"},
                  {-0.0, "0"},
                  {123456789012345.6, "123456789012346"}};
    for (const auto& f : floats)
        EXPECT_EQ(bands::formatValue(Value::fromFloat(f.value), uk), QString::fromLatin1(f.printed))
            << f.value;
    EXPECT_EQ(bands::formatValue(Value::fromInteger(-42), uk), "-42");
}

TEST(ExpressionValueTest, MalformedExpressionsAreRefused)
{
    for (const char* bad : {"IF(Table1.NP", "COUNT -", "'open", "Table1.", "1 2", "NOSUCH", ""})
        EXPECT_THROW(Expression::parse(QString::fromLatin1(bad)), core::Error) << bad;
    EXPECT_THROW(Expression::parse("Table1.NOPE")->evaluate(record(1, 1)), core::Error);
}

} // namespace

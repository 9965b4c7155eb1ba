#include "core/Conversions.h"
#include "core/Error.h"
#include "support/DesktopLocale.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

using namespace core;
using testsupport::DesktopLocale;

namespace {

QString messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

TEST(Conversions, FloatWithPointSeparator)
{
    DesktopLocale scope("C");
    EXPECT_DOUBLE_EQ(toFloat(QStringLiteral(" 1234.50 ")), 1234.5);
    EXPECT_DOUBLE_EQ(toFloat(QStringLiteral("-7")), -7.0);
    EXPECT_DOUBLE_EQ(toFloat(QStringLiteral("+.5")), 0.5);
    EXPECT_DOUBLE_EQ(toFloat(QStringLiteral("1.5E3")), 1500.0);
    EXPECT_DOUBLE_EQ(toFloat(QStringLiteral("2e-2")), 0.02);
    EXPECT_EQ(toFloat(QStringLiteral("-1e-400")), 0.0); // below the smallest double
    EXPECT_EQ(toFloat(QStringLiteral("0.0000")), 0.0);
    EXPECT_EQ(messageOf([] { toFloat(QStringLiteral("")); }),
              QStringLiteral("'' is not a valid floating point value"));
    for (const char* bad : {"1,5", "abc", "1e", "0x10", "inf", "nan", "1 2", ".", "--1", "1e999"})
        EXPECT_EQ(messageOf([&] { toFloat(QString::fromLatin1(bad)); }),
                  QStringLiteral("'%1' is not a valid floating point value").arg(bad));
    const QString tooLarge(400, u'9'); // overflows without an exponent; quoted by its start
    EXPECT_EQ(messageOf([&] { toFloat(tooLarge); }),
              QStringLiteral("'%1' is not a valid floating point value")
                  .arg(tooLarge.left(core::kShownValueLength - 1) + QChar(0x2026)));
}

TEST(Conversions, FloatWithUkrainianCommaSeparator)
{
    // The desktop's C library then also reads numbers with a comma: nothing may follow it.
    DesktopLocale scope("uk_UA");
    EXPECT_DOUBLE_EQ(toFloat(QStringLiteral(" 1234,50 ")), 1234.5);
    EXPECT_DOUBLE_EQ(toFloat(QStringLiteral("1388,16")), 1388.16);
    EXPECT_DOUBLE_EQ(toFloat(QStringLiteral("-0,5e2")), -50.0);
    EXPECT_EQ(messageOf([] { toFloat(QStringLiteral(" 1234.50 ")); }),
              QStringLiteral("' 1234.50 ' is not a valid floating point value"));
}

TEST(Conversions, Integers)
{
    EXPECT_EQ(toInt(QStringLiteral("1999")), 1999);
    EXPECT_EQ(toInt(QStringLiteral("  -15")), -15);
    EXPECT_EQ(toInt(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(toInt(QStringLiteral("-2147483648")), -2147483647 - 1);
    EXPECT_EQ(toInt(QStringLiteral("$10")), 16);
    for (const char* bad :
         {"", " ", "12 ", "1.0", "2147483648", "-2147483649", "0442123456789", "x", "-"})
        EXPECT_EQ(messageOf([&] { toInt(QString::fromLatin1(bad)); }),
                  QStringLiteral("'%1' is not a valid integer value").arg(bad));
}

TEST(Conversions, DateAnswersOfElevenCharacters)
{
    EXPECT_EQ(dateFromAnswer(QStringLiteral("01032001xyz")), QDate(2001, 3, 1));
    EXPECT_EQ(dateFromAnswer(QStringLiteral("31122008   ")), QDate(2008, 12, 31));
    EXPECT_TRUE(dateFromAnswer(QStringLiteral("0103200100")).isNull());
    EXPECT_TRUE(dateFromAnswer(QStringLiteral("010320010000")).isNull());
    EXPECT_TRUE(dateFromAnswer(QString()).isNull());
    EXPECT_EQ(messageOf([] { dateFromAnswer(QStringLiteral("31022001   ")); }),
              QStringLiteral("'31.02.2001' is not a valid date"));
    EXPECT_EQ(messageOf([] { dateFromAnswer(QStringLiteral("           ")); }),
              QStringLiteral("'  .  .    ' is not a valid date"));
}

// A two-digit year takes the century of the clock's today.
TEST(Conversions, TwoDigitYearsTakeTheClocksCentury)
{
    testsupport::FakeClock clock;
    const std::pair<QDate, QDate> cases[] = {{QDate(1999, 12, 31), QDate(1907, 3, 1)},
                                             {QDate(2107, 1, 1), QDate(2107, 3, 1)}};
    for (const auto& [today, expected] : cases) {
        clock.day = today;
        EXPECT_EQ(dateFromAnswer(QStringLiteral("010307     ")), expected) << today.year();
    }
}

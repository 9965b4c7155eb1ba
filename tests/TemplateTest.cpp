#include "settings/FieldTable.h"
#include "settings/SettingsSource.h"
#include "settings/Templates.h"

#include <gtest/gtest.h>

using settings::expandTemplate;

TEST(TemplateTest, EveryAmpersandBecomesTheNumber)
{
    EXPECT_EQ(expandTemplate(QStringLiteral("СН1:&.52"), 7), QStringLiteral("СН1:7.52"));
    EXPECT_EQ(expandTemplate(QStringLiteral("СН1:&.52"), 12), QStringLiteral("СН1:12.52"));
    EXPECT_EQ(expandTemplate(QStringLiteral("&&"), 7), QStringLiteral("77"));
    EXPECT_EQ(expandTemplate(QStringLiteral("a&b"), -3), QStringLiteral("a-3b"));
    EXPECT_EQ(expandTemplate(QStringLiteral("&"), 0), QStringLiteral("0"));
}

TEST(TemplateTest, RowOneDefaultHasFourPlaces)
{
    const QString income = settings::FieldTable::find(QStringLiteral("f1"))->defaultText;
    EXPECT_EQ(income.count(u'&'), 4);
    EXPECT_EQ(expandTemplate(income, 3),
              QStringLiteral("?((СН1:3.35=1) ИЛИ (СН1:3.35=4)\\КО70.01:3-ОБ87.01,70.01:3\\0)"));
}

TEST(TemplateTest, EverythingElsePassesThroughUntouched)
{
    const QString plain = QStringLiteral("  ?(x\\y) ИЛИ, . ; \" 12 ");
    EXPECT_EQ(expandTemplate(plain, 5), plain);
    EXPECT_EQ(expandTemplate(QString(), 5), QString());
    // The inserted digits are not scanned again, and an "&" after them is still replaced.
    EXPECT_EQ(expandTemplate(QStringLiteral("&-&"), 10), QStringLiteral("10-10"));
    EXPECT_EQ(expandTemplate(QStringLiteral("&"), 2147483647), QStringLiteral("2147483647"));
    EXPECT_EQ(expandTemplate(QStringLiteral("&"), -2147483647 - 1), QStringLiteral("-2147483648"));
    // The run walks 64-bit employee numbers.
    EXPECT_EQ(expandTemplate(QStringLiteral("&"), 4294967296LL), QStringLiteral("4294967296"));
}

TEST(TemplateTest, RowsAndEmployeeTemplatesNameTheirFields)
{
    EXPECT_EQ(settings::incomeField(3), QStringLiteral("f3"));
    EXPECT_EQ(settings::taxField(3), QStringLiteral("fp3"));
    EXPECT_EQ(settings::nonPaymentField(3), QStringLiteral("nw3"));
    EXPECT_EQ(settings::benefitField(8), QStringLiteral("pp8"));
    for (int row = 1; row <= 8; ++row) {
        for (const QString& name : {settings::incomeField(row), settings::taxField(row),
                                    settings::nonPaymentField(row), settings::benefitField(row)})
            EXPECT_NE(settings::FieldTable::find(name), nullptr) << name.toStdString();
    }
    for (const QString& name : {settings::identificationField(), settings::hiringDateField(),
                                settings::dismissalDateField()})
        EXPECT_NE(settings::FieldTable::find(name), nullptr) << name.toStdString();

    settings::MapSettings current;
    current.set(QStringLiteral("FormWoker"), QStringLiteral(" СН1:&.52 "));
    // The current text is taken as it stands, blanks included.
    EXPECT_EQ(settings::request(current, settings::identificationField(), 4),
              QStringLiteral(" СН1:4.52 "));
    EXPECT_EQ(settings::request(current, settings::incomeField(5), 4), QString());
}

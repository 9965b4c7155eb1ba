#include "report/ReportFill.h"
#include "core/Error.h"
#include "report/Zvit1Dlg.h"
#include "settings/SettingsSource.h"

#include <gtest/gtest.h>

namespace {

// The run-time items, filled from the settings and the dialog's choices.
class ReportFillTest : public ::testing::Test
{
protected:
    ReportFillTest()
    {
        const char* values[][2] = {
            {"Edrpou1", "12345678"}, {"pdw1", " 0"},           {"NameFirm", "  ТОВ «Зоря»"},
            {"NamePodat", "ДПІ"},    {"codpp1", "02345678"},   {"codk1", "1111111111"},
            {"codb1", "2222222222"}, {"NameBoss", "Петренко"}, {"NameShief", "Іваненко"},
            {"TellBoss", "2-34-56"}, {"TellShief", "2-34-57"}};
        for (const auto& v : values)
            m_settings.set(QString::fromUtf8(v[0]), QString::fromUtf8(v[1]));
        m_choices.zyear = "1999";
        m_choices.edit1 = "3";
        m_choices.edit2 = "2";
    }
    QString text(const char* key) const { return m_form.item(QString::fromLatin1(key))->text; }

    settings::MapSettings m_settings;
    taxformat::RunChoices m_choices;
    bands::ReportDefinition m_form = report::Zvit1Dlg::formDefinition();
};

TEST_F(ReportFillTest, SettingsAndCountsGoWhereTheFormWantsThem)
{
    report::fillReport(m_form, m_settings, m_choices);
    EXPECT_EQ(text("QRLabel3"), "12345678");
    EXPECT_EQ(text("QRLabel1"), " 0");
    EXPECT_EQ(text("QRLabel14"), "  ТОВ «Зоря»"); // unchanged, blanks and all
    EXPECT_EQ(text("QRLabel13"), "ДПІ");
    EXPECT_EQ(text("QRLabel15"), "02345678");
    EXPECT_EQ(text("QRLabel20"), "1111111111");
    EXPECT_EQ(text("QRLabel22"), "2222222222");
    EXPECT_EQ(text("QRLabel12"), "3 квартал 1999р.");
    EXPECT_EQ(text("QRLabel6"), "3");
    EXPECT_EQ(text("QRLabel7"), "2");
    EXPECT_EQ(text("QRLabel30"), "5");

    m_choices.edit1 = "05";
    m_choices.edit2 = "0";
    report::fillReport(m_form, m_settings, m_choices);
    EXPECT_EQ(text("QRLabel6"), "05");
    EXPECT_EQ(text("QRLabel30"), "5");

    m_choices.edit1 = m_choices.edit2 = "2147483647";
    report::fillReport(m_form, m_settings, m_choices);
    EXPECT_EQ(text("QRLabel30"), "4294967294");
}

TEST_F(ReportFillTest, AKindOfPersonMovesTheSurnamesAndTelephones)
{
    const char* keys[] = {"QRLabel18", "QRLabel25", "QRLabel23",
                          "QRLabel26", "QRLabel24", "QRLabel27"};
    const QStringList legal{"Петренко", "2-34-56", "Іваненко", "2-34-57", "", ""};
    const QStringList individual{"", "", "", "", "Петренко", "2-34-56"};
    for (int wuser : {0, 1, 0}) {
        m_choices.wuser = wuser;
        report::fillReport(m_form, m_settings, m_choices);
        QStringList got;
        for (const char* k : keys)
            got << text(k);
        EXPECT_EQ(got, wuser == 0 ? legal : individual) << wuser;
        EXPECT_EQ(text("QRLabel20"), "1111111111");
    }
}

TEST_F(ReportFillTest, PeriodTextOfEveryQuarterAndATypedYear)
{
    for (int q = 0; q < 4; ++q)
        EXPECT_EQ(report::periodText(q, "2001"), QString::number(q + 1) + " квартал 2001р.");
}

TEST_F(ReportFillTest, ACountThatIsNoWholeNumberStopsTheFilling)
{
    m_choices.edit1 = "abc";
    try {
        report::fillReport(m_form, m_settings, m_choices);
        FAIL() << "no error";
    } catch (const core::Error& e) {
        EXPECT_EQ(e.message(), "'abc' is not a valid integer value");
    }
    m_choices.edit1 = "1";
    m_choices.edit2 = "";
    EXPECT_THROW(report::fillReport(m_form, m_settings, m_choices), core::Error);
}

} // namespace

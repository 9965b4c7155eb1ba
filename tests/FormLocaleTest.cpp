#include "bands/ReportLayout.h"
#include "report/Zvit1Dlg.h"
#include "support/DesktopLocale.h"
#include "support/TaxFileBuilder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The first employee's line of the form, as laid out under a desktop's regional settings.
struct Case
{
    const char* locale;
    const char* income; // column 3: the locale's decimal separator, no grouping
};

class FormLocaleTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(FormLocaleTest, DatesPrintAsDayMonthYearAndAmountsWithTheLocalesSeparator)
{
    const testsupport::DesktopLocale desktop(GetParam().locale);
    ASSERT_TRUE(desktop.available());
    QTemporaryDir dir;
    std::vector<testsupport::TaxRow> rows = testsupport::taxReturn(1);
    rows[0].sDox = 12501.5;
    rows[0].hired = QDate(2004, 5, 17);
    rows[0].dismissed = QDate(2008, 12, 1);
    testsupport::writeTaxFile(dir.path(), "DA071401.3", rows);

    report::Zvit1Dlg form;
    form.openTable(dir.path() + '/', "DA071401.3");
    const bands::ReportLayout layout(form.QuickRep1, form.source());
    QHash<QString, bands::PlacedItem> line;
    for (const bands::PlacedBand& band : layout.page(0).bands) {
        if (band.band->kind != bands::BandKind::Detail)
            continue;
        for (const bands::PlacedItem& placed : band.items)
            line.insert(placed.item->key, placed);
        break;
    }
    EXPECT_EQ(line.value("QRExpr3").text, GetParam().income);
    EXPECT_EQ(line.value("QRExpr6").text, "17.05.2004");
    EXPECT_EQ(line.value("QRExpr7").text, "01.12.2008");
    // The date keeps its figures: at most condensed, never wrapped or cut.
    EXPECT_FALSE(line.value("QRExpr6").clip);
}

INSTANTIATE_TEST_SUITE_P(Desktops, FormLocaleTest,
                         ::testing::Values(Case{"C", "12501.5"}, Case{"en_US", "12501.5"},
                                           Case{"uk_UA", "12501,5"}),
                         [](const auto& info) { return std::string(info.param.locale); });

} // namespace

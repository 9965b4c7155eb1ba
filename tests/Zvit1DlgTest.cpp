#include "report/Zvit1Dlg.h"
#include "bands/ReportLayout.h"
#include "core/Error.h"
#include "report/ReportFill.h"
#include "settings/SettingsSource.h"
#include "support/ScopedEnvironment.h"
#include "support/TaxFileBuilder.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using bands::BandKind;
using bands::PlacedBand;
using bands::ReportLayout;
using testsupport::TaxRow;

constexpr double TitleHeight = 120.65;
constexpr double HeaderHeight = 20.37;
constexpr double Line = 4.23;
constexpr double FooterTop = 280.65;

// The 4ВТ form over a tax file of these records, laid out.
class FormLayout
{
public:
    explicit FormLayout(const std::vector<TaxRow>& lines, taxformat::RunChoices choices = {})
    {
        testsupport::writeTaxFile(m_dir.path(), "DA071401.3", lines);
        form.openTable(m_dir.path() + '/', "DA071401.3");
        if (choices.edit1.isEmpty())
            choices.edit1 = choices.edit2 = "0";
        report::fillReport(form.QuickRep1, settings, choices);
        layout = std::make_unique<ReportLayout>(form.QuickRep1, form.source());
    }

    std::vector<BandKind> kinds(int page) const
    {
        std::vector<BandKind> k;
        for (const PlacedBand& b : layout->page(page).bands)
            k.push_back(b.band->kind);
        return k;
    }
    std::vector<const PlacedBand*> details(int page) const
    {
        std::vector<const PlacedBand*> d;
        for (const PlacedBand& b : layout->page(page).bands) {
            if (b.band->kind == BandKind::Detail)
                d.push_back(&b);
        }
        return d;
    }
    const bands::PlacedItem& item(int page, const QString& key) const
    {
        for (const PlacedBand& b : layout->page(page).bands) {
            for (const bands::PlacedItem& i : b.items) {
                if (i.item->key == key)
                    return i;
            }
        }
        throw core::Error("no item " + key);
    }

    QTemporaryDir m_dir;
    settings::MapSettings settings;
    report::Zvit1Dlg form;
    std::unique_ptr<ReportLayout> layout;
};

QString column(const PlacedBand& b, int n)
{
    return b.items.at(std::size_t(n - 1)).text;
}

TEST(Zvit1DlgTest, ThirtyLinesOnTheFirstPageFiftyNineOnLaterOnesLineNumbersRunningOn)
{
    // 118 employees + 3 service records = 121 lines: 30 + 59 + 32, the summary after them.
    const FormLayout f(testsupport::taxReturn(118));
    ASSERT_EQ(f.layout->pageCount(), 3);
    using K = BandKind;
    const auto one = f.kinds(0);
    EXPECT_EQ(one.front(), K::Title);
    EXPECT_EQ(one[1], K::ColumnHeader);
    EXPECT_EQ(f.details(0).size(), 30u);
    EXPECT_EQ(f.details(1).size(), 59u);
    EXPECT_EQ(f.details(2).size(), 32u);
    EXPECT_NEAR(f.layout->page(0).bands[1].top, 10 + TitleHeight, 1e-9);
    EXPECT_NEAR(f.details(0).front()->top, 10 + TitleHeight + HeaderHeight, 1e-9);
    EXPECT_NEAR(f.details(0).back()->top, 10 + TitleHeight + HeaderHeight + 29 * Line, 1e-9);
    for (int p = 1; p < 3; ++p) {
        EXPECT_EQ(f.kinds(p).front(), K::ColumnHeader) << p;
        EXPECT_NEAR(f.layout->page(p).bands.front().top, 10, 1e-9);
        EXPECT_NEAR(f.details(p).front()->top, 10 + HeaderHeight, 1e-9);
    }
    EXPECT_EQ(column(*f.details(0).back(), 1), "30");
    EXPECT_EQ(column(*f.details(1).front(), 1), "31");
    EXPECT_EQ(column(*f.details(2).front(), 1), "90");
    EXPECT_EQ(column(*f.details(2)[28], 1), "118");
    // The footer closes every page, with its number.
    for (int p = 0; p < 3; ++p) {
        const PlacedBand& last = f.layout->page(p).bands.back();
        EXPECT_EQ(last.band->kind, K::PageFooter);
        EXPECT_NEAR(last.top, FooterTop, 1e-9);
        EXPECT_EQ(last.items.at(1).text, QString::number(p + 1));
    }
    EXPECT_EQ(f.kinds(2).at(f.kinds(2).size() - 2), K::Summary);
    EXPECT_EQ(f.item(2, "QRExpr9").text, "118");
}

TEST(Zvit1DlgTest, SummaryThatDoesNotFitStartsANewPageWithOnlyTheColumnHeader)
{
    // 16 lines end at 218.70 mm on page 1: the 65.62 mm summary no longer fits above the footer.
    const FormLayout f(testsupport::taxReturn(13));
    ASSERT_EQ(f.layout->pageCount(), 2);
    using K = BandKind;
    EXPECT_EQ(f.details(0).size(), 16u);
    EXPECT_EQ(f.kinds(1), (std::vector<K>{K::ColumnHeader, K::Summary, K::PageFooter}));
    EXPECT_NEAR(f.layout->page(1).bands[1].top, 10 + HeaderHeight, 1e-9);
    // One line less and it fits.
    const FormLayout g(testsupport::taxReturn(12));
    EXPECT_EQ(g.layout->pageCount(), 1);
}

TEST(Zvit1DlgTest, ServiceLinesPrintCrossesAndTheTotals)
{
    std::vector<TaxRow> lines = testsupport::taxReturn(1);
    lines[0].oznPilg.reset();
    const testsupport::DefaultLocale plain(QLocale::c());
    const FormLayout f(lines);
    const auto d = f.details(0);
    ASSERT_EQ(d.size(), 4u);
    auto columns = [&](const PlacedBand* b) {
        QStringList t;
        for (int c = 1; c <= 8; ++c)
            t << column(*b, c);
        return t;
    };
    EXPECT_EQ(columns(d[0]).at(7), "0"); // an empty benefit code
    EXPECT_EQ(columns(d[0]).at(6), "");  // no dismissal date
    EXPECT_EQ(columns(d[1]), QStringList({" X ", " X", "X", "X", "X ", "X", "X", "X"}));
    EXPECT_EQ(columns(d[2]), columns(d[1]));
    EXPECT_EQ(columns(d[3]), QStringList({" X ", " X", "1001.5", "101", "X ", "X", "X", "X"}));
    EXPECT_EQ(f.item(0, "QRExpr9").text, "1");
}

TEST(Zvit1DlgTest, PrintsWithoutRecordsAndWithOnlyTheServiceRecords)
{
    const FormLayout empty({});
    ASSERT_EQ(empty.layout->pageCount(), 1);
    using K = BandKind;
    EXPECT_EQ(empty.kinds(0),
              (std::vector<K>{K::Title, K::ColumnHeader, K::Summary, K::PageFooter}));

    const FormLayout service(testsupport::taxReturn(0));
    EXPECT_EQ(service.details(0).size(), 3u);
    EXPECT_EQ(service.item(0, "QRExpr9").text, "0");
}

TEST(Zvit1DlgTest, FixedCellsKeepTheirHeightAndCondenseOrWrapWhatIsWider)
{
    taxformat::RunChoices c;
    c.edit1 = c.edit2 = "0";
    QTemporaryDir dir;
    testsupport::writeTaxFile(dir.path(), "T.3", {testsupport::employee(1)});
    report::Zvit1Dlg form;
    form.openTable(dir.path() + '/', "T.3");
    settings::MapSettings s;
    s.set("NamePodat", QString("Державна податкова інспекція ").repeated(6));
    s.set("Edrpou1", "12345678");
    report::fillReport(form.QuickRep1, s, c);
    const testsupport::DefaultLocale uk(QLocale(QLocale::Ukrainian, QLocale::Ukraine));
    const ReportLayout layout(form.QuickRep1, form.source());
    const PlacedBand* detail = nullptr;
    for (const PlacedBand& b : layout.page(0).bands) {
        if (b.band->kind == BandKind::Detail)
            detail = &b;
    }
    ASSERT_NE(detail, nullptr);
    // "02.01.1999" is wider than its 15.3 mm cell: condensed, not cut.
    const bands::PlacedItem& hired = detail->items.at(5);
    EXPECT_EQ(hired.text, "02.01.1999");
    EXPECT_LT(hired.stretch, 1.0);
    EXPECT_GE(hired.stretch, 0.75);
    EXPECT_NEAR(hired.rect.height(), 4.5, 1e-9);
    EXPECT_NEAR(detail->items.at(1).stretch, 1.0, 1e-9);
    for (const PlacedBand& b : layout.page(0).bands) {
        for (const bands::PlacedItem& i : b.items) {
            if (i.item->key == "QRLabel13") {
                // Far too long to condense: it wraps inside its own rectangle.
                EXPECT_NEAR(i.stretch, 1.0, 1e-9);
                EXPECT_NEAR(i.rect.height(), 4.5, 1e-9);
                EXPECT_NEAR(i.rect.width(), 127.3, 1e-9);
            }
            if (i.item->key == "QRLabel28") { // the rule stops at the band's edge
                EXPECT_LE(i.rect.right(), 200 + 1e-9);
            }
            if (i.item->key == "QRLabel20") { // empty codk1: an empty box
                EXPECT_EQ(i.text, "");
                EXPECT_TRUE(i.item->box);
                EXPECT_NEAR(i.rect.width(), 33.3, 1e-9);
            }
        }
    }
}

} // namespace

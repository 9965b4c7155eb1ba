#include "bands/ReportLayout.h"
#include "bands/ReportFont.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

// The band engine on a small form of its own: a 100 mm square sheet, 10 mm margins, so the
// page footer's top is at 80 mm.
namespace {

using bands::BandKind;
using bands::ItemKind;
using bands::PlacedBand;
using bands::ReportBand;
using bands::ReportDefinition;
using bands::ReportItem;
using bands::ReportLayout;
using bands::Value;

class Rows final : public bands::DataSource
{
public:
    explicit Rows(QStringList names) : m_names(std::move(names)) {}
    QString name() const override { return QStringLiteral("Rows"); }
    void first() override { m_at = 0; }
    bool eof() const override { return m_at >= m_names.size(); }
    void next() override { ++m_at; }
    Value field(const QString&) const override { return Value::fromText(m_names.at(m_at)); }

private:
    QStringList m_names;
    qsizetype m_at = 0;
};

ReportItem expression(const QString& text)
{
    ReportItem i;
    i.kind = ItemKind::Expr;
    i.width = 20;
    i.height = 5;
    i.text = text;
    i.expression = bands::Expression::parse(text);
    return i;
}

ReportItem cell(const QString& text, double width, bool autoSize = false, double left = 0)
{
    ReportItem i;
    i.text = text;
    i.left = left;
    i.width = width;
    i.height = 5;
    i.autoSize = autoSize;
    return i;
}

ReportDefinition sheet(double detailHeight, std::vector<ReportItem> titleItems = {})
{
    ReportDefinition d;
    d.pageWidth = d.pageHeight = 100;
    d.bands = {
        {"Title", BandKind::Title, 20, std::move(titleItems)},
        {"Header", BandKind::ColumnHeader, 10, {}},
        {"Detail", BandKind::Detail, detailHeight, {expression("COUNT"), expression("Rows.NAME")}},
        {"Summary", BandKind::Summary, 30, {expression("COUNT")}},
        {"Footer", BandKind::PageFooter, 10, {expression("PAGENUMBER")}}};
    return d;
}

// Each page's bands as "kind@top" with the first item's text: "D@40:1".
std::vector<QStringList> flow(const ReportLayout& layout)
{
    const char* names[] = {"T", "H", "D", "S", "F"};
    std::vector<QStringList> pages;
    for (int p = 0; p < layout.pageCount(); ++p) {
        QStringList bands;
        for (const PlacedBand& b : layout.page(p).bands) {
            QString s = QStringLiteral("%1@%2").arg(names[int(b.band->kind)]).arg(b.top);
            if (!b.items.empty())
                s += u':' + b.items.front().text;
            bands << s;
        }
        pages.push_back(bands);
    }
    return pages;
}

// The first band of the first page as flow() shows it; empty when there is none.
QString firstBand(const ReportLayout& layout)
{
    const std::vector<QStringList> pages = flow(layout);
    return pages.empty() || pages.front().isEmpty() ? QString() : pages.front().front();
}

TEST(ReportLayoutTest, BandsFlowOverPagesWithCountAndPageNumber)
{
    const ReportDefinition d = sheet(15);
    Rows rows({"a", "b", "c", "d", "e"});
    const ReportLayout layout(d, rows);
    // Two lines fit beneath the title, three more on page 2; the summary then needs a page of
    // its own, which begins with the column header.
    const std::vector<QStringList> expected = {
        {"T@10", "H@30", "D@40:1", "D@55:2", "F@80:1"},
        {"H@10", "D@20:3", "D@35:4", "D@50:5", "F@80:2"},
        {"H@10", "S@20:5", "F@80:3"},
    };
    // Asserted, so that a wrong flow ends this test before the pages are indexed.
    ASSERT_EQ(flow(layout), expected);
    EXPECT_EQ(layout.page(1).bands[3].items[1].text, "e");
}

TEST(ReportLayoutTest, ABandTallerThanAPageTakesAFreshPageAndOverflowsIt)
{
    const ReportDefinition d = sheet(75);
    Rows rows({"a", "b"});
    const ReportLayout layout(d, rows);
    const std::vector<QStringList> expected = {
        {"T@10", "H@30", "F@80:1"},
        {"H@10", "D@20:1", "F@80:2"},
        {"H@10", "D@20:2", "F@80:3"},
        {"H@10", "S@20:2", "F@80:4"},
    };
    EXPECT_EQ(flow(layout), expected);
}

TEST(ReportLayoutTest, AFixedCellBreaksItsLinesWhereATextLayoutWould)
{
    auto width = [](const char* text) { return bands::textWidthMm(text, 10, false) + 0.01; };
    struct Case
    {
        const char* text;
        double room;
        QStringList lines;
    } cases[] = {
        {"alpha beta gamma", width("alpha beta"), {"alpha beta", "gamma"}},
        {"alpha beta    gamma", width("alpha beta"), {"alpha beta", "gamma"}},
        {"alpha-beta-gamma", width("alpha-beta-"), {"alpha-beta-", "gamma"}},
        {"11111 22222 33333", width("11111 22222"), {"11111 22222", "33333"}},
        {"abcdefghijklmnop q", width("abcde"), {"abcdefghijklmnop", "q"}},
        {"one\ntwo three four", width("two three"), {"one", "two three", "four"}},
    };
    for (const Case& c : cases) {
        const ReportDefinition d = sheet(15, {cell(c.text, c.room)});
        Rows rows({});
        const ReportLayout layout(d, rows);
        ASSERT_EQ(firstBand(layout), "T@10:" + QString(c.text)) << c.text;
        const bands::PlacedItem& placed = layout.page(0).bands.front().items.front();
        EXPECT_EQ(placed.lines, c.lines) << c.text;
        EXPECT_EQ(placed.stretch, 1.0) << c.text;
        EXPECT_EQ(placed.rect.height(), 5) << c.text; // the cell keeps its height, and cuts
        EXPECT_TRUE(placed.clip) << c.text;
    }
}

TEST(ReportLayoutTest, ALittleTooWideIsCondensedAndTheBandsEdgeCutsAnAutoSizedItem)
{
    const double wide = bands::textWidthMm("condensed to fit", 10, false);
    const ReportDefinition d =
        sheet(15, {cell("condensed to fit", wide * 0.9),
                   cell("runs past the right edge of the band", 5, true, 60)});
    Rows rows({});
    const ReportLayout layout(d, rows);
    ASSERT_EQ(firstBand(layout), "T@10:condensed to fit");
    const auto& items = layout.page(0).bands.front().items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].lines, QStringList{"condensed to fit"});
    EXPECT_NEAR(items[0].stretch, 0.9, 1e-3);
    EXPECT_FALSE(items[0].clip);
    EXPECT_EQ(items[1].lines, QStringList{"runs past the right edge of the band"});
    EXPECT_DOUBLE_EQ(items[1].rect.right(), 90);
    EXPECT_TRUE(items[1].clip);
}

} // namespace

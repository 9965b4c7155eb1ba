#include "report/ReportLayout.h"

#include "core/Error.h"
#include "report/ReportFont.h"

#include <QStringList>

#include <algorithm>

namespace report {

namespace {

// Positions are given to a tenth of a millimetre; sums of them must not lose a line to rounding.
constexpr double Slack = 1e-6;
// The narrowest a fixed cell's font is condensed to before its text wraps instead.
constexpr double NarrowestStretch = 0.75;

} // namespace

class ReportLayout::Context final : public ExpressionContext
{
public:
    explicit Context(DataSource& source) : m_source(source) {}

    Value field(const QString& table, const QString& name) const override
    {
        if (table.compare(m_source.name(), Qt::CaseInsensitive) != 0)
            throw core::Error(QStringLiteral("Unknown table '%1'").arg(table));
        if (m_source.eof())
            return Value::fromText(QString());
        return m_source.field(name);
    }
    std::int64_t count() const override { return m_count; }
    int pageNumber() const override { return m_page; }

    DataSource& m_source;
    std::int64_t m_count = 0;
    int m_page = 0;
};

ReportLayout::ReportLayout(const ReportDefinition& definition, DataSource& source)
    : m_definition(definition)
{
    const double margin = definition.margin;
    const ReportBand* title = definition.band(BandKind::Title);
    const ReportBand* header = definition.band(BandKind::ColumnHeader);
    const ReportBand* detail = definition.band(BandKind::Detail);
    const ReportBand* summary = definition.band(BandKind::Summary);
    const ReportBand* footer = definition.band(BandKind::PageFooter);
    m_footerTop = definition.pageHeight - margin - (footer ? footer->height : 0);

    Context context(source);
    double y = margin;
    auto startPage = [&] {
        newPage();
        context.m_page = pageCount();
        y = margin;
    };
    auto put = [&](const ReportBand* band) {
        if (!band)
            return;
        place(*band, y, context);
        y += band->height;
    };
    // A band that does not fit closes the page; the next one begins with the column header.
    // A band taller than a whole page is put on a fresh page all the same, and overflows it.
    bool fresh = false;
    auto makeRoom = [&](const ReportBand* band) {
        if (!band || y + band->height <= m_footerTop + Slack || fresh)
            return;
        closePage(context);
        startPage();
        put(header);
        fresh = true;
    };

    startPage();
    put(title);
    put(header);
    source.first();
    while (detail && !source.eof()) {
        makeRoom(detail);
        ++context.m_count;
        put(detail);
        fresh = false;
        source.next();
    }
    makeRoom(summary);
    put(summary);
    closePage(context);
}

void ReportLayout::newPage()
{
    m_pages.emplace_back();
}

void ReportLayout::closePage(Context& context)
{
    if (const ReportBand* footer = m_definition.band(BandKind::PageFooter))
        place(*footer, m_footerTop, context);
}

void ReportLayout::place(const ReportBand& band, double top, const Context& context)
{
    PlacedBand placed;
    placed.band = &band;
    placed.top = top;
    placed.items.reserve(band.items.size());
    const double left = m_definition.margin;
    const double bandWidth = m_definition.pageWidth - 2 * m_definition.margin;
    for (const ReportItem& item : band.items) {
        PlacedItem p;
        p.item = &item;
        p.text = item.kind == ItemKind::Expr && item.expression
                     ? formatValue(item.expression->evaluate(context))
                     : item.text;
        p.rect = QRectF(left + item.left, top + item.top, item.width, item.height);
        if (!p.text.isEmpty() || item.autoSize) {
            const QStringList lines = p.text.split(QLatin1Char('\n'));
            double widest = 0;
            for (const QString& line : lines)
                widest = std::max(widest, textWidthMm(line, item.fontSize, item.bold));
            const double height = lines.size() * lineHeightMm(item.fontSize, item.bold);
            if (item.autoSize) {
                const double frames = item.box ? 2 * FrameMm : 0;
                // Up to the band's right edge, condensed a little if that is enough.
                const double room = left + bandWidth - p.rect.left() - frames;
                if (widest > room && room >= widest * NarrowestStretch)
                    p.stretch = room / widest;
                p.rect.setWidth(widest * p.stretch + frames);
                p.rect.setHeight(std::max(item.height, height));
            } else {
                const double room = item.width - (item.box ? 2 * FrameMm : 0);
                if (widest > room && room >= widest * NarrowestStretch)
                    p.stretch = room / widest;
                p.clip = widest * p.stretch > room + Slack || height > item.height + Slack;
            }
        }
        if (p.rect.right() > left + bandWidth) {
            p.rect.setRight(left + bandWidth);
            p.clip = true;
        }
        placed.items.push_back(std::move(p));
    }
    m_pages.back().bands.push_back(std::move(placed));
}

} // namespace report

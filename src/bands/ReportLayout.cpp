#include "bands/ReportLayout.h"

#include "bands/ReportFont.h"
#include "core/Error.h"

#include <QStringList>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace bands {

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
    // A band taller than a whole page is put on a fresh page all the same, and overflows it:
    // each band asks for room once.
    auto makeRoom = [&](const ReportBand* band) {
        if (!band || y + band->height <= m_footerTop + Slack)
            return;
        closePage(context);
        startPage();
        put(header);
    };

    startPage();
    put(title);
    put(header);
    source.first();
    while (detail && !source.eof()) {
        makeRoom(detail);
        ++context.m_count;
        put(detail);
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
    for (const ReportItem& item : band.items) {
        PlacedItem p;
        p.item = &item;
        p.text = item.kind == ItemKind::Expr && item.expression
                     ? formatValue(item.expression->evaluate(context))
                     : item.text;
        p.rect = QRectF(m_definition.margin + item.left, top + item.top, item.width, item.height);
        if (!p.text.isEmpty() || item.autoSize)
            setLines(p);
        placed.items.push_back(std::move(p));
    }
    m_pages.back().bands.push_back(std::move(placed));
}

void ReportLayout::setLines(PlacedItem& p) const
{
    const ReportItem& item = *p.item;
    const double bandRight = m_definition.pageWidth - m_definition.margin;
    const double frames = item.box ? 2 * FrameMm : 0;
    // An auto-sized item has the room up to the band's right edge, a fixed one its own width.
    const double room = item.autoSize ? bandRight - p.rect.left() - frames : item.width - frames;
    p.lines = p.text.split(QLatin1Char('\n'));
    double widest = widestLine(p.lines, item);
    // Condensed a little if that is enough; a fixed cell wraps what is wider still.
    if (widest > room && room >= widest * NarrowestStretch) {
        p.stretch = room / widest;
    } else if (widest > room && !item.autoSize) {
        p.lines = wrapped(p.lines, room, item);
        widest = widestLine(p.lines, item);
    }
    const double height = p.lines.size() * lineHeightMm(item.fontSize, item.bold);
    if (item.autoSize) {
        p.rect.setWidth(widest * p.stretch + frames);
        p.rect.setHeight(std::max(item.height, height));
    } else {
        p.clip = widest * p.stretch > room + Slack || height > item.height + Slack;
    }
    if (p.rect.right() > bandRight) {
        p.rect.setRight(bandRight);
        p.clip = true;
    }
}

double ReportLayout::widestLine(const QStringList& lines, const ReportItem& item)
{
    double widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, textWidthMm(line, item.fontSize, item.bold));
    return widest;
}

std::vector<qsizetype> ReportLayout::breaks(const QString& line)
{
    // Where the Unicode rules allow a break, and after every run of blanks (between groups of
    // figures too, which those rules keep together), as a text layout breaks.
    std::vector<qsizetype> at;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, line);
    for (qsizetype i = 1; i <= line.size(); ++i) {
        finder.setPosition(i);
        if (finder.isAtBoundary() ||
            (i < line.size() && line.at(i - 1).isSpace() && !line.at(i).isSpace()))
            at.push_back(i);
    }
    return at;
}

QStringList ReportLayout::wrapped(const QStringList& lines, double room, const ReportItem& item)
{
    QStringList out;
    auto fits = [&](const QString& line, qsizetype from, qsizetype to) {
        // Blanks at the end of a line take no room.
        while (to > from && line.at(to - 1).isSpace())
            --to;
        return textWidthMm(line.mid(from, to - from), item.fontSize, item.bold) <= room + Slack;
    };
    auto endLine = [&](const QString& line, qsizetype from, qsizetype to) {
        while (to > from && line.at(to - 1).isSpace())
            --to;
        out << line.mid(from, to - from);
    };
    for (const QString& line : lines) {
        qsizetype start = 0;
        qsizetype fitting = 0; // the furthest break after start whose line still fits
        for (const qsizetype at : breaks(line)) {
            if (fits(line, start, at)) {
                fitting = at;
                continue;
            }
            if (fitting > start) {
                endLine(line, start, fitting);
                start = fitting;
                if (fits(line, start, at)) {
                    fitting = at;
                    continue;
                }
            }
            // A word wider than the room keeps a line of its own.
            endLine(line, start, at);
            start = fitting = at;
        }
        if (start < line.size() || line.isEmpty())
            out << line.mid(start);
    }
    return out;
}

} // namespace bands

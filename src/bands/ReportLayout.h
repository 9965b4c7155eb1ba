#pragma once

#include "bands/DataSource.h"
#include "bands/ReportDefinition.h"

#include <QRectF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace bands {

// An item as it prints: its rectangle on the sheet (mm from the sheet's top-left corner), its
// text, and that text's lines as they print, already wrapped: a device only draws them. An
// auto-sized item's rectangle follows its text.
struct PlacedItem
{
    const ReportItem* item = nullptr;
    QRectF rect;
    QString text;
    QStringList lines;
    // Below 1 when the font is condensed so that the widest line of a fixed cell fits its width.
    double stretch = 1;
    // Whether its text may reach beyond the rectangle and must be cut at it.
    bool clip = false;
};

struct PlacedBand
{
    const ReportBand* band = nullptr;
    double top = 0; // mm from the top of the sheet
    std::vector<PlacedItem> items;
};

struct LaidOutPage
{
    std::vector<PlacedBand> bands; // in paint order
};

// Lays a report out over its data source: walks the records once and returns the pages, the
// bands on each page with their places and every item's rectangle and text. It paints nothing;
// ReportPainter paints any page of it. The definition must outlive the layout.
//
// Page flow: the title band once at the top of the first page, the column header at the top of
// every page (beneath the title on the first), one detail band per record, the summary after the
// last detail, the page footer at the bottom of every page. A band never splits: one that does
// not fit above the footer closes the page, and the next page starts with the column header.
//
// Text in a fixed cell: a line wider than the cell is set in a condensed font when a quarter
// narrower is enough (a date or a heading keeps its figures), otherwise it wraps where a line may
// break (after a blank or a hyphen); a word wider than the cell keeps a line of its own. The
// breaks are taken here, in millimetres, so that every device breaks alike. An auto-sized item
// that would reach beyond the right edge of its band is condensed the same way, and cut at the
// edge only when that is not enough.
class ReportLayout
{
public:
    ReportLayout(const ReportDefinition& definition, DataSource& source);

    const ReportDefinition& definition() const { return m_definition; }
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    const LaidOutPage& page(int index) const { return m_pages.at(static_cast<std::size_t>(index)); }
    // The top of the page footer, mm from the top of the sheet.
    double footerTop() const { return m_footerTop; }

private:
    class Context;

    void place(const ReportBand& band, double top, const Context& context);
    // The item's lines, its stretch and whether it is cut, from its text and rectangle.
    void setLines(PlacedItem& placed) const;
    static double widestLine(const QStringList& lines, const ReportItem& item);
    // The places where a line may break, as positions after which it breaks.
    static std::vector<qsizetype> breaks(const QString& line);
    // The lines broken at such places so that each fits the room, as far as its words allow.
    static QStringList wrapped(const QStringList& lines, double room, const ReportItem& item);
    void newPage();
    void closePage(Context& context);

    const ReportDefinition& m_definition;
    std::vector<LaidOutPage> m_pages;
    double m_footerTop = 0;
};

} // namespace bands

#include "bands/ReportPainter.h"

#include "bands/ReportFont.h"
#include "bands/ReportLayout.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace bands {

namespace {

constexpr double MmPerInch = 25.4;

// One page being painted: millimetres become device units here, and the painter's pen and font
// are set only when they change, since a PDF or a preview page records every change.
class PageCanvas
{
public:
    PageCanvas(QPainter& painter, const ReportDefinition& definition)
        : m_painter(painter), m_definition(definition)
    {
        const QPaintDevice* device = painter.device();
        m_sx = (device ? device->logicalDpiX() : 96) / MmPerInch;
        m_sy = (device ? device->logicalDpiY() : 96) / MmPerInch;
        m_frame = FrameMm * m_sx;
        m_framePen.setWidthF(m_frame);
        m_framePen.setJoinStyle(Qt::MiterJoin);
        m_sheet = toDevice(QRectF(0, 0, definition.pageWidth, definition.pageHeight));
    }

    void paintSheet()
    {
        m_painter.setRenderHint(QPainter::TextAntialiasing);
        m_painter.fillRect(m_sheet, Qt::white);
        m_painter.setPen(m_textPen);
        m_painter.setBrush(Qt::NoBrush);
    }

    void paintItem(const PlacedItem& placed)
    {
        const QRectF rect = toDevice(placed.rect);
        if (!placed.item->transparent)
            m_painter.fillRect(rect, Qt::white);
        if (!placed.text.isEmpty())
            paintText(placed, rect);
        if (placed.item->box)
            paintFrame(rect);
    }

private:
    QRectF toDevice(const QRectF& mm) const
    {
        return QRectF(mm.x() * m_sx, mm.y() * m_sy, mm.width() * m_sx, mm.height() * m_sy);
    }

    // The lines as the layout broke them: the device breaks none of its own.
    void paintText(const PlacedItem& placed, const QRectF& rect)
    {
        const ReportItem& item = *placed.item;
        useFont(item, placed.stretch < 1 ? std::max(1, int(placed.stretch * 100)) : 100);
        usePen(false);
        const int flags =
            Qt::AlignTop | (item.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::TextDontClip;
        // What would run past the cell (or, for an auto-sized item, past the band's right edge)
        // is cut.
        if (placed.clip) {
            const double bandRight = (m_definition.pageWidth - m_definition.margin) * m_sx;
            m_painter.setClipRect(
                item.autoSize ? QRectF(m_sheet.left(), m_sheet.top(), bandRight, m_sheet.height())
                              : rect);
        }
        // A framed cell keeps its text off the frame.
        const QRectF room = item.box ? rect.adjusted(m_frame, 0, -m_frame, 0) : rect;
        m_painter.drawText(room, flags, placed.lines.join(QLatin1Char('\n')));
        if (placed.clip)
            m_painter.setClipping(false);
    }

    // A 1 pt frame drawn inside the rectangle.
    void paintFrame(const QRectF& rect)
    {
        usePen(true);
        const double half = m_frame / 2;
        m_painter.drawRect(rect.adjusted(half, half, -half, -half));
    }

    void useFont(const ReportItem& item, int stretch)
    {
        if (item.fontSize == m_fontSize && item.bold == m_fontBold && stretch == m_fontStretch)
            return;
        QFont font = reportFont(item.fontSize, item.bold);
        if (stretch != 100)
            font.setStretch(stretch);
        m_painter.setFont(font);
        m_fontSize = item.fontSize;
        m_fontBold = item.bold;
        m_fontStretch = stretch;
    }

    void usePen(bool frame)
    {
        if (frame == m_penIsFrame)
            return;
        m_painter.setPen(frame ? m_framePen : m_textPen);
        m_penIsFrame = frame;
    }

    QPainter& m_painter;
    const ReportDefinition& m_definition;
    double m_sx = 1;
    double m_sy = 1;
    double m_frame = 1;
    QRectF m_sheet;
    const QPen m_textPen{Qt::black};
    QPen m_framePen{Qt::black};
    bool m_penIsFrame = false;
    double m_fontSize = 0;
    bool m_fontBold = false;
    int m_fontStretch = 0;
};

} // namespace

void ReportPainter::paintPage(int index, QPainter& painter) const
{
    if (index < 0 || index >= m_layout.pageCount())
        return;
    painter.save();
    PageCanvas canvas(painter, m_layout.definition());
    canvas.paintSheet();
    for (const PlacedBand& band : m_layout.page(index).bands) {
        for (const PlacedItem& placed : band.items)
            canvas.paintItem(placed);
    }
    painter.restore();
}

ReportPainter::Outcome ReportPainter::paintRange(QPagedPaintDevice& device, int first, int last,
                                                 int copies, bool (*step)(void*, int),
                                                 void* data) const
{
    first = std::max(first, 1);
    last = std::min(last, m_layout.pageCount());
    QPainter painter;
    if (!painter.begin(&device))
        return Outcome::NotStarted;
    bool whole = true;
    bool started = false;
    for (int copy = 0; copy < copies && whole; ++copy) {
        for (int page = first; page <= last; ++page) {
            if (!step(data, page)) {
                whole = false;
                break;
            }
            if (started)
                device.newPage();
            paintPage(page - 1, painter);
            started = true;
        }
    }
    const bool ended = painter.end();
    if (!whole)
        return Outcome::Stopped;
    return ended ? Outcome::Painted : Outcome::Failed;
}

} // namespace bands

#include "report/ReportPainter.h"

#include "report/ReportFont.h"
#include "report/ReportLayout.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace report {

namespace {

constexpr double MmPerInch = 25.4;

} // namespace

void ReportPainter::paintPage(int index, QPainter& painter) const
{
    if (index < 0 || index >= m_layout.pageCount())
        return;
    QPaintDevice* device = painter.device();
    const double sx = device ? device->logicalDpiX() / MmPerInch : 96 / MmPerInch;
    const double sy = device ? device->logicalDpiY() / MmPerInch : 96 / MmPerInch;
    auto toDevice = [&](const QRectF& mm) {
        return QRectF(mm.x() * sx, mm.y() * sy, mm.width() * sx, mm.height() * sy);
    };
    const double frame = FrameMm * sx;

    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    const ReportDefinition& def = m_layout.definition();
    const QRectF sheet = toDevice(QRectF(0, 0, def.pageWidth, def.pageHeight));
    painter.fillRect(sheet, Qt::white);
    const double bandRight = (def.pageWidth - def.margin) * sx;

    // State is set only when it changes: every change is recorded by a PDF or a preview page.
    QPen framePen(Qt::black);
    framePen.setWidthF(frame);
    framePen.setJoinStyle(Qt::MiterJoin);
    const QPen textPen(Qt::black);
    bool penIsText = true;
    painter.setPen(textPen);
    painter.setBrush(Qt::NoBrush);
    double fontSize = 0;
    bool fontBold = false;
    int fontStretch = 0;

    for (const PlacedBand& band : m_layout.page(index).bands) {
        for (const PlacedItem& placed : band.items) {
            const ReportItem& item = *placed.item;
            const QRectF rect = toDevice(placed.rect);
            if (!item.transparent)
                painter.fillRect(rect, Qt::white);
            if (!placed.text.isEmpty()) {
                const int stretch =
                    placed.stretch < 1 ? std::max(1, int(placed.stretch * 100)) : 100;
                if (item.fontSize != fontSize || item.bold != fontBold || stretch != fontStretch) {
                    QFont font = reportFont(item.fontSize, item.bold);
                    if (stretch != 100)
                        font.setStretch(stretch);
                    painter.setFont(font);
                    fontSize = item.fontSize;
                    fontBold = item.bold;
                    fontStretch = stretch;
                }
                if (!penIsText) {
                    painter.setPen(textPen);
                    penIsText = true;
                }
                int flags = Qt::AlignTop | (item.centred ? Qt::AlignHCenter : Qt::AlignLeft) |
                            Qt::TextDontClip;
                // A fixed cell wraps at word boundaries inside its width.
                if (!item.autoSize)
                    flags |= Qt::TextWordWrap;
                // What would run past the cell (or, for an auto-sized item, past the band's
                // right edge) is cut.
                if (placed.clip) {
                    painter.setClipRect(
                        item.autoSize ? QRectF(sheet.left(), sheet.top(), bandRight, sheet.height())
                                      : rect);
                }
                // A framed cell keeps its text off the frame.
                const QRectF room = item.box ? rect.adjusted(frame, 0, -frame, 0) : rect;
                painter.drawText(room, flags, placed.text);
                if (placed.clip)
                    painter.setClipping(false);
            }
            if (item.box) {
                if (penIsText) {
                    painter.setPen(framePen);
                    penIsText = false;
                }
                painter.drawRect(rect.adjusted(frame / 2, frame / 2, -frame / 2, -frame / 2));
            }
        }
    }
    painter.restore();
}

bool ReportPainter::paintRange(QPagedPaintDevice& device, int first, int last,
                               bool (*step)(void*, int), void* data) const
{
    first = std::max(first, 1);
    last = std::min(last, m_layout.pageCount());
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    bool whole = true;
    for (int page = first; page <= last; ++page) {
        if (!step(data, page)) {
            whole = false;
            break;
        }
        if (page > first)
            device.newPage();
        paintPage(page - 1, painter);
    }
    return painter.end() && whole;
}

} // namespace report

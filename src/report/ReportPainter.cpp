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

    for (const PlacedBand& band : m_layout.page(index).bands) {
        for (const PlacedItem& placed : band.items) {
            const ReportItem& item = *placed.item;
            const QRectF rect = toDevice(placed.rect);
            if (!item.transparent)
                painter.fillRect(rect, Qt::white);
            if (!placed.text.isEmpty()) {
                QFont font = reportFont(item.fontSize, item.bold);
                if (placed.stretch < 1)
                    font.setStretch(std::max(1, int(placed.stretch * 100)));
                painter.setFont(font);
                painter.setPen(Qt::black);
                int flags = Qt::AlignTop | (item.centred ? Qt::AlignHCenter : Qt::AlignLeft);
                if (item.autoSize) {
                    // Its width follows the text, up to the right edge of the band.
                    flags |= Qt::TextDontClip;
                    painter.setClipRect(
                        QRectF(sheet.left(), sheet.top(), bandRight, sheet.height()));
                } else {
                    // Wrapped at word boundaries inside the width; what falls below is cut.
                    flags |= Qt::TextWordWrap;
                    painter.setClipRect(rect);
                }
                // A framed cell keeps its text off the frame.
                const QRectF room = item.box ? rect.adjusted(frame, 0, -frame, 0) : rect;
                painter.drawText(room, flags, placed.text);
                painter.setClipping(false);
            }
            if (item.box) {
                QPen pen(Qt::black);
                pen.setWidthF(frame);
                pen.setJoinStyle(Qt::MiterJoin);
                painter.setPen(pen);
                painter.setBrush(Qt::NoBrush);
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

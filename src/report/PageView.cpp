#include "report/PageView.h"

#include "report/ReportLayout.h"
#include "report/ReportPainter.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace report {

namespace {

constexpr int Gap = 12; // grey around the sheet, in pixels

} // namespace

class PageView::Canvas final : public QWidget
{
public:
    Canvas(PageView& view) : QWidget(&view), m_view(view) {}

    // The sheet at 100 %, in pixels of this screen.
    QSizeF sheet() const
    {
        const ReportDefinition& d = m_view.m_layout.definition();
        return QSizeF(d.pageWidth / 25.4 * logicalDpiX(), d.pageHeight / 25.4 * logicalDpiY());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Dark));
        const QSizeF size = sheet() * m_view.m_factor;
        const QRectF page(std::max<double>(Gap, (width() - size.width()) / 2), Gap, size.width(),
                          size.height());
        p.fillRect(page.translated(3, 3), Qt::black);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(page.topLeft());
        p.scale(m_view.m_factor, m_view.m_factor);
        p.setClipRect(QRectF(QPointF(0, 0), sheet()));
        ReportPainter(m_view.m_layout).paintPage(m_view.m_page - 1, p);
    }

private:
    PageView& m_view;
};

PageView::PageView(const ReportLayout& layout, QWidget* parent)
    : QScrollArea(parent), m_layout(layout), m_canvas(new Canvas(*this))
{
    setWidget(m_canvas);
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setBackgroundRole(QPalette::Dark);
    relayout();
}

int PageView::pageCount() const
{
    return m_layout.pageCount();
}

void PageView::setCurrentPage(int page)
{
    page = std::clamp(page, 1, std::max(1, pageCount()));
    if (page == m_page)
        return;
    m_page = page;
    verticalScrollBar()->setValue(0);
    m_canvas->update();
    emit currentPageChanged(m_page);
}

void PageView::setZoomMode(Zoom mode)
{
    m_mode = mode;
    relayout();
}

void PageView::setZoomFactor(double factor)
{
    m_factor = std::clamp(factor, 0.1, 10.0);
    m_mode = Zoom::Factor;
    relayout();
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    if (m_mode != Zoom::Factor)
        relayout();
}

void PageView::relayout()
{
    const QSizeF sheet = m_canvas->sheet();
    const QSize room = maximumViewportSize() - QSize(2 * Gap, 2 * Gap);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (m_mode == Zoom::WholePage)
        m_factor = std::min(room.width() / sheet.width(), room.height() / sheet.height());
    else if (m_mode == Zoom::PageWidth)
        m_factor = (room.width() - bar) / sheet.width();
    m_factor = std::max(m_factor, 0.05);
    const QSizeF size = sheet * m_factor;
    m_canvas->resize(
        std::max(int(size.width()) + 2 * Gap,
                 maximumViewportSize().width() - (m_mode == Zoom::PageWidth ? bar : 0)),
        int(size.height()) + 2 * Gap);
    m_canvas->update();
}

} // namespace report

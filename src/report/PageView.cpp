#include "report/PageView.h"

#include "bands/ReportLayout.h"
#include "bands/ReportPainter.h"

#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace report {

namespace {

constexpr int Gap = 12; // grey around the sheet, in pixels
constexpr double ZoomStep = 1.25;
constexpr int WheelNotch = 120; // eighths of a degree

} // namespace

class PageView::Canvas final : public QWidget
{
public:
    Canvas(PageView& view) : QWidget(&view), m_view(view) {}

    // The sheet at 100 %, in pixels of this screen.
    QSizeF sheet() const
    {
        const bands::ReportDefinition& d = m_view.m_layout.definition();
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
        bands::ReportPainter(m_view.m_layout).paintPage(m_view.m_page - 1, p);
    }

private:
    PageView& m_view;
};

PageView::PageView(const bands::ReportLayout& layout, QWidget* parent)
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

void PageView::setCurrentPage(int page, bool atBottom)
{
    page = std::clamp(page, 1, std::max(1, pageCount()));
    m_wheel = 0;
    if (page == m_page)
        return;
    m_page = page;
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(atBottom ? bar->maximum() : bar->minimum());
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

void PageView::zoomIn()
{
    setZoomFactor(m_factor * ZoomStep);
}

void PageView::zoomOut()
{
    setZoomFactor(m_factor / ZoomStep);
}

void PageView::step(int direction)
{
    QScrollBar* bar = verticalScrollBar();
    if (direction > 0 && bar->value() < bar->maximum())
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    else if (direction < 0 && bar->value() > bar->minimum())
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    else
        setCurrentPage(m_page + direction, direction < 0);
}

void PageView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = mods == Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_PageDown:
        if (plain)
            return step(1);
        break;
    case Qt::Key_PageUp:
        if (plain)
            return step(-1);
        break;
    case Qt::Key_Space:
        if (plain || mods == Qt::ShiftModifier)
            return step(plain ? 1 : -1);
        break;
    case Qt::Key_Home:
        if (plain || mods == Qt::ControlModifier)
            return setCurrentPage(1);
        break;
    case Qt::Key_End:
        if (plain || mods == Qt::ControlModifier)
            return setCurrentPage(pageCount());
        break;
    default:
        break;
    }
    QScrollArea::keyPressEvent(event);
}

void PageView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        if (delta != 0)
            delta > 0 ? zoomIn() : zoomOut();
        event->accept();
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = delta < 0 ? bar->value() >= bar->maximum() : bar->value() <= bar->minimum();
    if (delta == 0 || !atEnd) {
        m_wheel = 0;
        QScrollArea::wheelEvent(event);
        return;
    }
    event->accept();
    // A touchpad turns in small steps: a page turns once a notch has been turned at its end.
    m_wheel += delta;
    if (std::abs(m_wheel) >= WheelNotch) {
        const int direction = m_wheel < 0 ? 1 : -1;
        m_wheel = 0;
        setCurrentPage(m_page + direction, direction < 0);
    }
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

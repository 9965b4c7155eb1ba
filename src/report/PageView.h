#pragma once

#include <QScrollArea>

namespace bands {
class ReportLayout;
}

namespace report {

// One page of a laid-out report on screen, painted when shown and at the zoom asked for; the
// other pages cost nothing until they are shown.
class PageView : public QScrollArea
{
    Q_OBJECT

public:
    enum class Zoom
    {
        WholePage,
        PageWidth,
        Factor, // zoomFactor(); 1 is the sheet's real size on the screen
    };

    explicit PageView(const bands::ReportLayout& layout, QWidget* parent = nullptr);

    int pageCount() const;
    int currentPage() const { return m_page; } // from 1
    // Shows the page from its top, or from its bottom when coming back to it from the next one.
    void setCurrentPage(int page, bool atBottom = false);
    Zoom zoomMode() const { return m_mode; }
    double zoomFactor() const { return m_factor; }
    void setZoomMode(Zoom mode);
    void setZoomFactor(double factor);
    // A step larger or smaller than the zoom shown, whatever its mode.
    void zoomIn();
    void zoomOut();

signals:
    void currentPageChanged(int page);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // As document viewers do: PgDn, PgUp and Space scroll a screenful and turn the page at its
    // end; Home and End (also with Ctrl) go to the first and last page.
    void keyPressEvent(QKeyEvent* event) override;
    // The wheel turns the page at its end; with Ctrl it zooms.
    void wheelEvent(QWheelEvent* event) override;

private:
    class Canvas;
    void relayout();
    // Scrolls a screenful down (+1) or up (-1), turning the page at its end.
    void step(int direction);

    const bands::ReportLayout& m_layout;
    Canvas* m_canvas;
    int m_page = 1;
    Zoom m_mode = Zoom::WholePage;
    double m_factor = 1;
    int m_wheel = 0; // eighths of a degree turned at a page's end, not yet a page
};

} // namespace report

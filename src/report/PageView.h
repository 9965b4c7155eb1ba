#pragma once

#include <QScrollArea>

namespace report {

class ReportLayout;

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

    explicit PageView(const ReportLayout& layout, QWidget* parent = nullptr);

    int pageCount() const;
    int currentPage() const { return m_page; } // from 1
    void setCurrentPage(int page);
    Zoom zoomMode() const { return m_mode; }
    double zoomFactor() const { return m_factor; }
    void setZoomMode(Zoom mode);
    void setZoomFactor(double factor);

signals:
    void currentPageChanged(int page);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Canvas;
    void relayout();

    const ReportLayout& m_layout;
    Canvas* m_canvas;
    int m_page = 1;
    Zoom m_mode = Zoom::WholePage;
    double m_factor = 1;
};

} // namespace report

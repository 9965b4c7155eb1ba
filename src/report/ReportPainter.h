#pragma once

class QPainter;
class QPagedPaintDevice;

namespace report {

class ReportLayout;

// Paints the pages of a laid-out report. Millimetres become device units here and nowhere else:
// the painter's device is taken to start at the sheet's top-left corner (full page, no margins).
class ReportPainter
{
public:
    explicit ReportPainter(const ReportLayout& layout) : m_layout(layout) {}

    void paintPage(int index, QPainter& painter) const;

    // Paints pages first..last (1-based, inclusive) onto a paged device, one sheet each, with
    // `progress` told the page about to be painted; it returns false to stop. Returns false when
    // stopped or when the device refused to start.
    template <class Progress>
    bool paintPages(QPagedPaintDevice& device, int first, int last, Progress&& progress) const;
    bool paintPages(QPagedPaintDevice& device, int first, int last) const
    {
        return paintPages(device, first, last, [](int) { return true; });
    }

private:
    bool paintRange(QPagedPaintDevice& device, int first, int last, bool (*step)(void*, int),
                    void* data) const;

    const ReportLayout& m_layout;
};

template <class Progress>
bool ReportPainter::paintPages(QPagedPaintDevice& device, int first, int last,
                               Progress&& progress) const
{
    return paintRange(
        device, first, last,
        [](void* data, int page) { return (*static_cast<Progress*>(data))(page); }, &progress);
}

} // namespace report

#pragma once

class QPainter;
class QPagedPaintDevice;

namespace bands {

class ReportLayout;

// Paints the pages of a laid-out report. Millimetres become device units here and nowhere else:
// the painter's device is taken to start at the sheet's top-left corner (full page, no margins).
class ReportPainter
{
public:
    explicit ReportPainter(const ReportLayout& layout) : m_layout(layout) {}

    void paintPage(int index, QPainter& painter) const;

    enum class Outcome
    {
        Painted,
        Stopped,    // progress said stop
        NotStarted, // the device refused to start
        Failed,     // the device failed to finish
    };

    // Paints pages first..last (1-based, inclusive) onto a paged device, one sheet each, the
    // whole range `copies` times over, with `progress` told the page about to be painted; it
    // returns false to stop.
    template <class Progress>
    Outcome paintPages(QPagedPaintDevice& device, int first, int last, int copies,
                       Progress&& progress) const;
    Outcome paintPages(QPagedPaintDevice& device, int first, int last) const
    {
        return paintPages(device, first, last, 1, [](int) { return true; });
    }

private:
    Outcome paintRange(QPagedPaintDevice& device, int first, int last, int copies,
                       bool (*step)(void*, int), void* data) const;

    const ReportLayout& m_layout;
};

template <class Progress>
ReportPainter::Outcome ReportPainter::paintPages(QPagedPaintDevice& device, int first, int last,
                                                 int copies, Progress&& progress) const
{
    return paintRange(
        device, first, last, copies,
        [](void* data, int page) { return (*static_cast<Progress*>(data))(page); }, &progress);
}

} // namespace bands

#pragma once

namespace taxfile {

// The arithmetic of the progress gauge: a range, a position kept inside it, and the whole
// percentage shown in its middle. A maximum below the minimum (or a minimum above the maximum)
// is refused with the gauge's own message, which names the bounds it would have accepted.
class GaugeModel
{
public:
    int minValue() const { return m_min; }
    int maxValue() const { return m_max; }
    int progress() const { return m_progress; }

    void setMinValue(int value);
    void setMaxValue(int value);
    // Clamped into the range. Returns true when the shown percentage changed.
    bool setProgress(int value);

    // 0 when the range is empty.
    int percentDone() const;
    // The share of the bar that is filled, 0 .. 1.
    double fraction() const;

private:
    int m_min = 0;
    int m_max = 100;
    int m_progress = 0;
};

} // namespace taxfile

#pragma once

#include "taxfile/GaugeModel.h"

#include <QWidget>

namespace taxfile {

// A horizontal bar that fills in proportion to its position and shows the whole percentage
// in its middle, drawn inverted where the bar covers it. It repaints at once whenever the
// shown percentage changes, because the run keeps the event loop busy.
class Gauge : public QWidget
{
    Q_OBJECT

public:
    explicit Gauge(QWidget* parent = nullptr);

    int minValue() const { return m_model.minValue(); }
    int maxValue() const { return m_model.maxValue(); }
    int progress() const { return m_model.progress(); }
    int percentDone() const { return m_model.percentDone(); }
    QString percentText() const;

    // Throw core::Error as the model does.
    void setMinValue(int value);
    void setMaxValue(int value);
    void setProgress(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GaugeModel m_model;
};

} // namespace taxfile

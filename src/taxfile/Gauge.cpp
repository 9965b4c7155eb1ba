#include "taxfile/Gauge.h"

#include <QPainter>

#include <cmath>

namespace taxfile {

Gauge::Gauge(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString Gauge::percentText() const
{
    return QString::number(m_model.percentDone()) + u'%';
}

void Gauge::setMinValue(int value)
{
    m_model.setMinValue(value);
    repaint();
}

void Gauge::setMaxValue(int value)
{
    const int before = m_model.percentDone();
    m_model.setMaxValue(value);
    if (before != m_model.percentDone())
        repaint();
}

void Gauge::setProgress(int value)
{
    if (m_model.setProgress(value))
        repaint();
}

void Gauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect outer = rect();
    // A single black border, white ground, black bar.
    p.fillRect(outer, Qt::black);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    p.fillRect(inner, Qt::white);
    const int filled = int(std::lround(inner.width() * m_model.fraction()));
    const QRect bar(inner.left(), inner.top(), filled, inner.height());
    p.fillRect(bar, Qt::black);

    p.setFont(font());
    const QString text = percentText();
    p.save();
    p.setClipRect(inner);
    p.setPen(Qt::black);
    p.drawText(inner, Qt::AlignCenter, text);
    p.setClipRect(bar);
    p.setPen(Qt::white);
    p.drawText(inner, Qt::AlignCenter, text);
    p.restore();
}

} // namespace taxfile

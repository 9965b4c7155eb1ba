#include "app/ShadowLabel.h"

#include <QPainter>

namespace app {

ShadowLabel::ShadowLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setWordWrap(true);
}

void ShadowLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    const int flags = int(alignment()) | Qt::TextWordWrap;
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(rect().translated(1, 1), flags, text());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), flags, text());
}

QWidget* ShadowLabel::make(const widgets::FormItem& item, QWidget* parent)
{
    return new ShadowLabel(item.text, parent);
}

} // namespace app

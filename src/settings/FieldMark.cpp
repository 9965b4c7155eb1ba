#include "settings/FieldMark.h"

#include <QLineEdit>
#include <QPainter>
#include <QStyle>

namespace settings {

namespace {

constexpr int Side = 16;

// The warning icon, asked of the style once, when a mark is first painted: the style searches
// the icon theme for it, which where the theme has no cache is thousands of file look-ups, too
// many for every mark of a dialog built at start-up that may never be shown.
const QPixmap& warningIcon(const QStyle* style)
{
    static const QPixmap icon =
        style->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(Side, Side);
    return icon;
}

} // namespace

QString tipParagraph(const QString& sentence)
{
    return sentence.isEmpty() ? QString() : QStringLiteral("<p>%1</p>").arg(sentence.toHtmlEscaped());
}

FieldMark::FieldMark(QLineEdit* field) : QWidget(field->parentWidget()), m_field(field)
{
    setObjectName(field->objectName() + QStringLiteral("Mark"));
    const QRect at = field->geometry();
    setGeometry(at.right() + 5, at.top() + (at.height() - Side) / 2, Side, Side);
}

void FieldMark::follow()
{
    connect(m_field, &QLineEdit::textChanged, this, &FieldMark::refresh);
    refresh();
}

void FieldMark::showTip(const QString& tip)
{
    setToolTip(tip);
    setVisible(!tip.isEmpty());
}

void FieldMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), warningIcon(style()));
}

} // namespace settings

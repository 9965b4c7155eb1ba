#include "settings/CheckDigitMark.h"

#include "taxformat/CheckDigits.h"

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

CheckDigitMark::CheckDigitMark(QLineEdit* field, CodeKind code, const QString& subject)
    : QWidget(field->parentWidget()), m_field(field), m_code(code), m_subject(subject)
{
    setObjectName(field->objectName() + QStringLiteral("Mark"));
    const QRect at = field->geometry();
    setGeometry(at.right() + 5, at.top() + (at.height() - Side) / 2, Side, Side);
    connect(field, &QLineEdit::textChanged, this, &CheckDigitMark::refresh);
    refresh();
}

QString CheckDigitMark::problem() const
{
    if (!m_field)
        return {};
    // Judged as the run writes it and the file check reads it, so both always agree.
    const QString text = check::codeAsWritten(m_field->text());
    QString what;
    if (m_code == CodeKind::FirmCode)
        what = check::firmCodeProblem(text);
    else if (m_code == CodeKind::IndividualNumber)
        what = check::individualNumberProblem(text);
    if (what.isEmpty())
        return {};
    return QStringLiteral("%1 %2. Текст буде збережено так, як його введено.").arg(m_subject, what);
}

void CheckDigitMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), warningIcon(style()));
}

void CheckDigitMark::refresh()
{
    const QString sentence = problem();
    // As a paragraph, so that the tooltip wraps instead of running off the screen.
    const QString tip =
        sentence.isEmpty() ? QString() : QStringLiteral("<p>%1</p>").arg(sentence.toHtmlEscaped());
    setToolTip(tip);
    m_field->setToolTip(tip);
    setVisible(!sentence.isEmpty());
}

} // namespace settings

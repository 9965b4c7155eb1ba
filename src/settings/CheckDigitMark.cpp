#include "settings/CheckDigitMark.h"

#include "check/CheckDigits.h"

#include <QLineEdit>
#include <QPainter>
#include <QStyle>

namespace settings {

CheckDigitMark::CheckDigitMark(QLineEdit* field, CodeKind code, const QString& subject)
    : QWidget(field->parentWidget()), m_field(field), m_code(code), m_subject(subject)
{
    setObjectName(field->objectName() + QStringLiteral("Mark"));
    const int side = 16;
    m_icon = style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side);
    const QRect at = field->geometry();
    setGeometry(at.right() + 5, at.top() + (at.height() - side) / 2, side, side);
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
    painter.drawPixmap(rect(), m_icon);
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

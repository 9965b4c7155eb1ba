#include "settings/CheckDigitMark.h"

#include "taxformat/CheckDigits.h"

#include <QLineEdit>

namespace settings {

CheckDigitMark::CheckDigitMark(QLineEdit* field, CodeKind code, const QString& subject)
    : FieldMark(field), m_code(code), m_subject(subject)
{
    follow();
}

QString CheckDigitMark::problem() const
{
    if (!m_field)
        return {};
    // Judged as the run writes it and the file check reads it, so both always agree.
    const QString text = taxformat::codeAsWritten(m_field->text());
    QString what;
    if (m_code == CodeKind::FirmCode)
        what = taxformat::firmCodeProblem(text);
    else if (m_code == CodeKind::IndividualNumber)
        what = taxformat::individualNumberProblem(text);
    if (what.isEmpty())
        return {};
    return QStringLiteral("%1 %2. Текст буде збережено так, як його введено.").arg(m_subject, what);
}

void CheckDigitMark::refresh()
{
    const QString tip = tipParagraph(problem());
    showTip(tip);
    m_field->setToolTip(tip);
}

} // namespace settings

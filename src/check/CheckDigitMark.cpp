#include "check/CheckDigitMark.h"

#include "check/CheckDigits.h"

#include <QLineEdit>
#include <QPainter>
#include <QStyle>

namespace check {

void CheckDigitMark::attach(const QList<QLineEdit*>& fields)
{
    struct Rule
    {
        const char* name;
        bool firmCode;
        const char* subject;
    };
    static constexpr Rule rules[] = {
        {"Edrpou1", true, "Код за ЄДРПОУ"},
        {"pdw1", false, "Ідентифікаційний номер фізичної особи — підприємця"},
        {"codpp1", true, "Код податкового органу за ЄДРПОУ"},
        {"codk1", false, "Ідентифікаційний номер керівника"},
        {"codb1", false, "Ідентифікаційний номер головного бухгалтера"},
    };
    for (QLineEdit* field : fields)
        for (const Rule& rule : rules)
            if (field && field->objectName() == QLatin1String(rule.name))
                new CheckDigitMark(field, rule.firmCode, QString::fromUtf8(rule.subject));
}

CheckDigitMark::CheckDigitMark(QLineEdit* field, bool firmCode, const QString& subject)
    : QWidget(field->parentWidget()), m_field(field), m_firmCode(firmCode), m_subject(subject)
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
    const QString text = m_field->text().trimmed();
    const QString what = m_firmCode ? firmCodeProblem(text) : individualNumberProblem(text);
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

} // namespace check

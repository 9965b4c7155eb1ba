#include "settings/DestinationMark.h"

#include "settings/UploadPath.h"

#include <QEvent>
#include <QLineEdit>

namespace settings {

DestinationMark::DestinationMark(QLineEdit* field, FileName fileName)
    : FieldMark(field), m_fileName(std::move(fileName))
{
    follow();
}

void DestinationMark::refresh()
{
    if (!m_field)
        return;
    const QString text = m_field->text();
    // Blanks at its ends matter too: the path is taken as it stands.
    m_field->setToolTip(text.isEmpty() ? QString()
                                       : QStringLiteral("<p style='white-space:pre'>%1</p>")
                                             .arg(text.toHtmlEscaped()));
    const QString problem = destinationProblem(text);
    if (problem.isEmpty()) {
        showTip({});
        return;
    }
    QString name = m_fileName ? m_fileName() : QString();
    if (name.isEmpty())
        name = QStringLiteral("<ім'я файла>");
    showTip(tipParagraph(problem) +
            QStringLiteral("<p style='white-space:pre'>%1</p>")
                .arg(QStringLiteral("Шлях файла:\n%1")
                         .arg(uploadTarget(text, name))
                         .toHtmlEscaped()));
}

bool DestinationMark::event(QEvent* event)
{
    // The file's name may have changed since the text did (a run, other codes).
    if (event->type() == QEvent::ToolTip)
        refresh();
    return FieldMark::event(event);
}

} // namespace settings

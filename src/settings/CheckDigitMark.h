#pragma once

#include "settings/FieldTable.h"

#include <QPointer>
#include <QWidget>

class QLineEdit;

namespace settings {

// A warning mark beside a requisite field whose code fails its check digit, with a tooltip that
// says so on the mark and on the field. It never touches the field's text: whatever is typed
// is accepted and saved as it stands.
class CheckDigitMark : public QWidget
{
    Q_OBJECT

public:
    // The field's code and how a warning names it come from its row of the field table.
    CheckDigitMark(QLineEdit* field, CodeKind code, const QString& subject);

    // The sentence for the field's current text; empty when it passes.
    QString problem() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    QPointer<QLineEdit> m_field;
    CodeKind m_code;
    QString m_subject;
};

} // namespace settings

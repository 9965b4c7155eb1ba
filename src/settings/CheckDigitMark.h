#pragma once

#include "settings/FieldMark.h"
#include "settings/FieldTable.h"

namespace settings {

// The mark beside a requisite field whose code fails its check digit, with a tooltip that says
// so on the mark and on the field.
class CheckDigitMark : public FieldMark
{
    Q_OBJECT

public:
    // The field's code and how a warning names it come from its row of the field table.
    CheckDigitMark(QLineEdit* field, CodeKind code, const QString& subject);

    // The sentence for the field's current text; empty when it passes.
    QString problem() const;

protected:
    void refresh() override;

private:
    CodeKind m_code;
    QString m_subject;
};

} // namespace settings

#include "taxfile/FileNumberBox.h"

namespace taxfile {

FileNumberBox::FileNumberBox(QWidget* parent) : QSpinBox(parent)
{
    setRange(0, 99);
    setValue(1);
}

QValidator::State FileNumberBox::validate(QString& input, int& pos) const
{
    if (input.trimmed().isEmpty())
        return QValidator::Acceptable;
    const QValidator::State state = QSpinBox::validate(input, pos);
    // 0 is the empty box's value, never a file number the user can type.
    if (state == QValidator::Acceptable && QSpinBox::valueFromText(input) == 0)
        return QValidator::Intermediate;
    return state;
}

int FileNumberBox::valueFromText(const QString& text) const
{
    return text.trimmed().isEmpty() ? 0 : QSpinBox::valueFromText(text);
}

QString FileNumberBox::textFromValue(int value) const
{
    return value == 0 ? QString() : QSpinBox::textFromValue(value);
}

QAbstractSpinBox::StepEnabled FileNumberBox::stepEnabled() const
{
    StepEnabled steps = StepNone;
    if (value() < maximum())
        steps |= StepUpEnabled;
    if (value() > 1)
        steps |= StepDownEnabled;
    return steps;
}

void FileNumberBox::stepBy(int steps)
{
    QSpinBox::stepBy(steps);
    if (value() == 0)
        setValue(1);
}

} // namespace taxfile

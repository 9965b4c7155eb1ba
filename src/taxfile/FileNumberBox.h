#pragma once

#include <QSpinBox>

namespace taxfile {

// The number of the file within the period, 1 to 99, which the user may also leave empty: an
// empty box stays empty (its value is 0) instead of springing back to a number, and the file
// name then carries a lone "0" in its place. The arrows never step into the empty state.
class FileNumberBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit FileNumberBox(QWidget* parent = nullptr);

    void stepBy(int steps) override;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
    StepEnabled stepEnabled() const override;
};

} // namespace taxfile

#pragma once

#include <QValidator>

namespace widgets {

// Lets into a text field only what Windows-1251 can carry, typed or pasted, so that nothing
// the user enters is lost when it leaves the program as Windows-1251 bytes.
class Cp1251Validator final : public QValidator
{
    Q_OBJECT

public:
    explicit Cp1251Validator(QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
};

} // namespace widgets

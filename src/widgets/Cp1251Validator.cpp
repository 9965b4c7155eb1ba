#include "widgets/Cp1251Validator.h"

#include "core/Cp1251.h"

namespace widgets {

Cp1251Validator::Cp1251Validator(QObject* parent) : QValidator(parent) {}

QValidator::State Cp1251Validator::validate(QString& input, int& pos) const
{
    Q_UNUSED(pos);
    return core::cp1251::canEncode(input) ? Acceptable : Invalid;
}

} // namespace widgets

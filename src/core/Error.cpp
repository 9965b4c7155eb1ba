#include "core/Error.h"

namespace core {

Error::Error(const QString& message) : std::runtime_error(message.toStdString()), m_message(message)
{
}

QString errorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

} // namespace core

#include "core/Error.h"

#include <algorithm>

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

QString shownValue(const QString& value, qsizetype maxLength)
{
    if (value.size() <= maxLength)
        return value;
    qsizetype cut = std::max<qsizetype>(maxLength - 1, 0);
    // Never half a surrogate pair.
    if (cut > 0 && value.at(cut - 1).isHighSurrogate())
        --cut;
    return value.left(cut) + QChar(0x2026);
}

} // namespace core

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

QString shownValue(const QString& value)
{
    if (value.size() <= kShownValueLength)
        return value;
    qsizetype cut = kShownValueLength - 1;
    // Never half a surrogate pair.
    if (value.at(cut - 1).isHighSurrogate())
        --cut;
    return value.left(cut) + QChar(0x2026);
}

} // namespace core

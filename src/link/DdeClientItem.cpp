#include "link/DdeClientItem.h"

#include "core/Cp1251.h"

namespace ddelink {

QString replyText(const std::string& reply)
{
    std::string text = reply.substr(0, reply.find('\0'));
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 1 && byte <= 31)
            c = ' ';
    }
    return core::cp1251::decode(text);
}

DdeClientItem::DdeClientItem(DdeClientConv& conversation) : m_conversation(conversation) {}

void DdeClientItem::setDdeItem(const QString& name)
{
    try {
        setDdeItemUnguarded(name);
    } catch (...) {
        // The caller reads an empty text as "no data"; nothing here may end its run.
        m_text.clear();
    }
}

void DdeClientItem::setDdeItemUnguarded(const QString& name)
{
    ClientTransport& transport = m_conversation.transport();
    m_timedOut = false;
    if (m_isAdvised) {
        m_isAdvised = false;
        // A stop that is not answered in time says the program has stopped answering: the
        // request that follows would wait in vain as well.
        if (!transport.adviseStop(m_advised))
            m_timedOut = transport.timedOut();
    }
    m_text.clear();
    m_item.clear();
    if (name.isEmpty() || m_timedOut)
        return;
    // A name that cannot travel as it stands (too long for DDE, a character without a
    // Windows-1251 byte, an embedded NUL that would cut it) would ask for some other item:
    // it is refused here as the server would refuse an unknown one.
    if (!core::cp1251::canEncode(name) || name.contains(QChar(0)))
        return;
    std::string bytes = core::cp1251::encodeStd(name);
    if (bytes.size() > static_cast<std::size_t>(MaxNameBytes))
        return;
    if (!transport.adviseStart(bytes)) {
        m_timedOut = m_timedOut || transport.timedOut();
        return;
    }
    m_item = name;
    m_advised = bytes;
    m_isAdvised = true;
    if (const auto reply = transport.request(bytes))
        m_text = replyText(*reply);
    else
        m_timedOut = m_timedOut || transport.timedOut();
}

QString DdeClientItem::ask(const QString& item)
{
    setDdeItem(item);
    return m_text;
}

bool openLink(DdeClientConv& conversation, DdeClientItem& item)
{
    if (!conversation.OpenLink())
        return false;
    item.setDdeItem(QStringLiteral("РДАТА"));
    return true;
}

} // namespace ddelink

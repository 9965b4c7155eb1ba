#include "link/DdeClientItem.h"

#include "core/Cp1251.h"

namespace ddelink {

QString replyText(const std::string& reply)
{
    return core::cp1251::decode(cleanReply(reply));
}

DdeClientItem::DdeClientItem(DdeClientConv& conversation) : m_link(conversation.transport()) {}

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
    m_text.clear();
    m_item.clear();
    m_timedOut = false;
    // A character without a Windows-1251 byte would reach the server as some other item: the
    // name is refused as the server would refuse an unknown one, and only the old link ends.
    const std::string bytes =
        core::cp1251::canEncode(name) ? core::cp1251::encodeStd(name) : std::string();
    const bool advised = m_link.set(bytes);
    m_timedOut = m_link.timedOut();
    if (!advised)
        return;
    m_item = name;
    m_text = core::cp1251::decode(m_link.text());
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

#include "link/ItemLink.h"

namespace ddelink {

std::string cleanReply(const std::string& reply)
{
    std::string text = reply.substr(0, reply.find('\0'));
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 1 && byte <= 31)
            c = ' ';
    }
    return text;
}

bool ItemLink::set(const std::string& item)
{
    m_timedOut = false;
    m_gotData = false;
    // Where the other side keeps the link, the same steps run there; a name that cannot travel
    // then goes as an empty one, which only ends the previous link, as below.
    const bool travels = item.size() <= MaxNameBytes && item.find('\0') == std::string::npos;
    if (auto whole = m_transport.ask(travels ? item : std::string())) {
        m_text = cleanReply(whole->text);
        m_timedOut = whole->timedOut;
        m_gotData = whole->advised && !whole->timedOut; // as far as the reply tells
        return whole->advised;
    }
    if (m_isAdvised) {
        m_isAdvised = false;
        if (!m_transport.adviseStop(m_advised))
            m_timedOut = m_transport.timedOut();
    }
    m_text.clear();
    // A name too long for DDE or with an embedded NUL (which would cut it) would ask for some
    // other item: it is refused here as the server would refuse an unknown one.
    if (item.empty() || m_timedOut || !travels)
        return false;
    if (!m_transport.adviseStart(item)) {
        m_timedOut = m_transport.timedOut();
        return false;
    }
    m_advised = item;
    m_isAdvised = true;
    if (const auto reply = m_transport.request(item)) {
        m_text = cleanReply(*reply);
        m_gotData = true;
    } else {
        m_timedOut = m_transport.timedOut();
    }
    return true;
}

} // namespace ddelink

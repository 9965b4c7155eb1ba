#pragma once

#include "link/ClientTransport.h"

#include <cstddef>
#include <string>

namespace ddelink {

// The item link's order of transactions, in Windows-1251 bytes and without Qt, so that the same
// code runs over the socket transport on Linux and over DDEML on Windows. Setting an item ends
// the warm link on the previous one, starts one on the new item without data and requests it;
// whatever goes wrong on the way leaves the text empty. A stop that is not answered in time says
// the program has stopped answering, so nothing more is sent for that item.
class ItemLink
{
public:
    // DDE names carry at most this many bytes.
    static constexpr std::size_t MaxNameBytes = 255;

    explicit ItemLink(ClientTransport& transport) : m_transport(transport) {}

    // True when the server took the warm link on the item (and it was then requested). An empty
    // name only ends the previous link; a name that cannot travel is refused before it goes out.
    bool set(const std::string& item);
    // The last reply as the callers read it; empty when there is no data.
    const std::string& text() const { return m_text; }
    // True when a transaction of the last set got no reply in time (rather than a refusal).
    bool timedOut() const { return m_timedOut; }
    // True when the last set got as far as the request's data (which may be empty).
    bool gotData() const { return m_gotData; }

private:
    ClientTransport& m_transport;
    std::string m_advised;
    bool m_isAdvised = false;
    std::string m_text;
    bool m_timedOut = false;
    bool m_gotData = false;
};

// A reply cut at its first NUL, every byte 1..31 (line breaks included) turned into a blank.
std::string cleanReply(const std::string& reply);

} // namespace ddelink

#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace ddelink {

// What one ask of the item link came to (see ItemLink::set).
struct AskResult
{
    bool advised = false; // the warm link on the item was taken, and the item requested
    std::string text;     // the reply, empty when there was none
    bool timedOut = false;
};

// How long the link waits for an accounting program it started to offer the service.
inline constexpr std::chrono::milliseconds ServiceStartWait{5000};

// The client side of one conversation with the accounting program, in Windows-1251 bytes. On
// Linux it is the local socket transport, on Windows DDEML. Every transaction waits a bounded
// time; once the conversation has ended (server gone, broken stream) every call fails at once.
class ClientTransport
{
public:
    virtual ~ClientTransport() = default;

    // Opens the conversation, ending any previous one. True when the server accepted the topic.
    virtual bool connect(const std::string& service, const std::string& topic) = 0;
    // A warm link on the item, without data. False when refused or not answered in time.
    virtual bool adviseStart(const std::string& item) = 0;
    virtual bool adviseStop(const std::string& item) = 0;
    // The item's value as text, or nothing when refused or not answered in time.
    virtual std::optional<std::string> request(const std::string& item) = 0;
    // A whole ask of the item link (end the warm link on the previous item, start one on this
    // item, request it) carried out by the other side in one exchange, where the other side keeps
    // the item link itself (the Wine bridge). Nothing when this transport cannot: the caller then
    // runs the three transactions.
    virtual std::optional<AskResult> ask(const std::string& item)
    {
        (void)item;
        return std::nullopt;
    }
    virtual void disconnect() = 0;
    virtual bool connected() const = 0;
    // True when the last transaction failed because its reply did not come in time, as opposed
    // to a refusal, which is the server's own answer.
    virtual bool timedOut() const { return false; }
    // True when a failed connect has already started the accounting program and tried once
    // more (the Wine bridge does this inside the prefix): the caller starts nothing itself.
    virtual bool startsServiceItself() const { return false; }
};

} // namespace ddelink

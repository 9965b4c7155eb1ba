#pragma once

#include "link/ClientTransport.h"
#include "link/Frame.h"
#include "link/FrameDecoder.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace ddelink {

// The client of the local transport: one Unix stream socket per conversation. Each transaction
// waits at most the timeout for its reply; a reply that comes later is recognised by its id
// and dropped. A broken stream (oversized or malformed frame, closed socket, a write that could
// not complete) ends the conversation for good.
class UnixSocketTransport : public ClientTransport
{
public:
    explicit UnixSocketTransport(
        std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
    ~UnixSocketTransport() override;
    UnixSocketTransport(const UnixSocketTransport&) = delete;
    UnixSocketTransport& operator=(const UnixSocketTransport&) = delete;

    bool connect(const std::string& service, const std::string& topic) override;
    bool adviseStart(const std::string& item) override;
    bool adviseStop(const std::string& item) override;
    std::optional<std::string> request(const std::string& item) override;
    void disconnect() override;
    // Also false once the server has hung up, before any transaction has noticed.
    bool connected() const override;
    bool timedOut() const override { return m_timedOut; }

private:
    using Clock = std::chrono::steady_clock;

    bool openSocket(const std::string& service);
    // Sends one frame and waits for the reply with its id; nothing on timeout or a broken stream.
    std::optional<Frame> transact(char kind, const std::string& payload);
    bool sendAll(const std::string& bytes, Clock::time_point deadline);
    void endConversation();

    std::chrono::milliseconds m_timeout;
    int m_fd = -1;
    std::uint32_t m_nextId = 1;
    bool m_timedOut = false;
    FrameDecoder m_decoder;
};

} // namespace ddelink

#pragma once

#include "link/ClientTransport.h"
#include "link/FrameStream.h"

#include <chrono>
#include <optional>
#include <string>

namespace ddelink {

// A transport that speaks the frames of the local transport: advise start, advise stop and
// request each become one frame with its reply, waited for at most the timeout. A subclass whose
// peer keeps the item link (the Wine bridge) also sends a whole ask as one frame, waited for as
// long as its three transactions may take there. Where the frames travel (a socket, a bridge's
// pipes) is the subclass's business.
class FrameTransport : public ClientTransport
{
public:
    bool adviseStart(const std::string& item) override;
    bool adviseStop(const std::string& item) override;
    std::optional<std::string> request(const std::string& item) override;
    std::optional<AskResult> ask(const std::string& item) override;
    // Also false once the peer has hung up, before any transaction has noticed.
    bool connected() const override { return m_stream.peerAlive(); }
    bool timedOut() const override { return m_stream.timedOut(); }

protected:
    FrameTransport(std::chrono::milliseconds timeout, bool carriesAsks)
        : m_timeout(timeout), m_carriesAsks(carriesAsks)
    {
    }

    // Sends one frame and waits for the reply with its id; nothing on timeout or a broken stream.
    std::optional<Frame> transact(char kind, const std::string& payload);

    std::chrono::milliseconds m_timeout;
    bool m_carriesAsks;
    FrameStream m_stream;
};

} // namespace ddelink

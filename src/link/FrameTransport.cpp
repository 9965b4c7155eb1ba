#include "link/FrameTransport.h"

namespace ddelink {

std::optional<Frame> FrameTransport::transact(char kind, const std::string& payload)
{
    return m_stream.transact(kind, payload, FrameStream::Clock::now() + m_timeout);
}

bool FrameTransport::adviseStart(const std::string& item)
{
    const auto reply = transact(Frame::AdviseStart, item);
    return reply && reply->kind == Frame::Accepted;
}

bool FrameTransport::adviseStop(const std::string& item)
{
    const auto reply = transact(Frame::AdviseStop, item);
    return reply && reply->kind == Frame::Accepted;
}

std::optional<std::string> FrameTransport::request(const std::string& item)
{
    auto reply = transact(Frame::Request, item);
    if (reply && reply->kind == Frame::Data)
        return std::move(reply->payload);
    return std::nullopt;
}

std::optional<AskResult> FrameTransport::ask(const std::string& item)
{
    if (!m_carriesAsks)
        return std::nullopt;
    // The peer waits the timeout for each of the ask's three transactions and says so when one
    // got no reply; this wait only catches a peer that has stopped answering altogether.
    const auto reply =
        m_stream.transact(Frame::Ask, item, FrameStream::Clock::now() + 4 * m_timeout);
    AskResult result;
    if (!reply) {
        result.timedOut = m_stream.timedOut();
        return result;
    }
    const int status = reply->payload.empty() ? -1 : reply->payload[0] - '0';
    if (reply->kind != Frame::Data || status < 0 ||
        status > (Frame::AskAdvised | Frame::AskTimedOut)) {
        m_stream.close(); // not an answer to an ask: the peer is out of step
        return result;
    }
    result.advised = (status & Frame::AskAdvised) != 0;
    result.timedOut = (status & Frame::AskTimedOut) != 0;
    result.text = reply->payload.substr(1);
    return result;
}

} // namespace ddelink

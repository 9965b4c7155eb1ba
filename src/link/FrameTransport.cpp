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

} // namespace ddelink

#include "link/FrameDecoder.h"

namespace ddelink {

static std::uint32_t getU32(const char* p)
{
    const auto b = [p](int i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(p[i]));
    };
    return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

void FrameDecoder::feed(const char* data, std::size_t size)
{
    if (failed() || size == 0)
        return;
    // Drop what was already given out before the buffer grows, so a long conversation does not
    // keep every byte it ever received.
    if (m_start > 0 && m_start >= m_buffer.size() / 2) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(data, size);
}

std::optional<Frame> FrameDecoder::next()
{
    if (failed() || pending() < Frame::HeaderSize)
        return std::nullopt;
    const char* head = m_buffer.data() + m_start;
    const char kind = head[0];
    if (!Frame::isKnownKind(kind)) {
        m_error = "unknown frame kind " + std::to_string(static_cast<unsigned char>(kind));
        return std::nullopt;
    }
    const std::uint32_t length = getU32(head + 5);
    // Judged on the header alone: a peer announcing a huge payload is not waited for.
    if (length > Frame::MaxPayload) {
        m_error = "frame payload of " + std::to_string(length) + " bytes exceeds the bound";
        return std::nullopt;
    }
    if (pending() - Frame::HeaderSize < length)
        return std::nullopt;
    Frame frame;
    frame.kind = kind;
    frame.id = getU32(head + 1);
    frame.payload.assign(head + Frame::HeaderSize, length);
    m_start += Frame::HeaderSize + length;
    if (m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    }
    return frame;
}

} // namespace ddelink

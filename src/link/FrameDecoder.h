#pragma once

#include "link/Frame.h"

#include <cstddef>
#include <optional>
#include <string>

namespace ddelink {

// Cuts a byte stream from the other side into frames. Bytes arrive in any pieces; a frame is
// given out once it is whole. The stream is outside input: an unknown kind or a payload over
// Frame::MaxPayload puts the decoder into a failed state for good (the stream cannot be
// resynchronised), and it never reads past what it was fed.
class FrameDecoder
{
public:
    void feed(const char* data, std::size_t size);
    void feed(const std::string& bytes) { feed(bytes.data(), bytes.size()); }

    // The next whole frame, or nothing when more bytes are needed or the stream failed.
    std::optional<Frame> next();

    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }
    // Bytes received but not yet given out as a frame.
    std::size_t pending() const { return m_buffer.size() - m_start; }

private:
    std::string m_buffer;
    std::size_t m_start = 0;
    std::string m_error;
};

} // namespace ddelink

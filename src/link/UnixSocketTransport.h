#pragma once

#include "link/FrameTransport.h"

#include <chrono>
#include <string>

namespace ddelink {

// The client of the local transport: one Unix stream socket per conversation. Each transaction
// waits at most the timeout for its reply; a reply that comes later is recognised by its id
// and dropped. A broken stream (oversized or malformed frame, closed socket, a write that could
// not complete) ends the conversation for good.
class UnixSocketTransport : public FrameTransport
{
public:
    explicit UnixSocketTransport(
        std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
    ~UnixSocketTransport() override;
    UnixSocketTransport(const UnixSocketTransport&) = delete;
    UnixSocketTransport& operator=(const UnixSocketTransport&) = delete;

    bool connect(const std::string& service, const std::string& topic) override;
    void disconnect() override;

private:
    bool openSocket(const std::string& service);
};

} // namespace ddelink

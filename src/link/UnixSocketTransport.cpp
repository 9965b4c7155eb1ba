#include "link/UnixSocketTransport.h"

#include "core/Cp1251.h"
#include "link/SocketPath.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ddelink {

UnixSocketTransport::UnixSocketTransport(std::chrono::milliseconds timeout)
    : FrameTransport(timeout, false)
{
}

UnixSocketTransport::~UnixSocketTransport()
{
    disconnect();
}

// Waits for the socket to become writable until the deadline, retrying after signals.
static bool waitWritable(int fd, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLOUT, 0};
        const int n = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

bool UnixSocketTransport::openSocket(const std::string& service)
{
    const QString path = SocketPath::forService(core::cp1251::decode(service));
    if (!SocketPath::fitsSocketAddress(path) || !SocketPath::isPrivate(SocketPath::directory()))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = path.toUtf8();
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
    const auto deadline = FrameStream::Clock::now() + m_timeout;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // A server with a full backlog makes us wait; within the bound, as for any transaction.
        int soError = errno;
        if ((soError == EAGAIN || soError == EINPROGRESS) && waitWritable(fd, deadline)) {
            socklen_t len = sizeof soError;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0)
                soError = errno;
        }
        if (soError != 0) {
            ::close(fd);
            return false;
        }
    }
    // Only a server of our own user may answer for the accounting program.
    ucred peer{};
    socklen_t len = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != ::geteuid()) {
        ::close(fd);
        return false;
    }
    m_stream.openSocket(fd);
    return true;
}

bool UnixSocketTransport::connect(const std::string& service, const std::string& topic)
{
    disconnect();
    if (!openSocket(service))
        return false;
    const auto reply = transact(Frame::Connect, topic);
    if (reply && reply->kind == Frame::Accepted)
        return true;
    disconnect();
    return false;
}

void UnixSocketTransport::disconnect()
{
    m_stream.post(Frame::Disconnect);
    m_stream.close();
}

} // namespace ddelink

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

UnixSocketTransport::UnixSocketTransport(std::chrono::milliseconds timeout) : m_timeout(timeout) {}

UnixSocketTransport::~UnixSocketTransport()
{
    disconnect();
}

// Rounded up, so that a wait never ends before the deadline it was given.
static int remainingMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for the events until the deadline, retrying after signals. True when they came; when
// they did not, `timedOut` (if given) tells the deadline from a failure of the wait itself.
static bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline,
                    bool* timedOut = nullptr)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, remainingMs(deadline));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR) {
            if (timedOut)
                *timedOut = n == 0;
            return false;
        }
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
    const auto deadline = Clock::now() + m_timeout;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // A server with a full backlog makes us wait; within the bound, as for any transaction.
        int soError = errno;
        if ((soError == EAGAIN || soError == EINPROGRESS) && waitFor(fd, POLLOUT, deadline)) {
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
    m_fd = fd;
    m_decoder = FrameDecoder();
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

bool UnixSocketTransport::adviseStart(const std::string& item)
{
    const auto reply = transact(Frame::AdviseStart, item);
    return reply && reply->kind == Frame::Accepted;
}

bool UnixSocketTransport::adviseStop(const std::string& item)
{
    const auto reply = transact(Frame::AdviseStop, item);
    return reply && reply->kind == Frame::Accepted;
}

std::optional<std::string> UnixSocketTransport::request(const std::string& item)
{
    auto reply = transact(Frame::Request, item);
    if (reply && reply->kind == Frame::Data)
        return std::move(reply->payload);
    return std::nullopt;
}

void UnixSocketTransport::disconnect()
{
    if (m_fd < 0)
        return;
    // Best effort: a server that no longer reads must not hold up the end of the run.
    Frame bye;
    bye.kind = Frame::Disconnect;
    bye.id = m_nextId++;
    const std::string bytes = bye.encode();
    (void)::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    endConversation();
}

bool UnixSocketTransport::connected() const
{
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return true;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
        return false;
    // Readable: either a late reply waits (still talking) or the server has closed its end.
    char byte = 0;
    return ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) != 0;
}

void UnixSocketTransport::endConversation()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool UnixSocketTransport::sendAll(const std::string& bytes, Clock::time_point deadline)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            waitFor(m_fd, POLLOUT, deadline, &m_timedOut))
            continue;
        return false;
    }
    return true;
}

std::optional<Frame> UnixSocketTransport::transact(char kind, const std::string& payload)
{
    m_timedOut = false;
    if (m_fd < 0 || payload.size() > Frame::MaxPayload)
        return std::nullopt;
    const auto deadline = Clock::now() + m_timeout;
    Frame frame;
    frame.kind = kind;
    frame.id = m_nextId++;
    frame.payload = payload;
    // A frame only partly written leaves the stream out of step: nothing after it could be read
    // correctly, so the conversation ends.
    if (!sendAll(frame.encode(), deadline)) {
        endConversation();
        return std::nullopt;
    }
    char buffer[16384];
    for (;;) {
        while (auto reply = m_decoder.next()) {
            if (!Frame::isReplyKind(reply->kind)) {
                endConversation();
                return std::nullopt;
            }
            if (reply->id == frame.id)
                return reply;
            // Any other id is a reply we gave up on: it belongs to nobody now.
        }
        if (m_decoder.failed()) {
            endConversation();
            return std::nullopt;
        }
        if (!waitFor(m_fd, POLLIN, deadline, &m_timedOut))
            return std::nullopt;
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            m_decoder.feed(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            endConversation();
            return std::nullopt;
        }
    }
}

} // namespace ddelink

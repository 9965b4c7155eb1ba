#include "link/FrameStream.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ddelink {

namespace {

constexpr auto IdleSlice = std::chrono::milliseconds(100);

// Rounded up, so that a wait never ends before the deadline it was given.
int remainingMs(FrameStream::Clock::time_point deadline)
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - FrameStream::Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

FrameStream::~FrameStream()
{
    close();
}

void FrameStream::openSocket(int fd)
{
    close();
    m_read = m_write = fd;
    m_socket = true;
    m_nextId = 1; // a new stream holds no late reply of the last one
}

void FrameStream::openPipes(int readFd, int writeFd, int exitFd)
{
    close();
    m_read = readFd;
    m_write = writeFd;
    m_exit = exitFd;
    m_socket = false;
    m_nextId = 1;
    // Waits are bounded by poll, never by a read or a write.
    ::fcntl(m_read, F_SETFL, ::fcntl(m_read, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_write, F_SETFL, ::fcntl(m_write, F_GETFL) | O_NONBLOCK);
}

void FrameStream::close()
{
    if (m_write != m_read)
        closeFd(m_write);
    m_write = -1;
    closeFd(m_read);
    closeFd(m_exit);
    m_decoder = FrameDecoder();
}

long FrameStream::writeSome(const char* data, std::size_t size)
{
    if (m_socket)
        return ::send(m_write, data, size, MSG_NOSIGNAL);
    // A pipe whose reader is gone raises SIGPIPE, which would end the whole program: it is held
    // back on this thread for the write, and taken off again if the write raised it.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const ssize_t n = ::write(m_write, data, size);
    const int error = errno;
    if (n < 0 && error == EPIPE && !wasPending) {
        // Our own SIGPIPE, raised by this write, is taken off again while it is still blocked.
        sigset_t raised;
        int taken = 0;
        if (sigpending(&raised) == 0 && sigismember(&raised, SIGPIPE) == 1)
            sigwait(&pipeSignal, &taken);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return n;
}

bool FrameStream::sendAll(const std::string& bytes, Clock::time_point deadline)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long n = writeSome(bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{m_write, POLLOUT, 0};
            const int ready = ::poll(&p, 1, remainingMs(deadline));
            if (ready > 0 || (ready < 0 && errno == EINTR))
                continue;
            m_timedOut = ready == 0;
        }
        return false;
    }
    return true;
}

void FrameStream::post(char kind)
{
    if (!isOpen())
        return;
    Frame frame;
    frame.kind = kind;
    frame.id = m_nextId++;
    const std::string bytes = frame.encode();
    // Best effort, never waiting: a peer that no longer reads must not hold anything up.
    (void)writeSome(bytes.data(), bytes.size());
}

bool FrameStream::peerAlive() const
{
    if (!isOpen())
        return false;
    pollfd p[2] = {{m_read, POLLIN, 0}, {m_exit, POLLIN, 0}};
    if (::poll(p, m_exit >= 0 ? 2 : 1, 0) <= 0)
        return true;
    if (p[1].revents != 0 || (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)))
        return false;
    if (!m_socket)
        return true; // a late reply waits
    // Readable: either a late reply waits (still talking) or the server has closed its end.
    char byte = 0;
    return ::recv(m_read, &byte, 1, MSG_PEEK | MSG_DONTWAIT) != 0;
}

bool FrameStream::waitReadable(Clock::time_point deadline, const Idle& idle)
{
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline) {
            m_timedOut = true;
            return false;
        }
        const auto until = idle ? std::min(deadline, now + IdleSlice) : deadline;
        pollfd p[2] = {{m_read, POLLIN, 0}, {m_exit, POLLIN, 0}};
        const int n = ::poll(p, m_exit >= 0 ? 2 : 1, remainingMs(until));
        if (n < 0 && errno != EINTR)
            return false;
        // What the peer wrote before it ended is still read; its end counts once that is done.
        if (n > 0 && p[0].revents != 0)
            return true;
        if (n > 0 && p[1].revents != 0)
            return false;
        if (idle)
            idle();
        if (!isOpen())
            return false; // closed meanwhile: the wait was given up
    }
}

std::optional<Frame> FrameStream::await(std::uint32_t id, Clock::time_point deadline,
                                        const Idle& idle)
{
    m_timedOut = false;
    char buffer[16384];
    bool broken = false;
    while (isOpen() && !broken) {
        while (auto reply = m_decoder.next()) {
            if (!Frame::isReplyKind(reply->kind)) {
                broken = true; // a frame no client may receive
                break;
            }
            if (reply->id == id)
                return reply;
            // Any other id is a reply we gave up on: it belongs to nobody now.
        }
        if (broken || m_decoder.failed())
            break;
        if (!waitReadable(deadline, idle)) {
            if (m_timedOut)
                return std::nullopt;
            break;
        }
        const ssize_t n = ::read(m_read, buffer, sizeof buffer);
        if (n > 0)
            m_decoder.feed(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            break;
    }
    close();
    return std::nullopt;
}

std::optional<Frame> FrameStream::transact(char kind, const std::string& payload,
                                           Clock::time_point deadline, const Idle& idle)
{
    m_timedOut = false;
    if (!isOpen() || payload.size() > Frame::MaxPayload)
        return std::nullopt;
    Frame frame;
    frame.kind = kind;
    frame.id = m_nextId++;
    frame.payload = payload;
    // A frame only partly written leaves the stream out of step: nothing after it could be read
    // correctly, so the conversation ends.
    if (!sendAll(frame.encode(), deadline)) {
        close();
        return std::nullopt;
    }
    auto reply = await(frame.id, deadline, idle);
    // A reply of a kind this frame cannot have is no answer, empty or otherwise: the peer does
    // not speak the protocol, and the conversation ends as for any malformed frame.
    if (reply && !Frame::answers(kind, reply->kind)) {
        close();
        return std::nullopt;
    }
    return reply;
}

} // namespace ddelink

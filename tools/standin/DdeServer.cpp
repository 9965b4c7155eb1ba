#include "DdeServer.h"

#include "core/Cp1251.h"
#include "link/FrameDecoder.h"
#include "link/SocketPath.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <deque>

namespace ddelink {

// One client's conversation: its stream decoder and the replies waiting for their time.
class DdeServer::Conversation : public QObject
{
public:
    Conversation(DdeServer& server, QLocalSocket* socket)
        : QObject(&server), m_server(server), m_socket(socket)
    {
        socket->setParent(this);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &Conversation::writeDue);
        connect(socket, &QLocalSocket::readyRead, this, &Conversation::readFrames);
        connect(socket, &QLocalSocket::disconnected, this, &Conversation::end);
        connect(socket, &QLocalSocket::errorOccurred, this, &Conversation::end);
    }

    ~Conversation() override
    {
        // The socket goes with us; its last signals must not reach a half-destroyed object.
        m_socket->disconnect(this);
    }

    void start() { readFrames(); }

private:
    struct Pending
    {
        QDeadlineTimer due;
        Frame reply;
        bool closeAfter = false;
    };

    void readFrames()
    {
        if (m_ended || m_closing)
            return;
        const QByteArray bytes = m_socket->readAll();
        m_decoder.feed(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        while (auto frame = m_decoder.next()) {
            if (m_server.m_observer)
                m_server.m_observer(*frame);
            if (frame->kind == Frame::Disconnect) {
                // Whatever was still waiting has nobody to read it.
                m_pending.clear();
                m_closing = true;
                m_socket->disconnectFromServer();
                return;
            }
            answer(*frame);
        }
        if (m_decoder.failed()) {
            // A stream out of step cannot be answered sensibly any more.
            m_pending.clear();
            m_socket->abort();
            end();
            return;
        }
        writeDue();
    }

    void answer(const Frame& frame)
    {
        Answer answer;
        switch (frame.kind) {
        case Frame::Connect:
            m_accepted = frame.payload == m_server.m_topic;
            answer.kind = m_accepted ? Frame::Accepted : Frame::Refused;
            break;
        case Frame::AdviseStart:
        case Frame::AdviseStop:
        case Frame::Request:
            if (m_accepted && m_server.m_handler)
                answer = m_server.m_handler(frame.kind, frame.payload);
            if (frame.kind == Frame::Request && m_server.m_closeAfterRequests > 0 &&
                ++m_requests >= m_server.m_closeAfterRequests)
                answer.closeAfter = true;
            break;
        default:
            // A reply kind sent to the server asks nothing; it is refused like anything unknown.
            break;
        }
        if (answer.payload.size() > Frame::MaxPayload)
            answer = Answer{};
        const int delayMs = answer.delayMs >= 0 ? answer.delayMs : m_server.m_replyDelayMs;
        Pending pending{QDeadlineTimer(delayMs), Frame{}, answer.closeAfter};
        pending.reply.kind = answer.kind;
        pending.reply.id = frame.id;
        pending.reply.payload = std::move(answer.payload);
        m_pending.push_back(std::move(pending));
    }

    void writeDue()
    {
        while (!m_pending.empty() && !m_ended && !m_closing) {
            Pending& next = m_pending.front();
            if (!next.due.hasExpired()) {
                m_timer.start(static_cast<int>(std::max<qint64>(1, next.due.remainingTime())));
                return;
            }
            const std::string bytes = next.reply.encode();
            m_socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
            const bool close = next.closeAfter;
            m_pending.pop_front();
            if (close) {
                m_pending.clear();
                m_closing = true;
                m_socket->disconnectFromServer();
                return;
            }
        }
    }

    void end()
    {
        if (m_ended)
            return;
        m_ended = true;
        m_timer.stop();
        m_pending.clear();
        deleteLater();
        m_server.conversationEnded();
    }

    DdeServer& m_server;
    QLocalSocket* m_socket;
    FrameDecoder m_decoder;
    std::deque<Pending> m_pending;
    QTimer m_timer;
    int m_requests = 0;
    bool m_accepted = false;
    bool m_closing = false;
    bool m_ended = false;
};

DdeServer::DdeServer(QObject* parent) : QObject(parent) {}

DdeServer::~DdeServer()
{
    close();
}

static bool connectsTo(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = path.toUtf8();
    if (static_cast<std::size_t>(native.size()) >= sizeof address.sun_path) {
        ::close(fd);
        return false;
    }
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

bool DdeServer::isServed(const QString& service)
{
    return connectsTo(SocketPath::forService(service));
}

bool DdeServer::listen(const QString& service, const QString& topic, QString* error)
{
    close();
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (service.isEmpty() || service.contains(QLatin1Char('/')) || service.startsWith('.'))
        return fail(QStringLiteral("'%1' is not a usable service name").arg(service));
    if (!core::cp1251::canEncode(topic))
        return fail(QStringLiteral("the topic '%1' has no Windows-1251 form").arg(topic));
    QString why;
    if (!SocketPath::prepareDirectory(&why))
        return fail(why);
    const QString path = SocketPath::forService(service);
    if (!SocketPath::fitsSocketAddress(path) ||
        !SocketPath::fitsSocketAddress(path + QStringLiteral(".lock")))
        return fail(QStringLiteral("the socket path %1 is too long").arg(path));

    // Only the holder of the lock may replace the socket, so two servers starting at once do not
    // take the socket from each other; the lock goes with the process however it ends.
    const QByteArray lockPath = (path + QStringLiteral(".lock")).toUtf8();
    m_lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFd < 0)
        return fail(QStringLiteral("cannot open the lock %1").arg(QString::fromUtf8(lockPath)));
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0 || connectsTo(path)) {
        close();
        return fail(QStringLiteral("the service %1 is already served").arg(service));
    }
    QLocalServer::removeServer(path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path)) {
        const QString reason = m_server->errorString();
        close();
        return fail(QStringLiteral("cannot serve %1: %2").arg(path, reason));
    }
    connect(m_server, &QLocalServer::newConnection, this, &DdeServer::acceptPending);
    m_topic = core::cp1251::encodeStd(topic);
    m_path = path;
    return true;
}

void DdeServer::close()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    m_path.clear();
}

void DdeServer::acceptPending()
{
    while (m_server && m_server->hasPendingConnections()) {
        QLocalSocket* socket = m_server->nextPendingConnection();
        ucred peer{};
        socklen_t len = sizeof peer;
        const int fd = static_cast<int>(socket->socketDescriptor());
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 ||
            peer.uid != ::geteuid()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* conversation = new Conversation(*this, socket);
        ++m_conversations;
        emit conversationsChanged(m_conversations);
        conversation->start();
    }
}

void DdeServer::conversationEnded()
{
    --m_conversations;
    emit conversationsChanged(m_conversations);
}

} // namespace ddelink

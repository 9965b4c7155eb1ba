#include "link/UnixSocketTransport.h"
#include "link/Frame.h"
#include "link/FrameDecoder.h"
#include "link/SocketPath.h"
#include "support/ScopedEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using ddelink::Frame;
using namespace std::chrono_literals;

namespace {

// A server scripted by the test, on its own thread: it accepts conversations one after another
// and lets the script answer each frame (or misbehave) on the raw socket.
class ScriptedServer
{
public:
    using Script = std::function<void(int fd, const Frame& frame)>;

    ScriptedServer(const QString& service, Script script) : m_script(std::move(script))
    {
        QString error;
        EXPECT_TRUE(ddelink::SocketPath::prepareDirectory(&error)) << error.toStdString();
        m_path = ddelink::SocketPath::forService(service).toUtf8();
        m_listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, m_path.constData(), static_cast<std::size_t>(m_path.size()));
        EXPECT_EQ(::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(m_listen, 4), 0);
        m_thread = std::thread([this] { run(); });
    }

    ~ScriptedServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
        ::unlink(m_path.constData());
    }

    static void reply(int fd, char kind, std::uint32_t id, const std::string& payload = {})
    {
        Frame f;
        f.kind = kind;
        f.id = id;
        f.payload = payload;
        sendRaw(fd, f.encode());
    }
    static void sendRaw(int fd, const std::string& bytes)
    {
        (void)!::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    std::vector<Frame> received()
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    // The frames received, once there are at least n (or whatever came within ten seconds).
    std::vector<Frame> waitForFrames(std::size_t n)
    {
        std::unique_lock lock(m_mutex);
        m_arrived.wait_for(lock, 10s, [&] { return m_received.size() >= n; });
        return m_received;
    }

private:
    bool readable(int fd)
    {
        while (!m_stop) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0)
                return true;
        }
        return false;
    }

    void run()
    {
        while (readable(m_listen)) {
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            ddelink::FrameDecoder decoder;
            char buffer[4096];
            bool open = true;
            while (open && readable(fd)) {
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                decoder.feed(buffer, static_cast<std::size_t>(n));
                while (auto f = decoder.next()) {
                    {
                        std::lock_guard lock(m_mutex);
                        m_received.push_back(*f);
                    }
                    m_arrived.notify_all();
                    if (f->kind == Frame::Disconnect) {
                        open = false;
                        break;
                    }
                    if (f->kind == Frame::Connect)
                        reply(fd, Frame::Accepted, f->id);
                    else
                        m_script(fd, *f);
                    if (fcntl(fd, F_GETFD) < 0) {
                        open = false; // the script closed the conversation
                        break;
                    }
                }
            }
            if (fcntl(fd, F_GETFD) >= 0)
                ::close(fd);
        }
    }

    Script m_script;
    QByteArray m_path;
    int m_listen = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Frame> m_received;
};

class UnixSocketTransportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid());
        m_runtimeDir.emplace("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }
    QTemporaryDir m_runtime;
    std::optional<testsupport::EnvironmentVariable> m_runtimeDir;
};

// Answers S and T with A and R with "value of <item>".
void answerAll(int fd, const Frame& f)
{
    if (f.kind == Frame::Request)
        ScriptedServer::reply(fd, Frame::Data, f.id, "value of " + f.payload);
    else
        ScriptedServer::reply(fd, Frame::Accepted, f.id);
}

} // namespace

TEST_F(UnixSocketTransportTest, LateReplyIsDroppedAndTheNextAskGetsItsOwnAnswer)
{
    // "slow" is answered only once the client has given up on it (or after ten seconds, so a
    // client that waits for ever fails the test instead of hanging it).
    std::promise<void> givenUp;
    ScriptedServer server("svc", [late = givenUp.get_future().share()](int fd, const Frame& f) {
        if (f.kind == Frame::Request && f.payload == "slow")
            late.wait_for(10s);
        answerAll(fd, f);
    });
    ddelink::UnixSocketTransport client;
    ASSERT_TRUE(client.connect("svc", "topic"));

    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(client.request("slow"));
    givenUp.set_value();
    EXPECT_GE(timer.elapsed(), 990);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_TRUE(client.connected());

    // The late "value of slow" arrives while this one waits; it must not be taken for its answer.
    EXPECT_EQ(client.request("fast"), std::optional<std::string>("value of fast"));
    EXPECT_TRUE(client.adviseStart("x"));
}

TEST_F(UnixSocketTransportTest, BrokenStreamEndsTheConversation)
{
    struct Case
    {
        const char* name;
        ScriptedServer::Script script;
        bool adviseFirst = false; // the first transaction is an advise start, not a request
    };
    const std::vector<Case> cases = {
        // Kinds that exist, but not as the answer to what was sent: no "no data" either.
        {"an acceptance to a request",
         [](int fd, const Frame& f) { ScriptedServer::reply(fd, Frame::Accepted, f.id); }},
        {"data to an advise start",
         [](int fd, const Frame& f) { ScriptedServer::reply(fd, Frame::Data, f.id, "x"); }, true},
        {"oversized payload",
         [](int fd, const Frame& f) {
             ScriptedServer::reply(fd, Frame::Data, f.id, std::string(Frame::MaxPayload + 1, 'x'));
         }},
        {"unknown kind", [](int fd, const Frame& f) { ScriptedServer::reply(fd, 'Z', f.id); }},
        {"request kind as a reply",
         [](int fd, const Frame& f) { ScriptedServer::reply(fd, Frame::Request, f.id); }},
        {"closed socket", [](int fd, const Frame&) { ::close(fd); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server("svc", c.script);
        ddelink::UnixSocketTransport client;
        ASSERT_TRUE(client.connect("svc", "topic"));
        EXPECT_FALSE(c.adviseFirst ? client.adviseStart("a") : client.request("a").has_value());
        EXPECT_FALSE(client.connected());
        // Every later transaction fails at once, without waiting for its bound.
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(client.adviseStart("b"));
        EXPECT_FALSE(client.request("b"));
        EXPECT_LT(timer.elapsed(), 500);
    }
}

TEST_F(UnixSocketTransportTest, VanishedServerGivesNothingAndNoSignal)
{
    auto server = std::make_unique<ScriptedServer>("svc", answerAll);
    ddelink::UnixSocketTransport client;
    ASSERT_TRUE(client.connect("svc", "topic"));
    ASSERT_EQ(client.request("a"), std::optional<std::string>("value of a"));
    server.reset();
    // Writing into the closed socket would raise SIGPIPE and end this process.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(client.request("a"));
    EXPECT_FALSE(client.connected());
    client.disconnect();
}

TEST_F(UnixSocketTransportTest, FramesCarryIncreasingIdsAndEndWithDisconnect)
{
    ScriptedServer server("svc", answerAll);
    {
        ddelink::UnixSocketTransport client;
        ASSERT_TRUE(client.connect("svc", "ВЫР"));
        EXPECT_TRUE(client.adviseStop("a"));
        EXPECT_TRUE(client.adviseStart("a"));
        EXPECT_TRUE(client.request("a"));
    }
    const auto frames = server.waitForFrames(5);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(std::string(
                  {frames[0].kind, frames[1].kind, frames[2].kind, frames[3].kind, frames[4].kind}),
              "CTSRX");
    EXPECT_EQ(frames[0].payload, "ВЫР");
    for (std::size_t i = 1; i < frames.size(); ++i)
        EXPECT_GT(frames[i].id, frames[i - 1].id);
}

TEST_F(UnixSocketTransportTest, RefusesAnUnsafeSocketDirectory)
{
    ScriptedServer server("svc", answerAll);
    const QByteArray dir = ddelink::SocketPath::directory().toUtf8();
    struct stat st
    {
    };
    ASSERT_EQ(::stat(dir.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::chmod(dir.constData(), 0755);
    ddelink::UnixSocketTransport client;
    EXPECT_FALSE(client.connect("svc", "topic"));
    // The server's side closes our own directory again.
    QString error;
    EXPECT_TRUE(ddelink::SocketPath::prepareDirectory(&error)) << error.toStdString();
    EXPECT_TRUE(client.connect("svc", "topic"));
    EXPECT_FALSE(ddelink::UnixSocketTransport().connect("nobody", "topic"));
}

TEST(SocketPathTest, RuntimeDirectoryElseTemp)
{
    testsupport::EnvironmentVariable runtime("XDG_RUNTIME_DIR", "/run/user/77");
    EXPECT_EQ(ddelink::SocketPath::forService(QStringLiteral("БУХ")),
              QStringLiteral("/run/user/77/dde/БУХ"));
    runtime.set(QByteArray());
    EXPECT_TRUE(
        ddelink::SocketPath::directory().endsWith(QStringLiteral("/dde-%1").arg(::geteuid())));
}

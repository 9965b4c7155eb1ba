// bench-run [N...]: the generation run over N employees (default 1000 and 10000, each in a
// process of its own so that the peak memory of one does not hide the other's), against a server
// thread that speaks the local transport over a Unix socket and answers from memory. Prints the
// time per request beside a raw round trip of one frame to the same server.

#include "BenchBooks.h"
#include "bench_support/ReadExactly.h"
#include "core/Cp1251.h"
#include "dbase/Table.h"
#include "link/DdeClientConv.h"
#include "link/DdeClientItem.h"
#include "link/Frame.h"
#include "link/SocketPath.h"
#include "settings/SettingsSource.h"
#include "taxfile/GenerationRun.h"
#include "taxformat/TaxFileFields.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

using bench::readExactly;

std::uint32_t be32(const char* p)
{
    return (std::uint32_t(std::uint8_t(p[0])) << 24) | (std::uint32_t(std::uint8_t(p[1])) << 16) |
           (std::uint32_t(std::uint8_t(p[2])) << 8) | std::uint32_t(std::uint8_t(p[3]));
}

// One conversation at a time, in the order frames come.
class MemoryServer
{
public:
    explicit MemoryServer(const std::string& path) : m_path(path)
    {
        m_listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        ::unlink(path.c_str());
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(m_listen, 4) != 0) {
            std::perror("bench-run: listen");
            std::exit(1);
        }
        m_thread = std::thread([this] { serve(); });
    }
    ~MemoryServer()
    {
        m_stop = true;
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        // Wake an accept that is still waiting.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", m_path.c_str());
        (void)::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::close(fd);
        m_thread.join();
        ::unlink(m_path.c_str());
    }
    long frames() const { return m_frames; }

private:
    void serve()
    {
        while (!m_stop) {
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            converse(fd);
            ::close(fd);
        }
    }
    void converse(int fd)
    {
        char header[ddelink::Frame::HeaderSize];
        std::string payload;
        while (readExactly(fd, header, sizeof header)) {
            const std::uint32_t size = be32(header + 5);
            payload.resize(size);
            if (size > ddelink::Frame::MaxPayload || !readExactly(fd, payload.data(), size))
                return;
            ++m_frames;
            ddelink::Frame reply;
            reply.id = be32(header + 1);
            switch (header[0]) {
            case ddelink::Frame::Disconnect:
                return;
            case ddelink::Frame::Request:
                reply.kind = ddelink::Frame::Data;
                reply.payload = benchbooks::answer(payload);
                break;
            default:
                reply.kind = ddelink::Frame::Accepted;
            }
            const std::string bytes = reply.encode();
            if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != ssize_t(bytes.size()))
                return;
        }
    }

    std::string m_path;
    int m_listen = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_frames{0};
};

// A request frame to the server and its reply, over a socket of our own.
double rawRoundTripMicros(const std::string& path, int iterations)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        std::perror("bench-run: connect");
        std::exit(1);
    }
    ddelink::Frame frame;
    frame.kind = ddelink::Frame::Request;
    frame.payload = "F1:12345";
    const std::string bytes = frame.encode();
    char header[ddelink::Frame::HeaderSize];
    std::string payload;
    const auto start = Clock::now();
    for (int i = 0; i < iterations; ++i) {
        if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != ssize_t(bytes.size()) ||
            !readExactly(fd, header, sizeof header))
            break;
        payload.resize(be32(header + 5));
        readExactly(fd, payload.data(), payload.size());
    }
    const double micros =
        std::chrono::duration<double, std::micro>(Clock::now() - start).count() / iterations;
    ddelink::Frame bye;
    bye.kind = ddelink::Frame::Disconnect;
    const std::string b = bye.encode();
    (void)::send(fd, b.data(), b.size(), MSG_NOSIGNAL);
    ::close(fd);
    return micros;
}

int runOne(int employees)
{
    QTemporaryDir runtime;
    QTemporaryDir temp;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QString error;
    if (!ddelink::SocketPath::prepareDirectory(&error)) {
        std::fprintf(stderr, "bench-run: %s\n", qPrintable(error));
        return 1;
    }
    const std::string path =
        QFile::encodeName(ddelink::SocketPath::forService(QStringLiteral("БУХ"))).toStdString();
    MemoryServer server(path);

    const double raw = rawRoundTripMicros(path, 20000);

    settings::MapSettings s;
    benchbooks::putBenchSettings(s, employees);

    ddelink::DdeClientConv conv;
    ddelink::DdeClientItem item(conv);
    if (!ddelink::openLink(conv, item)) {
        std::fprintf(stderr, "bench-run: the conversation did not open\n");
        return 1;
    }
    const long framesBefore = server.frames();
    const auto start = Clock::now();
    if (!benchbooks::generate("bench-run", s, item, temp.path(), [&] { return conv.isOpen(); }))
        return 1;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const long frames = server.frames() - framesBefore;

    dbase::Table check(QStringLiteral("DA"), taxformat::taxFileFields());
    check.open(temp.path() + '/', QStringLiteral("DA071401.3"));
    const int records = check.recordCount();
    check.close();
    conv.CloseLink();

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const double perFrame = seconds * 1e6 / double(frames);
    std::printf("N=%-6d records %-6d frames %-8ld run %.3f s  per frame %.2f us  raw round trip "
                "%.2f us  ratio %.2f  peak RSS %ld KiB\n",
                employees, records, frames, seconds, perFrame, raw, perFrame / raw,
                usage.ru_maxrss);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Qt took the C library's locale from the desktop; the figures print with a point anyway.
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1)
        return runOne(args.front().toInt());
    const QStringList sizes = args.isEmpty() ? QStringList{"1000", "10000"} : args;
    int status = 0;
    for (const QString& n : sizes) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {n});
        child.waitForFinished(-1);
        status |= child.exitCode();
    }
    return status;
}

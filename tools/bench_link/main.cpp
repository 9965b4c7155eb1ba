// bench-link [ITERATIONS]: the cost of a raw Unix-socket round trip of one frame, and of one ask
// (advise stop, advise start, request) against the stand-in running as its own process.

#include "bench_support/ReadExactly.h"
#include "core/Cp1251.h"
#include "link/DdeClientConv.h"
#include "link/DdeClientItem.h"
#include "link/Frame.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <numeric>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void report(const char* what, std::vector<double> micros)
{
    std::sort(micros.begin(), micros.end());
    const double mean = std::accumulate(micros.begin(), micros.end(), 0.0) / micros.size();
    std::printf("%-44s n=%zu  mean %.2f us  median %.2f us  p99 %.2f us\n", what, micros.size(),
                mean, micros[micros.size() / 2], micros[micros.size() * 99 / 100]);
}

using bench::readExactly;

// The same frame as a request for the item, echoed back by a thread of this program.
void rawRoundTrips(int iterations, const std::string& item)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        std::perror("socketpair");
        return;
    }
    ddelink::Frame frame;
    frame.kind = ddelink::Frame::Request;
    frame.payload = item;
    const std::string bytes = frame.encode();
    std::thread echo([fd = fds[1], size = bytes.size()] {
        std::string buffer(size, '\0');
        while (readExactly(fd, buffer.data(), size))
            if (::send(fd, buffer.data(), size, MSG_NOSIGNAL) != static_cast<ssize_t>(size))
                break;
    });
    std::string reply(bytes.size(), '\0');
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(iterations));
    for (int i = 0; i < iterations; ++i) {
        const auto start = Clock::now();
        if (::send(fds[0], bytes.data(), bytes.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(bytes.size()) ||
            !readExactly(fds[0], reply.data(), reply.size()))
            break;
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    ::close(fds[0]);
    echo.join();
    ::close(fds[1]);
    report("raw round trip (one frame, echo thread)", micros);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Qt took the C library's locale from the desktop; the figures print with a point anyway.
    std::setlocale(LC_NUMERIC, "C");
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const QString item = QStringLiteral("СН1:7.52");

    rawRoundTrips(iterations, std::string(core::cp1251::encodeStd(item)));

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    QFile books(dir.filePath(QStringLiteral("books.json")));
    if (!books.open(QIODevice::WriteOnly))
        return 1;
    books.write(QStringLiteral("{\"items\": {\"%1\": \"2912345678\"}}").arg(item).toUtf8());
    books.close();

    QProcess standin;
    standin.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/buh-standin"));
    standin.setArguments({QStringLiteral("--books"), books.fileName()});
    standin.setProcessChannelMode(QProcess::ForwardedChannels);
    standin.start();
    if (!standin.waitForStarted()) {
        std::fprintf(stderr, "bench-link: cannot start %s\n", qPrintable(standin.program()));
        return 1;
    }
    ddelink::DdeClientConv conversation;
    ddelink::DdeClientItem link(conversation);
    for (int i = 0; i < 100 && !conversation.isOpen(); ++i) {
        if (!ddelink::openLink(conversation, link))
            QThread::msleep(20);
    }
    if (!conversation.isOpen()) {
        std::fprintf(stderr, "bench-link: the stand-in does not answer\n");
        standin.kill();
        standin.waitForFinished();
        return 1;
    }
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(iterations));
    int wrong = 0;
    for (int i = 0; i < iterations; ++i) {
        const auto start = Clock::now();
        const QString text = link.ask(item);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        wrong += text != QStringLiteral("2912345678");
    }
    report("one ask (stop, start, request) vs stand-in", micros);
    std::vector<double> perTrip(micros);
    for (double& m : perTrip)
        m /= 3;
    report("  per round trip within an ask", perTrip);
    if (wrong)
        std::printf("%d asks gave a wrong answer\n", wrong);
    conversation.CloseLink();
    standin.terminate();
    standin.waitForFinished();
    return wrong ? 1 : 0;
}

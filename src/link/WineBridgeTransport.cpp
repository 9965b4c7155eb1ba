#include "link/WineBridgeTransport.h"

#include "core/Cp1251.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace ddelink {

namespace {

// The child's environment: ours, with the prefix, and Wine's own diagnostics off unless the
// user asked for them (standard error is the bridge's).
std::vector<std::string> childEnvironment(const QByteArray& prefix)
{
    std::vector<std::string> env;
    bool debugSet = false;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "WINEPREFIX=", 11) == 0)
            continue;
        debugSet |= std::strncmp(*entry, "WINEDEBUG=", 10) == 0;
        env.emplace_back(*entry);
    }
    env.push_back("WINEPREFIX=" + prefix.toStdString());
    if (!debugSet)
        env.emplace_back("WINEDEBUG=-all");
    return env;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// The child after the fork: the pipes become its standard input and output and it becomes the
// bridge, or ends. Only calls that are safe between fork and exec.
[[noreturn]] void execBridge(pid_t parent, int toChild, int fromChild, char* const argv[],
                             char* const envp[])
{
    // The bridge must never outlive the program, even one killed outright.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    // Above the standard descriptors first, so that neither pipe end overwrites the other.
    const int in = ::fcntl(toChild, F_DUPFD, 3);
    const int out = ::fcntl(fromChild, F_DUPFD, 3);
    if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0)
        ::_exit(127);
    // Nothing else of ours goes along: no socket, no open tax file, no lock.
    if (::syscall(SYS_close_range, 3U, ~0U, 0U) != 0) {
        for (int fd = 3; fd < 65536; ++fd)
            ::close(fd);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::execve(argv[0], argv, envp);
    ::_exit(127);
}

} // namespace

WineBridgeTransport::WineBridgeTransport(QString wineProgram, QString bridgeProgram, QString prefix,
                                         std::chrono::milliseconds timeout)
    : FrameTransport(timeout, true), m_wine(std::move(wineProgram)),
      m_bridge(std::move(bridgeProgram)), m_prefix(std::move(prefix))
{
}

WineBridgeTransport::~WineBridgeTransport()
{
    endBridge();
}

bool WineBridgeTransport::spawn(const std::string& service)
{
    // Everything the child needs is made before the fork: after it, only calls that are safe
    // between fork and exec.
    const QByteArray wine = QFile::encodeName(m_wine);
    const QByteArray bridge = QFile::encodeName(m_bridge);
    // Wine reads its command line in the system's encoding and hands it on in the ANSI code page.
    const QByteArray serviceArg = QFile::encodeName(core::cp1251::decode(service));
    const std::vector<std::string> env = childEnvironment(QFile::encodeName(m_prefix));
    std::vector<char*> envp;
    for (const std::string& entry : env)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(wine.constData()), const_cast<char*>(bridge.constData()),
                    const_cast<char*>(serviceArg.constData()), nullptr};

    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        ::close(toChild[0]);
        ::close(toChild[1]);
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        execBridge(parent, toChild[0], fromChild[1], argv, envp.data());
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (pid < 0) {
        ::close(toChild[1]);
        ::close(fromChild[0]);
        return false;
    }
    m_pid = pid;
    m_pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    m_stream.openPipes(fromChild[0], toChild[1],
                       m_pidFd >= 0 ? ::fcntl(m_pidFd, F_DUPFD_CLOEXEC, 0) : -1);
    return true;
}

void WineBridgeTransport::endBridge()
{
    // Told to end; it disconnects from the accounting program and exits at once, or is killed.
    m_stream.post(Frame::Disconnect);
    m_stream.close();
    if (m_pid <= 0)
        return;
    bool ended = false;
    if (m_pidFd >= 0) {
        pollfd p{m_pidFd, POLLIN, 0};
        ended = ::poll(&p, 1, static_cast<int>(m_timeout.count())) > 0;
    }
    if (!ended)
        ::kill(m_pid, SIGKILL);
    while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    closeFd(m_pidFd);
    m_pid = -1;
}

bool WineBridgeTransport::connect(const std::string& service, const std::string& topic)
{
    endBridge();
    if (!spawn(service))
        return false;
    const auto start = FrameStream::Clock::now();
    // The bridge is up when it greets; until then Wine is starting, which is not a refusal.
    // Anything but an acceptance in the greeting's place is no bridge of ours.
    const auto greeting = m_stream.await(0, start + m_startLimit, m_whileStarting);
    if (greeting && greeting->kind == Frame::Accepted) {
        // The bridge starts the accounting program when nobody serves, and waits for it.
        const auto reply = m_stream.transact(
            Frame::Connect, topic,
            FrameStream::Clock::now() + m_timeout + ServiceStartWait + m_timeout, m_whileStarting);
        if (reply && reply->kind == Frame::Accepted)
            return true;
    }
    endBridge();
    return false;
}

void WineBridgeTransport::stopStarting()
{
    m_stream.close();
}

void WineBridgeTransport::disconnect()
{
    endBridge();
}

} // namespace ddelink

#pragma once

// What a hostile or unlucky machine does to the program, made real for a test: a second user
// who plants files (through setpriv, as root only), the program itself run as an ordinary user
// (a child process that drops root), and a small tmpfs that fills up (mounted as root only).
// Each says plainly when the machine does not allow it, so that the test can skip with a word.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

namespace testsupport {

// The second user of a shared machine.
inline const char* const kOtherUser = "nobody";
// The uid and gid the program runs under when the test itself runs as root: an ordinary user
// without any special right over other users' files.
constexpr uid_t kPlainUid = 4242;
constexpr gid_t kPlainGid = 4242;

inline bool isRoot()
{
    return ::geteuid() == 0;
}

// Runs a command as the second user; true when it ran and succeeded.
inline bool runAsOtherUser(const QStringList& command)
{
    return QProcess::execute(QStringLiteral("setpriv"),
                             QStringList{QStringLiteral("--reuid=%1").arg(kOtherUser),
                                         QStringLiteral("--regid=nogroup"),
                                         QStringLiteral("--clear-groups"), QStringLiteral("--")} +
                                 command) == 0;
}

// Runs `work` in a child process as an ordinary user (kPlainUid when the test runs as root,
// else the test's own user) and returns the text it returned; "<child failed>" when the child
// did not finish normally. The child touches files only: no event loop, no windows.
inline QString runAsPlainUser(const std::function<QString()>& work)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("<child failed>");
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return QStringLiteral("<child failed>");
    }
    if (pid == 0) {
        ::close(channel[0]);
        if (isRoot() &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(kPlainGid, kPlainGid, kPlainGid) != 0 ||
             ::setresuid(kPlainUid, kPlainUid, kPlainUid) != 0))
            ::_exit(2);
        const QByteArray text = work().toUtf8();
        const bool sent =
            ::write(channel[1], text.constData(), std::size_t(text.size())) == ssize_t(text.size());
        ::_exit(sent ? 0 : 3);
    }
    ::close(channel[1]);
    QByteArray text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("<child failed>");
    return QString::fromUtf8(text);
}

// A tmpfs of the given size mounted on a folder while the object lives. mounted() is false,
// with the reason in why(), where the machine refuses (not root, no mount in a container).
class SmallTmpfs
{
public:
    SmallTmpfs(const QString& mountPoint, const QString& size,
               const QString& mode = QStringLiteral("1777"))
        : m_point(mountPoint)
    {
        QDir().mkpath(mountPoint);
        QProcess mount;
        mount.setProcessChannelMode(QProcess::MergedChannels);
        mount.start(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=%1,mode=%2").arg(size, mode), QStringLiteral("tmpfs"),
                     mountPoint});
        m_mounted = mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
                    mount.exitCode() == 0;
        if (!m_mounted)
            m_why = QStringLiteral("mounting a tmpfs was refused here: ") +
                    QString::fromLocal8Bit(mount.readAll()).trimmed();
    }
    ~SmallTmpfs()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_point});
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return m_mounted; }
    const QString& why() const { return m_why; }

private:
    QString m_point;
    bool m_mounted = false;
    QString m_why;
};

// While it lives, no file this process writes may grow beyond `bytes` (this binds root too): a
// disk that takes part of a write and refuses the rest. set() is false where the limit was
// refused.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        if (::getrlimit(RLIMIT_FSIZE, &m_old) != 0)
            return;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a refused write, not the end of the test
        rlimit small = m_old;
        small.rlim_cur = rlim_t(bytes);
        m_set = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_set)
            ::setrlimit(RLIMIT_FSIZE, &m_old);
        if (m_oldHandler != SIG_ERR)
            std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool set() const { return m_set; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_ERR;
    bool m_set = false;
};

// The permission bits of a file, not following a link.
inline unsigned modeOf(const QString& path)
{
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

} // namespace testsupport

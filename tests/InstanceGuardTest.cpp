#include "app/InstanceGuard.h"
#include "support/FakeClock.h"
#include "support/HostileEnvironment.h"
#include "support/ScopedEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// One started copy of the guard probe, ended by the test in every case.
class Probe
{
public:
    explicit Probe(const QProcessEnvironment& env)
    {
        m_process.setProcessEnvironment(env);
        m_process.setProgram(QStringLiteral(FVT_BINARY_DIR "/bin/guard_probe"));
    }
    ~Probe()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    void start() { m_process.start(); }

    // The next line it says, or empty after the timeout.
    QString nextLine(int timeoutMs = 5000)
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(timeoutMs))
                return m_process.canReadLine() ? readLine() : QString();
        }
        return readLine();
    }

    bool finished(int timeoutMs = 5000) { return m_process.waitForFinished(timeoutMs); }
    // Every line it said and was not read yet, once it has ended.
    QStringList rest()
    {
        QStringList lines;
        while (m_process.canReadLine())
            lines << readLine();
        return lines;
    }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }

    void quit()
    {
        m_process.write("quit\n");
        m_process.waitForBytesWritten(1000);
    }
    void killHard() { ::kill(pid_t(m_process.processId()), SIGKILL); }

private:
    QString readLine() { return QString::fromUtf8(m_process.readLine()).trimmed(); }

    QProcess m_process;
};

class InstanceGuardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid());
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }

    std::unique_ptr<Probe> started()
    {
        auto probe = std::make_unique<Probe>(m_env);
        probe->start();
        return probe;
    }

    // A later copy's whole life: its report, and that it ended by itself with code 0.
    QString laterCopy()
    {
        auto later = started();
        const QString line = later->nextLine();
        EXPECT_TRUE(later->finished());
        EXPECT_EQ(later->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(later->exitCode(), 0);
        return line;
    }

    QTemporaryDir m_runtime;
    QProcessEnvironment m_env;
};

TEST_F(InstanceGuardTest, SecondStartRaisesTheFirstAndEndsWithZero)
{
    auto first = started();
    ASSERT_EQ(first->nextLine(), "first");

    EXPECT_EQ(laterCopy(), "later raised");
    EXPECT_EQ(first->nextLine(), "raised");
    // The first copy still answers after serving one later copy.
    EXPECT_EQ(laterCopy(), "later raised");
    EXPECT_EQ(first->nextLine(), "raised");

    // A later copy started with an activation token (Wayland) hands it on for that one raise;
    // one that cannot be a token is not sent.
    // (A raise may change the window's state more than once, each change a "raised".)
    m_env.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("kwin-7_a:b"));
    EXPECT_EQ(laterCopy(), "later raised");
    QString line;
    do
        line = first->nextLine();
    while (line == "raised");
    EXPECT_EQ(line, "raised with kwin-7_a:b");
    for (const QString& bad : {QStringLiteral("two words"), QString(300, u'x')}) {
        m_env.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), bad);
        EXPECT_EQ(laterCopy(), "later raised");
    }
    m_env.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
    EXPECT_EQ(laterCopy(), "later raised");

    // Lock and socket are per user, beside each other in the runtime folder, user-only.
    const QString socket = QDir(m_runtime.path()).filePath(QStringLiteral("Zvitnyk"));
    EXPECT_TRUE(QFile::exists(socket + QStringLiteral(".lock")));
    EXPECT_TRUE(QFile::exists(socket));
    EXPECT_EQ(QFile::permissions(socket) &
                  (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());

    first->quit();
    ASSERT_TRUE(first->finished());
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_FALSE(QFile::exists(socket));
    // Raised by every later copy since, never with a token they could not carry, nor with the
    // one that came before.
    const QStringList rest = first->rest();
    EXPECT_GE(rest.count("raised"), 3) << rest.join('|').toStdString();
    EXPECT_EQ(rest.filter("with").size(), 0) << rest.join('|').toStdString();

    auto next = started();
    EXPECT_EQ(next->nextLine(), "first");
    next->quit();
    EXPECT_TRUE(next->finished());
}

TEST_F(InstanceGuardTest, KilledFirstCopyNeverBlocksTheNextStart)
{
    auto first = started();
    ASSERT_EQ(first->nextLine(), "first");
    first->killHard();
    ASSERT_TRUE(first->finished());

    // Lock and socket are left behind by the dead copy; the next start takes both over.
    auto next = started();
    ASSERT_EQ(next->nextLine(), "first");
    EXPECT_EQ(laterCopy(), "later raised");
    EXPECT_EQ(next->nextLine(), "raised");
    next->quit();
    EXPECT_TRUE(next->finished());
}

TEST_F(InstanceGuardTest, LongRunningFirstCopyKeepsItsLock)
{
    auto first = started();
    ASSERT_EQ(first->nextLine(), "first");
    // A lock that looks hours old still belongs to a live copy.
    QFile lock(QDir(m_runtime.path()).filePath(QStringLiteral("Zvitnyk.lock")));
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-6 * 3600),
                                 QFileDevice::FileModificationTime));
    lock.close();

    EXPECT_EQ(laterCopy(), "later raised");
    first->quit();
    EXPECT_TRUE(first->finished());
}

TEST_F(InstanceGuardTest, SimultaneousStartsGiveExactlyOneFirstCopy)
{
    for (int round = 0; round < 5; ++round) {
        auto a = started();
        auto b = started();
        const QString lineA = a->nextLine();
        const QString lineB = b->nextLine();
        const int firsts = int(lineA == "first") + int(lineB == "first");
        EXPECT_EQ(firsts, 1) << "round " << round << ": " << qPrintable(lineA) << " / "
                             << qPrintable(lineB);
        // The other one is a later copy, answered or not (the first may not listen yet).
        Probe& later = lineA == "first" ? *b : *a;
        Probe& winner = lineA == "first" ? *a : *b;
        EXPECT_TRUE((lineA == "first" ? lineB : lineA).startsWith("later"));
        EXPECT_TRUE(later.finished());
        EXPECT_EQ(later.exitCode(), 0);
        winner.quit();
        EXPECT_TRUE(winner.finished());
    }
}

TEST_F(InstanceGuardTest, WithoutRuntimeFolderTheGuardLivesUnderTheHome)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    m_env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    m_env.insert(QStringLiteral("TMPDIR"), temp.path());
    m_env.insert(QStringLiteral("XDG_CACHE_HOME"), temp.path() + "/home-cache");
    // What another user could plant in the shared temporary folder stops nothing.
    const QString planted =
        QDir(temp.path()).filePath(QStringLiteral("zvitnyk-%1").arg(::getuid()));
    ASSERT_TRUE(QDir().mkpath(planted));
    ASSERT_EQ(::chmod(QFile::encodeName(planted).constData(), 0777), 0);

    auto first = started();
    ASSERT_EQ(first->nextLine(), "first");
    const QString dir = temp.path() + "/home-cache/zvitnyk";
    EXPECT_TRUE(QFile::exists(QDir(dir).filePath(QStringLiteral("Zvitnyk.lock"))));
    EXPECT_EQ(QFile::permissions(dir) & (QFile::ReadOther | QFile::WriteOther | QFile::ExeOther |
                                         QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup),
              QFile::Permissions());
    EXPECT_EQ(laterCopy(), "later raised");
    first->quit();
    EXPECT_TRUE(first->finished());
}

// Connections that say nothing are let go within a second, and only a few are held at once:
// a flood of idle ones neither piles up descriptors nor keeps a later copy from raising.
TEST_F(InstanceGuardTest, SilentConnectionsAreDroppedAndBounded)
{
    auto first = started();
    ASSERT_EQ(first->nextLine(), "first");
    const QString socketPath = QDir(m_runtime.path()).filePath(QStringLiteral("Zvitnyk"));
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 40; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(socketPath);
        ASSERT_TRUE(idle.back()->waitForConnected(1000));
    }
    const auto stillOpen = [&] {
        int open = 0;
        for (auto& s : idle) {
            s->waitForReadyRead(0);
            open += s->state() == QLocalSocket::ConnectedState;
        }
        return open;
    };
    QThread::msleep(300);
    EXPECT_LE(stillOpen(), 8);
    QThread::msleep(1200);
    EXPECT_EQ(stillOpen(), 0);
    EXPECT_EQ(laterCopy(), "later raised");
    first->quit();
    EXPECT_TRUE(first->finished());
}

// A lock file that no living copy holds never stops a start: garbage, or one that another user
// left in the folder (an empty one is waited on in ALockThatNamesNobodyIsGivenTimeOnTheClock).
TEST_F(InstanceGuardTest, ALockNobodyHoldsIsTakenOver)
{
    const QString lockPath = QDir(m_runtime.path()).filePath(QStringLiteral("Zvitnyk.lock"));
    struct Case
    {
        const char* what;
        QByteArray bytes;
        bool otherOwner;
    };
    for (const Case& c : {Case{"garbage", "\x01\xffzz\n\n\n", false},
                          Case{"another user's", "1\ninit\n\n", true}}) {
        SCOPED_TRACE(c.what);
        if (c.otherOwner && !testsupport::isRoot()) {
            std::printf("skipped the %s lock: giving a file to another user needs root\n", c.what);
            continue;
        }
        QFile lock(lockPath);
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.write(c.bytes);
        lock.close();
        if (c.otherOwner) {
            ASSERT_EQ(QProcess::execute("chown", {"nobody:nogroup", lockPath}), 0);
        }

        auto first = started();
        ASSERT_EQ(first->nextLine(), "first");
        EXPECT_EQ(laterCopy(), "later raised");
        first->quit();
        EXPECT_TRUE(first->finished());
    }
}

// What the program cannot mend is said, and the start ends with a non-zero code: a guard
// folder that is not the user's own or is open to others, or a disk too full for the lock.
TEST_F(InstanceGuardTest, AFolderItCannotTrustOrAFullDiskIsSaidAndEndsNonZero)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString fallback = temp.path() + "/zvitnyk";
    const auto refused = [&](const char* what) {
        SCOPED_TRACE(what);
        auto probe = started();
        const QString line = probe->nextLine();
        EXPECT_TRUE(line.startsWith("cannot start: Програму не вдалося запустити: "))
            << qPrintable(line);
        EXPECT_TRUE(probe->finished());
        EXPECT_EQ(probe->exitCode(), 1);
        return line;
    };

    // The fallback folder, made open to all or as a link.
    m_env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    m_env.insert(QStringLiteral("XDG_CACHE_HOME"), temp.path());
    ASSERT_TRUE(QDir().mkpath(fallback));
    ASSERT_EQ(::chmod(QFile::encodeName(fallback).constData(), 0777), 0);
    EXPECT_TRUE(refused("open to all").contains(fallback));
    EXPECT_FALSE(QFile::exists(QDir(fallback).filePath(QStringLiteral("Zvitnyk.lock"))));
    ASSERT_TRUE(QDir(fallback).removeRecursively());
    ASSERT_TRUE(QFile::link(temp.path(), fallback));
    refused("a link");
    ASSERT_TRUE(QFile::remove(fallback));

    if (testsupport::isRoot()) {
        // The runtime folder of another user.
        QTemporaryDir foreign;
        ASSERT_EQ(QProcess::execute("chown", {"nobody:nogroup", foreign.path()}), 0);
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), foreign.path());
        refused("another user's runtime folder");
    }

    // A runtime folder on a full disk.
    const testsupport::SmallTmpfs full(temp.path() + "/full", "16k", "0700");
    if (!full.mounted()) {
        std::printf("skipped the full disk: %s\n", qPrintable(full.why()));
        return;
    }
    {
        QFile filler(temp.path() + "/full/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
        }
    }
    m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), temp.path() + "/full");
    // The system's own words for the reason.
    EXPECT_TRUE(refused("full").contains(qt_error_string(ENOSPC)));
}

} // namespace

// A lock file that names nobody may belong to a copy still writing it: it is read again every
// 50 ms on the program's clock, ten times, before and again under the takeover lock. A copy
// that finishes writing it meanwhile keeps it.
TEST_F(InstanceGuardTest, ALockThatNamesNobodyIsGivenTimeOnTheClock)
{
    testsupport::EnvironmentVariable runtime("XDG_RUNTIME_DIR",
                                             QFile::encodeName(m_runtime.path()));
    const QString lockPath = QDir(m_runtime.path()).filePath(QStringLiteral("Zvitnyk.lock"));
    struct Case
    {
        const char* what;
        std::size_t writtenAfter; // pauses; 0 for never
        bool first;
        std::size_t pauses;
    };
    for (const Case& c :
         {Case{"written meanwhile", 3, false, 3}, Case{"never written", 0, true, 20}}) {
        SCOPED_TRACE(c.what);
        QFile lock(lockPath);
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.close();
        testsupport::FakeClock clock;
        clock.onPause = [&](std::size_t pauses) {
            if (pauses != c.writtenAfter)
                return;
            QFile written(lockPath);
            ASSERT_TRUE(written.open(QIODevice::WriteOnly | QIODevice::Truncate));
            written.write(QByteArray::number(::getpid()) + "\nZvitnyk\nhost\n");
        };
        {
            const app::InstanceGuard guard;
            EXPECT_TRUE(guard.failure().isEmpty());
            EXPECT_EQ(guard.isFirst(), c.first);
            EXPECT_EQ(clock.pauses, std::vector<std::chrono::milliseconds>(
                                        c.pauses, std::chrono::milliseconds(50)));
        }
        QFile::remove(lockPath);
    }
}
